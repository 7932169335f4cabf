// Profile detection per ping: Bottom Following with every filter on, at 504 formed beams of
// 1000 samples, followed by the output intensities re-formed from 16 elements.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/beam_former.h"
#include "profile/profile_processor.h"

namespace {

constexpr int kBeams = 480;
constexpr int kFormed = 504;
constexpr int kSamples = 1000;
constexpr int kElements = 16;
constexpr double kPi = 3.14159265358979323846;

vq::BeamGeometry Geometry() {
    vq::BeamGeometry g;
    g.NumBeams = kBeams;
    g.NumBeamsFormed = kFormed;
    g.GuardOffset = 12;
    g.NumSamples = kSamples;
    g.NumElements = kElements;
    g.FormedHalfSector = static_cast<float>(63.0 * kPi / 180.0);
    g.BeamSpacing = static_cast<float>(0.25 * kPi / 180.0);
    g.FormedSectorDeg = 126.0f;
    g.SectorDeg = 120.0f;
    g.StepSize = 0;
    return g;
}

vq::Settings AllFilters() {
    vq::Settings s;
    s.ProfilePointDetection = 1;
    s.ProfilePointFilter = 2;
    s.StepSize = 0;
    s.ProfileMaxDepthBelowSonar = 100.0f;
    s.ProfilePointFilter_g_short_outliers_sw = 1;
    s.ProfilePointFilter_g_pre_filter_sw = 1;
    s.ProfilePointFilter_g_main_filter_sw = 1;
    s.ProfilePointFilter_g_fill_beams_sw = 1;
    s.ProfilePointFilter_g_along_track_avg_sw = 1;
    s.AvgFilter = 1;
    s.AvgFilterIndex = 5;
    s.ProfilePointIntensityOutput = 1;
    return s;
}

// A flat seabed 350 samples down seen through speckle, with weak water-column noise.
void FillSeabed(vq::BeamData& data, const vq::BeamGeometry& g) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(0.0f, 30.0f);
    for (int b = 0; b < kFormed; ++b) {
        const double th = -g.FormedHalfSector + g.BeamSpacing * (b + 0.5);
        const double r = 350.0 / std::cos(th);
        float* row = data.Row(b);
        for (int s = 0; s < kSamples; ++s) {
            const double x = (s - r) / 4.0;
            const float echo = r < kSamples ? static_cast<float>(220.0 * std::exp(-x * x)) : 0.0f;
            row[s] = noise(rng) + echo;
        }
    }
}

void BM_ProfilePing(benchmark::State& state) {
    const vq::BeamGeometry g = Geometry();
    const vq::Settings s = AllFilters();
    vq::BeamData data;
    FillSeabed(data, g);
    std::vector<float> si(kElements * 1010), sq(kElements * 1010);
    std::vector<float> wc(kFormed * kElements), ws(kFormed * kElements);
    std::mt19937 rng(3);
    std::normal_distribution<float> n(0.0f, 0.01f);
    for (auto& v : si) v = n(rng);
    for (auto& v : sq) v = n(rng);
    for (int i = 0; i < kFormed * kElements; ++i) {
        wc[i] = static_cast<float>(std::cos(0.01 * i));
        ws[i] = static_cast<float>(std::sin(0.01 * i));
    }
    const vq::ElementView view{si.data(), sq.data(), 1010,      kElements,
                               kSamples,  wc.data(), ws.data(), kElements};
    vq::ProfileProcessor p;
    p.ResetForGeometry(kSamples);
    int points = 0;
    for (auto _ : state) {
        p.Process(data, g, s, 50.0f, 0);
        p.ComputeOutputIntensity(view, g, s);
        p.BuildProfileOutputTable(g, s, 50.0f, 0);
        benchmark::DoNotOptimize(p.profile_points_out());
        points = 0;
        for (int i = 0; i < kBeams; ++i) points += p.profile_range()[i] > 0.0f ? 1 : 0;
    }
    state.counters["points"] = points;
}
BENCHMARK(BM_ProfilePing)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
