// Sidescan and echo-sounder lines formed from a six-element sub-array.
#include "windows/strip_lines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "dsp/beam_former.h"

namespace vq {

namespace {

constexpr int kSubArray = 6;
constexpr std::array<float, kSubArray> kSubArrayWeights = {0.33f, 0.67f, 1.0f, 1.0f, 0.67f, 0.33f};

bool Usable(const ElementView& v) {
    return v.scaled_i != nullptr && v.scaled_q != nullptr && v.steer_cos != nullptr &&
           v.steer_sin != nullptr && v.num_elements > 0;
}

int SampleCount(const ElementView& view, const BeamGeometry& geom) {
    return std::clamp(std::min(geom.NumSamples, view.row_stride), 0, StripLines::kMaxSamples);
}

std::int32_t ToPixel(float v) {
    return std::clamp(TruncToInt(v), 0, 255);
}

}  // namespace

void StripLines::FormSubArray(const ElementView& view, int beam, int ns) {
    std::fill(re_.begin(), re_.begin() + ns, 0.0f);
    std::fill(im_.begin(), im_.begin() + ns, 0.0f);
    const int elements = std::min({kSubArray, view.num_elements, view.steer_stride});
    const float* wc = view.steer_cos + static_cast<std::ptrdiff_t>(beam) * view.steer_stride;
    const float* ws = view.steer_sin + static_cast<std::ptrdiff_t>(beam) * view.steer_stride;
    for (int e = 0; e < elements; ++e) {
        const float* si = view.scaled_i + static_cast<std::ptrdiff_t>(e) * view.row_stride;
        const float* sq = view.scaled_q + static_cast<std::ptrdiff_t>(e) * view.row_stride;
        const float c = wc[e];
        const float s = ws[e];
        const float w = kSubArrayWeights[e];
        for (int k = 0; k < ns; ++k) {
            re_[k] += (si[k] * c - sq[k] * s) * w;
            im_[k] += (sq[k] * c + si[k] * s) * w;
        }
    }
    for (int k = 0; k < ns; ++k) mag_[k] = std::sqrt(re_[k] * re_[k] + im_[k] * im_[k]);
}

void StripLines::BuildSidescanLine(const ElementView& view, const BeamGeometry& geom,
                                   const Settings& settings) {
    const int ns = SampleCount(view, geom);
    sidescan_length_ = 2 * ns;
    std::fill(sidescan_.begin(), sidescan_.end(), 0);
    port_beam_ = -1;
    starboard_beam_ = -1;
    const int nbf = std::min(geom.NumBeamsFormed, kMaxBeams);
    if (!Usable(view) || ns == 0 || nbf <= 0) return;
    const int nb = geom.NumBeams;
    const int k = TruncToInt(static_cast<float>(nb) * sidescan_angle_ / 180.0f);
    const float tilt = settings.ProfileTiltAngle;
    const bool port = tilt < 20.0f;
    const bool starboard = tilt > -20.0f;
    const float gain = 20.0f * static_cast<float>(settings.DisplayGain);
    if (port) {
        port_beam_ = std::clamp(k, 0, nbf - 1);
        FormSubArray(view, port_beam_, ns);
        for (int s = 0; s < ns; ++s) sidescan_[ns - 1 - s] = TruncToInt(gain * mag_[s]);
    }
    if (starboard) {
        starboard_beam_ = std::clamp(nb - k, 0, nbf - 1);
        FormSubArray(view, starboard_beam_, ns);
        for (int s = 0; s < ns; ++s) sidescan_[ns + s] = TruncToInt(gain * mag_[s]);
    }
    if (port && !starboard) {
        for (int t = 0; t < ns; ++t) {
            const std::int32_t v = sidescan_[ns - 1 - t];
            sidescan_[2 * ns - 2 - 2 * t] = v;
            sidescan_[2 * ns - 1 - 2 * t] = v;
        }
    } else if (starboard && !port) {
        for (int j = 0; j < ns; ++j) {
            const std::int32_t v = sidescan_[ns + j];
            sidescan_[2 * j] = v;
            sidescan_[2 * j + 1] = v;
        }
    }
    for (int i = 0; i < 2 * ns; ++i) sidescan_[i] = std::clamp(sidescan_[i], 0, 255);
}

void StripLines::BuildEchoLine(const ElementView& view, const BeamGeometry& geom,
                               const Settings& settings) {
    const int ns = SampleCount(view, geom);
    echo_length_ = ns;
    std::fill(echo_.begin(), echo_.end(), 0);
    echo_beam_ = -1;
    const int nbf = std::min(geom.NumBeamsFormed, kMaxBeams);
    if (!Usable(view) || ns == 0 || nbf <= 0) return;
    const float tilt = settings.ProfileTiltAngle;
    const int k = TruncToInt(static_cast<float>(nbf / 2) - static_cast<float>(nbf) * tilt / 120.0f);
    // Tilts beyond 60 degrees would point past the fan: the outermost beam is used instead.
    echo_beam_ = std::clamp(k, 0, nbf - 1);
    FormSubArray(view, echo_beam_, ns);
    const float gain = 3.0f * static_cast<float>(settings.DisplayGain);
    for (int s = 0; s < ns; ++s) echo_[s] = ToPixel(gain * mag_[s]);
}

void StripLines::set_sidescan_angle(float degrees) {
    if (!(degrees == degrees)) return;
    sidescan_angle_ = std::clamp(degrees, kMinSidescanAngle, kMaxSidescanAngle);
}

void StripLines::StepSidescanAngle(bool up) {
    set_sidescan_angle(sidescan_angle_ + (up ? 5.0f : -5.0f));
}

}  // namespace vq
