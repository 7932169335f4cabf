// Writes an 8-bit palette picture with its colour table as an indexed PNG file.
#pragma once

#include <cstdint>
#include <string>

#include "display/palette.h"

namespace vq {

// Returns false with a message in `error` when the file cannot be written.
bool WriteIndexedPng(const std::string& path, const std::uint8_t* pixels, int width, int height,
                     const Palette& palette, std::string* error);

}  // namespace vq
