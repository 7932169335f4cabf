// What camera frames cost: the camera's side (a frame copied for the preview and clip and
// encoded as the bitmap a record carries) and the ping thread's side (taking the newest
// encoded frame for a record).
#include <benchmark/benchmark.h>

#include <vector>

#include "video/frame_recorder.h"
#include "video/synthetic_camera.h"

namespace {

void BM_DeliverFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
    vq::RenderTestPattern(px.data(), w, h, 1);
    vq::VideoFeed feed;
    for (auto _ : state) {
        feed.Deliver({px.data(), w, h, static_cast<std::size_t>(w)});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DeliverFrame)->Args({320, 240})->Args({640, 480})->Args({1280, 720});

// Every record asks; at K = 1 every record takes a frame.
void BM_FrameForRecord(benchmark::State& state) {
    std::vector<std::uint32_t> px(640 * 480);
    vq::RenderTestPattern(px.data(), 640, 480, 1);
    vq::VideoFeed feed;
    vq::RecordingFrames frames;
    frames.set_feed(&feed);
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        feed.Deliver({px.data(), 640, 480, 640});  // a new frame each time
        state.ResumeTiming();
        frames.NotePingInterval(100);
        bytes += frames.FrameFor(true, 20.0f).size();
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_FrameForRecord);

}  // namespace

BENCHMARK_MAIN();
