// Altitude estimate: median of nine downward ranges with a MAD test on the centre-left one,
// held over short drop-outs and averaged over the last three pings.
#include "windows/altitude.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vq {

namespace {

float MedianOfNine(std::array<float, AltitudeEstimator::kCandidates> v) {
    std::nth_element(v.begin(), v.begin() + 4, v.end());
    return v[4];
}

}  // namespace

void AltitudeEstimator::Reset() {
    candidates_.fill(0.0f);
    ring_.fill(0.0f);
    ring_index_ = 0;
    held_ = 0.0f;
    failures_ = 0;
    altitude_ = 0.0f;
    last_drawn_ = -1.0f;
}

float AltitudeEstimator::Update(const ProfilePointRecord* table, int count, int num_beams,
                                float tilt_deg, float sound_velocity) {
    const int c = TruncToInt(static_cast<float>(num_beams / 2) +
                             static_cast<float>(num_beams) * tilt_deg / 120.0f);
    int first = c - 4;
    if (count >= kCandidates) first = std::clamp(first, 0, count - kCandidates);
    first_record_ = first;
    const float scale = 0.1f * sound_velocity / 1500.0f;
    for (int i = 0; i < kCandidates; ++i) {
        const int r = first + i;
        candidates_[i] =
            (table != nullptr && r >= 0 && r < count) ? table[r].range_dm * scale : 0.0f;
    }
    const float m = MedianOfNine(candidates_);
    std::array<float, kCandidates> dev{};
    for (int i = 0; i < kCandidates; ++i) dev[i] = std::fabs(candidates_[i] - m);
    const float sigma = 1.4826f * MedianOfNine(dev);
    const float value = std::fabs(candidates_[0] - m) >= sigma ? m : candidates_[0];

    if (value > 0.0f) {
        held_ = value;
        failures_ = 0;
    } else {
        ++failures_;
        if (failures_ > kMaxFailures) held_ = 0.0f;
    }
    ring_[ring_index_] = held_;
    ring_index_ = (ring_index_ + 1) % kRing;
    altitude_ = static_cast<float>((ring_[0] + ring_[1] + ring_[2]) * 0.3333333333333333);
    return altitude_;
}

bool AltitudeEstimator::TakeBackgroundClear(bool detection_on) {
    const bool clear = !detection_on || altitude_ != last_drawn_;
    last_drawn_ = altitude_;
    return clear;
}

std::string AltitudeText(float altitude_m, int units, bool detection_on) {
    if (!detection_on || altitude_m == 0.0f) return "n/a";
    double v = altitude_m;
    if (units == 1) v = altitude_m * 3.280839895013123;
    if (units == 2) v = altitude_m * 3.280839895013123 * 0.3333333333333333;
    char text[32];
    std::snprintf(text, sizeof text, "%3.1f", v);
    return text;
}

}  // namespace vq
