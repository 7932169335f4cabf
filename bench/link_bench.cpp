// Link throughput on loopback against the simulated head answering as fast as it can.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/operator.h"
#include "link/link_thread.h"
#include "sim/sim_head.h"

namespace vq {
namespace {

void RunLink(benchmark::State& state, bool thousand_points) {
    sim::Options o;
    o.port = 0;
    o.pacing = false;
    sim::SimHead head(o);
    std::string error;
    if (!head.Start(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    SettingsStore store;
    store.Update([&](SettingsState& st) {
        st.s.IPAddress_Sonar1 = "127.0.0.1";
        st.s.DataPointsSwitch = thousand_points ? 1 : 0;
    });
    NullOperator op;
    std::atomic<std::uint64_t> pings{0};
    std::atomic<std::uint64_t> bytes{0};
    LinkCallbacks cb;
    cb.on_ping = [&](const std::uint8_t*, std::size_t n, const PingTiming&) {
        bytes.fetch_add(n);
        pings.fetch_add(1);
        pings.notify_one();
    };
    LinkConfig c;
    c.address = "127.0.0.1";
    c.port = head.port();
    c.initial_delay_ms = 0;
    Link link(c, store, op, cb);
    link.StartLinkThread();
    // The first ping includes connecting: wait for it outside the timed loop.
    for (std::uint64_t seen = pings.load(); seen == 0; seen = pings.load()) pings.wait(seen);
    // Each iteration waits for at least one more ping; the link may finish several meanwhile,
    // so the rates count the pings and bytes that actually arrived during the loop.
    const std::uint64_t pings0 = pings.load();
    const std::uint64_t bytes0 = bytes.load();
    std::uint64_t done = pings0;
    for (auto _ : state) {
        const std::uint64_t target = done + 1;
        for (std::uint64_t seen = pings.load(); seen < target; seen = pings.load())
            pings.wait(seen);
        done = pings.load();
    }
    const std::uint64_t pings1 = pings.load();
    const std::uint64_t bytes1 = bytes.load();
    link.StopLinkThread();
    state.counters["pings_per_s"] =
        benchmark::Counter(static_cast<double>(pings1 - pings0), benchmark::Counter::kIsRate);
    state.counters["MB_per_s"] =
        benchmark::Counter(static_cast<double>(bytes1 - bytes0) / 1e6, benchmark::Counter::kIsRate);
}

void BM_LinkDefaultPing(benchmark::State& state) {
    RunLink(state, false);
}
void BM_LinkThousandPointPing(benchmark::State& state) {
    RunLink(state, true);
}

BENCHMARK(BM_LinkDefaultPing)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinkThousandPointPing)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vq

BENCHMARK_MAIN();
