// The output socket on loopback: keep-alives, point and beam records as they leave, the
// redirection to a controller, and the control receiver thread.
#include <gtest/gtest.h>

#include <poll.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "net/control.h"
#include "net/output_plan.h"
#include "net/record_assembler.h"
#include "net/udp_output.h"

namespace vq {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// A receiver on an ephemeral loopback port.
struct Peer {
    UdpEndpoint sock;
    Peer() { EXPECT_EQ(sock.Open("127.0.0.1", 0), 0); }
    std::uint16_t port() const { return sock.local_port(); }
    // The next datagram, waiting at most two seconds (a loopback datagram is there at once).
    std::vector<std::uint8_t> Next(Ipv4Endpoint* from = nullptr) {
        std::vector<std::uint8_t> buf(70000);
        if (!sock.WaitReadable(2000)) return {};
        auto r = sock.Receive(buf);
        if (!r) return {};
        if (from) *from = r->from;
        buf.resize(r->bytes);
        return buf;
    }
    bool nothing_waiting() const { return !sock.WaitReadable(0); }
};

OutputSocketConfig LoopbackConfig(std::uint16_t port) {
    OutputSocketConfig c;
    c.address = "127.0.0.1";
    c.port = port;
    c.bind_address = "127.0.0.1";
    c.loopback_only = true;
    return c;
}

TEST(UdpOutputTest, PingWithoutDataSendsOneKeepAlive) {
    Peer peer;
    UdpOutput out;
    ASSERT_EQ(out.Open(LoopbackConfig(peer.port())), 0);
    PingOutputInputs in;  // detection off, beam output off
    in.data_output_type = 2;
    PingOutputPlan plan = PlanPingOutput(in);
    EXPECT_FALSE(plan.send_point || plan.send_beam);
    out.BeginPing();
    out.FinishPing();
    std::vector<std::uint8_t> want(32, 0);
    want[0] = 'Q', want[1] = '4', want[2] = 'Z';
    EXPECT_EQ(peer.Next(), want);
    EXPECT_TRUE(peer.nothing_waiting());
    EXPECT_EQ(out.last_send_result(), 32);
    EXPECT_EQ(out.bytes_out_text(), "32");
}

TEST(UdpOutputTest, PointRecordArrivesByteIdenticalWithoutKeepAlive) {
    Peer peer;
    UdpOutput out;
    ASSERT_EQ(out.Open(LoopbackConfig(peer.port())), 0);
    std::vector<std::uint8_t> record(256 + 2 * 480);
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(i * 7 + 3);
    record[0] = 'Q', record[1] = '4', record[2] = 'P', record[4] = 0x04, record[5] = 0xC0;
    out.BeginPing();
    out.SendPoint(record);
    out.FinishPing();
    EXPECT_EQ(peer.Next(), record);
    EXPECT_TRUE(peer.nothing_waiting());
    EXPECT_EQ(out.last_send_result(), 1216);
}

TEST(UdpOutputTest, BeamRecordLeavesInPiecesAndReassembles) {
    Peer peer;
    // The eight pieces arrive in one burst: the receiver needs room for all of them.
    if (peer.sock.set_receive_buffer(4 << 20) < 1 << 20) {
        GTEST_SKIP() << "the system refuses a 1 MB receive buffer (net.core.rmem_max)";
    }
    UdpOutput out;
    ASSERT_EQ(out.Open(LoopbackConfig(peer.port())), 0);
    const std::size_t L = 256 + 480 * 1000;
    ASSERT_EQ(L, 480256u);
    std::vector<std::uint8_t> record(L);
    for (std::size_t i = 0; i < L; ++i) record[i] = static_cast<std::uint8_t>((i * 31) >> 3);
    record[0] = 'Q', record[1] = '4', record[2] = 'B', record[3] = 4;
    record[4] = 0x07, record[5] = 0x54, record[6] = 0x00;
    // Image bytes that look like the start of a record must not confuse the receiver.
    record[64000] = 'Q', record[64001] = '4', record[64002] = 'B';
    out.BeginPing();
    out.SendBeam(record);
    out.FinishPing();
    RecordAssembler assembler;
    std::vector<std::size_t> sizes;
    Arrival done;
    for (int i = 0; i < 8; ++i) {
        auto d = peer.Next();
        sizes.push_back(d.size());
        Arrival a = assembler.Feed(d);
        if (i < 7) {
            EXPECT_EQ(a.kind, ArrivalKind::None) << i;
        }
        if (a.kind == ArrivalKind::BeamRecord) {
            EXPECT_TRUE(std::equal(a.bytes.begin(), a.bytes.end(), record.begin(), record.end()));
            done = a;
        }
    }
    std::vector<std::size_t> want(7, 64000);
    want.push_back(32256);
    EXPECT_EQ(sizes, want);
    EXPECT_EQ(done.kind, ArrivalKind::BeamRecord);
    EXPECT_TRUE(peer.nothing_waiting());  // no keep-alive after a beam record
    EXPECT_EQ(out.last_send_result(), 480256);
}

TEST(UdpOutputTest, ControllerBecomesTheDestination) {
    Peer configured, controller;
    UdpOutput out;
    ASSERT_EQ(out.Open(LoopbackConfig(configured.port())), 0);
    out.SendKeepAlive();
    EXPECT_EQ(configured.Next().size(), 32u);

    std::array<std::uint8_t, 5> junk{1, 2, 3, 4, 5};  // any datagram redirects
    Ipv4Endpoint program{kLoopback, out.local_port()};
    ASSERT_TRUE(controller.sock.SendTo(program, junk).ok());
    // As the GUI does: wait on the socket's descriptor, then receive one datagram.
    pollfd p{out.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    std::array<std::uint8_t, kControlDatagramSize> buf;
    buf.fill(0xEE);
    std::optional<std::size_t> n = out.ReceiveOne(buf);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(*n, 5u);
    EXPECT_EQ(buf[4], 5);
    EXPECT_EQ(buf[5], 0);  // the rest of the buffer is zeroed
    ASSERT_TRUE(out.destination().has_value());
    EXPECT_EQ(out.destination()->port, controller.port());

    std::vector<std::uint8_t> point(496, 9);
    out.SendPoint(point);
    std::vector<std::uint8_t> beam(60256, 1);
    out.SendBeam(beam);
    out.SendKeepAlive();
    EXPECT_EQ(controller.Next().size(), 496u);
    EXPECT_EQ(controller.Next().size(), 60256u);
    EXPECT_EQ(controller.Next().size(), 32u);
    EXPECT_TRUE(configured.nothing_waiting());

    // The address dialog returns the output to the configured destination.
    EXPECT_TRUE(out.ResetDestination("127.0.0.1", configured.port()));
    out.SendKeepAlive();
    EXPECT_EQ(configured.Next().size(), 32u);
}

TEST(UdpOutputTest, UnusableDestinationsFailWithoutSending) {
    UdpOutput out;
    OutputSocketConfig c = LoopbackConfig(4040);
    c.address = "";  // empty: the default address, which a loopback-only run never uses
    ASSERT_EQ(out.Open(c), 0);
    ASSERT_TRUE(out.destination().has_value());
    EXPECT_EQ(out.destination()->address, (192u << 24) | (168u << 16) | 4u);
    EXPECT_EQ(out.destination()->port, 4040);
    // (Nothing is sent there: tests never send outside loopback, not even to a guard.)

    EXPECT_FALSE(out.ResetDestination("not.an.address", 4040));
    EXPECT_FALSE(out.destination().has_value());
    out.BeginPing();
    out.SendBeam(std::vector<std::uint8_t>(200000, 0));  // first piece fails, rest dropped
    EXPECT_TRUE(out.sent_this_ping());
    EXPECT_EQ(out.last_send_result(), -EDESTADDRREQ);
    EXPECT_EQ(out.send_failures(), 1u);
    EXPECT_EQ(out.bytes_out_text(), "error " + std::to_string(EDESTADDRREQ));
}

TEST(UdpOutputTest, BeamPacing) {
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(30.0, 15.0), 25.0);
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(50.0, 5.0), 15.0);
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(60.0, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(70.0, 10.0), 0.0);
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(0.0, 0.0), 60.0);  // d + 10 capped at 60
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(5.0, 0.0), 60.0);
    EXPECT_DOUBLE_EQ(BeamOutputWaitMs(20.0, 0.0), 50.0);
}

