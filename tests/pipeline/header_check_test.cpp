// The header check and head-type adoption on pings of the simulated head.
#include <gtest/gtest.h>

#include <limits>

#include "dsp/sim_ping.h"
#include "pipeline/header_check.h"

namespace vq {
namespace {

using test::CommandSpec;
using test::SimPing;

constexpr std::size_t kR = 1152;
constexpr std::size_t kInfo = kR + 1152;

struct Parsed {
    PingParser parser;
    SettingsState st;
    HeaderCheckResult Check(const std::vector<std::uint8_t>& buf, bool playback = false,
                            int version = 0) {
        ParseContext ctx;
        ctx.playback = playback;
        ctx.recording_version = version;
        EXPECT_TRUE(parser.Parse(buf.data(), buf.size(), ctx));
        CheckContext cc;
        cc.playback = playback;
        cc.recording_version = version;
        cc.current_head_id = parser.current_head_id();
        return CheckHeader(parser.Record(), parser.Legacy(), cc, st);
    }
};

TEST(HeaderCheck, WrongHeadIdOrMagicIsNotProcessed) {
    auto buf = SimPing(sim::Options{}, CommandSpec{});
    Parsed p;
    EXPECT_TRUE(p.Check(buf).valid);
    buf[kR + 1] = 85;  // another head id than the current 77
    EXPECT_FALSE(p.Check(buf).valid);
    buf[kR + 1] = 77;
    buf[kR + 2] = 'X';
    EXPECT_FALSE(p.Check(buf).valid);
    // The pipeline clears bytes 0..2 after a ping: the same ping cannot pass twice.
    buf[kR + 2] = 'N';
    p.Check(buf);
    p.parser.Legacy().bytes[0] = p.parser.Legacy().bytes[1] = p.parser.Legacy().bytes[2] = 0;
    EXPECT_FALSE(CheckHeader(p.parser.Record(), p.parser.Legacy(), CheckContext{}, p.st).valid);
}

TEST(HeaderCheck, PlaybackAdoptsTheRecordedHeadId) {
    auto buf = SimPing(sim::Options{}, CommandSpec{});
    buf[kR + 1] = 87;
    Parsed p;
    EXPECT_TRUE(p.Check(buf, true, 7).valid);
    EXPECT_EQ(p.parser.current_head_id(), 87);
}

// Frequency limits a head cannot mean (offsets 328 and 332 of the information block) are
// absent: the parser derives nothing from them and the limits in force stay.
TEST(HeaderCheck, ImpossibleFrequencyLimitsLeaveTheLimitsInForce) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float min_hz, max_hz;
        bool adopted;
        int min_khz, max_khz;
    };
    for (const Case& k :
         {Case{250000.0f, 270000.0f, true, 250, 270}, Case{nan, 270000.0f, false, 0, 0},
          Case{250000.0f, nan, false, 0, 0}, Case{inf, inf, false, 0, 0},
          Case{-inf, 270000.0f, false, 0, 0}, Case{250000.0f, 3.0e12f, false, 0, 0},
          Case{-1.0f, 1.0f, false, 0, 0}, Case{280000.0f, 270000.0f, false, 0, 0},
          Case{0.0f, 0.0f, true, 0, 0}, Case{1.0e7f, 1.0e7f, true, 10000, 10000}}) {
        SCOPED_TRACE(testing::Message() << k.min_hz << " .. " << k.max_hz);
        auto buf = SimPing(sim::Options{}, CommandSpec{});
        test::PutF(buf, kInfo + 328, k.min_hz);
        test::PutF(buf, kInfo + 332, k.max_hz);
        Parsed p;
        p.st.head.min_frequency_khz = 255;
        p.st.head.max_frequency_khz = 265;
        p.st.head.min_frequency_f = 255.0f;
        p.st.head.max_frequency_f = 265.0f;
        ASSERT_TRUE(p.Check(buf).valid);
        const PingRecord& r = p.parser.Record();
        EXPECT_EQ(r.frequency_limits_valid, k.adopted);
        EXPECT_EQ(r.min_frequency_khz, k.min_khz);
        EXPECT_EQ(r.max_frequency_khz, k.max_khz);
        EXPECT_EQ(p.st.head.min_frequency_khz, k.adopted ? k.min_khz : 255);
        EXPECT_EQ(p.st.head.max_frequency_khz, k.adopted ? k.max_khz : 265);
        EXPECT_EQ(p.st.head.max_frequency_f, k.adopted ? 0.001f * k.max_hz : 265.0f);
    }
}

