// Types shared by the seabed profile kernels: the per-beam arrays, the segment working state,
// the per-ping quantities and the output record. All storage is fixed-size.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/profile_point.h"

namespace vq {

inline constexpr int kProfileCapacity = 600;  // entries of every per-beam array
inline constexpr int kEchoRunSlots = 41;      // echo runs kept per beam
inline constexpr int kSegments = 9;           // segments across the swath
inline constexpr int kDepthBins = 10;
inline constexpr float kHalfPi = 1.570796327f;
inline constexpr float kQuarterPi = 0.7853981635f;
inline constexpr double kDegToRad = 0.017453292522222223;

// Element samples and steering weights of one ping, filled by the beam former
// (dsp/beam_former.h): used to re-form beams at the profile points and for the strip lines.
struct ElementView;

// Float to int, truncating toward zero, saturating instead of overflowing; NaN gives 0.
inline std::int32_t TruncToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483520.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// The detection arrays, indexed by formed beam while the detectors and filters run.
struct ProfileArrays {
    std::array<float, kProfileCapacity> range{};             // g_profile_range (samples, 0 = none)
    std::array<std::int32_t, kProfileCapacity> intensity{};  // g_profile_intensity
    std::array<float, kProfileCapacity> depth{};             // g_profile_depth
    std::array<float, kProfileCapacity> across{};            // g_profile_across
    std::array<float, kProfileCapacity> angle{};             // g_profile_angle (radians)
    std::array<std::int32_t, kProfileCapacity> removed_pos{};  // g_removed_pos
    std::array<float, kProfileCapacity> chosen_mid{};          // detector's chosen middle per beam
    std::array<float, kProfileCapacity> chosen_peak{};
    std::array<float, kProfileCapacity> chosen_width{};

    void Clear() {
        range.fill(0.0f);
        intensity.fill(0);
        depth.fill(0.0f);
        across.fill(0.0f);
        angle.fill(0.0f);
        chosen_mid.fill(0.0f);
        chosen_peak.fill(0.0f);
        chosen_width.fill(0.0f);
    }
};

// Working state of the segment outlier filter, read afterwards by the flat-bottom filter.
struct SegmentState {
    std::array<int, kSegments + 2> segment_end{};  // g_segment_end[0..10]
    std::array<int, kDepthBins> segment_flat{};    // g_segment_flat[0..9]
    std::array<float, kSegments + 2> md{};         // reference depth per segment
    std::array<std::array<int, kProfileCapacity + 1>, kDepthBins> lists{};  // from position 1
    std::array<int, kDepthBins> counts{};
};

// Per-ping quantities common to the detectors, in range-sample units.
struct ProfileContext {
    int ns = 500;              // NumSamples
    int nb = 480;              // NumBeams
    int nbf = 504;             // NumBeamsFormed
    int off = 12;              // GuardOffset
    float delta = 0.0f;        // BeamSpacing, radians
    float half_sector = 0.0f;  // FormedHalfSector, radians
    float tilt = 0.0f;         // radians
    float threshold = 0.0f;    // T
    float dmin = 0.0f;
    float dmax = 0.0f;
    int jump = 10;  // J
    int step_size = 2;

    // Angle of formed beam b.
    float Angle(int b) const {
        const float step = 2.0f * half_sector / static_cast<float>(nbf);
        return -half_sector + delta * 0.5f + tilt + static_cast<float>(b) * step;
    }
};

// Values of the "Advanced Filter Settings" dialog that have no settings key.
struct AdvancedFilterValues {
    int g_max_points = 10;       // 1..10; only 1 changes the main filter
    int g_num_segments = 7;      // 1..10; shown, not used
    int g_num_depth_bins = 10;   // 1..10; shown, not used
    int g_long_outliers_sw = 1;  // no control: always on
};

}  // namespace vq
