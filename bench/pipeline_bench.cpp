// Speed of the whole per-ping pipeline: one ping of the simulated head through header check,
// beam forming, profile detection and image formation, and the live rate over a real link.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/operator.h"
#include "core/settings_store.h"
#include "display/picture_handoff.h"
#include "link/command_packet.h"
#include "link/link_thread.h"
#include "pipeline/pipeline.h"
#include "sim/sim_head.h"

namespace {

void Configure(vq::SettingsState& st, int step_size, int points_switch, int detection) {
    st.s.IPAddress_Sonar1 = "127.0.0.1";
    st.s.IPAddress_Output1 = "127.0.0.1";
    st.s.StepSize = step_size;
    st.s.DataPointsSwitch = points_switch;
    st.s.ProfilePointDetection = detection;
    st.s.ProfilePointFilter = 2;  // "Bottom Following" with every filter on
}

// Args: step size (0 = 480 beams), data-points switch (1 = 1000 samples), detection on/off.
void BM_PipelineSector(benchmark::State& state) {
    vq::SettingsStore store;
    store.Update([&](vq::SettingsState& st) {
        Configure(st, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                  static_cast<int>(state.range(2)));
    });
    vq::NullOperator op;
    vq::PictureHandOff pictures;
    vq::PingPipeline pipeline(store, op, pictures);
    std::vector<std::uint8_t> command(1152);
    vq::BuildCommandPacket(store.snapshot(), 0, command.data());
    vq::sim::Options so;
    so.scene = vq::sim::DemoScene(so.head);
    std::vector<std::vector<std::uint8_t>> pings;
    for (int i = 0; i < 8; ++i) pings.push_back(vq::sim::BuildPingBufferOffline(so, command, i));
    for (auto& p : pings) pipeline.Process(p.data(), p.size(), vq::PingInput{});  // warm up
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = pings[i++ % pings.size()];
        pipeline.Process(p.data(), p.size(), vq::PingInput{});
        pictures.Take();
    }
    state.counters["pings/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["beamforming_ms"] = pipeline.stats().beamforming_ms;
    state.counters["drawing_ms"] = pipeline.stats().drawing_ms;
}
BENCHMARK(BM_PipelineSector)
    ->Args({0, 1, 1})
    ->Args({0, 1, 0})
    ->Args({0, 0, 1})
    ->Args({2, 0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Live over a real TCP link to the simulated head without pacing: pings per second processed
// and the latency from the last packet of a ping to its picture being handed over.
void BM_LiveLink(benchmark::State& state) {
    vq::sim::Options so;
    so.port = 0;
    so.pacing = false;
    so.scene = vq::sim::DemoScene(so.head);
    vq::sim::SimHead head(so);
    if (!head.Start()) {
        state.SkipWithError("simulated head did not start");
        return;
    }
    vq::SettingsStore store;
    store.Update([&](vq::SettingsState& st) {
        Configure(st, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 1);
    });
    vq::NullOperator op;
    vq::PictureHandOff pictures;
    vq::PingPipeline pipeline(store, op, pictures);
    std::vector<double> latency;
    latency.reserve(100000);
    std::atomic<std::uint64_t> done{0};
    vq::LinkConfig lc;
    lc.address = "127.0.0.1";
    lc.port = head.port();
    lc.initial_delay_ms = 0;
    vq::LinkCallbacks cb;
    cb.on_ping = [&](const std::uint8_t* p, std::size_t n, const vq::PingTiming&) {
        vq::PingInput in;
        in.last_packet_time = std::chrono::steady_clock::now();
        pipeline.Process(p, n, in);
        latency.push_back(pipeline.stats().latency_ms);
        done.fetch_add(1);
    };
    vq::Link link(lc, store, op, cb);
    link.StartLinkThread();
    while (done.load() < 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::uint64_t start = done.load();
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    link.StopLinkThread();
    const std::uint64_t pings = done.load() - start;
    std::vector<double> l(latency.begin() + static_cast<std::ptrdiff_t>(start), latency.end());
    std::sort(l.begin(), l.end());
    state.counters["pings/s"] = static_cast<double>(pings) / secs;
    if (!l.empty()) {
        state.counters["latency_p50_ms"] = l[l.size() / 2];
        state.counters["latency_p99_ms"] = l[std::min(l.size() - 1, l.size() * 99 / 100)];
    }
}
BENCHMARK(BM_LiveLink)->Args({0, 1})->Args({2, 0})->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
