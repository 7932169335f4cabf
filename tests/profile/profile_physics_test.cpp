// The profile of pings from the simulated head, formed by the beam former: depths over a flat
// and a sloping seabed, a water-column target, the altitude and a tilted head.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/sim_ping.h"
#include "profile/profile_processor.h"
#include "windows/altitude.h"

namespace vq {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Runs detection where the pipeline does: on the formed beams, before they are narrowed.
class Hook : public FormedBeamsHook {
  public:
    Hook(ProfileProcessor& p, const Settings& s, float span) : p_(p), s_(s), span_(span) {}
    void OnFormed(BeamData& beams, const BeamGeometry& g) override {
        p_.Process(beams, g, s_, span_, 0);
    }
    void OnReset() override { p_.ResetProfileState(); }

  private:
    ProfileProcessor& p_;
    const Settings& s_;
    float span_;
};

struct Point {
    double across_m;
    double depth_m;
    double angle_deg;
};

struct SimRun {
    test::Chain chain;
    ProfileProcessor profile;
    AltitudeEstimator altitude;
    test::CommandSpec cmd;
    sim::Options sim;
    Hook hook{profile, chain.st.s, 50.0f};

    explicit SimRun(const sim::Scene& scene, float tilt = 0.0f) {
        sim.scene = scene;
        sim.scene.drift_m_per_ping = 0.0f;
        sim.scene.cylinder = false;
        cmd.span_m = 50.0f;
        Settings& s = chain.st.s;
        s.ProfilePointDetection = 1;
        s.ProfilePointFilter = 2;
        s.ProfileMaxDepthBelowSonar = 100.0f;
        s.StepSize = 1;
        s.ProfileTiltAngle = tilt;
        // Magnitude beams at full display gain: the seabed's speckle stands well above the
        // 25 % detection threshold in most beams.
        s.ProcessingMode = 0;
        s.DisplayGain = 100;
        EXPECT_TRUE(chain.Parse(test::SimPing(sim, cmd, 0), cmd));
        chain.Adopt();
        chain.Setup();
        chain.former.set_hook(&hook);
        profile.ResetForGeometry(chain.former.geometry().NumSamples);
    }

    void Pings(int n) {
        const BeamGeometry& g = chain.former.geometry();
        for (int k = 0; k < n; ++k) {
            ASSERT_TRUE(chain.Parse(test::SimPing(sim, cmd, static_cast<std::uint64_t>(k)), cmd));
            chain.Form();
            profile.BuildProfileOutputTable(g, chain.st.s, cmd.span_m, 0);
            altitude.Update(profile.profile_points_out(), profile.output_count(), g.NumBeams,
                            chain.st.s.ProfileTiltAngle, 1500.0f);
        }
    }

