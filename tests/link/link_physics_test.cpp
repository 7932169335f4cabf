// A ping fetched over real TCP on loopback from the simulated head, through the link thread,
// then parsed and formed: the point target shows up where it was placed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "dsp/sim_ping.h"
#include "link/link_thread.h"
#include "support/recording_operator.h"

namespace vq {
namespace {

using namespace std::chrono_literals;

TEST(PhysicsOverTcp, PointTargetFromTheLinkPeaksAtItsAngleAndRange) {
    sim::Options o;
    o.port = 0;  // ephemeral, loopback only
    o.pacing = false;
    o.scene = test::TargetScene({{-18.0f, 26.0f, 20.0f}});
    sim::SimHead head(o);
    std::string error;
    ASSERT_TRUE(head.Start(&error)) << error;

    SettingsStore store;
    store.Update([](SettingsState& st) {
        st.s.IPAddress_Sonar1 = "127.0.0.1";
        st.s.IPAddress_Output1 = "127.0.0.1";
    });
    test::RecordingOperator op;
    LinkConfig config;
    config.address = "127.0.0.1";
    config.port = head.port();
    config.initial_delay_ms = 0;
    std::vector<std::uint8_t> ping;
    std::atomic<bool> got{false};
    LinkCallbacks cb;
    cb.on_ping = [&](const std::uint8_t* p, std::size_t n, const PingTiming&) {
        if (got.load(std::memory_order_acquire)) return;
        ping.assign(p, p + n);
        got.store(true, std::memory_order_release);
    };
    Link link(config, store, op, cb);
    ASSERT_TRUE(link.StartLinkThread());
    const auto end = std::chrono::steady_clock::now() + 20s;  // a safety bound only
    while (!got.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    link.StopLinkThread();
    ASSERT_TRUE(got.load(std::memory_order_acquire));

    test::Chain chain;
    test::CommandSpec c;  // the defaults the link commanded: 16-bit, 500 points, 50 m
    ASSERT_TRUE(chain.Parse(ping, c));
    chain.Adopt();
    chain.st.s.Frequency = 260;
    chain.st.s.StepSize = 0;
    chain.Setup();
    chain.Form();
    const auto& g = chain.former.geometry();
    int best_b = 0, best_s = 0;
    float best = 0.0f;
    for (int b = 0; b < g.NumBeams; ++b)
        for (int s = 0; s < g.NumSamples; ++s)
            if (chain.former.Beams().At(b, s) > best) {
                best = chain.former.Beams().At(b, s);
                best_b = b;
                best_s = s;
            }
    const float angle = (-g.FormedHalfSector + (best_b + g.GuardOffset + 0.5f) * g.BeamSpacing) *
                        180.0f / std::numbers::pi_v<float>;
    EXPECT_NEAR(angle, -18.0f, 1.5f * 0.25f);
    EXPECT_NEAR(best_s, 26.0f / 50.0f * 500.0f, 2.0f);
}

}  // namespace
}  // namespace vq
