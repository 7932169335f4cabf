// The simulated head over a real loopback TCP connection: packet sizes, header bytes, the
// settings echo and the information block of every head profile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "sim/head_client.h"
#include "sim/sim_head.h"

namespace vq::sim {
namespace {

using test::Bytes;
using test::Client;
using test::CommandValues;

Options LoopbackOptions(HeadKind head = HeadKind::Standard260) {
    Options o;
    o.port = 0;
    o.pacing = false;
    o.head = head;
    return o;
}

// Runs one whole ping: packet 0 and packets 1..last; returns the packets.
std::vector<Bytes> RunPing(Client& c, const Bytes& command, unsigned last, std::uint32_t size) {
    std::vector<Bytes> packets;
    for (unsigned n = 0; n <= last; ++n) {
        EXPECT_TRUE(c.Send(n == 0 ? command : test::MakeRequest(command, n)));
        packets.push_back(c.Receive(size));
        EXPECT_EQ(packets.back().size(), size) << "packet " << n;
    }
    return packets;
}

TEST(SimProtocol, DefaultPingHeadersEchoAndSampleLayout) {
    SimHead head(LoopbackOptions());
    std::string error;
    ASSERT_TRUE(head.Start(&error)) << error;
    ASSERT_NE(head.port(), 0);
    Client c(head.port());
    ASSERT_TRUE(c.connected());
    CommandValues v;
    v.span = 40.0f;
    v.offset = 3.0f;
    v.absorption = 0.04f;
    v.pulse_s = 200e-6f;
    v.gain = 11;
    v.filter = 4;
    v.tx_delay = 0.0125f;
    const Bytes cmd = test::MakeCommand(v);
    const auto packets = RunPing(c, cmd, 3, 8676);
    ASSERT_EQ(packets.size(), 4u);
    for (unsigned n = 0; n < packets.size(); ++n) {
        const Bytes& p = packets[n];
        ASSERT_EQ(p.size(), 8676u);
        EXPECT_EQ(p[0], 'T');
        EXPECT_EQ(p[1], 77);
        EXPECT_EQ(p[2], 'N');
        EXPECT_EQ(p[3], 'U');
        EXPECT_EQ(test::Get16(p, 4), 1u);
        EXPECT_EQ(test::Get16(p, 6), 0u);
        EXPECT_EQ(test::Get16(p, 8), n);
        EXPECT_EQ(p[10], 77);
        EXPECT_EQ(test::Get16(p, 16), 11u);
    }
    const Bytes& p0 = packets[0];
    const std::size_t e = 128;
    EXPECT_FLOAT_EQ(test::GetFloat(p0, e + 8), 40.0f);
    EXPECT_FLOAT_EQ(test::GetFloat(p0, e + 12), 3.0f);
    EXPECT_FLOAT_EQ(test::GetFloat(p0, e + 16), 260000.0f);
    EXPECT_FLOAT_EQ(test::GetFloat(p0, e + 20), 0.04f);
    EXPECT_FLOAT_EQ(test::GetFloat(p0, e + 24), 200e-6f);
    EXPECT_FLOAT_EQ(test::GetFloat(p0, e + 28), 0.0125f);
    EXPECT_EQ(test::GetI16(p0, e + 32), 500);
    EXPECT_EQ(p0[e + 34], 16);
    EXPECT_EQ(test::Get32(p0, e + 36), 4u);
    EXPECT_EQ(test::Get16(p0, e + 44), 11u);

    // The samples, gathered in order from the packets, are the ping's sample array.
    Bytes gathered(p0.begin() + 2176, p0.end());
    for (unsigned n = 1; n < 4; ++n) {
        gathered.insert(gathered.end(), packets[n].begin() + 128, packets[n].end());
    }
    const Bytes samples = head.last_ping_samples();
    ASSERT_EQ(samples.size(), 32000u);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), gathered.begin()));
    EXPECT_TRUE(std::all_of(gathered.begin() + 32000, gathered.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(head.pings_served(), 1u);
    EXPECT_EQ(head.packets_served(), 4u);
    EXPECT_EQ(head.connections_accepted(), 1u);
}

TEST(SimProtocol, ReducedPacketsAndEightBitData) {
    SimHead head(LoopbackOptions());
    ASSERT_TRUE(head.Start());
    Client c(head.port());
    CommandValues v;
    v.points = 1000;
    v.packet_size = 2892;
    const auto packets16 = RunPing(c, test::MakeCommand(v), 24, 2892);
    EXPECT_EQ(test::Get16(packets16[24], 8), 24u);
    EXPECT_EQ(head.pings_served(), 1u);
    EXPECT_EQ(head.last_ping_samples().size(), 64000u);

    v.format = 10;
    v.points = 500;
    v.packet_size = 8676;
    const auto packets8 = RunPing(c, test::MakeCommand(v), 2, 8676);
    EXPECT_EQ(test::Get16(packets8[0], 16), 10u);
    EXPECT_EQ(packets8[0][128 + 34], 8);
    EXPECT_EQ(head.pings_served(), 2u);
    EXPECT_EQ(head.last_ping_samples().size(), 16000u);
}

// What the program derives from the information block, computed here from its tables.
struct Adoption {
    int head_type_index, model_code, min_range_index, max_range_index;
};

Adoption Adopt(const Bytes& p0) {
    const std::size_t b = 1152;
    const int rx = static_cast<int>(test::Get32(p0, b + 344));
    const int tx = static_cast<int>(test::Get32(p0, b + 348));
    const int code = static_cast<int>(test::Get32(p0, b + 320));
    Adoption a{rx > 0 ? rx - 1 : 0, -1, 2, 11};
    switch (a.head_type_index) {
        case 2:
            a.model_code = 11;
            break;
        case 4:
            a.model_code = 4;
            break;
        case 7:
            a.model_code = 5;
            break;
        case 18:
            a.model_code = 17;
            break;
        default:
            break;
    }
    if (code == 3 && tx == 10) a.max_range_index = 14;
    if (code == 6 && tx == 16) a.max_range_index = 12;
    return a;
}

TEST(SimProtocol, InformationBlockSelectsEachHeadProfile) {
    struct Case {
        HeadKind head;
        float frequency;
        int model, max_index;
        float resolution;
        std::uint32_t rx_type;
    };
    const Case cases[] = {{HeadKind::Standard260, 260000.0f, 4, 11, 0.01f, 5},
                          {HeadKind::LongRange120, 120000.0f, 5, 14, 0.01f, 8},
                          {HeadKind::HighFreq675, 675000.0f, 11, 11, 0.01f, 3},
                          {HeadKind::FineResolution, 675000.0f, 17, 12, 0.001f, 19}};
    for (const Case& k : cases) {
        Options o = LoopbackOptions(k.head);
        o.serial = 4321;
        SimHead head(o);
        ASSERT_TRUE(head.Start());
        Client c(head.port());
        CommandValues v;
        v.frequency_hz = k.frequency;
        const Bytes p0 = RunPing(c, test::MakeCommand(v), 0, 8676)[0];
        const std::size_t b = 1152;
        const Adoption a = Adopt(p0);
        EXPECT_EQ(a.model_code, k.model);
        EXPECT_EQ(a.max_range_index, k.max_index);
        EXPECT_EQ(a.min_range_index, 2);
        EXPECT_EQ(test::Get32(p0, b + 344), k.rx_type);
        EXPECT_FLOAT_EQ(test::GetFloat(p0, b + 352), k.resolution);
        EXPECT_FLOAT_EQ(test::GetFloat(p0, b + 324), k.frequency);
        EXPECT_LE(test::GetFloat(p0, b + 328), k.frequency);
        EXPECT_GE(test::GetFloat(p0, b + 332), k.frequency);
        EXPECT_FLOAT_EQ(test::GetFloat(p0, 128 + 16), k.frequency);  // used as commanded
        EXPECT_EQ(test::GetI16(p0, b + 64), 4321);
        EXPECT_NE(p0[b], 0);  // a model text
        EXPECT_EQ(p0[b + 63], 0);
        EXPECT_EQ(Bytes(p0.begin() + b + 72, p0.begin() + b + 76), (Bytes{127, 0, 0, 1}));
        const float temp = test::GetFloat(p0, b + 452);
        EXPECT_GT(temp, 10.0f);
        EXPECT_LT(temp, 80.0f);
        EXPECT_EQ(test::Get16(p0, b + 420), 500u);
        EXPECT_EQ(test::Get16(p0, b + 422), 1000u);
    }
}

TEST(SimProtocol, FrequencyOutsideTheHeadsLimitsIsLimited) {
    SimHead head(LoopbackOptions(HeadKind::LongRange120));
    ASSERT_TRUE(head.Start());
    Client c(head.port());
    CommandValues v;
    v.frequency_hz = 260000.0f;
    const Bytes p0 = RunPing(c, test::MakeCommand(v), 0, 8676)[0];
    EXPECT_FLOAT_EQ(test::GetFloat(p0, 128 + 16), 125000.0f);
}

TEST(SimProtocol, MalformedRequestsCloseTheConnectionAndTheHeadServesTheNext) {
    SimHead head(LoopbackOptions());
    ASSERT_TRUE(head.Start());
    {
        Client c(head.port());
        Bytes bad = test::MakeCommand({});
        bad[3] = 'X';
        ASSERT_TRUE(c.Send(bad));
        EXPECT_TRUE(c.ClosedByPeer());
    }
    {
        Client c(head.port());
        CommandValues v;
        v.packet_size = 100;  // cannot even hold the header blocks
        ASSERT_TRUE(c.Send(test::MakeCommand(v)));
        EXPECT_TRUE(c.ClosedByPeer());
    }
    {
        Client c(head.port());
        CommandValues v;
        v.span = std::numeric_limits<float>::quiet_NaN();
        v.points = 7;
        v.pulse_s = -1.0f;
        const Bytes p0 = RunPing(c, test::MakeCommand(v), 0, 8676)[0];
        EXPECT_EQ(p0[3], 'U');
        EXPECT_EQ(test::GetI16(p0, 128 + 32), 500);
        EXPECT_TRUE(std::isfinite(test::GetFloat(p0, 128 + 8)));
    }
    EXPECT_EQ(head.connections_accepted(), 3u);
}

TEST(SimProtocol, LaterPacketBeforeAnyPingIsStillAnsweredWithItsSize) {
    SimHead head(LoopbackOptions());
    ASSERT_TRUE(head.Start());
    Client c(head.port());
    const Bytes cmd = test::MakeCommand({});
    ASSERT_TRUE(c.Send(test::MakeRequest(cmd, 2)));
    const Bytes p = c.Receive(8676);
    ASSERT_EQ(p.size(), 8676u);
    EXPECT_EQ(test::Get16(p, 8), 2u);
}

TEST(SimProtocol, NonLoopbackBindIsRefused) {
    Options o = LoopbackOptions();
    o.bind = "10.1.2.3";
    SimHead head(o);
    std::string error;
    EXPECT_FALSE(head.Start(&error));
    EXPECT_NE(error.find("non-loopback"), std::string::npos);
    Options bad = LoopbackOptions();
    bad.bind = "not-an-address";
    SimHead head2(bad);
    EXPECT_FALSE(head2.Start(&error));
}

}  // namespace
}  // namespace vq::sim
