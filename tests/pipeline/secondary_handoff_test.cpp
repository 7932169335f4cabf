// The frames the pipeline hands to the secondary windows, from pings of the simulated head
// (flat seabed 20 m below the head, range 50 m over 500 samples).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/range_table.h"
#include "display/picture_handoff.h"
#include "link/command_packet.h"
#include "pipeline/pipeline.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"

namespace vq {
namespace {

struct Fixture {
    SettingsStore store;
    test::RecordingOperator op;
    PictureHandOff pictures;
    PingPipeline pipeline{store, op, pictures};
    std::uint64_t next = 0;
    Fixture() {
        store.Update([](SettingsState& st) {
            st.s.IPAddress_Sonar1 = "127.0.0.1";
            st.s.IPAddress_Output1 = "127.0.0.1";
        });
        pipeline.set_invalid_header_wait_ms(0);
    }
    std::vector<std::uint8_t> Ping() {
        std::vector<std::uint8_t> command(1152);
        BuildCommandPacket(store.snapshot(), 0, command.data());
        return sim::BuildPingBufferOffline(sim::Options{}, command, next++);
    }
    void Run(int pings = 1) {
        for (int i = 0; i < pings; ++i) {
            const auto ping = Ping();
            pipeline.Process(ping.data(), ping.size(), PingInput{});
        }
    }
    // The newest frame; the older ones are taken and dropped.
    SecondaryFrame Newest() {
        SecondaryFrame last;
        while (const SecondaryFrame* f = pipeline.secondary().Front()) {
            last = *f;
            pipeline.secondary().Pop();
        }
        return last;
    }
};

// The first index from `from` on whose value reaches a quarter of the line's largest value (at
// least 16): where the echo of the seabed begins.
template <class Line>
int Onset(const Line& line, int from, int to) {
    const int peak = *std::max_element(line.begin() + from, line.begin() + to);
    for (int i = from; i < to; ++i)
        if (line[static_cast<std::size_t>(i)] >= std::max(16, peak / 4)) return i;
    return -1;
}

template <class Line>
double Mean(const Line& line, int from, int to) {
    double sum = 0.0;
    for (int i = from; i < to; ++i) sum += line[static_cast<std::size_t>(i)];
    return sum / std::max(1, to - from);
}

// The first index from `from` on whose value reaches half of the line's largest value.
template <class Line>
int FirstStrong(const Line& line, int from, int to) {
    const auto peak = *std::max_element(line.begin() + from, line.begin() + to);
    for (int i = from; i < to; ++i)
        if (line[static_cast<std::size_t>(i)] * 2 >= peak) return i;
    return -1;
}

TEST(SecondaryFrames, OneFramePerPingValidOrNot) {
    Fixture fx;
    fx.Run(2);
    auto bad = fx.Ping();
    bad[1152] = 'X';
    fx.pipeline.Process(bad.data(), bad.size(), PingInput{});
    std::vector<std::uint64_t> pings;
    std::vector<bool> lines;
    while (const SecondaryFrame* f = fx.pipeline.secondary().Front()) {
        pings.push_back(f->ping);
        lines.push_back(f->has_lines);
        EXPECT_EQ(f->diagnostics.header_valid, f->header_valid);
        fx.pipeline.secondary().Pop();
    }
    EXPECT_EQ(pings, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(lines, (std::vector<bool>{true, true, false}));
}

TEST(SecondaryFrames, EchoSounderLineOnlyWhileItsWindowIsOnWithTheSeabedAtItsDepth) {
    Fixture fx;
    fx.Run();
    EXPECT_EQ(fx.Newest().echo_length, 0);
    fx.pipeline.windows_on().echo_sounder.store(true);
    fx.Run();
    const SecondaryFrame f = fx.Newest();
    ASSERT_EQ(f.echo_length, 500);
    const float span = RangeSpanMeters(fx.store.snapshot().s.Range, false);
    const int seabed = static_cast<int>(20.0f / span * 500.0f);
    const int found = FirstStrong(f.echo, 20, 500);
    EXPECT_NEAR(found, seabed, seabed * 0.03) << "seabed expected at sample " << seabed;
    fx.pipeline.windows_on().echo_sounder.store(false);
    fx.Run();
    EXPECT_EQ(fx.Newest().echo_length, 0);
}

TEST(SecondaryFrames, SidescanShowsTheSeabedFromTheAltitudeOnBothSides) {
    Fixture fx;
    fx.Run();
    SecondaryFrame f = fx.Newest();
    ASSERT_EQ(f.sidescan_length, 1000);
    EXPECT_TRUE(f.port_formed && f.starboard_formed);
    EXPECT_FLOAT_EQ(f.sidescan_angle, 22.5f);
    // A sidescan sees the water column dark until the first return of the seabed at the
    // sonar's altitude: 20 m, sample 200 of 500 at 50 m. Port runs far range first.
    const float span = RangeSpanMeters(fx.store.snapshot().s.Range, false);
    const int altitude = static_cast<int>(20.0f / span * 500.0f);
    std::vector<int> starboard(f.sidescan.begin() + 500, f.sidescan.begin() + 1000);
    std::vector<int> port(f.sidescan.begin(), f.sidescan.begin() + 500);
    std::reverse(port.begin(), port.end());
    for (const auto* side : {&port, &starboard}) {
        const int onset = Onset(*side, 20, 500);
        EXPECT_NEAR(onset, altitude, altitude * 0.04);
        EXPECT_LT(Mean(*side, 20, altitude * 9 / 10), 5.0);
        EXPECT_GT(Mean(*side, onset, onset + 60), 25.0);
    }

    // Clicks move the angle in 5 degree steps within 15 .. 75.
    for (int i = 0; i < 20; ++i) fx.pipeline.StepSidescanAngle(true);
    EXPECT_FLOAT_EQ(fx.pipeline.sidescan_angle(), 75.0f);
    fx.Run();
    f = fx.Newest();
    EXPECT_FLOAT_EQ(f.sidescan_angle, 75.0f);
    EXPECT_EQ(fx.pipeline.lines().port_beam(), 50);  // trunc(120 * 75 / 180)
    for (int i = 0; i < 20; ++i) fx.pipeline.StepSidescanAngle(false);
    EXPECT_FLOAT_EQ(fx.pipeline.sidescan_angle(), 15.0f);
}

TEST(SecondaryFrames, IntensityLineOnlyWhileItsWindowIsOnEvenWithoutIntensityOutput) {
    Fixture fx;
    fx.store.Update([](SettingsState& st) {
        st.s.ProfilePointDetection = 1;
        st.s.ProfilePointIntensityOutput = 0;
    });
    fx.Run(2);
    SecondaryFrame f = fx.Newest();
    EXPECT_EQ(f.intensity_length, 0);
    EXPECT_TRUE(f.detection_on);
    EXPECT_GT(f.altitude_m, 0.0f);
    fx.pipeline.windows_on().intensity.store(true);
    fx.Run();
    f = fx.Newest();
    ASSERT_EQ(f.intensity_length, 120);
    const int lit = static_cast<int>(std::count_if(f.intensity.begin(), f.intensity.begin() + 120,
                                                   [](std::uint8_t v) { return v > 0; }));
    EXPECT_GT(lit, 60);  // most beams found the seabed
}

TEST(SecondaryFrames, AltitudeAndHeadRecordReachTheWindows) {
    Fixture fx;
    fx.store.Update([](SettingsState& st) { st.s.ProfilePointDetection = 1; });
    fx.Run(4);
    const SecondaryFrame f = fx.Newest();
    EXPECT_NEAR(f.altitude_m, 20.0f, 20.0f * 0.02f);
    ASSERT_TRUE(f.record_valid);
    EXPECT_GT(f.record.info.max_range_m, 0.0f);
    EXPECT_EQ(f.diagnostics.header[0], 'T');
    EXPECT_EQ(f.diagnostics.beams, 120);
    EXPECT_STREQ(f.diagnostics.ip_sonar.data(), "127.0.0.1");
    EXPECT_GT(f.diagnostics.beamwidth_deg, 1.0f);
}

TEST(ProfileWaterfallHandOff, CopiedOnlyWhileShown) {
    Fixture fx;
    fx.Run();
    ASSERT_TRUE(fx.pictures.Take());
    EXPECT_FALSE(fx.pictures.front().waterfall_shown);
    fx.store.Update([](SettingsState& st) { st.s.ProfileWaterfall = 1; });
    fx.pipeline.RequestDisplayMode(3);
    fx.Run(6);
    ASSERT_TRUE(fx.pictures.Take());
    const PictureFrame& p = fx.pictures.front();
    ASSERT_TRUE(p.waterfall_shown);
    // The scrolling rows below row 120 hold the seabed's height code.
    const auto first = p.waterfall.begin() + 120 * kWaterfallWidth;
    EXPECT_GT(std::count_if(first, first + 6 * kWaterfallWidth, [](std::uint8_t v) { return v; }),
              300);
}

}  // namespace
}  // namespace vq
