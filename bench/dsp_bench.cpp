// Beam forming speed: one ping of element data through the whole per-ping stage (scaling,
// steering sums, detection, centring) in each processing mode, for 480/240/120 beams per
// 120 degrees and 1000/500 samples, 16 elements, 16-bit data. Reports GFLOP/s counting one
// complex multiply-accumulate as 8 flops, and the share of the FMA peak measured first.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "dsp/beam_former.h"
#include "dsp_peak.h"

namespace {

struct Bench {
    vq::BeamFormer former;
    vq::SettingsState st;
    vq::PingFormat format;
    std::vector<std::uint8_t> samples;

    Bench(int mode, int step, int points, vq::dsp::KernelIsa isa) {
        st.s.ProcessingMode = mode;
        st.s.StepSize = step;
        st.s.SectorSize = 3;
        st.s.AvgFilter = 0;
        format.num_samples = points;
        samples.resize(static_cast<std::size_t>(points) * 16 * 4);
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> byte(0, 255);
        for (auto& b : samples) b = static_cast<std::uint8_t>(byte(rng));
        former.set_kernel(isa);
        former.Setup(st, format);
        former.Unpack(samples.data(), samples.size(), format, 1, false);
    }
};

void FormPing(benchmark::State& state, double peak, vq::dsp::KernelIsa isa) {
    const int mode = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    const int points = static_cast<int>(state.range(2));
    Bench b(mode, step, points, isa);
    for (auto _ : state) {
        b.former.Form(b.st, b.format);
        benchmark::DoNotOptimize(b.former.Beams().data());
    }
    const auto& g = b.former.geometry();
    const double flops = 8.0 * g.NumBeamsFormed * points * 16;
    state.counters["GFLOPs"] =
        benchmark::Counter(flops * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["beams"] = g.NumBeams;
    state.counters["peak_pct"] = benchmark::Counter(peak > 0 ? flops * 1e-9 * 100.0 / peak : 0.0,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(b.former.kernel_isa());
}

}  // namespace

int main(int argc, char** argv) {
    const FmaPeak peak = MeasureFmaPeak();
    std::printf("single-core FMA peak: %.1f GFLOP/s (%s)\n", peak.gflops, peak.isa);
    for (auto isa :
         {vq::dsp::KernelIsa::kBest, vq::dsp::KernelIsa::kAvx2, vq::dsp::KernelIsa::kGeneric}) {
        const char* name = isa == vq::dsp::KernelIsa::kBest   ? "FormPing/best"
                           : isa == vq::dsp::KernelIsa::kAvx2 ? "FormPing/avx2"
                                                              : "FormPing/generic";
        auto* bm = benchmark::RegisterBenchmark(
            name, [peak, isa](benchmark::State& s) { FormPing(s, peak.gflops, isa); });
        bm->ArgNames({"mode", "step", "points"})->Unit(benchmark::kMicrosecond);
        if (isa == vq::dsp::KernelIsa::kBest) {
            for (int mode = 0; mode <= 3; ++mode) bm->Args({mode, 0, 1000});
            bm->Args({1, 1, 1000})->Args({1, 2, 1000})->Args({1, 0, 500});
        } else {
            bm->Args({1, 0, 1000});
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