TEST(HeaderCheck, FineResolutionHasStrictBounds) {
    auto buf = SimPing(sim::Options{}, CommandSpec{});
    Parsed p;
    auto with_res = [&](float res) {
        test::PutF(buf, kInfo + 352, res);
        return p.Check(buf);
    };
    p.st.head.fine_resolution = false;
    EXPECT_TRUE(with_res(0.001f).fine_resolution_changed);
    EXPECT_TRUE(p.st.head.fine_resolution);
    EXPECT_FALSE(with_res(0.011f).fine_resolution_changed);  // exactly 0.011: unchanged
    EXPECT_TRUE(p.st.head.fine_resolution);
    EXPECT_TRUE(with_res(0.01f).fine_resolution_changed);
    EXPECT_FALSE(p.st.head.fine_resolution);
    EXPECT_FALSE(with_res(0.0011f).fine_resolution_changed);
    EXPECT_FALSE(with_res(0.009f).fine_resolution_changed);
    EXPECT_FALSE(p.st.head.fine_resolution);
}

TEST(HeaderCheck, RangeLimitsBySonarCodeAndTransmitterType) {
    struct Case {
        std::uint32_t code, tx;
        int min, max, pulse;
    };
    auto buf = SimPing(sim::Options{}, CommandSpec{});
    for (const Case& k :
         {Case{3, 15, 2, 10, 30}, Case{3, 10, 2, 14, 2000}, Case{3, 21, 2, 10, 2000},
          Case{3, 22, 2, 10, 2000}, Case{3, 1, 2, 11, 2000}, Case{6, 13, 2, 11, 2000},
          Case{6, 16, 2, 12, 2000}, Case{6, 14, 5, 14, 2000}, Case{6, 15, 2, 10, 2000},
          Case{6, 2, 2, 14, 2000}, Case{9, 15, 2, 11, 2000}}) {
        SCOPED_TRACE(testing::Message() << k.code << "/" << k.tx);
        test::PutLe(buf, kInfo + 320, k.code, 4);
        test::PutLe(buf, kInfo + 348, k.tx, 4);
        Parsed p;
        p.st.head.min_range_index = 5;  // kept only by code 6, type 14
        p.Check(buf);
        EXPECT_EQ(p.st.head.min_range_index, k.min);
        EXPECT_EQ(p.st.head.max_range_index, k.max);
        EXPECT_EQ(p.st.head.max_pulse_length_us, k.pulse);
    }
}

TEST(HeaderCheck, PlaybackRangeElementsAndSpecialHead) {
    CommandSpec c;
    c.span_m = 80.0f;
    auto buf = SimPing(sim::Options{}, c);
    Parsed p;
    auto r = p.Check(buf, true, 7);
    EXPECT_TRUE(r.range_index_changed);
    EXPECT_EQ(p.st.s.Range, 9);
    EXPECT_EQ(r.num_elements, 16);  // format 11
    // A span the table does not hold keeps the index.
    test::PutF(buf, kR + 128 + 8, 7.0f);
    r = p.Check(buf, true, 7);
    EXPECT_FALSE(r.range_index_changed);
    EXPECT_EQ(p.st.s.Range, 9);
    // Fine-resolution head: the span counts tenfold (5.0 m -> 50 -> index 7).
    p.st.head.fine_resolution = true;
    test::PutF(buf, kInfo + 352, 0.001f);
    test::PutF(buf, kR + 128 + 8, 5.0f);
    p.Check(buf, true, 7);
    EXPECT_EQ(p.st.s.Range, 7);
    // Other recorded formats carry 64 elements; version 5 and 6 recordings 16.
    test::PutLe(buf, kR + 16, 1, 2);
    EXPECT_EQ(p.Check(buf, true, 7).num_elements, 64);
    EXPECT_EQ(p.Check(buf, true, 5).num_elements, 16);
    EXPECT_EQ(p.Check(buf, false, 0).num_elements, 16);  // live: always 16
    // Serial 9761 with head type index 0 becomes index 17 in playback.
    test::PutLe(buf, kInfo + 64, 9761, 2);
    test::PutLe(buf, kInfo + 344, 1, 4);  // receiver type 1 -> index 0
    EXPECT_EQ(p.Check(buf, true, 7).head_type_index, 17);
    EXPECT_EQ(p.Check(buf, false, 0).head_type_index, 0);
    EXPECT_EQ(p.Check(buf, true, 6).head_type_index, 11);  // version 6 recordings
}

