#include "display/signal_strip.h"

#include <algorithm>
#include <cmath>

#include "display/display_params.h"

namespace vq {

namespace {

constexpr int kStripTop = 375;
constexpr int kStripBottom = kImageHeight - 1;
constexpr int kValues = 500;

void Put(std::uint8_t* img, int x, int y, std::uint8_t v, bool keep_overlay) {
    if (x < 0 || x >= kImageWidth || y < 0 || y >= kImageHeight) return;
    std::uint8_t& px = img[y * kImageWidth + x];
    if (keep_overlay && px == kOverlayValue) return;
    px = v;
}

std::uint8_t Level(float i, float q, float gain) {
    const double m = std::trunc(std::sqrt(static_cast<double>(i) * i + static_cast<double>(q) * q));
    const double v = m * gain;
    if (!(v >= 0.0)) return 0;
    return static_cast<std::uint8_t>(std::min(v, static_cast<double>(kMaxDataValue)));
}

void DrawColumn(const StripInput& in, int e, const StripLayout& lay, std::uint8_t* img) {
    const int slot = in.xdcr == 0 ? in.num_elements - 1 - e : e;
    const int xa = lay.x0 + slot * lay.column_width;
    const float* row_i = in.element_i + static_cast<std::ptrdiff_t>(e) * in.row_stride;
    const float* row_q = in.element_q + static_cast<std::ptrdiff_t>(e) * in.row_stride;
    const int stride = in.num_samples > kValues ? 2 : 1;
    const int count = std::min(kValues, in.num_samples / stride);
    const float gain = in.eight_bit ? 20.0f : 1.0f;
    std::uint8_t group = 0;
    for (int n = 0; n < count; ++n) {
        const int idx = in.profile_waterfall ? count - 1 - n : n;
        const int s = idx * stride;
        if (s >= in.row_stride) break;
        group = std::max(group, Level(row_i[s], row_q[s], gain));
        if (n % 3 == 2 || n == count - 1) {
            const int y = kStripBottom - n / 3;
            for (int x = xa; x < xa + lay.column_width; ++x) Put(img, x, y, group, true);
            group = 0;
        }
    }
}

}  // namespace

StripLayout LayOutStrip(int num_elements, bool profile_waterfall) {
    if (profile_waterfall) {
        const int w = num_elements == 32 ? 2 : (num_elements == 64 ? 1 : 3);
        return {w, 116};
    }
    const int w = num_elements == 32 ? 3 : (num_elements == 64 ? 2 : 5);
    return {w, 51};
}

void DrawSignalStrip(const StripInput& in, std::uint8_t* display) {
    const int ne = std::clamp(in.num_elements, 0, 64);
    const StripLayout lay = LayOutStrip(ne, in.profile_waterfall);
    const bool data_ok = in.has_element_data && in.element_i != nullptr &&
                         in.element_q != nullptr && in.row_stride > 0 && in.num_samples > 0;
    if (data_ok) {
        StripInput clipped = in;
        clipped.num_elements = ne;
        for (int e = 0; e < ne; ++e) DrawColumn(clipped, e, lay, display);
    }
    const int x_end = lay.x0 + ne * lay.column_width;
    for (int x = lay.x0; x <= x_end - 1; ++x) {
        Put(display, x, kStripTop, kOverlayValue, false);
        Put(display, x, kStripBottom, kOverlayValue, false);
    }
    for (int y = kStripTop; y <= kStripBottom - 1; ++y) {
        Put(display, lay.x0, y, kOverlayValue, false);
        Put(display, x_end, y, kOverlayValue, false);
    }
}

}  // namespace vq
