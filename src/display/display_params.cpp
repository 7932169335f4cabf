#include "display/display_params.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vq {

int RangeStartPixels(const DisplayParams& p) {
    if (p.range_start_m <= 0 || !(p.range_span_m > 0.0f)) return 0;
    const double sp = static_cast<double>(p.range_start_m) * kFanRadius / p.range_span_m;
    return static_cast<int>(std::min(sp, 100000.0));
}

int FineStepsPerBeam(float sector_deg, int num_beams, bool head_formed) {
    if (head_formed) return 20;
    if (num_beams <= 0) return 2;
    int m = static_cast<int>(sector_deg * 15.0f / static_cast<float>(num_beams) + 0.5f);
    if (m % 2 != 0) ++m;
    // Very fine beams would give 0 steps (and a division by zero): keep at least 2.
    return std::clamp(m, 2, 20);
}

int ProfileCentring(float sector_deg, float tilt_deg) {
    const double a = std::min(sector_deg, 120.0f) / 2.0;
    const double t = tilt_deg;
    const double k = std::numbers::pi / 180.0;
    const int x1 = static_cast<int>(500.0 * std::sin((a + t) * k) + 505.0 + 0.5);
    const int x2 = static_cast<int>(500.0 * std::sin((t - a) * k) + 505.0 + 0.5);
    if (x1 > kApexX && x2 > kApexX) return kApexX - (x1 + kApexX) / 2;
    if (x1 < kApexX && x2 < kApexX) return kApexX - (x2 + kApexX) / 2;
    return kApexX - (x1 + x2) / 2;
}

double FirstStepAngle(const DisplayParams& p) {
    const double k = std::numbers::pi / 180.0;
    const double h = p.step_size == 0 ? 0.125 : (p.step_size == 1 ? 0.25 : 0.5);
    double theta0 = (-0.5 * p.sector_deg + h) * k - std::numbers::pi / 2.0;
    if (p.mode == DisplayMode::Profile) theta0 -= std::numbers::pi + p.tilt_deg * k;
    return theta0;
}

PicturePlacement PlacePicture(const DisplayParams& p, double zoom) {
    PicturePlacement out;
    if (!(zoom > 0.0)) zoom = 1.0;
    if (p.mode == DisplayMode::Profile && p.profile_waterfall) {
        out.dest_x = 22;
        out.src_x = 100;
        out.src_w = 812;
        out.dest_w = 406;
        out.dest_h = kImageHeight / 2;
        out.waterfall_shown = true;
        return out;
    }
    out.dest_w = static_cast<int>(kImageWidth * zoom);
    out.dest_h = static_cast<int>(kImageHeight * zoom);
    return out;
}

}  // namespace vq
