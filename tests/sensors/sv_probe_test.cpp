#include "sensors/sv_probe.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/serial_port.h"
#include "sensors/pty_pair.h"

namespace vq {
namespace {

using test::Eventually;
using test::PtyPair;

void Feed(SvProbe& probe, const std::string& bytes) {
    for (char c : bytes) probe.Feed(c);
}

std::string Digibar(const std::string& reading) {
    return " " + reading + "\r\n";
}

TEST(SvProbe, DigibarFeetPerSecondBecomeMetresPerSecond) {
    ExternalSoundVelocity sv;
    SvProbe probe(sv);
    for (int i = 0; i < 9; ++i) Feed(probe, Digibar("4921.26"));
    ASSERT_TRUE(sv.pending().has_value());
    EXPECT_NEAR(*sv.pending(), 1500.0f, 0.01f);  // 4921.26 x 0.3048 = 1500.000048
    EXPECT_TRUE(sv.received());
}

TEST(SvProbe, FirstReadingsWaitUntilFiveValidOnesAreInTheHistory) {
    ExternalSoundVelocity sv;
    SvProbe probe(sv);
    for (int i = 0; i < 3; ++i) Feed(probe, Digibar("1500.00"));
    // Out of range: discarded, and they do not fill the history either.
    Feed(probe, Digibar("1399.90"));
    Feed(probe, Digibar("1600.10"));
    EXPECT_EQ(probe.readings_rejected(), 2u);
    Feed(probe, Digibar("1500.00"));
    EXPECT_FALSE(sv.pending().has_value());  // four valid readings, five zeros: median 0
    EXPECT_FALSE(sv.received());
    Feed(probe, Digibar("1500.00"));
    ASSERT_TRUE(sv.pending().has_value());
    EXPECT_FLOAT_EQ(*sv.pending(), 1500.0f);
    Feed(probe, Digibar("1400.00"));  // both ends of the range are valid
    Feed(probe, Digibar("1600.00"));
    EXPECT_EQ(probe.readings_rejected(), 2u);
}

TEST(SvProbe, HampelFilterReplacesASingleOutlierByTheMedian) {
    ExternalSoundVelocity sv;
    SvProbe probe(sv);
    for (int i = 0; i < 8; ++i) Feed(probe, Digibar("1480.00"));
    ASSERT_EQ(sv.TakePending(), 1480.0f);
    Feed(probe, Digibar("1550.00"));
    EXPECT_EQ(sv.TakePending(), 1480.0f);
    EXPECT_FALSE(sv.TakePending().has_value());  // taken

    // A reading within the spread of a scattered history passes unchanged.
    std::array<float, 9> h = {1483.0f, 1480.0f, 1482.0f, 1478.0f, 1481.0f,
                              1479.0f, 1484.0f, 1477.0f, 1480.5f};
    // Median 1480.5, median deviation 1.5, S = 2.2239: the newest (1483, 2.5 away) is replaced.
    EXPECT_FLOAT_EQ(Hampel9(h), 1480.5f);
    h[0] = 1482.0f;  // now |v - m| = 1.5 < S
    EXPECT_FLOAT_EQ(Hampel9(h), 1482.0f);
    EXPECT_FLOAT_EQ(Median9({9, 1, 8, 2, 7, 3, 6, 4, 5}), 5.0f);
}

TEST(SvProbe, Sbe37TakesTheLastCommaSeparatedField) {
    ExternalSoundVelocity sv;
    SvProbe probe(sv);
    probe.set_device_type(1);
    for (int i = 0; i < 5; ++i) Feed(probe, " 23.7658,  0.00019,    1.112, 1498.250\r\n");
    ASSERT_TRUE(sv.pending().has_value());
    EXPECT_FLOAT_EQ(*sv.pending(), 1498.25f);
    Feed(probe, " 23.7658,  0.00019,    1.112\r\n");  // 1.112: out of range
    Feed(probe, " no comma here\r\n");
    Feed(probe, " " + std::string(300, '1') + "\r\n");  // over-long line dropped
    EXPECT_EQ(probe.readings_rejected(), 2u);
    probe.set_hold(true);
    Feed(probe, " 1,1450.0\r\n");
    EXPECT_EQ(probe.readings_accepted(), 1u);  // only the fifth reading was applied
}

TEST(SvProbe, PipelineAppliesThePendingValueOnlyLive) {
    ExternalSoundVelocity sv;
    float current = 1500.0f;
    EXPECT_FALSE(ApplyExternalSoundVelocity(sv, true, current));
    sv.Supply(1490.0f);
    EXPECT_FALSE(ApplyExternalSoundVelocity(sv, false, current));  // playback
    EXPECT_EQ(current, 1500.0f);
    EXPECT_TRUE(ApplyExternalSoundVelocity(sv, true, current));
    EXPECT_EQ(current, 1490.0f);
    EXPECT_FALSE(ApplyExternalSoundVelocity(sv, true, current));  // same value: no redraw
    current = 1510.0f;  // the operator typed a value; the probe wins again on the next ping
    EXPECT_TRUE(ApplyExternalSoundVelocity(sv, true, current));
    EXPECT_EQ(current, 1490.0f);
}

TEST(SvProbeInput, BothProbeTypesThroughASerialLine) {
    for (int type : {0, 1}) {
        PtyPair pty;
        ExternalSoundVelocity sv;
        SvProbe probe(sv);
        probe.set_device_type(type);
        SerialPort port;
        ASSERT_TRUE(port.Open(pty.slave_name()));
        ASSERT_TRUE(port.ConfigureAndStart({3, 3, 2, 0}, [&](char c) { probe.Feed(c); }));
        std::string line =
            type == 0 ? " 1487.32  12.40\r\n" : " 12.3456, 0.00012, 2.003, 1487.320\r\n";
        std::string traffic;
        for (int i = 0; i < 6; ++i) traffic += line;
        pty.WriteSplit(traffic, {3, 1, 11, 40});
        ASSERT_TRUE(Eventually([&] { return port.bytes_received() >= traffic.size(); }));
        port.Close();
        EXPECT_EQ(probe.readings_accepted(), 2u) << "type " << type;  // the 5th and 6th
        ASSERT_TRUE(sv.pending().has_value());
        EXPECT_NEAR(*sv.pending(), 1487.32f, 1e-3f);
    }
}

}  // namespace
}  // namespace vq
