#include "dsp/tvg.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/beam_data.h"

namespace vq {

void BuildTvgCurve(const TvgParams& p, float* curve, float* scratch) {
    const int n = std::clamp(p.num_samples, 1, kBeamRowLength);
    std::fill(curve, curve + kBeamRowLength, 1.0f);
    const float far = p.range_start_m + p.range_span_m;  // R'
    if (!(far > 0.0f)) return;
    const float a = 2.0f * p.absorption_db_per_m * far / static_cast<float>(n);
    const float s0 = static_cast<float>(n) * 0.02f;
    const float c = p.special_gain_curve ? 20.0f * std::log10(far * 0.02f) + 26.0f
                                         : 20.0f * std::log10(far * 0.02f) + p.start_gain_db + 6.0f;
    float x = s0;
    for (int i = static_cast<int>(s0); i < n; ++i, x += 1.0f) {
        const float g = std::min(x * a + 20.0f * std::log10(x / s0) + c, 60.0f);
        curve[i] = std::pow(10.0f, 0.05f * g);
    }
    if (p.range_start_m > 0.0f) {
        // Resample the curve of the whole range 0 .. R' onto the window S .. R'.
        const float x0 = p.range_start_m * static_cast<float>(n) / far;
        const float step = (static_cast<float>(n) - x0) / static_cast<float>(n);
        float xr = x0;
        for (int i = 0; i < n; ++i, xr += step) {
            const int k = std::min(static_cast<int>(xr), n - 1);
            scratch[i] = curve[k];
        }
        std::memcpy(curve, scratch, sizeof(float) * static_cast<std::size_t>(n));
    }
}

}  // namespace vq