    // Points of the kept beams with the angle of their formed beam, tilt included.
    std::vector<Point> Points() const {
        const BeamGeometry& g = chain.former.geometry();
        const double tilt = chain.st.s.ProfileTiltAngle * kPi / 180.0;
        std::vector<Point> out;
        for (int i = 0; i < g.NumBeams; ++i) {
            const double r = profile.profile_range()[i] * cmd.span_m / g.NumSamples;
            if (r <= 0.0) continue;
            const double th =
                -g.FormedHalfSector + g.BeamSpacing * (i + g.GuardOffset + 0.5) + tilt;
            out.push_back({r * std::sin(th), r * std::cos(th), th * 180.0 / kPi});
        }
        return out;
    }
};

sim::Scene Seabed(float depth, float slope = 0.0f) {
    sim::Scene s;
    s.seabed_depth_m = depth;
    s.slope_deg = slope;
    return s;
}

TEST(ProfilePhysics, FlatSeabedDepthsAndAltitude) {
    SimRun run(Seabed(20.0f));
    run.Pings(4);
    const auto pts = run.Points();
    int within = 0;
    int central = 0;
    for (const Point& p : pts) {
        if (std::fabs(p.angle_deg) > 50.0) continue;
        ++central;
        // The run middle sits slightly shallow where the footprint widens at oblique angles.
        const double tolerance = std::fabs(p.angle_deg) < 30.0 ? 0.6 : 1.2;
        if (std::fabs(p.depth_m - 20.0) < tolerance) ++within;
    }
    // 240 beams over 120 degrees: about 200 within +-50 degrees.
    EXPECT_GT(central, 160);
    EXPECT_GT(within, central * 9 / 10);
    EXPECT_NEAR(run.altitude.altitude(), 20.0f, 0.2f);
}

TEST(ProfilePhysics, SlopeAcrossTrackIsFollowed) {
    SimRun run(Seabed(20.0f, 10.0f));
    run.Pings(4);
    const auto pts = run.Points();
    ASSERT_GT(pts.size(), 120u);
    // Least-squares line depth = a + b * across.
    double sx = 0, sz = 0, sxx = 0, sxz = 0;
    for (const Point& p : pts) {
        sx += p.across_m;
        sz += p.depth_m;
        sxx += p.across_m * p.across_m;
        sxz += p.across_m * p.depth_m;
    }
    const double n = static_cast<double>(pts.size());
    const double b = (n * sxz - sx * sz) / (n * sxx - sx * sx);
    const double a = (sz - b * sx) / n;
    EXPECT_NEAR(std::fabs(std::atan(b)) * 180.0 / kPi, 10.0, 1.0);
    EXPECT_NEAR(a, 20.0, 0.6);
}

int ShallowPoints(const std::vector<Point>& pts) {
    int n = 0;
    for (const Point& p : pts) n += p.depth_m < 16.0 ? 1 : 0;
    return n;
}

TEST(ProfilePhysics, WaterColumnTargetIsNotTakenForTheSeabed) {
    sim::Scene scene = Seabed(20.0f);
    scene.targets = {{-30.0f, 10.0f, 10.0f}};  // a fish half way down

    // Without the outlier and shape filters the detector takes the targets in some beams.
    SimRun raw(scene);
    Settings& s = raw.chain.st.s;
    s.ProfilePointFilter_g_short_outliers_sw = 0;
    s.ProfilePointFilter_g_pre_filter_sw = 0;
    s.ProfilePointFilter_g_main_filter_sw = 0;
    s.ProfilePointFilter_g_fill_beams_sw = 0;
    raw.profile.AdvancedFilter().g_long_outliers_sw = 0;
    raw.Pings(4);
    EXPECT_GT(ShallowPoints(raw.Points()), 4);

    // The segment outlier filter alone removes them.
    SimRun outliers(scene);
    outliers.chain.st.s.ProfilePointFilter_g_pre_filter_sw = 0;
    outliers.chain.st.s.ProfilePointFilter_g_main_filter_sw = 0;
    outliers.chain.st.s.ProfilePointFilter_g_fill_beams_sw = 0;
    outliers.Pings(4);
    EXPECT_EQ(ShallowPoints(outliers.Points()), 0);

    SimRun run(scene);  // factory filter settings
    run.Pings(4);
    EXPECT_EQ(ShallowPoints(run.Points()), 0);
}

TEST(ProfilePhysics, TiltedHeadOverAFlatSeabed) {
    // A head rolled by 20 degrees over a seabed 20 m down sees, in its own frame, a seabed
    // sloping by 20 degrees at 20 / cos 20 m along its broadside. With the tilt entered, the
    // depths come out level again and the altitude is read from the beams pointing down.
    const float tilt = 20.0f;
    const float along = 20.0f / static_cast<float>(std::cos(tilt * kPi / 180.0));
    SimRun run(Seabed(along, tilt), tilt);
    run.Pings(4);
    const auto pts = run.Points();
    ASSERT_GT(pts.size(), 150u);
    int level = 0;
    for (const Point& p : pts) level += std::fabs(p.depth_m - 20.0) < 1.2 ? 1 : 0;
    EXPECT_GT(level, static_cast<int>(pts.size()) * 85 / 100);
    EXPECT_NEAR(run.altitude.altitude(), 20.0f, 0.3f);

    SimRun untilted(Seabed(along, tilt), 0.0f);  // the same scene without the tilt: not level
    untilted.Pings(4);
    int level0 = 0;
    for (const Point& p : untilted.Points()) level0 += std::fabs(p.depth_m - 20.0) < 1.2 ? 1 : 0;
    EXPECT_LT(level0, level / 2);
}

}  // namespace
}  // namespace vq
