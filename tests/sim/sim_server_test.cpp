// The simulated head's server: faults for the link's tests, pacing, connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "sim/head_client.h"
#include "sim/sim_head.h"

namespace vq::sim {
namespace {

using Clock = std::chrono::steady_clock;
using test::Bytes;
using test::Client;

Options Fast() {
    Options o;
    o.port = 0;
    o.pacing = false;
    return o;
}

double SecondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

class SimServer : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(head_.Start()); }
    Bytes Ask(Client& c, unsigned n, std::size_t want = 8676) {
        EXPECT_TRUE(c.Send(n == 0 ? cmd_ : test::MakeRequest(cmd_, n)));
        return c.Receive(want);
    }
    SimHead head_{Fast()};
    Bytes cmd_ = test::MakeCommand({});
};

TEST_F(SimServer, CloseAfterPacketsAndCloseMidPacket) {
    {
        Client c(head_.port());
        head_.Arm({.close_after_packets = 2});
        EXPECT_EQ(Ask(c, 0).size(), 8676u);
        EXPECT_EQ(Ask(c, 1).size(), 8676u);
        EXPECT_TRUE(c.Send(test::MakeRequest(cmd_, 2)));
        EXPECT_TRUE(c.ClosedByPeer());
    }
    {
        Client c(head_.port());
        head_.Arm({.close_mid_packet_after_packets = 1});
        EXPECT_EQ(Ask(c, 0).size(), 8676u);
        const Bytes half = Ask(c, 1);
        EXPECT_GT(half.size(), 0u);
        EXPECT_LT(half.size(), 8676u);
    }
    // The next connection is served normally again.
    Client c(head_.port());
    EXPECT_EQ(Ask(c, 0).size(), 8676u);
    EXPECT_EQ(head_.connections_accepted(), 3u);
}

TEST_F(SimServer, BadHeaderAndWrongNumberStrikeOncePerArming) {
    Client c(head_.port());
    head_.Arm({.bad_header_after_packets = 1});
    EXPECT_EQ(Ask(c, 0)[3], 'U');
    const Bytes bad = Ask(c, 1);
    ASSERT_EQ(bad.size(), 8676u);
    EXPECT_NE(bad[3], 'U');
    const Bytes again = Ask(c, 1);
    EXPECT_EQ(again[3], 'U');
    EXPECT_EQ(test::Get16(again, 8), 1u);

    head_.Arm({.wrong_number_after_packets = 0});
    const Bytes wrong = Ask(c, 2);
    ASSERT_EQ(wrong.size(), 8676u);
    EXPECT_EQ(wrong[3], 'U');
    EXPECT_NE(test::Get16(wrong, 8), 2u);
    EXPECT_EQ(test::Get16(Ask(c, 0), 8), 0u);
    // A faulty last packet does not complete the ping; a clean one does.
    EXPECT_EQ(head_.pings_served(), 0u);
    for (unsigned n = 1; n <= 3; ++n) Ask(c, n);
    EXPECT_EQ(head_.pings_served(), 1u);
}

TEST_F(SimServer, StallDelaysTheNextAnswer) {
    Client c(head_.port());
    head_.Arm({.stall_seconds = 0.3});
    const auto t = Clock::now();
    EXPECT_EQ(Ask(c, 0).size(), 8676u);
    EXPECT_GE(SecondsSince(t), 0.3);
}

TEST_F(SimServer, RefusedConnectionsThenAcceptedAgain) {
    head_.Arm({.refuse_seconds = 2.0});
    bool refused = false;
    const auto t = Clock::now();
    while (!refused && SecondsSince(t) < 1.8) {
        Client c(head_.port());
        refused = !c.connected();
        if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(refused);
    bool served = false;
    while (!served && SecondsSince(t) < 15.0) {
        Client c(head_.port());
        served = c.connected() && Ask(c, 0).size() == 8676u;
        if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(served);
}

TEST_F(SimServer, SecondClientWaitsForTheFirst) {
    auto first = std::make_unique<Client>(head_.port());
    EXPECT_EQ(Ask(*first, 0).size(), 8676u);
    Client second(head_.port());
    ASSERT_TRUE(second.connected());  // queued by the system, not yet served
    ASSERT_TRUE(second.Send(cmd_));
    first.reset();
    EXPECT_EQ(second.Receive(8676).size(), 8676u);
    EXPECT_EQ(head_.connections_accepted(), 2u);
}

TEST_F(SimServer, SceneChangesApplyFromTheNextPing) {
    Client c(head_.port());
    for (unsigned n = 0; n <= 3; ++n) Ask(c, n);
    const Bytes before = head_.last_ping_samples();
    Scene empty;
    empty.seabed = false;
    empty.cylinder = false;
    empty.water_noise = 0.0f;
    empty.receiver_noise = 0.0f;
    head_.set_scene(empty);
    for (unsigned n = 0; n <= 3; ++n) Ask(c, n);
    const Bytes after = head_.last_ping_samples();
    ASSERT_EQ(after.size(), 32000u);
    EXPECT_NE(before, after);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](auto b) { return b == 0; }));
}

TEST(SimPacing, PacedPingsTakeTheTwoWayTravelTimeAndStopIsPrompt) {
    Options o = Fast();
    o.pacing = true;
    SimHead head(o);
    ASSERT_TRUE(head.Start());
    Client c(head.port());
    test::CommandValues v;
    v.span = 75.0f;  // 2 * 75 / 1500 s + 3 ms = 103 ms per ping
    const Bytes cmd = test::MakeCommand(v);
    const auto t = Clock::now();
    for (int ping = 0; ping < 4; ++ping) {
        ASSERT_TRUE(c.Send(cmd));
        ASSERT_EQ(c.Receive(8676).size(), 8676u);
    }
    EXPECT_GE(SecondsSince(t), 3 * 0.103);
    head.Stop();  // with a client still connected
    EXPECT_TRUE(c.ClosedByPeer());

    SimHead fast(Fast());  // without pacing the same pings are answered at once
    ASSERT_TRUE(fast.Start());
    Client f(fast.port());
    for (int ping = 0; ping < 4; ++ping) {
        ASSERT_TRUE(f.Send(cmd));
        ASSERT_EQ(f.Receive(8676).size(), 8676u);
    }
    EXPECT_EQ(fast.requests_received(), 4u);
}

}  // namespace
}  // namespace vq::sim
