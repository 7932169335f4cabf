// Speed of the sonar picture: per-ping scan conversion (+ persistence) and table rebuilds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <vector>

#include "display/scan_convert.h"
#include "display/sonar_picture.h"
#include "display/table_builders.h"
#include "dsp/beam_data.h"

namespace {

vq::DisplayParams Params(vq::DisplayMode mode, int beams) {
    vq::DisplayParams p;
    p.mode = mode;
    p.num_beams = beams;
    p.sector_deg = 120.0f;
    p.range_span_m = 50.0f;
    p.persistence_s = 2;
    return p;
}

std::unique_ptr<vq::BeamByteImage> NoisyImage() {
    auto img = std::make_unique<vq::BeamByteImage>();
    unsigned s = 12345;
    for (std::size_t i = 0; i < img->size(); ++i) {
        s = s * 1103515245u + 12345u;
        img->data()[i] = static_cast<std::uint8_t>(s >> 24);
    }
    return img;
}

int SpanPixels(const vq::PixelTables& t) {
    int n = 0;
    for (int y = 0; y < vq::kImageHeight - 1; ++y)
        n += std::max(
            0, t.RowEnd[static_cast<std::size_t>(y)] - t.RowStart[static_cast<std::size_t>(y)]);
    return n;
}

void BM_ScanConvertPersist480(benchmark::State& state) {
    auto pic = std::make_unique<vq::SonarPicture>();
    pic->set_params(Params(vq::DisplayMode::Sector, 480));
    auto img = NoisyImage();
    vq::FrameInputs in;
    in.ping_interval_ms = 100.0;
    for (auto _ : state) {
        pic->Render(*img, in);
        benchmark::DoNotOptimize(pic->display_image());
    }
    state.counters["pixels"] = SpanPixels(pic->tables());
    state.SetItemsProcessed(state.iterations() * SpanPixels(pic->tables()));
}
BENCHMARK(BM_ScanConvertPersist480)->Unit(benchmark::kMicrosecond);

void BM_ScanConvertOnly480(benchmark::State& state) {
    auto pic = std::make_unique<vq::SonarPicture>();
    vq::DisplayParams p = Params(vq::DisplayMode::Sector, 480);
    p.persistence_s = 0;
    pic->set_params(p);
    auto img = NoisyImage();
    for (auto _ : state) {
        pic->Render(*img, {});
        benchmark::DoNotOptimize(pic->display_image());
    }
}
BENCHMARK(BM_ScanConvertOnly480)->Unit(benchmark::kMicrosecond);

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Transpose, scan conversion and persistence of one ping at 480 beams, 120 degrees, by the
// first row-by-row path and by the one-pass path, one after the other in each iteration
// (thread CPU time of each; the reported time is the one-pass path's, `speedup` the ratio).
void BM_ScanPersistOldAndNew480(benchmark::State& state) {
    auto t = std::make_unique<vq::PixelTables>();
    std::vector<std::uint8_t> scratch(vq::kImagePixels, 0);
    vq::BuildTables(Params(vq::DisplayMode::Sector, 480), *t, scratch.data());
    struct Buffers {
        std::vector<std::uint8_t> columns = std::vector<std::uint8_t>(vq::kColumnsSize, 0);
        std::vector<std::uint8_t> clean = std::vector<std::uint8_t>(vq::kImagePixels, 0);
        std::vector<std::uint8_t> display = std::vector<std::uint8_t>(vq::kImagePixels, 0);
        std::vector<float> persist = std::vector<float>(vq::kImagePixels, 0.0f);
    } ref, fast;
    auto img = NoisyImage();
    double t_ref = 0.0, t_fast = 0.0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        vq::TransposeBeamsReference(img->data(), 480, ref.columns.data());
        vq::ScanConvertPersistReference(*t, ref.columns.data(), ref.clean.data(),
                                        ref.persist.data(), ref.display.data(), 4.0f);
        benchmark::DoNotOptimize(ref.display.data());
        const double t1 = ThreadSeconds();
        vq::TransposeBeams(img->data(), 480, fast.columns.data());
        vq::ScanConvertPersist(*t, fast.columns.data(), fast.clean.data(), fast.persist.data(),
                               fast.display.data(), 4.0f);
        benchmark::DoNotOptimize(fast.display.data());
        const double t2 = ThreadSeconds();
        t_ref += t1 - t0;
        t_fast += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ref_us"] = t_ref / n * 1e6;
    state.counters["speedup"] = t_ref / t_fast;
    state.counters["pixels"] = SpanPixels(*t);
}
BENCHMARK(BM_ScanPersistOldAndNew480)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TransposeBeams480(benchmark::State& state) {
    auto img = NoisyImage();
    std::vector<std::uint8_t> columns(vq::kColumnsSize, 0);
    for (auto _ : state) {
        vq::TransposeBeams(img->data(), 480, columns.data());
        benchmark::DoNotOptimize(columns.data());
    }
}
BENCHMARK(BM_TransposeBeams480)->Unit(benchmark::kMicrosecond);

void BM_ScanKernel480(benchmark::State& state) {
    auto t = std::make_unique<vq::PixelTables>();
    std::vector<std::uint8_t> scratch(vq::kImagePixels, 0), clean(vq::kImagePixels, 0),
        display(vq::kImagePixels, 0), columns(vq::kColumnsSize, 0);
    vq::BuildTables(Params(vq::DisplayMode::Sector, 480), *t, scratch.data());
    auto img = NoisyImage();
    vq::TransposeBeams(img->data(), 480, columns.data());
    for (auto _ : state) {
        vq::ScanConvert(*t, columns.data(), clean.data(), display.data());
        benchmark::DoNotOptimize(display.data());
    }
}
BENCHMARK(BM_ScanKernel480)->Unit(benchmark::kMicrosecond);

void BM_Rebuild(benchmark::State& state) {
    const auto mode = static_cast<vq::DisplayMode>(state.range(0));
    auto pic = std::make_unique<vq::SonarPicture>();
    const vq::DisplayParams p = Params(mode, 480);
    for (auto _ : state) pic->set_params(p);
}
BENCHMARK(BM_Rebuild)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_RebuildHeadFormed(benchmark::State& state) {
    auto pic = std::make_unique<vq::SonarPicture>();
    vq::DisplayParams p = Params(vq::DisplayMode::Sector, 256);
    p.head_formed = true;
    for (int i = 0; i < 256; ++i)
        p.head_angles[static_cast<std::size_t>(i)] = std::asin((i - 128) / 128.0f);
    for (auto _ : state) pic->set_params(p);
}
BENCHMARK(BM_RebuildHeadFormed)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
