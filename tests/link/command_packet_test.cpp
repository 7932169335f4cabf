// The command packet byte for byte, against bytes written out by hand.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "core/range_table.h"
#include "link/command_packet.h"

namespace vq {
namespace {

using Packet = std::array<std::uint8_t, 1152>;

void Put(Packet& p, std::size_t at, std::initializer_list<int> bytes) {
    for (int b : bytes) p[at++] = static_cast<std::uint8_t>(b);
}

// The packet-0 command with the built-in defaults, written out by hand: 16-bit data, 500
// points, range index 7 (50 m), 260 kHz, absorption code 13, 180 µs, gain 6, filter 0.
Packet DefaultPacketZero() {
    Packet p{};
    Put(p, 0, {'T', 'M', 'N', 'D', 1, 0, 0, 0, 0, 0, 0, 0});
    Put(p, 12, {0xE4, 0x21, 0x00, 0x00});  // 8676
    Put(p, 16, {11, 0});
    Put(p, 128 + 8, {0x00, 0x00, 0x48, 0x42});   // 50.0 m
    Put(p, 128 + 16, {0x00, 0xE8, 0x7D, 0x48});  // 260000.0 Hz
    Put(p, 128 + 20, {0xB8, 0x1E, 0x85, 0x3D});  // 0.065 dB/m
    Put(p, 128 + 24, {0x62, 0xBE, 0x3C, 0x39});  // 0.00018 s
    Put(p, 128 + 32, {0xF4, 0x01, 16});          // 500 points, 16 bits
    Put(p, 128 + 36, {1, 0, 0, 0});              // filter 0 + 1
    Put(p, 128 + 40, {0x0A, 0xD7, 0x23, 0x3C});  // 0.01 m
    Put(p, 128 + 44, {6, 0});                    // gain 6 dB
    return p;
}

Packet Build(const SettingsState& st, int n, ReturnSizing* rs = nullptr) {
    Packet p;
    p.fill(0xAA);  // stale bytes from an earlier build must all be cleared
    ReturnSizing r = BuildCommandPacket(st, n, p.data());
    if (rs) *rs = r;
    return p;
}

std::array<std::uint8_t, 4> Bytes4(const Packet& p, std::size_t at) {
    return {p[at], p[at + 1], p[at + 2], p[at + 3]};
}
using B4 = std::array<std::uint8_t, 4>;

TEST(CommandPacket, DefaultRequestsForAPing) {
    SettingsState st;
    ReturnSizing rs;
    const Packet p0 = Build(st, 0, &rs);
    const Packet want0 = DefaultPacketZero();
    for (std::size_t i = 0; i < p0.size(); ++i) ASSERT_EQ(p0[i], want0[i]) << "byte " << i;
    EXPECT_EQ(rs.packet_size, 8676u);
    EXPECT_EQ(rs.last_packet, 3);  // packets 0..3: one 1152-byte and three 128-byte requests
    EXPECT_EQ(rs.head_id, 77);
    EXPECT_EQ(rs.elements, 16);

    // A later request: the same header with its packet number; only 128 bytes are sent.
    for (int n = 1; n <= 3; ++n) {
        const Packet pn = Build(st, n);
        Packet want = want0;
        want[8] = static_cast<std::uint8_t>(n);
        for (std::size_t i = 0; i < 128; ++i)
            ASSERT_EQ(pn[i], want[i]) << "n " << n << " byte " << i;
    }
    EXPECT_EQ(kCommandPacketSize, 1152u);
    EXPECT_EQ(kRequestHeaderSize, 128u);
}

TEST(CommandPacket, ReturnSizingForEveryFormat) {
    struct Row {
        int format, bits, points_switch, reduced;
        std::uint32_t p;
        int l;
    };
    const Row rows[] = {
        {10, 8, 0, 0, 8676, 2},   {10, 8, 1, 0, 8676, 3},   {11, 16, 0, 0, 8676, 3},
        {11, 16, 1, 0, 8676, 7},  {10, 8, 0, 1, 2892, 6},   {10, 8, 1, 1, 2892, 12},
        {11, 16, 0, 1, 2892, 12}, {11, 16, 1, 1, 2892, 24},
    };
    for (const Row& r : rows) {
        Settings s;
        s.DataFormat = r.format;
        s.DataPointsSwitch = r.points_switch;
        s.ReducedEthernetThroughputEnable = r.reduced;
        const ReturnSizing rs = ComputeReturnSizing(s, r.bits);
        EXPECT_EQ(rs.packet_size, r.p) << r.format << "/" << r.points_switch << "/" << r.reduced;
        EXPECT_EQ(rs.last_packet, r.l) << r.format << "/" << r.points_switch << "/" << r.reduced;
    }
    // Any other combination keeps the sizing in force.
    const ReturnSizing previous{2892, 12, 77, 16};
    Settings odd;
    odd.DataFormat = 10;
    EXPECT_EQ(ComputeReturnSizing(odd, 16, previous), previous);
    odd.DataFormat = 7;
    EXPECT_EQ(ComputeReturnSizing(odd, 8, previous), previous);
}

TEST(CommandPacket, ReducedThroughputSixteenBitThousandPoints) {
    SettingsState st;
    st.s.ReducedEthernetThroughputEnable = 1;
    st.s.DataPointsSwitch = 1;
    ReturnSizing rs;
    const Packet p0 = Build(st, 0, &rs);
    EXPECT_EQ(rs.last_packet, 24);                            // 25 requests, packets 0..24
    EXPECT_EQ(Bytes4(p0, 12), (B4{0x4C, 0x0B, 0x00, 0x00}));  // 2892
    EXPECT_EQ(p0[128 + 32], 0xE8);                            // 1000 points
    EXPECT_EQ(p0[128 + 33], 0x03);
    EXPECT_EQ(p0[128 + 34], 16);
    const Packet p24 = Build(st, 24);
    EXPECT_EQ(p24[8], 24);
    EXPECT_EQ(p24[9], 0);
    EXPECT_EQ(Bytes4(p24, 12), (B4{0x4C, 0x0B, 0x00, 0x00}));
}

TEST(CommandPacket, RangeSpanAndResolution) {
    SettingsState st;
    st.s.Range = 12;
    st.head.fine_resolution = true;
    Packet p = Build(st, 0);
    EXPECT_EQ(Bytes4(p, 128 + 8), (B4{0x00, 0x00, 0xA0, 0x41}));   // 20.0 m
    EXPECT_EQ(Bytes4(p, 128 + 40), (B4{0x6F, 0x12, 0x83, 0x3A}));  // 0.001 m
    st.head.fine_resolution = false;
    p = Build(st, 0);
    EXPECT_EQ(Bytes4(p, 128 + 8), (B4{0x00, 0x00, 0x48, 0x43}));   // 200.0 m
    EXPECT_EQ(Bytes4(p, 128 + 40), (B4{0x0A, 0xD7, 0x23, 0x3C}));  // 0.01 m
    st.s.Range = 0;
    p = Build(st, 0);
    EXPECT_EQ(Bytes4(p, 128 + 8), (B4{0x00, 0x00, 0xA0, 0x3F}));  // 1.25 m
    st.s.Range = 99;  // a bad index is clamped to the last step, 500 m
    p = Build(st, 0);
    EXPECT_EQ(Bytes4(p, 128 + 8), (B4{0x00, 0x00, 0xFA, 0x43}));
}

TEST(CommandPacket, FrequencyInHertz) {
    SettingsState st;
    // A typed frequency is stored rounded to 5 kHz and sent in Hz.
    const struct {
        int typed, stored;
        B4 bytes;
    } cases[] = {
        {262, 260, {0x00, 0xE8, 0x7D, 0x48}},  // 260000.0
        {263, 265, {0x00, 0x65, 0x81, 0x48}},  // 265000.0
        {257, 255, {0x00, 0x06, 0x79, 0x48}},  // 255000.0
    };
    for (const auto& c : cases) {
        st.s.Frequency = RoundFrequencyKhz(c.typed);
        EXPECT_EQ(st.s.Frequency, c.stored);
        EXPECT_EQ(Bytes4(Build(st, 0), 128 + 16), c.bytes) << c.typed;
    }
}

TEST(CommandPacket, FlagsTriggerAndOtherFields) {
    SettingsState st;
    st.work.transmit_disabled = 1;
    st.s.ExternalTriggerControl = 2;
    st.s.ExternalTriggerXmitDelay = 5;  // 0.5 ms
    st.s.Gain = 20;
    st.s.FIRFilter = 3;
    st.s.PulseLength = 1200;
    st.work.range_offset_m = 15;
    Packet p = Build(st, 0);
    EXPECT_EQ(Bytes4(p, 128 + 0), (B4{0x24, 0, 0, 0}));
    EXPECT_EQ(Bytes4(p, 128 + 48), (B4{0x6F, 0x12, 0x03, 0x3A}));  // 0.0005 s
    EXPECT_EQ(p[128 + 44], 20);
    EXPECT_EQ(Bytes4(p, 128 + 36), (B4{4, 0, 0, 0}));
    EXPECT_EQ(Bytes4(p, 128 + 24), (B4{0x52, 0x49, 0x9D, 0x3A}));  // 0.0012 s
    EXPECT_EQ(Bytes4(p, 128 + 12), (B4{0x00, 0x00, 0x70, 0x41}));  // 15.0 m
    st.work.transmit_disabled = 0;
    st.s.ExternalTriggerControl = 3;
    p = Build(st, 0);
    EXPECT_EQ(Bytes4(p, 128 + 0), (B4{0x30, 0, 0, 0}));

    // 8-bit data: format code 10 and 8 data bits.
    SettingsState eight;
    eight.s.DataFormat = 10;
    eight.work.data_bits = 8;
    ReturnSizing rs;
    p = Build(eight, 0, &rs);
    EXPECT_EQ(p[16], 10);
    EXPECT_EQ(p[128 + 34], 8);
    EXPECT_EQ(rs.last_packet, 2);
}

TEST(CommandPacket, SerialNumbersForcedTo2300kHz) {
    for (int serial : {9903, 9904, 10093}) {
        SettingsState st;
        st.head.serial_number = serial;
        st.s.Frequency = 260;
        EXPECT_TRUE(EnforceSerialFrequency(st)) << serial;
        EXPECT_EQ(st.s.Frequency, 2300);
        EXPECT_FALSE(EnforceSerialFrequency(st));  // already there: nothing to apply
        EXPECT_EQ(Bytes4(Build(st, 0), 128 + 16), (B4{0x80, 0x61, 0x0C, 0x4A}));  // 2300000.0
    }
    SettingsState other;
    other.head.serial_number = 9905;
    EXPECT_FALSE(EnforceSerialFrequency(other));
    EXPECT_EQ(other.s.Frequency, 260);
}

}  // namespace
}  // namespace vq
