// Range grids and labels of every display mode, drawn into the picture with the overlay
// value 255 (grid on) or the background 0 (grid off, which erases them).
#pragma once

#include <cstdint>
#include <string>

#include "display/display_params.h"
#include "display/pixel_tables.h"

namespace vq {

// Ring spacing P in pixels: 100 (metres) or 91.44 (feet, yards) scaled by 1500 / c.
double RingSpacing(const DisplayParams& p);

// Range between labelled rings, in the operator's unit.
double LabelStep(const DisplayParams& p);

// "%4.1f", or "%4.2f" in half range.
std::string LabelText(double value, bool half_range);

// Value of label pixels: 0 when the grid is off or the text is not visible, 255 when the
// range start is not 0, 72 with the reversed grey table and 216 otherwise.
std::uint8_t LabelValue(const DisplayParams& p, bool visible);

// Draws (or erases) the grid of the current mode; the spans of `t` bound the other modes.
void DrawGrid(const DisplayParams& p, const PixelTables& t, std::uint8_t* display);

void DrawSectorGrid(const DisplayParams& p, std::uint8_t* display);

}  // namespace vq
