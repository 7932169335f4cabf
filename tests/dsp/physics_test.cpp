// Physical checks of the whole chain on pings of the simulated head: where targets and the
// seabed appear, the mirror of the transducer orientation, and frequency independence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/sim_ping.h"

namespace vq {
namespace {

constexpr float kDeg = std::numbers::pi_v<float> / 180.0f;

// Steering angle (degrees) of kept beam b.
float BeamAngleDeg(const BeamGeometry& g, int b) {
    return (-g.FormedHalfSector + (b + g.GuardOffset + 0.5f) * g.BeamSpacing) / kDeg;
}

struct Peak {
    int beam = -1, sample = -1;
    float value = 0.0f;
};

Peak FindPeak(const BeamFormer& f) {
    Peak p;
    const auto& g = f.geometry();
    for (int b = 0; b < g.NumBeams; ++b)
        for (int s = 0; s < g.NumSamples; ++s)
            if (f.Beams().At(b, s) > p.value) p = {b, s, f.Beams().At(b, s)};
    return p;
}

int NearestBeam(const BeamGeometry& g, float angle_deg) {
    int best = 0;
    for (int b = 1; b < g.NumBeams; ++b)
        if (std::fabs(BeamAngleDeg(g, b) - angle_deg) <
            std::fabs(BeamAngleDeg(g, best) - angle_deg))
            best = b;
    return best;
}

// Forms one ping of the given head and scene with the settings the test chose.
void FormPing(test::Chain& chain, sim::HeadKind head, const sim::Scene& scene, test::CommandSpec c,
              int frequency_khz) {
    sim::Options o;
    o.head = head;
    o.scene = scene;
    c.frequency_hz = static_cast<float>(frequency_khz) * 1000.0f;
    ASSERT_TRUE(chain.Parse(test::SimPing(o, c), c));
    chain.Adopt();
    chain.st.s.Frequency = frequency_khz;  // the operating point the test asks for
    chain.Setup();
    chain.Form();
}

TEST(Physics, PointTargetPeaksAtItsAngleAndRange) {
    struct Case {
        float angle, range;
        int mode, step, xdcr;
    };
    for (const Case& k :
         {Case{20.0f, 30.0f, 1, 0, 1}, Case{-35.0f, 18.0f, 1, 1, 1}, Case{0.0f, 40.0f, 0, 2, 1},
          Case{45.0f, 25.0f, 3, 0, 1}, Case{-10.0f, 12.0f, 2, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << k.angle << " deg " << k.range << " m mode " << k.mode);
        test::Chain chain;
        chain.st.s.ProcessingMode = k.mode;
        chain.st.s.StepSize = k.step;
        chain.st.s.Xdcr = k.xdcr;
        chain.st.s.DisplayGain = 10;
        FormPing(chain, sim::HeadKind::Standard260, test::TargetScene({{k.angle, k.range, 20.0f}}),
                 test::CommandSpec{}, 260);
        const auto& g = chain.former.geometry();
        const Peak p = FindPeak(chain.former);
        ASSERT_GT(p.value, 0.0f);
        EXPECT_LE(std::abs(p.beam - NearestBeam(g, k.angle)), 1) << BeamAngleDeg(g, p.beam);
        EXPECT_NEAR(p.sample, k.range / 50.0f * 500.0f, 2.0f);
    }
}

TEST(Physics, FlatSeabedPeaksNearDepthOverCosine) {
    test::Chain chain;
    chain.st.s.StepSize = 2;
    sim::Scene scene;
    scene.seabed_depth_m = 20.0f;
    scene.cylinder = false;
    scene.drift_m_per_ping = 0.0f;
    scene.roughness_m = 0.01f;
    FormPing(chain, sim::HeadKind::Standard260, scene, test::CommandSpec{}, 260);
    const auto& g = chain.former.geometry();
    int checked = 0;
    double sum_rel = 0.0;
    for (int b = 0; b < g.NumBeams; ++b) {
        const float th = BeamAngleDeg(g, b);
        if (std::fabs(th) > 50.0f) continue;
        const float* row = chain.former.Beams().Row(b);
        const int s = static_cast<int>(std::max_element(row, row + g.NumSamples) - row);
        const float range = static_cast<float>(s) * 50.0f / 500.0f;
        const float want = 20.0f / std::cos(th * kDeg);
        // The strongest echo may come from anywhere inside the beam: allow the seabed ranges
        // seen within half a beam width (about 0.08 / cos(theta) rad for 16 elements).
        const float hw = 0.08f / std::cos(th * kDeg);
        const float lo = 20.0f / std::cos(std::max(std::fabs(th * kDeg) - hw, 0.0f));
        const float hi = 20.0f / std::cos(std::fabs(th * kDeg) + hw);
        EXPECT_GE(range, lo - 0.3f) << "beam " << b << " at " << th << " deg";
        EXPECT_LE(range, hi + 0.3f) << "beam " << b << " at " << th << " deg";
        sum_rel += std::fabs(range - want) / want;
        ++checked;
    }
    ASSERT_GT(checked, 80);
    EXPECT_LT(sum_rel / checked, 0.02);  // on average within 2 % of D / cos(theta)
}

TEST(Physics, SwitchingXdcrMirrorsTheBeamOrder) {
    sim::Options o;
    o.scene = test::TargetScene({{22.0f, 30.0f, 20.0f}, {-8.0f, 14.0f, 30.0f}});
    o.scene.seabed = true;
    test::CommandSpec c;
    const auto buf = test::SimPing(o, c);
    test::Chain up, down;
    for (test::Chain* ch : {&up, &down}) {
        ch->st.s.Xdcr = ch == &up ? 1 : 0;
        ASSERT_TRUE(ch->Parse(buf, c));
        ch->Adopt();
        ch->st.s.StepSize = 0;
        ch->Setup();
        ch->Form();
    }
    const auto& g = up.former.geometry();
    const float peak = FindPeak(up.former).value;
    for (int b = 0; b < g.NumBeams; ++b)
        for (int s = 0; s < g.NumSamples; ++s)
            ASSERT_NEAR(up.former.Beams().At(b, s), down.former.Beams().At(g.NumBeams - 1 - b, s),
                        1e-3f * peak)
                << b << " " << s;
    EXPECT_EQ(FindPeak(down.former).beam, g.NumBeams - 1 - FindPeak(up.former).beam);
}

TEST(Physics, ResultDoesNotDependOnTheFrequencyWithinTheHeadsLimits) {
    struct Case {
        sim::HeadKind head;
        int f1, f2;
        float span;
    };
    for (const Case& k : {Case{sim::HeadKind::LongRange120, 115, 125, 50.0f},
                          Case{sim::HeadKind::HighFreq675, 600, 700, 20.0f}}) {
        Peak peaks[2];
        int i = 0;
        for (int f : {k.f1, k.f2}) {
            test::Chain chain;
            chain.st.s.Range = k.span == 50.0f ? 7 : 4;
            test::CommandSpec c;
            c.span_m = k.span;
            // A weak target: a saturated 16-bit sample would no longer carry the phase.
            FormPing(chain, k.head, test::TargetScene({{-25.0f, 0.6f * k.span, 2.0f}}), c, f);
            peaks[i] = FindPeak(chain.former);
            EXPECT_LE(std::abs(peaks[i].beam - NearestBeam(chain.former.geometry(), -25.0f)), 1)
                << f << " kHz: peak at " << BeamAngleDeg(chain.former.geometry(), peaks[i].beam);
            ++i;
        }
        EXPECT_LE(std::abs(peaks[0].beam - peaks[1].beam), 1);
        EXPECT_LE(std::abs(peaks[0].sample - peaks[1].sample), 2);
    }
}

}  // namespace
}  // namespace vq

namespace vq {
namespace {

TEST(Physics, LongRangeHeadBottomWindowFollowsTheSeabed) {
    // Model 5 in mode 1: the strongest echo of beams 101.. beyond sample 480 sets a window
    // start from the mean of the last six peaks less 20 samples.
    test::Chain chain;
    chain.st.s.StepSize = 2;  // 126 formed beams, 1 degree apart
    sim::Scene scene;
    scene.seabed_depth_m = 38.0f;  // beam 101 (38.5 deg) meets it near 48.5 m
    scene.cylinder = false;
    scene.drift_m_per_ping = 0.0f;
    sim::Options o;
    o.head = sim::HeadKind::LongRange120;
    o.scene = scene;
    test::CommandSpec c;
    c.frequency_hz = 120000.0f;
    const auto buf = test::SimPing(o, c);
    ASSERT_TRUE(chain.Parse(buf, c));
    chain.Adopt();
    ASSERT_EQ(chain.st.head.model_code, 5);
    chain.Setup();
    std::vector<int> starts;
    for (int ping = 0; ping < 7; ++ping) {
        chain.Form();
        starts.push_back(chain.former.bottom_window_start());
    }
    const int peak = starts[6] + 20;  // six equal peaks: mean - 20
    EXPECT_GT(peak, 480);
    EXPECT_LT(peak, 500);
    EXPECT_EQ(starts[5], starts[6]);
    EXPECT_EQ(starts[0], std::max(0, static_cast<int>(peak / 6.0f - 20.0f)));
    EXPECT_EQ(starts[2], std::max(0, static_cast<int>(3 * peak / 6.0f - 20.0f)));
    const auto& g = chain.former.geometry();
    for (int b = 0; b < g.NumBeams; ++b)
        for (int s = 0; s < g.NumSamples; ++s) {
            const float v = chain.former.Beams().At(b, s);
            ASSERT_TRUE(std::isfinite(v) && v >= 0.0f) << b << " " << s;
        }
}

}  // namespace
}  // namespace vq
