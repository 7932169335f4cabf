// Fan geometry, processing-mode invariants, the formed-beams hook and 64-element returns.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "dsp/array_geometry.h"
#include "dsp/beam_former.h"
#include "dsp/sim_ping.h"

namespace vq {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

BeamGeometry SetupWith(int model, int sector_size, int step, int freq_khz = 260) {
    static BeamFormer shared;  // one 30 MB object shared by these cases
    BeamFormer* former = &shared;
    SettingsState st;
    st.head.model_code = model;
    st.s.SectorSize = sector_size;
    st.s.StepSize = step;
    st.s.Frequency = freq_khz;
    former->Setup(st, PingFormat{});
    return former->geometry();
}

TEST(BeamGeometry, SectorAndBeamCounts) {
    BeamGeometry g = SetupWith(4, 3, 0);
    EXPECT_EQ(g.NumBeams, 480);
    EXPECT_EQ(g.NumBeamsFormed, 504);
    EXPECT_EQ(g.GuardOffset, 12);
    EXPECT_NEAR(g.BeamSpacing, 126.0 / 504.0 * kDeg, 1e-7);
    EXPECT_FLOAT_EQ(g.ProfileSearchStep, 0.25f);

    g = SetupWith(4, 2, 0);  // 90 degrees
    EXPECT_EQ(g.NumBeams, 360);
    EXPECT_EQ(g.NumBeamsFormed, 378);
    EXPECT_EQ(g.GuardOffset, 9);

    g = SetupWith(4, 0, 2);  // 30 degrees, 1 degree steps
    EXPECT_EQ(g.NumBeams, 30);
    EXPECT_EQ(g.NumBeamsFormed, 31);
    EXPECT_EQ(g.GuardOffset, 0);
    EXPECT_FLOAT_EQ(g.ProfileSearchStep, 1.0f);

    EXPECT_EQ(SetupWith(4, 9, 1).NumBeams, 240);  // unknown sector size: 120 degrees
    EXPECT_EQ(SetupWith(4, 7, 0).NumBeams, 560);  // 140 degrees
}

TEST(BeamGeometry, GratingLobeLimitedSector) {
    // Model 11 at 675 kHz: 0.5 c / (f d) = 1.017, limited to 0.866025.
    for (int step : {0, 1, 2}) {
        const BeamGeometry g = SetupWith(11, 0, step, 675);
        EXPECT_NEAR(g.SectorDeg, 119.9999, 1e-4);
        EXPECT_EQ(g.NumBeams, step == 0 ? 479 : step == 1 ? 239 : 119);
    }
    // Model 11 at 1100 kHz: x = 0.624, sector 2 asin(x).
    const BeamGeometry g = SetupWith(11, 0, 0, 1100);
    const double x = 0.5 * 1500.0 / (1100e3 * 0.0010922);
    EXPECT_NEAR(g.SectorDeg, 2.0 * std::asin(x) / kDeg, 1e-3);
    // Head-formed beam angles: asin((i - 128) x / 128).
    const ArrayModel m = ArrayModelFor(11);
    EXPECT_NEAR(HeadFormedBeamAngle(192, m, 1500.0f, 1100e3f), std::asin(0.5 * x), 1e-6);
    EXPECT_NEAR(HeadFormedBeamAngle(0, ArrayModelFor(4), 1500.0f, 260e3f), -std::numbers::pi / 2,
                1e-6);
}

class CaptureHook : public FormedBeamsHook {
  public:
    void OnFormed(BeamData& beams, const BeamGeometry& g) override {
        rows = g.NumBeamsFormed;
        for (int b = 0; b < rows; ++b) first[b] = beams.At(b, 300);
        ++calls;
    }
    void OnReset() override { ++resets; }
    int rows = 0, calls = 0, resets = 0;
    float first[kMaxBeamsFormed] = {};
};

struct ModeFixture : testing::Test {
    test::Chain chain;
    void Ping(int mode, int format = 11) {
        test::CommandSpec c;
        c.format = format;
        sim::Options o;
        o.scene = test::TargetScene({{10.0f, 30.0f, 50.0f}, {-40.0f, 12.0f, 80.0f}});
        ASSERT_TRUE(chain.Parse(test::SimPing(o, c), c));
        chain.Adopt();
        chain.st.s.ProcessingMode = mode;
        chain.st.s.DisplayGain = 100;
        chain.Setup();
        chain.Form();
    }
};

TEST_F(ModeFixture, ModeInvariants) {
    for (int format : {10, 11}) {
        for (int mode = 0; mode <= 3; ++mode) {
            SCOPED_TRACE(testing::Message() << "format " << format << " mode " << mode);
            Ping(mode, format);
            const auto& g = chain.former.geometry();
            const int n = g.NumSamples;
            float peak = 0.0f;
            for (int b = 0; b < g.NumBeams; ++b) {
                const float* row = chain.former.Beams().Row(b);
                for (int s = 0; s < n; ++s) {
                    ASSERT_GE(row[s], 0.0f);
                    peak = std::max(peak, row[s]);
                    if (mode == 0) {
                        ASSERT_LE(row[s], 254.0f);
                    }
                }
                if (mode > 0) {
                    ASSERT_EQ(row[0], 0.0f);
                }
                if (mode == 0 || mode == 3) {
                    ASSERT_EQ(row[n - 1], 0.0f);
                }
            }
            EXPECT_GT(peak, 1.0f);
        }
    }
}

TEST_F(ModeFixture, AllZeroInputGivesAllZeroBeams) {
    test::CommandSpec c;
    ASSERT_TRUE(chain.Parse(test::SimPing(sim::Options{}, c), c));
    chain.Adopt();
    chain.Setup();
    std::vector<std::uint8_t> zeros(32000, 0);
    for (int mode = 0; mode <= 3; ++mode) {
        chain.st.s.ProcessingMode = mode;
        chain.former.Unpack(zeros.data(), zeros.size(), chain.format, 1, false);
        chain.former.Form(chain.st, chain.format);
        const auto& g = chain.former.geometry();
        for (int b = 0; b < g.NumBeams; ++b)
            for (int s = 0; s < g.NumSamples; ++s) ASSERT_EQ(chain.former.Beams().At(b, s), 0.0f);
    }
}

TEST_F(ModeFixture, HookSeesAllFormedBeamsBeforeCentring) {
    CaptureHook hook;
    chain.former.set_hook(&hook);
    chain.st.s.ProfilePointDetection = 1;
    chain.st.s.SectorSize = 0;  // 30 degrees at 1 degree: 31 formed, 30 kept, offset 0
    chain.st.s.StepSize = 2;
    Ping(1);
    ASSERT_EQ(hook.calls, 1);
    EXPECT_GE(hook.resets, 1);
    ASSERT_EQ(hook.rows, 31);
    const auto& g = chain.former.geometry();
    EXPECT_EQ(g.NumBeams, 30);
    for (int b = 0; b < 30; ++b) EXPECT_EQ(chain.former.Beams().At(b, 300), hook.first[b]);
    // The dropped beam is the one at the high-angle end.
    const float top = -g.FormedHalfSector + (30 + 0.5f) * g.BeamSpacing;
    EXPECT_GT(top, 0.25f);
    // A change of the detection switch clears the averaging and detection state.
    const int resets = hook.resets;
    chain.st.s.ProfilePointDetection = 0;
    chain.Form();
    EXPECT_EQ(hook.resets, resets + 1);
}

TEST(BeamFormer64, SixtyFourElementReturnIsFormedSafely) {
    // A recorded format-1 ping carries 64 elements but only 16540 gathered bytes: the first
    // 64 samples are complete, the rest read as zero.
    test::CommandSpec c;
    auto buf = test::SimPing(sim::Options{}, c);
    test::PutLe(buf, 1152 + 16, 1, 2);
    test::Chain chain;
    ParseContext ctx;
    ctx.playback = true;
    ASSERT_TRUE(chain.parser.Parse(buf.data(), buf.size(), ctx));
    CheckContext cc;
    cc.playback = true;
    const auto r = CheckHeader(chain.parser.Record(), chain.parser.Legacy(), cc, chain.st);
    ASSERT_EQ(r.num_elements, 64);
    chain.format.data_format = 1;
    chain.format.num_elements = 64;
    chain.Setup();
    EXPECT_EQ(chain.former.geometry().NumElements, 64);
    for (int mode = 0; mode <= 3; ++mode) {
        chain.st.s.ProcessingMode = mode;
        chain.Form();
        const auto& g = chain.former.geometry();
        for (int b = 0; b < g.NumBeams; ++b)
            for (int s = 70; s < g.NumSamples; ++s) ASSERT_EQ(chain.former.Beams().At(b, s), 0.0f);
    }
}

}  // namespace
}  // namespace vq
