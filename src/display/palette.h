// Colour tables of the sonar pictures: index 0..254 is echo strength, 255 the overlay colour.
#pragma once

#include <array>
#include <cstdint>

namespace vq {

inline constexpr int kNumColorTables = 9;
inline constexpr int kRevGreyTable = 4;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

struct NormColor {
    int r = 0;
    int g = 0;
    int b = 0;
};

// The piecewise linear base table: rows 0..254 intensity colours, row 255 the overlay colour.
const std::array<NormColor, 256>& NormTable();

// Menu texts of the nine tables, in index order.
const char* ColorTableName(int index);

// The 256-entry palette for table index 0..8 (out-of-range indexes fall back to 0).
using Palette = std::array<Rgb, 256>;
Palette MakePalette(int index);

}  // namespace vq

namespace vq {

// The palette as 0xRRGGBB words, the form the GUI's image colour table takes.
std::array<std::uint32_t, 256> PaletteWords(const Palette& p);

}  // namespace vq
