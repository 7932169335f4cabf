// Sidescan and echo-sounder lines from hand-built element samples and steering weights.
#include <gtest/gtest.h>

#include "dsp/beam_former.h"

#include <vector>

#include "windows/strip_history.h"
#include "windows/strip_lines.h"

namespace vq {
namespace {

constexpr int kNs = 500;
constexpr int kNbf = 252;  // 240 kept beams

// Eight elements; every element carries I = 0.001 at sample 10 only. Formed beam b has unit
// weights scaled by `gain_of_beam(b)`, so each line tells which beam formed it.
struct Elements {
    std::vector<float> i = std::vector<float>(8 * 1010, 0.0f);
    std::vector<float> q = std::vector<float>(8 * 1010, 0.0f);
    std::vector<float> wc = std::vector<float>(kNbf * 16, 0.0f);
    std::vector<float> ws = std::vector<float>(kNbf * 16, 0.0f);

    Elements() {
        for (int e = 0; e < 8; ++e) i[e * 1010 + 10] = 0.001f;
        for (int b = 0; b < kNbf; ++b) {
            for (int e = 0; e < 16; ++e) wc[b * 16 + e] = static_cast<float>(b % 7 + 1);
        }
    }
    ElementView view() const {
        return {i.data(), q.data(), 1010, 8, kNs, wc.data(), ws.data(), 16};
    }
};

BeamGeometry Geometry240() {
    BeamGeometry g;
    g.NumBeams = 240;
    g.NumBeamsFormed = kNbf;
    g.GuardOffset = 6;
    g.NumSamples = kNs;
    return g;
}

// Sub-array weights 0.33 + 0.67 + 1 + 1 + 0.67 + 0.33 = 4.0; 20 * G(50) * 0.001 * 4 * w = 4 w.
int SidescanValue(int beam) {
    return 4 * (beam % 7 + 1);
}

TEST(SidescanLine, BothSidesWithPortFarRangeFirstAndStarboardNearRangeFirst) {
    Elements el;
    Settings s;
    s.DisplayGain = 50;
    s.ProfileTiltAngle = 0.0f;
    StripLines lines;
    lines.BuildSidescanLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.port_beam(), 30);  // trunc(240 * 22.5 / 180)
    EXPECT_EQ(lines.starboard_beam(), 210);
    ASSERT_EQ(lines.sidescan_length(), 2 * kNs);
    const std::int32_t* l = lines.sidescan_line();
    for (int k = 0; k < 2 * kNs; ++k) {
        int want = 0;
        if (k == kNs - 1 - 10) want = SidescanValue(30);
        if (k == kNs + 10) want = SidescanValue(210);
        ASSERT_EQ(l[k], want) << k;
    }
}

TEST(SidescanLine, TiltPicksOneSideStretchedOverTheWholeLine) {
    Elements el;
    Settings s;
    s.DisplayGain = 50;
    StripLines lines;

    s.ProfileTiltAngle = 25.0f;  // starboard only: each sample fills two pixels
    lines.BuildSidescanLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.port_beam(), -1);
    for (int k = 0; k < 2 * kNs; ++k) {
        const int want = (k == 20 || k == 21) ? SidescanValue(210) : 0;
        ASSERT_EQ(lines.sidescan_line()[k], want) << k;
    }

    s.ProfileTiltAngle = -20.0f;  // port only, far range first
    lines.BuildSidescanLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.starboard_beam(), -1);
    for (int k = 0; k < 2 * kNs; ++k) {
        const int want = (k == 2 * kNs - 22 || k == 2 * kNs - 21) ? SidescanValue(30) : 0;
        ASSERT_EQ(lines.sidescan_line()[k], want) << k;
    }
}

