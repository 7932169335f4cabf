// The synthetic echoes: geometry, the element phase sign convention, clipping and noise.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

#include "sim/head_client.h"
#include "sim/sim_head.h"

namespace vq::sim {
namespace {

using test::Bytes;
using test::CommandValues;
using Cplx = std::complex<double>;

constexpr double kPi = std::numbers::pi;
constexpr double kPitch260 = 0.0028702;  // element pitch of the 260 kHz head's model

Scene TargetsOnly(std::vector<PointTarget> targets) {
    Scene s;
    s.seabed = false;
    s.cylinder = false;
    s.water_noise = 0.0f;
    s.receiver_noise = 0.0f;
    s.targets = std::move(targets);
    return s;
}

// Element record k of sample s, as a complex number.
Cplx Element(const Bytes& samples, int bits, int s, int k) {
    if (bits == 8) {
        const std::size_t at = (static_cast<std::size_t>(s) * 16 + k) * 2;
        return {static_cast<double>(static_cast<std::int8_t>(samples[at])),
                static_cast<double>(static_cast<std::int8_t>(samples[at + 1]))};
    }
    const std::size_t at = (static_cast<std::size_t>(s) * 16 + k) * 4;
    return {static_cast<double>(test::GetI16(samples, at)),
            static_cast<double>(test::GetI16(samples, at + 2))};
}

int StrongestSample(const Bytes& samples, int bits, int points) {
    int best = 0;
    double best_e = -1;
    for (int s = 0; s < points; ++s) {
        double e = 0;
        for (int k = 0; k < 16; ++k) e += std::norm(Element(samples, bits, s, k));
        if (e > best_e) {
            best_e = e;
            best = s;
        }
    }
    return best;
}

// Delay-and-sum over the 16 records at one sample: the steering angle of the largest output.
double PeakAngleDeg(const Bytes& samples, int s, double pitch, double f, double c) {
    double best_angle = 0, best = -1;
    for (double deg = -70.0; deg <= 70.0; deg += 0.25) {
        const double phi = std::sin(deg * kPi / 180.0) * pitch / c * 2.0 * kPi * f;
        Cplx sum = 0;
        for (int k = 0; k < 16; ++k)
            sum += Element(samples, 16, s, k) * std::polar(1.0, (k - 8) * phi);
        if (std::abs(sum) > best) {
            best = std::abs(sum);
            best_angle = deg;
        }
    }
    return best_angle;
}

TEST(SimPhysics, TargetAtPlusTwentyDegreesFollowsTheSignConvention) {
    Options o;
    o.scene = TargetsOnly({{20.0f, 30.0f, 10.0f}});
    Bytes samples;
    ASSERT_FALSE(BuildPingBufferOffline(o, test::MakeCommand({}), 0, &samples).empty());
    const int s = StrongestSample(samples, 16, 500);
    EXPECT_NEAR(s * 50.0 / 500.0, 30.0, 0.2);  // sample s lies at s * R / N
    // Adjacent records advance by -sin(theta) * (d/c) * 2*pi*f.
    const double expected = -std::sin(20.0 * kPi / 180.0) * kPitch260 / 1500.0 * 2 * kPi * 260000.0;
    for (int k = 0; k + 1 < 16; ++k) {
        const double step =
            std::arg(Element(samples, 16, s, k + 1) * std::conj(Element(samples, 16, s, k)));
        EXPECT_NEAR(step, expected, 0.02) << "record " << k;
    }
    EXPECT_NEAR(PeakAngleDeg(samples, s, kPitch260, 260000.0, 1500.0), 20.0, 0.5);
}

TEST(SimPhysics, TargetsOnBothSidesAtRangeOffsetAndOtherHead) {
    Options o;
    o.head = HeadKind::LongRange120;
    o.sound_velocity = 1480.0f;
    o.scene = TargetsOnly({{-35.0f, 70.0f, 10.0f}});
    CommandValues v;
    v.frequency_hz = 120000.0f;
    v.span = 60.0f;
    v.offset = 30.0f;
    v.points = 1000;
    Bytes samples;
    BuildPingBufferOffline(o, test::MakeCommand(v), 0, &samples);
    const int s = StrongestSample(samples, 16, 1000);
    EXPECT_NEAR(30.0 + s * 60.0 / 1000.0, 70.0, 0.3);
    EXPECT_NEAR(PeakAngleDeg(samples, s, 0.006223, 120000.0, 1480.0), -35.0, 0.75);
}

TEST(SimPhysics, SeabedEchoLiesAtDepthOverCosine) {
    Options o;
    o.scene.cylinder = false;
    o.scene.drift_m_per_ping = 0.0f;
    Bytes samples;
    BuildPingBufferOffline(o, test::MakeCommand({}), 0, &samples);
    // Energy per sample: nothing before the seabed at 20 m, the echo starts there.
    std::vector<double> e(500, 0.0);
    for (int s = 0; s < 500; ++s) {
        for (int k = 0; k < 16; ++k) e[s] += std::norm(Element(samples, 16, s, k));
    }
    double before = 0, after = 0;
    for (int s = 150; s < 190; ++s) before += e[s];  // 15 .. 19 m: water
    for (int s = 200; s < 240; ++s) after += e[s];   // 20 .. 24 m: seabed
    EXPECT_GT(after, 100.0 * before);
    // At 30 m the seabed is seen at +-acos(20/30) = +-48.2 degrees.
    const double a = std::abs(PeakAngleDeg(samples, 300, kPitch260, 260000.0, 1500.0));
    EXPECT_NEAR(a, 48.2, 4.0);
}

TEST(SimPhysics, ClippingAtTheSampleWidthAndNoTransmit) {
    Options o;
    o.scene = TargetsOnly({{0.0f, 5.0f, 1e6f}});
    Bytes s16, s8;
    BuildPingBufferOffline(o, test::MakeCommand({}), 0, &s16);
    int max16 = 0;
    for (std::size_t i = 0; i < s16.size(); i += 2)
        max16 = std::max(max16, std::abs(int{test::GetI16(s16, i)}));
    EXPECT_EQ(max16, 32767);
    CommandValues v8;
    v8.format = 10;
    BuildPingBufferOffline(o, test::MakeCommand(v8), 0, &s8);
    int max8 = 0;
    for (auto b : s8) max8 = std::max(max8, std::abs(int{static_cast<std::int8_t>(b)}));
    EXPECT_EQ(max8, 127);

    Options quiet;  // default scene with seabed, but the transmitter is off: noise only
    CommandValues off;
    off.flags = 0x4;
    Bytes sq;
    BuildPingBufferOffline(quiet, test::MakeCommand(off), 0, &sq);
    int maxq = 0;
    for (std::size_t i = 0; i < sq.size(); i += 2)
        maxq = std::max(maxq, std::abs(int{test::GetI16(sq, i)}));
    EXPECT_GT(maxq, 0);
    EXPECT_LT(maxq, 100);
}

TEST(SimPhysics, ExtremeSceneValuesDoNotBreakThePing) {
    Options o;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    o.scene.seabed_depth_m = nan;
    o.scene.slope_deg = inf;
    o.scene.roughness_m = nan;
    o.scene.drift_m_per_ping = inf;
    o.scene.targets = {{nan, 10.0f, 1.0f}, {10.0f, -5.0f, 1.0f}, {10.0f, 10.0f, inf}};
    o.sound_velocity = 0.0f;
    Bytes samples;
    EXPECT_FALSE(BuildPingBufferOffline(o, test::MakeCommand({}), 1u << 31, &samples).empty());
    EXPECT_EQ(samples.size(), 32000u);
}

}  // namespace
}  // namespace vq::sim
