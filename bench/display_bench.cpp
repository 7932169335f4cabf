// Speed of the sonar picture: per-ping scan conversion (+ persistence) and table rebuilds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
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
