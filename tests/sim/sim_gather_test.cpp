// Ping buffers built offline, gathered back with the byte offsets a parser uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim/head_client.h"
#include "sim/sim_head.h"

namespace vq::sim {
namespace {

using test::Bytes;
using test::CommandValues;

struct Row {
    int format, points;
    std::uint32_t packet_size;
    int last;  // last packet number requested by the link
    std::size_t first, chunk, count, tail;
};

// One row per packet layout: F bytes from packet 0, K chunks of C, then T.
constexpr Row kRows[] = {
    {10, 500, 2892, 6, 716, 2764, 5, 1464},    {10, 500, 8676, 2, 6500, 8548, 1, 952},
    {10, 1000, 2892, 12, 716, 2764, 11, 1420}, {10, 1000, 8676, 3, 6500, 8548, 2, 8404},
    {11, 500, 2892, 12, 716, 2764, 11, 1420},  {11, 500, 8676, 3, 6500, 8548, 2, 8404},
    {11, 1000, 2892, 24, 716, 2764, 23, 252},  {11, 1000, 8676, 7, 6500, 8548, 6, 6752},
};

Bytes Gather(const Bytes& buf, const Row& r) {
    const std::size_t base = 1152;
    Bytes out;
    auto take = [&](std::size_t from, std::size_t n) {
        ASSERT_LE(from + n, buf.size());
        out.insert(out.end(), buf.begin() + static_cast<std::ptrdiff_t>(from),
                   buf.begin() + static_cast<std::ptrdiff_t>(from + n));
    };
    take(base + 2176, r.first);
    for (std::size_t k = 0; k < r.count; ++k) {
        take(base + 2176 + r.first + k * (r.chunk + 256) + 256, r.chunk);
    }
    take(base + 2176 + r.first + r.count * (r.chunk + 256) + 256, r.tail);
    return out;
}

TEST(SimGather, EveryPacketLayoutGathersToTheSampleArray) {
    Options o;
    for (const Row& r : kRows) {
        SCOPED_TRACE(testing::Message()
                     << "format " << r.format << " points " << r.points << " P " << r.packet_size);
        CommandValues v;
        v.format = r.format;
        v.points = r.points;
        v.packet_size = r.packet_size;
        const Bytes cmd = test::MakeCommand(v);
        Bytes samples;
        const Bytes buf = BuildPingBufferOffline(o, cmd, 0, &samples);
        const std::size_t bytes =
            static_cast<std::size_t>(r.points) * 16 * (r.format == 10 ? 2 : 4);
        ASSERT_EQ(samples.size(), bytes);
        const std::size_t full = 1152 + r.packet_size + r.last * (128 + r.packet_size);
        EXPECT_EQ(buf.size(), std::min<std::size_t>(full, 75000));
        EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 1152, cmd.begin()));
        const Bytes gathered = Gather(buf, r);
        ASSERT_GE(gathered.size(), bytes);
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), gathered.begin()));
        EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [](auto b) { return b != 0; }));
        // Each later packet is preceded by the request header carrying its number.
        std::size_t at = 1152 + r.packet_size;
        for (int n = 1; n <= r.last && at + 128 + 10 <= buf.size(); ++n) {
            EXPECT_EQ(test::Get16(buf, at + 8), static_cast<unsigned>(n));
            EXPECT_TRUE(std::equal(buf.begin() + static_cast<std::ptrdiff_t>(at),
                                   buf.begin() + static_cast<std::ptrdiff_t>(at + 8), cmd.begin()));
            EXPECT_EQ(buf[at + 128], 'T');
            EXPECT_EQ(test::Get16(buf, at + 128 + 8), static_cast<unsigned>(n));
            at += 128 + r.packet_size;
        }
    }
}

TEST(SimGather, InvalidCommandsGiveAnEmptyBuffer) {
    Options o;
    Bytes cmd = test::MakeCommand({});
    cmd[0] = 'X';
    EXPECT_TRUE(BuildPingBufferOffline(o, cmd, 0).empty());
    EXPECT_TRUE(BuildPingBufferOffline(o, Bytes(100, 0), 0).empty());
    CommandValues v;
    v.packet_size = 70000;
    EXPECT_TRUE(BuildPingBufferOffline(o, test::MakeCommand(v), 0).empty());
}

TEST(SimGather, DeterministicBySeedAndAliveFromPingToPing) {
    Options a;
    a.scene = DemoScene(HeadKind::Standard260);
    const Bytes cmd = test::MakeCommand({});
    Bytes s1, s2, s3, s4;
    BuildPingBufferOffline(a, cmd, 5, &s1);
    BuildPingBufferOffline(a, cmd, 5, &s2);
    EXPECT_EQ(s1, s2);
    Options b = a;
    b.seed = 2;
    BuildPingBufferOffline(b, cmd, 5, &s3);
    EXPECT_NE(s1, s3);
    BuildPingBufferOffline(a, cmd, 6, &s4);
    EXPECT_NE(s1, s4);
    // The next ping differs but is still mostly the same scene: the echo energy per sample
    // correlates strongly between neighbouring pings.
    auto energy = [](const Bytes& s) {
        std::vector<double> e(500, 0.0);
        for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
            const double v = test::GetI16(s, i);
            e[i / 64] += v * v;
        }
        return e;
    };
    const auto e1 = energy(s1), e4 = energy(s4);
    double dot = 0, n1 = 0, n4 = 0;
    for (std::size_t i = 0; i < e1.size(); ++i) {
        dot += e1[i] * e4[i];
        n1 += e1[i] * e1[i];
        n4 += e4[i] * e4[i];
    }
    EXPECT_GT(dot / std::sqrt(n1 * n4), 0.8);
}

}  // namespace
}  // namespace vq::sim