TEST(SidescanLine, StrongEchoesSaturateAndTheAngleStaysInItsLimits) {
    Elements el;
    for (int e = 0; e < 8; ++e) el.i[e * 1010 + 10] = 1.0e6f;
    Settings s;
    s.DisplayGain = 100;
    StripLines lines;
    lines.BuildSidescanLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.sidescan_line()[kNs + 10], 255);
    for (int k = 0; k < 20; ++k) lines.StepSidescanAngle(true);
    EXPECT_EQ(lines.sidescan_angle(), 75.0f);
    for (int k = 0; k < 20; ++k) lines.StepSidescanAngle(false);
    EXPECT_EQ(lines.sidescan_angle(), 15.0f);
}

TEST(SidescanLine, BeamsChosenByAngleAndTilt) {
    struct Case {
        float angle, tilt;
        int port, starboard;
    };
    const Case cases[] = {
        {22.5f, 0.0f, 30, 210},   // nb = 240 at the default angle
        {22.5f, 19.9f, 30, 210},  // both sides up to 20 degrees either way
        {22.5f, -19.9f, 30, 210}, {22.5f, 20.0f, -1, 210},  // starboard only from 20 degrees on
        {22.5f, 25.0f, -1, 210},  {22.5f, -20.0f, 30, -1},  // port only from -20 degrees on
        {15.0f, 0.0f, 20, 220},   {75.0f, 0.0f, 100, 140},
    };
    Elements el;
    for (const Case& c : cases) {
        Settings s;
        s.ProfileTiltAngle = c.tilt;
        StripLines lines;
        lines.set_sidescan_angle(c.angle);
        lines.BuildSidescanLine(el.view(), Geometry240(), s);
        EXPECT_EQ(lines.port_beam(), c.port) << c.angle << " " << c.tilt;
        EXPECT_EQ(lines.starboard_beam(), c.starboard) << c.angle << " " << c.tilt;
    }
}

// Tilted 25 degrees, the starboard side alone spans the whole window: in a window as wide as
// the line, each of its samples fills two adjacent pixels.
TEST(SidescanLine, StarboardOnlyFillsTheWholeWindowTwoPixelsPerSample) {
    Elements el;
    for (int e = 0; e < 8; ++e) el.i[e * 1010 + 300] = 0.001f;  // a second echo, sample 300
    Settings s;
    s.DisplayGain = 50;
    s.ProfileTiltAngle = 25.0f;
    StripLines lines;
    lines.BuildSidescanLine(el.view(), Geometry240(), s);
    std::vector<std::uint8_t> line(lines.sidescan_line(),
                                   lines.sidescan_line() + lines.sidescan_length());
    StripHistory window(StripKind::kSidescan);
    window.Resize(2 * kNs - 1, 100);  // W = 2 ns
    ASSERT_EQ(window.line_length(), 2 * kNs);
    for (int ping = 0; ping < kSidescanFirstPing; ++ping) {
        window.Push(line.data(), static_cast<int>(line.size()));
    }
    for (int x = 0; x < 2 * kNs; ++x) {
        const bool lit = x == 20 || x == 21 || x == 600 || x == 601;
        ASSERT_EQ(window.DisplayedPixel(x, 0), lit ? SidescanValue(210) : 0) << x;
    }
}

TEST(EchoLine, BeamStraightDownAndTiltsBeyondTheFan) {
    Elements el;
    Settings s;
    s.DisplayGain = 50;
    StripLines lines;
    lines.BuildEchoLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.echo_beam(), 126);
    ASSERT_EQ(lines.echo_length(), kNs);
    // 3 * G * 0.004 * w = 0.6 w, truncated.
    EXPECT_EQ(lines.echo_line()[10], static_cast<int>(0.6f * static_cast<float>(126 % 7 + 1)));

    s.ProfileTiltAngle = 30.0f;
    lines.BuildEchoLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.echo_beam(), 63);  // 126 - 252 * 30 / 120

    s.ProfileTiltAngle = 90.0f;
    lines.BuildEchoLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.echo_beam(), 0);
    s.ProfileTiltAngle = -90.0f;
    lines.BuildEchoLine(el.view(), Geometry240(), s);
    EXPECT_EQ(lines.echo_beam(), kNbf - 1);
}

}  // namespace
}  // namespace vq
