// Speed of the simulated head: one default ping synthesised and packed as the server does it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "sim/head_engine.h"
#include "sim/le_bytes.h"

namespace {

std::vector<std::uint8_t> Command(int format, int points, float span) {
    std::vector<std::uint8_t> c(1152, 0);
    std::memcpy(c.data(), "TMND", 4);
    vq::sim::PutU16(c.data() + 4, 1);
    vq::sim::PutU32(c.data() + 12, 8676);
    vq::sim::PutU16(c.data() + 16, static_cast<std::uint16_t>(format));
    std::uint8_t* s = c.data() + 128;
    vq::sim::PutF32(s + 8, span);
    vq::sim::PutF32(s + 16, 260000.0f);
    vq::sim::PutF32(s + 20, 0.065f);
    vq::sim::PutF32(s + 24, 300e-6f);
    vq::sim::PutU16(s + 32, static_cast<std::uint16_t>(points));
    s[34] = format == 10 ? 8 : 16;
    vq::sim::PutU16(s + 44, 6);
    return c;
}

void BM_DefaultPing(benchmark::State& state) {
    vq::sim::Options o;
    o.scene = vq::sim::DemoScene(vq::sim::HeadKind::Standard260);
    vq::sim::HeadEngine engine(o);
    const auto cmd = Command(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                             static_cast<float>(state.range(2)));
    vq::sim::Request req;
    vq::sim::ParseRequestHeader(cmd.data(), &req);
    std::vector<std::uint8_t> packet(8676);
    std::uint64_t ping = 0;
    for (auto _ : state) {
        engine.BeginPing(cmd.data(), o.scene, ping++);
        const int last = engine.LastPacket(req);
        for (int n = 0; n <= last; ++n) {
            req.packet_number = static_cast<std::uint16_t>(n);
            engine.BuildPacket(req, packet.data());
        }
        benchmark::DoNotOptimize(packet.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DefaultPing)
    ->Args({11, 500, 50})
    ->Args({10, 500, 50})
    ->Args({11, 1000, 50})
    ->Args({11, 500, 150});

}  // namespace

BENCHMARK_MAIN();
