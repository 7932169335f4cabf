// The ping parser on ping buffers built by the simulated head.
#include <gtest/gtest.h>

#include <cstring>

#include "dsp/sim_ping.h"
#include "pipeline/ping_record.h"
#include "pipeline/sonar_info_text.h"

namespace vq {
namespace {

using test::CommandSpec;
using test::SimPing;

constexpr std::size_t kR = 1152;  // return packet 0 in a live ping buffer

std::string Text(const std::vector<InfoLine>& lines, const std::string& label) {
    for (const auto& l : lines)
        if (l.label == label) return l.text;
    return "<missing " + label + ">";
}

void PatchF32(std::vector<std::uint8_t>& b, std::size_t o, float f) {
    test::PutF(b, o, f);
}

TEST(PingParser, GathersSixteenBitFiveHundredPointsFromFourPackets) {
    sim::Options o;
    CommandSpec c;  // 16-bit, 500 points, 8676-byte packets: L = 3
    std::vector<std::uint8_t> sim_samples;
    const auto buf = SimPing(o, c, 0, &sim_samples);
    ASSERT_EQ(buf.size(), 36240u);  // 1152 + 8676 + 3 * (128 + 8676)
    PingParser p;
    ParseContext ctx;
    ASSERT_TRUE(p.Parse(buf.data(), buf.size(), ctx));
    ASSERT_EQ(p.gathered_bytes(), 32000u);
    ASSERT_EQ(sim_samples.size(), 32000u);  // 500 x 16 x 4
    EXPECT_EQ(0, std::memcmp(p.samples(), sim_samples.data(), 32000));
    // Bytes 2176..8675 of packet 0, 128..8675 of packets 1 and 2, 128..8531 of packet 3.
    const std::size_t pk = 128 + 8676;  // request header + packet
    const std::uint8_t* s = p.samples();
    EXPECT_EQ(0, std::memcmp(s, &buf[kR + 2176], 6500));
    EXPECT_EQ(0, std::memcmp(s + 6500, &buf[kR + 8676 + 128 + 128], 8548));
    EXPECT_EQ(0, std::memcmp(s + 6500 + 8548, &buf[kR + 8676 + pk + 128 + 128], 8548));
    EXPECT_EQ(0, std::memcmp(s + 6500 + 2 * 8548, &buf[kR + 8676 + 2 * pk + 256], 8404));
}

TEST(PingParser, GathersEveryLiveConfiguration) {
    struct Case {
        int format, points;
        bool reduced;
        std::size_t used;
    };
    for (const Case& k :
         {Case{10, 500, false, 16000}, Case{10, 500, true, 16000}, Case{10, 1000, false, 32000},
          Case{10, 1000, true, 32000}, Case{11, 500, true, 32000}, Case{11, 1000, false, 64000},
          Case{11, 1000, true, 64000}}) {
        SCOPED_TRACE(testing::Message() << k.format << " " << k.points << " " << k.reduced);
        CommandSpec c;
        c.format = k.format;
        c.points = k.points;
        c.reduced = k.reduced;
        std::vector<std::uint8_t> sim_samples;
        const auto buf = SimPing(sim::Options{}, c, 0, &sim_samples);
        ASSERT_LE(buf.size(), kPingBufferCapacity);
        PingParser p;
        ParseContext ctx;
        ctx.packet_size = c.packet_size();
        ASSERT_TRUE(p.Parse(buf.data(), buf.size(), ctx));
        ASSERT_GE(p.gathered_bytes(), k.used);
        ASSERT_EQ(sim_samples.size(), k.used);
        EXPECT_EQ(0, std::memcmp(p.samples(), sim_samples.data(), k.used));
    }
}

TEST(PingParser, ReadsHeaderBlocksAndBuildsLegacyHeader) {
    sim::Options o;
    o.serial = 42;
    CommandSpec c;
    c.pulse_s = 300e-6f;
    const auto buf = SimPing(o, c);
    PingParser p;
    ASSERT_TRUE(p.Parse(buf.data(), buf.size(), ParseContext{}));
    const PingRecord& r = p.Record();
    EXPECT_EQ(r.header.head_id, 77);
    EXPECT_EQ(r.header.data_format, 11);
    EXPECT_EQ(r.echo.data_points, 500);
    EXPECT_EQ(r.echo.data_bits, 16);
    EXPECT_FLOAT_EQ(r.echo.range_span_m, 50.0f);
    EXPECT_EQ(r.info.serial_number, 42);
    EXPECT_EQ(r.min_frequency_khz, 260);
    EXPECT_EQ(r.max_frequency_khz, 260);
    const auto& l = p.Legacy().bytes;
    const std::uint8_t want[12] = {
        'T',         77, 'N', 16, 64, 3, 4, 50, static_cast<std::uint8_t>(r.info.rx_xdcr_type - 1),
        buf[kR + 9], 0,  0};
    EXPECT_EQ(0, std::memcmp(l.data(), want, 12));

    const auto info = SonarInfoLines(r);
    EXPECT_EQ(Text(info, "Serial Number"), "0042");
    EXPECT_EQ(Text(info, "Head ID"), "0x4D");
    EXPECT_EQ(Text(info, "Command Type"), "1.0");
    EXPECT_EQ(Text(info, "Frequency"), "260000 Hz");
    EXPECT_EQ(Text(info, "Pulse Length"), "300 usec");
    EXPECT_EQ(Text(info, "Data Points Supported"), "500 1000 ");
    EXPECT_EQ(Text(info, "Data Bits Supported"), "8 16 ");
    EXPECT_EQ(Text(info, "External Trigger Support"), "Yes");
    EXPECT_EQ(Text(info, "IP Address").find("127."), 0u);
}

TEST(PingParser, ClampsPointsBitsAndTemperature) {
    auto buf = SimPing(sim::Options{}, CommandSpec{});
    buf[kR + 128 + 32] = 44;  // 300 points
    buf[kR + 128 + 33] = 1;
    buf[kR + 128 + 34] = 4;  // 4 bits
    PatchF32(buf, kR + 1152 + 452, -5.0f);
    PingParser p;
    ASSERT_TRUE(p.Parse(buf.data(), buf.size(), ParseContext{}));
    EXPECT_EQ(p.Record().echo.data_points, 500);
    EXPECT_EQ(p.Record().echo.data_bits, 8);
    EXPECT_EQ(p.Record().temperature_c, 0.0f);
    EXPECT_EQ(Text(SonarStatusLines(p.Record()), "Processor Temp"), "-5.0 C");

    PatchF32(buf, kR + 1152 + 452, 250.0f);
    ASSERT_TRUE(p.Parse(buf.data(), buf.size(), ParseContext{}));
    EXPECT_EQ(p.Record().temperature_c, 200.0f);
    EXPECT_EQ(Text(SonarStatusLines(p.Record()), "Processor Temp"), "250.0 C");
}

TEST(PingParser, StatusLineAndSpecialGainCurve) {
    sim::Options o;
    o.serial = 8930;
    auto buf = SimPing(o, CommandSpec{});
    const std::uint8_t w0[4] = {0x0D, 0x0C, 0x0B, 0x0A};  // status word 0 = 0x0A0B0C0D
    const std::uint8_t w1[4] = {0x04, 0x03, 0x02, 0x01};
    std::memcpy(&buf[kR + 1152 + 364], w0, 4);
    std::memcpy(&buf[kR + 1152 + 360], w1, 4);
    PingParser p;
    ASSERT_TRUE(p.Parse(buf.data(), buf.size(), ParseContext{}));
    EXPECT_EQ(StatusText(p.Record()), "0x 0A0B 0C0D 0102 0304");
    EXPECT_TRUE(p.Record().status_bit3);  // 0x0D has bit 3 set
    EXPECT_TRUE(p.Record().special_gain_curve);
}

TEST(PingParser, PipelinedRecordingStartsAt1280) {
    std::vector<std::uint8_t> sim_samples;
    const auto live = SimPing(sim::Options{}, CommandSpec{}, 0, &sim_samples);
    std::vector<std::uint8_t> rec(live.begin(), live.begin() + 1152);
    rec.insert(rec.end(), live.begin(), live.begin() + 128);  // the extra request header
    rec.insert(rec.end(), live.begin() + 1152, live.end());
    PingParser p;
    ParseContext ctx;
    ctx.playback = true;
    ctx.pipelined = true;
    ASSERT_TRUE(p.Parse(rec.data(), rec.size(), ctx));
    EXPECT_EQ(p.Legacy().bytes[0], 'T');
    EXPECT_EQ(p.Record().info.serial_number, 2601);
    EXPECT_EQ(0, std::memcmp(p.samples(), sim_samples.data(), 32000));
}

TEST(PingParser, ShortOrTruncatedBuffersNeverReadOutside) {
    const auto buf = SimPing(sim::Options{}, CommandSpec{});
    PingParser p;
    EXPECT_FALSE(p.Parse(nullptr, 0, ParseContext{}));
    EXPECT_FALSE(p.Parse(buf.data(), 3000, ParseContext{}));  // no room for the info block
    // Cut inside packet 1: the samples of the later packets read as zero.
    std::vector<std::uint8_t> cut(buf.begin(), buf.begin() + 12000);
    ASSERT_TRUE(p.Parse(cut.data(), cut.size(), ParseContext{}));
    EXPECT_EQ(0, std::memcmp(p.samples(), &buf[kR + 2176], 6500));
    const std::uint8_t* tail = p.samples() + 20000;
    EXPECT_TRUE(std::all_of(tail, tail + 12000, [](std::uint8_t v) { return v == 0; }));
}

TEST(GatherPlan, PlaybackRowsAndFallback) {
    EXPECT_EQ(GatherPlanFor(7, 16, 500, 8676, true, 6).total(), 132924u);
    EXPECT_EQ(GatherPlanFor(1, 16, 500, 8676, true, 5).total(), 64540u);
    EXPECT_EQ(GatherPlanFor(7, 16, 500, 8676, false, 6).total(), 16540u);  // live: no such row
    EXPECT_EQ(GatherPlanFor(4, 8, 500, 8676, false, 0).total(), 16540u);
    EXPECT_EQ(GatherPlanFor(10, 8, 1000, 2892, false, 0).total(), 32540u);
}

}  // namespace
}  // namespace vq
