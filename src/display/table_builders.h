// Builders of the scan-conversion tables for each display mode. Each clears the tables,
// fills them, sets the row spans and packs the fast form. `scratch` is a 1012 x 542 byte
// picture used to draw the outline from which the spans are found; it is left cleared.
#pragma once

#include <cstdint>

#include "display/display_params.h"
#include "display/pixel_tables.h"

namespace vq {

void BuildSectorTables(const DisplayParams& p, PixelTables& t, std::uint8_t* scratch);
void BuildPerspectiveTables(const DisplayParams& p, PixelTables& t, std::uint8_t* scratch);
void BuildBeamTestTables(const DisplayParams& p, PixelTables& t);
void BuildLinearTables(const DisplayParams& p, PixelTables& t);
void BuildTables(const DisplayParams& p, PixelTables& t, std::uint8_t* scratch);

// Spans from an outline drawn with 255: RowStart = 1 + first outline column, RowEnd = last.
void SpansFromOutline(const std::uint8_t* outline, PixelTables& t);

// The fixed camera of the Perspective mode: a fan point (px, py) to picture offsets from
// the apex (505, 541). Returns false when the point lies behind the camera.
bool PerspectiveProject(double px, double py, int& dx, int& dy);

// Beam Test layout: 64 columns of 9 pixels from x = 217; only 433 <= x < 577 are shown.
inline constexpr int kBeamTestColumnWidth = 9;
inline constexpr int kBeamTestFirstX = kApexX - 288;
inline constexpr int kBeamTestSpanStart = kApexX - 72;
inline constexpr int kBeamTestSpanEnd = kApexX + 72;
inline constexpr int kBeamTestFirstRow = 44;  // byte-image row of element column 0

}  // namespace vq
