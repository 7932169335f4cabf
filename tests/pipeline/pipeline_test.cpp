// The per-ping pipeline driven by pings of the simulated head: offline buffers for exact
// checks, and a real TCP link for the live hand-over.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "core/operator.h"
#include "core/settings_store.h"
#include "display/picture_handoff.h"
#include "link/command_packet.h"
#include "link/link_thread.h"
#include "pipeline/pipeline.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"

namespace vq {
namespace {

void PutF32(std::vector<std::uint8_t>& b, std::size_t at, float f) {
    std::uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::vector<std::uint8_t> SimPing(const SettingsState& st, std::uint64_t index,
                                  const sim::Options& options = {}) {
    std::vector<std::uint8_t> command(1152);
    BuildCommandPacket(st, 0, command.data());
    return sim::BuildPingBufferOffline(options, command, index);
}

struct Fixture {
    SettingsStore store;
    test::RecordingOperator op;
    PictureHandOff pictures;
    PingPipeline pipeline{store, op, pictures};
    Fixture() {
        store.Update([](SettingsState& st) {
            st.s.IPAddress_Sonar1 = "127.0.0.1";
            st.s.IPAddress_Output1 = "127.0.0.1";
        });
        pipeline.set_invalid_header_wait_ms(0);
    }
    void Run(std::uint64_t index) {
        const auto ping = SimPing(store.snapshot(), index);
        pipeline.Process(ping.data(), ping.size(), PingInput{});
    }
};

int CountNonZero(const PictureFrame& f, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += f.pixels[y * PictureFrame::kWidth + x] != 0;
    return n;
}

TEST(PipelineTest, SectorPictureShowsTheSeabedInsideTheFanOnly) {
    Fixture fx;
    for (int i = 0; i < 3; ++i) fx.Run(static_cast<std::uint64_t>(i));
    ASSERT_EQ(fx.pipeline.processed(), 3u);
    ASSERT_TRUE(fx.pictures.Take());
    const PictureFrame& f = fx.pictures.front();
    // Echoes below the apex, inside the fan.
    EXPECT_GT(CountNonZero(f, 305, 150, 705, 540), 1000);
    // The corners above the 120 degree fan are never reached.
    EXPECT_EQ(CountNonZero(f, 0, 0, 60, 60), 0);
    EXPECT_EQ(CountNonZero(f, 950, 0, 1012, 60), 0);
    EXPECT_EQ(fx.op.pictures(), 3);
}

TEST(PipelineTest, AWrongLegacyHeaderIsNotDrawnButCounted) {
    Fixture fx;
    fx.Run(0);
    ASSERT_TRUE(fx.pictures.Take());
    auto ping = SimPing(fx.store.snapshot(), 1);
    ping[1152] = 'X';  // the first byte of return packet 0
    fx.pipeline.Process(ping.data(), ping.size(), PingInput{});
    EXPECT_EQ(fx.pipeline.processed(), 1u);
    EXPECT_EQ(fx.pipeline.stats().invalid, 1u);
    EXPECT_FALSE(fx.pictures.Take());
}

// Anything answering at the sonar address can send a NaN or infinite frequency limit: the
// ping is drawn and the frequency setting keeps sane limits.
TEST(PipelineTest, ANonFiniteFrequencyLimitFromTheHeadKeepsSaneLimits) {
    Fixture fx;
    fx.Run(0);
    const HeadLimits before = fx.store.snapshot().head;
    for (float bad : {std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), -3.0e38f, 3.0e38f}) {
        auto ping = SimPing(fx.store.snapshot(), 1);
        PutF32(ping, 1152 + 1152 + 328, bad);  // minimum frequency of the information block
        PutF32(ping, 1152 + 1152 + 332, bad);  // maximum
        fx.pipeline.Process(ping.data(), ping.size(), PingInput{});
    }
    EXPECT_EQ(fx.pipeline.processed(), 5u);
    const HeadLimits after = fx.store.snapshot().head;
    EXPECT_EQ(after.min_frequency_khz, before.min_frequency_khz);
    EXPECT_EQ(after.max_frequency_khz, before.max_frequency_khz);
    EXPECT_GT(after.min_frequency_khz, 0);
    EXPECT_LE(after.min_frequency_khz, after.max_frequency_khz);
}

TEST(PipelineTest, ProfileModeRequestChangesTheNextPicture) {
    Fixture fx;
    fx.Run(0);
    fx.pipeline.RequestDisplayMode(3);
    fx.Run(1);
    EXPECT_EQ(fx.pipeline.active_mode(), 3);
    ASSERT_TRUE(fx.pictures.Take());
    EXPECT_EQ(fx.pictures.front().display_type, 3);
    // The profile fan opens downward from the top row: echoes in the upper half.
    EXPECT_GT(CountNonZero(fx.pictures.front(), 305, 1, 705, 300), 1000);
}

TEST(PipelineTest, EveryLivePingIsProcessed) {
    sim::Options so;
    so.port = 0;
    so.pacing = false;
    sim::SimHead head(so);
    ASSERT_TRUE(head.Start());
    Fixture fx;
    std::atomic<std::uint64_t> received{0};
    LinkConfig lc;
    lc.address = "127.0.0.1";
    lc.port = head.port();
    lc.initial_delay_ms = 0;
    LinkCallbacks cb;
    cb.on_ping = [&](const std::uint8_t* p, std::size_t n, const PingTiming&) {
        received.fetch_add(1);
        fx.pipeline.Process(p, n, PingInput{});
    };
    cb.before_cycle_step = [&](int n) {
        if (n == 0) fx.pipeline.TakeOverRequests();
    };
    Link link(lc, fx.store, fx.op, cb);
    ASSERT_TRUE(link.StartLinkThread());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received.load() < 30 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fx.pictures.Take();  // the GUI side of the hand-over, concurrently
    }
    link.StopLinkThread();
    EXPECT_GE(received.load(), 30u);
    EXPECT_EQ(fx.pipeline.processed(), received.load());
}

}  // namespace
}  // namespace vq
