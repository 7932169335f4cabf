// Detected bottom points drawn over the picture as dots, with the echoes dimmed or hidden,
// and the trace of the swath across the picture for the track plotter.
#pragma once

#include <array>
#include <cstdint>

#include "display/display_params.h"
#include "display/pixel_tables.h"

namespace vq {

struct OverlayInput {
    // Per output record i (record 0 = last kept beam, the picture's first beam): range in
    // tenths of a sample, 0 = no point.
    const std::int32_t* range_tenths = nullptr;
    int count = 0;
    int dot_size = 0;            // ProfilePointDotSize: 0 small, 1 large (3 x 3)
    int display_type = 0;        // ProfileDisplayType 0..3
    int point_type = 0;          // ProfilePointType
    int point_filter = 2;        // ProfilePointFilter
    bool show_outliers = false;  // ProfilePointFilter_g_show_outliers_sw
};

struct SwathTrace {
    std::array<std::int32_t, kImageWidth> columns{};  // row of the point per column, 0 = none
    int left = 0;   // leftmost point column, relative to the apex column
    int right = 0;  // rightmost point column, relative to the apex column
    bool drawn = false;
};

int EffectiveDisplayType(const DisplayParams& p, const OverlayInput& in);

// Dims the spans by the display type, then draws the points (Sector, Profile, Perspective).
void DrawProfileOverlay(const DisplayParams& p, const PixelTables& t, const OverlayInput& in,
                        std::uint8_t* display, SwathTrace& swath);

}  // namespace vq
