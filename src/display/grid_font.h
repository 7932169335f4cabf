// The picture's own small bitmap font for range labels, and text drawing into a picture.
#pragma once

#include <cstdint>
#include <string_view>

namespace vq {

enum class TextAlign : int { Left = 0, Right = 1, Centre = 2 };

// Glyph rows (8 x 16, MSB = leftmost pixel) of '.', '0'..'9'; nullptr for other characters.
const std::uint8_t* GridGlyph(char ch);

// Draws text into a 1012 x 542 picture: set glyph pixels become `value`, others stay.
void DrawText(std::uint8_t* img, int x, int y, TextAlign align, std::string_view text,
              std::uint8_t value);

}  // namespace vq