TEST(HeadTypeAdoption, TableIncludingTheOpenIndexes) {
    struct Case {
        int index, model, nominal, absorption;
    };
    for (const Case& k :
         {Case{0, 11, 540, 28}, Case{1, 11, 1100, 90}, Case{2, 11, 675, 30}, Case{3, 4, 260, 13},
          Case{4, 4, 260, 13}, Case{5, 5, 120, 8}, Case{7, 5, 120, 8}, Case{10, 14, 165, 10},
          Case{11, 15, 2250, 340}, Case{18, 17, 675, 30}, Case{25, 4, 260, 13}}) {
        SCOPED_TRACE(k.index);
        const HeadTypeEntry e = HeadTypeFor(k.index);
        EXPECT_EQ(e.model_code, k.model);
        EXPECT_EQ(e.nominal_frequency_khz, k.nominal);
        EXPECT_EQ(e.absorption_code, k.absorption);
    }
    SettingsState st;
    st.s.Frequency = 455;
    auto r = AdoptHeadType(17, false, 0, st);  // nominal = the current frequency setting
    EXPECT_TRUE(r.adopted);
    EXPECT_EQ(st.head.model_code, 16);
    EXPECT_EQ(r.frequency_khz, 455);
    EXPECT_FALSE(AdoptHeadType(17, false, 0, st).adopted);  // same index: nothing to do
}

TEST(HeadTypeAdoption, LiveModelRules) {
    SettingsState st;
    st.head.min_frequency_khz = st.head.max_frequency_khz = 250;
    st.s.Range = 14;  // outside 2..11
    st.s.Frequency = 250;
    auto r = AdoptHeadType(4, false, 0, st);
    EXPECT_EQ(st.head.max_range_index, 11);
    EXPECT_TRUE(r.range_index_reset);
    EXPECT_EQ(st.s.Range, 7);
    EXPECT_EQ(st.head.nominal_frequency_khz, 240);  // 260 is not one of the limits
    EXPECT_EQ(r.frequency_khz, 250);                // the operating frequency is kept
    EXPECT_TRUE(r.apply_operating_point);

    st.head.min_frequency_khz = 260;
    st.head.head_type = -1;
    AdoptHeadType(4, false, 0, st);
    EXPECT_EQ(st.head.nominal_frequency_khz, 260);

    r = AdoptHeadType(7, false, 0, st);  // model 5
    EXPECT_EQ(st.head.max_range_index, 14);
    EXPECT_EQ(st.head.min_frequency_khz, 115);
    EXPECT_EQ(st.head.max_frequency_khz, 125);
    EXPECT_EQ(r.frequency_khz, 120);
    EXPECT_EQ(st.s.Frequency, 120);
    EXPECT_NEAR(st.head.absorption_code * 0.5 * 0.01, 0.04, 1e-9);

    r = AdoptHeadType(2, true, 690, st);  // playback: the recorded frequency
    EXPECT_EQ(r.frequency_khz, 690);
    EXPECT_EQ(st.head.model_code, 11);
    EXPECT_EQ(st.head.nominal_frequency_khz, 120);  // the nominal is stored only live
}

TEST(HeadTypeAdoption, SimulatedHeadsSelectTheirModels) {
    struct Case {
        sim::HeadKind kind;
        int model;
    };
    for (const Case& k :
         {Case{sim::HeadKind::Standard260, 4}, Case{sim::HeadKind::LongRange120, 5},
          Case{sim::HeadKind::HighFreq675, 11}, Case{sim::HeadKind::FineResolution, 17}}) {
        sim::Options o;
        o.head = k.kind;
        Parsed p;
        const auto r = p.Check(SimPing(o, CommandSpec{}));
        ASSERT_TRUE(r.valid);
        AdoptHeadType(r.head_type_index, false, 0, p.st);
        EXPECT_EQ(p.st.head.model_code, k.model);
    }
}

}  // namespace
}  // namespace vq
