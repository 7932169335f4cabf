#include "core/range_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vq {
namespace {

struct RangeStep {
    float span_m;
    float fine_span_m;
    int max_offset_m;
    int auto_pulse_us;
    int auto_filter;
    int whole_m;
    float max_profile_depth_m;
};

constexpr std::array<RangeStep, kNumRangeIndexes> kSteps{{
    {1.25f, 0.125f, 5, 30, 0, 1, 1.5f},
    {2.5f, 0.25f, 10, 30, 0, 2, 3.0f},
    {5.0f, 0.5f, 20, 30, 0, 5, 5.0f},
    {10.0f, 1.0f, 40, 30, 0, 10, 10.0f},
    {20.0f, 2.0f, 80, 60, 1, 20, 20.0f},
    {30.0f, 3.0f, 120, 200, 9, 30, 30.0f},
    {40.0f, 4.0f, 160, 300, 8, 40, 40.0f},
    {50.0f, 5.0f, 200, 300, 8, 50, 50.0f},
    {60.0f, 6.0f, 200, 300, 8, 60, 60.0f},
    {80.0f, 8.0f, 200, 600, 3, 80, 80.0f},
    {100.0f, 10.0f, 200, 600, 3, 100, 100.0f},
    {150.0f, 15.0f, 200, 1200, 11, 150, 150.0f},
    {200.0f, 20.0f, 200, 1200, 11, 200, 200.0f},
    {250.0f, 25.0f, 200, 1200, 11, 250, 250.0f},
    {300.0f, 30.0f, 200, 1200, 11, 300, 300.0f},
    {400.0f, 40.0f, 200, 1200, 11, 400, 400.0f},
    {500.0f, 50.0f, 200, 1200, 11, 500, 500.0f},
}};

const RangeStep& Step(int index) {
    return kSteps[static_cast<std::size_t>(ClampRangeIndex(index))];
}

}  // namespace

int ClampRangeIndex(int index) {
    if (index < 0) return 0;
    if (index >= kNumRangeIndexes) return kNumRangeIndexes - 1;
    return index;
}

float RangeSpanMeters(int index, bool fine_resolution) {
    return fine_resolution ? Step(index).fine_span_m : Step(index).span_m;
}

int MaxRangeOffsetMeters(int index) {
    return Step(index).max_offset_m;
}

// A fine-resolution head uses short pulses: 5 µs up to index 3, 10 µs up to 7, then 30 µs.
int AutoPulseLengthUs(int index, bool fine_resolution) {
    if (!fine_resolution) return Step(index).auto_pulse_us;
    int i = ClampRangeIndex(index);
    return i <= 3 ? 5 : (i <= 7 ? 10 : 30);
}

int AutoFilterIndex(int index, bool fine_resolution) {
    if (!fine_resolution) return Step(index).auto_filter;
    return ClampRangeIndex(index) <= 7 ? 5 : 6;
}

int WholeMetreSpan(int index) {
    return Step(index).whole_m;
}

float MaxProfileDepthMeters(int max_range_index) {
    return Step(max_range_index).max_profile_depth_m;
}

int RoundFrequencyKhz(double f) {
    if (std::isnan(f)) return 0;
    double steps = std::trunc(0.2 * f + 0.5);
    constexpr double kMaxSteps = std::numeric_limits<int>::max() / 5;
    if (steps > kMaxSteps) steps = kMaxSteps;
    if (steps < -kMaxSteps) steps = -kMaxSteps;
    return static_cast<int>(steps) * 5;
}

const char* RangeReadoutName(int index, int units) {
    // The range names by index and unit; feet name three times the metre number, yards repeat it.
    static constexpr std::array<std::array<const char*, 3>, kNumRangeIndexes> kRangeNames{{
        {"1.25 M", "3.75 FT ", "1.25 YDS "},
        {"2.5 M ", "7.5 FT  ", "2.5 YDS  "},
        {"5 M   ", "15 FT   ", "5 YDS    "},
        {"10 M  ", "30 FT   ", "10 YDS   "},
        {"20 M  ", "60 FT   ", "20 YDS   "},
        {"30 M  ", "90 FT   ", "30 YDS   "},
        {"40 M  ", "120 FT  ", "40 YDS   "},
        {"50 M  ", "150 FT  ", "50 YDS   "},
        {"60 M  ", "180 FT  ", "60 YDS   "},
        {"80 M  ", "240 FT  ", "80 YDS   "},
        {"100 M ", "300 FT  ", "100 YDS  "},
        {"150 M ", "450 FT  ", "150 YDS  "},
        {"200 M ", "600 FT  ", "200 YDS  "},
        {"250 M ", "750 FT  ", "250 YDS  "},
        {"300 M ", "900 FT  ", "300 YDS  "},
        {"400 M ", "1200 FT ", "400 YDS  "},
        {"500 M ", "1500 FT ", "500 YDS  "},
    }};
    return kRangeNames[static_cast<std::size_t>(ClampRangeIndex(index))]
                      [static_cast<std::size_t>(std::clamp(units, 0, 2))];
}

}  // namespace vq
