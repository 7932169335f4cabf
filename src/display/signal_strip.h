// The element signal-level strip: one narrow column per receive element in the lower left
// of the picture, its raw echo magnitude against range.
#pragma once

#include <cstdint>

namespace vq {

struct StripInput {
    const float* element_i = nullptr;  // [num_elements][row_stride] raw counts
    const float* element_q = nullptr;
    int row_stride = 0;
    int num_elements = 0;
    int num_samples = 0;           // 500 or 1000
    bool eight_bit = false;        // gain 20 for 8-bit data, 1 for 16-bit
    bool has_element_data = true;  // false for returns without element data: frame only
    int xdcr = 1;
    bool profile_waterfall = false;  // Profile mode with the waterfall shown
};

struct StripLayout {
    int column_width;
    int x0;
};
StripLayout LayOutStrip(int num_elements, bool profile_waterfall);

void DrawSignalStrip(const StripInput& in, std::uint8_t* display);

}  // namespace vq
