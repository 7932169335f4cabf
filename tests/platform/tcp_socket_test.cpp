// The TCP layer over real loopback sockets.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/tcp_socket.h"

namespace vq {
namespace {

TEST(ParseIPv4, AcceptsDottedQuadsOnly) {
    std::uint32_t a = 0;
    ASSERT_TRUE(ParseIPv4("127.0.0.1", &a));
    EXPECT_EQ(a, 0x7F000001u);
    ASSERT_TRUE(ParseIPv4("192.168.0.2", &a));
    EXPECT_EQ(a, 0xC0A80002u);
    ASSERT_TRUE(ParseIPv4("255.255.255.255", &a));
    EXPECT_EQ(a, 0xFFFFFFFFu);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.0.0.1", " 1.2.3.4", "1.2.3.4 ", "1..2.3",
                            "a.b.c.d", "1.2.3.-4", "1.2.3.4.", "1234.1.1.1"}) {
        EXPECT_FALSE(ParseIPv4(bad, &a)) << '"' << bad << '"';
    }
    EXPECT_TRUE(IsLoopbackIPv4(0x7F000001u));
    EXPECT_TRUE(IsLoopbackIPv4(0x7F0A0B0Cu));
    EXPECT_FALSE(IsLoopbackIPv4(0xC0A80002u));
}

struct Pair {
    TcpListener listener;
    TcpSocket client, server;
    Pair() {
        EXPECT_EQ(listener.Listen("127.0.0.1", 0), 0);
        EXPECT_NE(listener.port(), 0);
        EXPECT_EQ(client.Connect("127.0.0.1", listener.port(), 2000), 0);
        server = listener.Accept(2000);
        EXPECT_TRUE(server.is_open());
    }
};

TEST(TcpSocket, SendAllAndReceiveExactlyAcrossManyReads) {
    Pair p;
    std::vector<std::uint8_t> out(1 << 20);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    std::thread writer([&] {
        // In pieces of odd sizes, so the reader sees partial reads.
        std::size_t at = 0;
        for (std::size_t piece = 1; at < out.size(); piece = piece * 3 + 1) {
            const std::size_t k = std::min(piece % 100000 + 1, out.size() - at);
            ASSERT_TRUE(p.server.SendAll(out.data() + at, k).ok());
            at += k;
        }
    });
    std::vector<std::uint8_t> in(out.size());
    const IoResult r = p.client.RecvExact(in.data(), in.size(), 5000);
    writer.join();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.bytes, in.size());
    EXPECT_EQ(in, out);
}

TEST(TcpSocket, WaitReadableTimesOutThenSeesData) {
    Pair p;
    EXPECT_EQ(p.client.WaitReadable(30).status, IoStatus::kTimeout);
    const std::uint8_t b = 0x5A;
    ASSERT_TRUE(p.server.SendAll(&b, 1).ok());
    EXPECT_TRUE(p.client.WaitReadable(2000).ok());
    std::uint8_t got = 0;
    ASSERT_TRUE(p.client.RecvExact(&got, 1, 2000).ok());
    EXPECT_EQ(got, 0x5A);
}

TEST(TcpSocket, PeerStallAndCloseInTheMiddleOfAPacket) {
    Pair p;
    const std::uint8_t half[4] = {1, 2, 3, 4};
    ASSERT_TRUE(p.server.SendAll(half, 4).ok());
    std::uint8_t buf[8] = {};
    IoResult r = p.client.RecvExact(buf, 8, 50);  // the rest never comes
    EXPECT_EQ(r.status, IoStatus::kTimeout);
    EXPECT_EQ(r.bytes, 4u);

    ASSERT_TRUE(p.server.SendAll(half, 4).ok());
    p.server.Close();
    r = p.client.RecvExact(buf, 8, 2000);
    EXPECT_EQ(r.status, IoStatus::kClosed);
    EXPECT_EQ(r.bytes, 4u);
}

TEST(TcpSocket, SendToAClosedPeerFailsWithoutSignal) {
    Pair p;
    p.server.Close();
    std::vector<std::uint8_t> big(1 << 16, 1);
    IoResult r;
    for (int i = 0; i < 100 && r.ok(); ++i) r = p.client.SendAll(big.data(), big.size());
    EXPECT_EQ(r.status, IoStatus::kError);
    EXPECT_TRUE(r.error == EPIPE || r.error == ECONNRESET) << r.error;
}

TEST(TcpSocket, ConnectAndProbe) {
    TcpListener l;
    ASSERT_EQ(l.Listen("127.0.0.1", 0), 0);
    const std::uint16_t port = l.port();
    EXPECT_TRUE(ProbeTcp("127.0.0.1", port, 500));
    TcpSocket s;
    EXPECT_EQ(s.Connect("127.0.0.1", port, 500), 0);
    EXPECT_NE(s.local_port(), 0);
    EXPECT_EQ(s.Close(), 0);
    EXPECT_FALSE(s.is_open());
    l.Close();
    // Nobody listens any more.
    EXPECT_FALSE(ProbeTcp("127.0.0.1", port, 500));
    EXPECT_EQ(s.Connect("127.0.0.1", port, 500), ECONNREFUSED);
    EXPECT_FALSE(s.is_open());
    EXPECT_EQ(s.Connect("not an address", port, 500), EINVAL);
    EXPECT_FALSE(ProbeTcp("300.1.1.1", port, 500));
    EXPECT_EQ(s.WaitReadable(0).status, IoStatus::kError);
    // Accept without a client times out with no socket.
    ASSERT_EQ(l.Listen("127.0.0.1", 0), 0);
    EXPECT_FALSE(l.Accept(20).is_open());
}

}  // namespace
}  // namespace vq
