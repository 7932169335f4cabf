// Beam forming speed: one ping of element data through the whole per-ping stage (scaling,
// steering sums, detection, centring) in each processing mode, for 480/240/120 beams per
// 120 degrees and 1000/500 samples, 16 elements, 16-bit data. Reports GFLOP/s counting one
// complex multiply-accumulate as 8 flops, and the share of the single-core FMA peak.
//
// Each iteration forms the same ping with the reference kernel and with the fast kernel, one
// after the other in the same beam former (so both see one set of buffers, as in the
// pipeline), timing each by the thread's CPU clock; the reported time is the fast kernel's,
// and `speedup` is the ratio of the two sums, which stays meaningful on a machine that other
// work shares.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include "dsp/beam_former.h"
#include "dsp/byte_image.h"
#include "dsp_peak.h"

namespace {

using vq::dsp::KernelIsa;
using vq::dsp::KernelVariant;

struct Bench {
    vq::BeamFormer former;
    vq::SettingsState st;
    vq::PingFormat format;
    std::vector<std::uint8_t> samples;

    Bench(int mode, int step, int points, KernelIsa isa, KernelVariant variant, int shots = 0) {
        st.s.ProcessingMode = mode;
        st.s.StepSize = step;
        st.s.SectorSize = 3;
        st.s.AvgFilter = shots > 0 ? 1 : 0;
        st.s.AvgFilterIndex = shots > 0 ? shots : 3;
        format.num_samples = points;
        samples.resize(static_cast<std::size_t>(points) * 16 * 4);
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> byte(0, 255);
        for (auto& b : samples) b = static_cast<std::uint8_t>(byte(rng));
        former.set_kernel(isa, variant);
        former.Setup(st, format);
        former.Unpack(samples.data(), samples.size(), format, 1, false);
    }
};

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double g_peak = 0.0;

void FormPing(benchmark::State& state, KernelIsa isa) {
    const int mode = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    const int points = static_cast<int>(state.range(2));
    const int shots = static_cast<int>(state.range(3));
    Bench b(mode, step, points, isa, KernelVariant::kFast, shots);
    double t_ref = 0.0, t_fast = 0.0;
    for (auto _ : state) {
        b.former.set_kernel(isa, KernelVariant::kReference);
        const double t0 = ThreadSeconds();
        b.former.Form(b.st, b.format);
        benchmark::DoNotOptimize(b.former.Beams().data());
        const double t1 = ThreadSeconds();
        b.former.set_kernel(isa, KernelVariant::kFast);
        const double t2 = ThreadSeconds();
        b.former.Form(b.st, b.format);
        benchmark::DoNotOptimize(b.former.Beams().data());
        const double t3 = ThreadSeconds();
        t_ref += t1 - t0;
        t_fast += t3 - t2;
        state.SetIterationTime(t3 - t2);
    }
    const auto& g = b.former.geometry();
    const double n = static_cast<double>(state.iterations());
    const double gflop = 8.0 * g.NumBeamsFormed * points * 16 * 1e-9;
    state.counters["beams"] = g.NumBeams;
    state.counters["ref_us"] = t_ref / n * 1e6;
    state.counters["GFLOPs"] = gflop * n / t_fast;
    state.counters["peak_pct"] = g_peak > 0 ? 100.0 * gflop * n / t_fast / g_peak : 0.0;
    state.counters["ref_peak_pct"] = g_peak > 0 ? 100.0 * gflop * n / t_ref / g_peak : 0.0;
    state.counters["speedup"] = t_ref / t_fast;
    state.SetLabel(b.former.kernel_isa());
}

// The steering sums and reduction alone (no clearing, averaging or centring), into a buffer
// laid out like BeamData, for the output of each processing mode.
void Kernel(benchmark::State& state, KernelIsa isa) {
    const auto out = static_cast<vq::dsp::KernelOutput>(state.range(0));
    Bench b(1, 0, 1000, isa, KernelVariant::kFast);
    b.former.Form(b.st, b.format);  // scaled rows and steering tables of this ping
    const vq::ElementView v = b.former.element_view();
    const int nbf = b.former.geometry().NumBeamsFormed;
    std::vector<float> gain(static_cast<std::size_t>(nbf), 1.0f);
    std::vector<float> rows(static_cast<std::size_t>(nbf) * vq::kBeamRowLength);
    vq::dsp::KernelArgs a;
    a.scaled_i = v.scaled_i;
    a.scaled_q = v.scaled_q;
    a.row_stride = v.row_stride;
    a.num_elements = v.num_elements;
    a.steer_cos = v.steer_cos;
    a.steer_sin = v.steer_sin;
    a.steer_stride = v.steer_stride;
    a.gain_eq = gain.data();
    a.beam_end = nbf;
    a.s_end = 999;
    a.output = out;
    a.coherence_scale = 30.0f;
    a.out_a = rows.data();
    a.out_stride = vq::kBeamRowLength;
    const auto ref = vq::dsp::SelectBeamKernel(isa, KernelVariant::kReference);
    const auto fast = vq::dsp::SelectBeamKernel(isa, KernelVariant::kFast);
    double t_ref = 0.0, t_fast = 0.0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        ref.fn(a);
        benchmark::DoNotOptimize(rows.data());
        const double t1 = ThreadSeconds();
        fast.fn(a);
        benchmark::DoNotOptimize(rows.data());
        const double t2 = ThreadSeconds();
        t_ref += t1 - t0;
        t_fast += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    const double gflop = 8.0 * nbf * 999 * 16 * 1e-9;
    state.counters["ref_us"] = t_ref / n * 1e6;
    state.counters["peak_pct"] = g_peak > 0 ? 100.0 * gflop * n / t_fast / g_peak : 0.0;
    state.counters["ref_peak_pct"] = g_peak > 0 ? 100.0 * gflop * n / t_ref / g_peak : 0.0;
    state.counters["speedup"] = t_ref / t_fast;
    state.SetLabel(fast.isa);
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One ping formed on one thread and shared between this thread and `threads - 1` helpers (the
// same beams), one after the other in each iteration; wall-clock times, `speedup` the ratio.
void FormShared(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const int shots = static_cast<int>(state.range(1));
    const int threads = static_cast<int>(state.range(2));
    Bench one(mode, 0, 1000, KernelIsa::kBest, KernelVariant::kFast, shots);
    Bench many(mode, 0, 1000, KernelIsa::kBest, KernelVariant::kFast, shots);
    vq::WorkSplit split(threads);
    many.former.set_work_split(&split);
    double t_one = 0.0, t_many = 0.0;
    for (auto _ : state) {
        const double t0 = WallSeconds();
        one.former.Form(one.st, one.format);
        benchmark::DoNotOptimize(one.former.Beams().data());
        const double t1 = WallSeconds();
        many.former.Form(many.st, many.format);
        benchmark::DoNotOptimize(many.former.Beams().data());
        const double t2 = WallSeconds();
        t_one += t1 - t0;
        t_many += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    state.counters["one_thread_us"] = t_one / static_cast<double>(state.iterations()) * 1e6;
    state.counters["speedup"] = t_one / t_many;
}

// The byte image of 480 beams x 1000 samples (rule C, pairs): the first cell-by-cell form and
// the vector form one after the other in each iteration.
void ByteImage(benchmark::State& state) {
    Bench b(1, 0, 1000, KernelIsa::kBest, KernelVariant::kFast);
    b.former.Form(b.st, b.format);
    const vq::BeamData& beams = b.former.Beams();
    auto ref = std::make_unique<vq::BeamByteImage>(), fast = std::make_unique<vq::BeamByteImage>();
    double t_ref = 0.0, t_fast = 0.0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        vq::FillBeamByteImageReference(beams, 480, 1000, vq::ByteImageRule::kC, *ref);
        benchmark::DoNotOptimize(ref->data());
        const double t1 = ThreadSeconds();
        vq::FillBeamByteImage(beams, 480, 1000, vq::ByteImageRule::kC, *fast);
        benchmark::DoNotOptimize(fast->data());
        const double t2 = ThreadSeconds();
        t_ref += t1 - t0;
        t_fast += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    state.counters["ref_us"] = t_ref / static_cast<double>(state.iterations()) * 1e6;
    state.counters["speedup"] = t_ref / t_fast;
}

}  // namespace

int main(int argc, char** argv) {
    const FmaPeak peak = MeasureFmaPeak();
    g_peak = peak.gflops;
    std::printf("single-core FMA peak: %.1f GFLOP/s (%s)\n", peak.gflops, peak.isa);
    for (auto isa : {KernelIsa::kBest, KernelIsa::kAvx2, KernelIsa::kGeneric}) {
        const char* name = isa == KernelIsa::kBest   ? "FormPing/best"
                           : isa == KernelIsa::kAvx2 ? "FormPing/avx2"
                                                     : "FormPing/generic";
        auto* bm =
            benchmark::RegisterBenchmark(name, [isa](benchmark::State& s) { FormPing(s, isa); });
        bm->ArgNames({"mode", "step", "points", "avg"})
            ->Unit(benchmark::kMicrosecond)
            ->UseManualTime();
        if (isa == KernelIsa::kBest) {
            for (int mode = 0; mode <= 3; ++mode) bm->Args({mode, 0, 1000, 0});
            bm->Args({1, 1, 1000, 0})->Args({1, 2, 1000, 0})->Args({1, 0, 500, 0});
            bm->Args({3, 0, 500, 0});
            // With 3-shot averaging, the default (not counted in the flops).
            bm->Args({1, 0, 1000, 3});
        } else {
            for (int mode = 1; mode <= 3; ++mode) bm->Args({mode, 0, 1000, 0});
        }
    }
    benchmark::RegisterBenchmark("Kernel/best",
                                 [](benchmark::State& s) { Kernel(s, KernelIsa::kBest); })
        ->ArgNames({"output"})  // magnitude (mode 0), coherence (1), p2 (2), p3 (3)
        ->Args({1})
        ->Args({3})
        ->Args({4})
        ->Args({5})
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("FormShared", FormShared)
        ->ArgNames({"mode", "avg", "threads"})
        ->Args({1, 0, 1})
        ->Args({1, 0, 2})
        ->Args({1, 3, 2})
        ->Args({3, 3, 2})
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("ByteImage480x1000", ByteImage)
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const FmaPeak again = MeasureFmaPeak();
    std::printf("single-core FMA peak after the run: %.1f GFLOP/s (percentages use %.1f)\n",
                again.gflops, g_peak);
    return 0;
}