// The pipeline sends, reads the event flag and runs the status box while the window's thread
// receives datagrams when the socket is readable, applies them and moves the destination: no
// data race (run under ThreadSanitizer).
TEST(UdpOutputTest, SendingWhileControlArrives) {
    Peer configured, controller;
    UdpOutput out;
    ASSERT_EQ(out.Open(LoopbackConfig(configured.port())), 0);
    SettingsStore store;
    ControlState control;
    std::atomic<bool> receiving{true};
    std::thread receiver([&] {
        std::array<std::uint8_t, kControlDatagramSize> buf{};
        while (receiving.load()) {
            pollfd p{out.fd(), POLLIN, 0};
            if (::poll(&p, 1, 20) != 1) continue;
            while (auto n = out.ReceiveOne(buf)) {
                store.Update([&](SettingsState& st) {
                    ApplyControlDatagram(buf.data(), *n, control, st, false);
                });
            }
        }
    });
    std::atomic<bool> done{false};
    int events = 0;
    std::thread pipeline([&] {
        SettingsState snapshot;
        while (!done.load()) {
            store.SnapshotInto(snapshot);
            out.BeginPing();
            if (control.TakeEvent()) ++events;
            control.OnPing();
            out.FinishPing();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::array<std::uint8_t, 12> d{};
    d[3] = 1;
    for (int i = 0; i < 50; ++i) {
        d[9] = static_cast<std::uint8_t>(1 + i);
        ASSERT_TRUE(controller.sock.SendTo({kLoopback, out.local_port()}, d).ok());
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    // Wait until the last one was applied, then stop both threads.
    for (int i = 0;
         i < 500 && store.Read([](const SettingsState& st) { return st.s.DisplayGain; }) != 50;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    done.store(true);
    pipeline.join();
    receiving.store(false);
    receiver.join();
    EXPECT_EQ(store.Read([](const SettingsState& st) { return st.s.DisplayGain; }), 50);
    EXPECT_GE(events, 1);
    EXPECT_EQ(out.destination_text(), "127.0.0.1:" + std::to_string(controller.port()));
}

}  // namespace
}  // namespace vq
