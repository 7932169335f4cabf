// End-to-end physics through the real link: the simulated head on a loopback port, the link
// thread and the per-ping pipeline. Scenes with known geometry are checked against where the
// beams, the picture, the profile and the altitude must put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

#include "core/settings_store.h"
#include "display/picture_handoff.h"
#include "link/link_thread.h"
#include "pipeline/pipeline.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

// A quiet scene: no cylinder, no drift, no water-column scatterers.
sim::Scene QuietScene() {
    sim::Scene s;
    s.cylinder = false;
    s.drift_m_per_ping = 0.0f;
    s.water_noise = 0.0f;
    return s;
}

// The simulated head, the link and the pipeline of one test. The pipeline is only read by the
// test while no link thread runs: every batch of pings starts a link and joins it again.
class Rig {
  public:
    explicit Rig(const sim::Scene& scene, sim::HeadKind head = sim::HeadKind::Standard260)
        : sim_(MakeOptions(scene, head)) {
        started_ = sim_.Start(&error_);
        store.Update([](SettingsState& st) {
            st.s.IPAddress_Sonar1 = "127.0.0.1";
            st.s.IPAddress_Output1 = "127.0.0.1";
        });
        pipeline.set_invalid_header_wait_ms(0);
    }
    bool started() const { return started_; }
    const std::string& error() const { return error_; }

    void Set(const std::function<void(Settings&)>& f) {
        store.Update([&](SettingsState& st) { f(st.s); });
    }

    // Runs the link until `n` complete pings went through the pipeline, then stops it.
    bool RunPings(int n) {
        std::atomic<int> done{0};
        LinkConfig lc;
        lc.address = "127.0.0.1";
        lc.port = sim_.port();
        lc.initial_delay_ms = 0;
        lc.probe_interval_ms = 50;
        LinkCallbacks cb;
        cb.on_ping = [&](const std::uint8_t* p, std::size_t len, const PingTiming&) {
            if (done.load() >= n) return;
            pipeline.Process(p, len, PingInput{});
            done.fetch_add(1);
        };
        cb.before_cycle_step = [&](int packet) {
            if (packet == 0) pipeline.TakeOverRequests();
        };
        Link link(lc, store, op, cb);
        if (!link.StartLinkThread()) return false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (done.load() < n && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        link.StopLinkThread();
        return done.load() >= n;
    }

    const BeamGeometry& geometry() const { return pipeline.beam_former().geometry(); }
    const BeamData& Beams() const { return pipeline.beam_former().Beams(); }

    SettingsStore store;
    test::RecordingOperator op;
    PictureHandOff pictures;
    PingPipeline pipeline{store, op, pictures};

  private:
    static sim::Options MakeOptions(const sim::Scene& scene, sim::HeadKind head) {
        sim::Options o;
        o.port = 0;
        o.pacing = false;
        o.head = head;
        o.scene = scene;
        return o;
    }
    sim::SimHead sim_;
    bool started_ = false;
    std::string error_;
};

// Steering angle (degrees) of kept beam i, from the geometry: the formed fan is symmetric
// about broadside and the kept beams are the central ones.
double SteeringDeg(const BeamGeometry& g, int i) {
    const double spacing = g.FormedSectorDeg / g.NumBeamsFormed;
    return -0.5 * g.FormedSectorDeg + (i + g.GuardOffset + 0.5) * spacing;
}

int BeamAt(const BeamGeometry& g, double angle_deg) {
    int best = 0;
    for (int i = 1; i < g.NumBeams; ++i) {
        if (std::fabs(SteeringDeg(g, i) - angle_deg) <
            std::fabs(SteeringDeg(g, best) - angle_deg)) {
            best = i;
        }
    }
    return best;
}

struct Peak {
    int beam = -1, sample = -1;
    float value = 0.0f;
};

Peak FindPeak(const BeamData& d, int b0, int b1, int s0, int s1) {
    Peak p;
    for (int b = b0; b <= b1; ++b)
        for (int s = s0; s <= s1; ++s)
            if (d.At(b, s) > p.value) p = {b, s, d.At(b, s)};
    return p;
}

// The strongest sample within 12 beams and 40 samples of a target at `angle_deg`, `range_m`
// in a 50 m window: a window far wider than the tolerance that holds one target only.
Peak TargetPeak(const BeamData& d, const BeamGeometry& g, double angle_deg, double range_m) {
    const int b = BeamAt(g, angle_deg);
    const int s = static_cast<int>(range_m * g.NumSamples / 50.0);
    return FindPeak(d, std::max(0, b - 12), std::min(g.NumBeams - 1, b + 12), std::max(1, s - 40),
                    std::min(g.NumSamples - 1, s + 40));
}

// Points of the output table: depth below the head (range x cos angle) and across-track.
struct ProfilePoint {
    double angle_deg, range_m, across_m, depth_m;
};

std::vector<ProfilePoint> OutputPoints(const PingPipeline& p) {
    std::vector<ProfilePoint> out;
    const ProfilePointRecord* rec = p.Profile().profile_points_out();
    for (int i = 0; i < p.Profile().output_count(); ++i) {
        const double a = rec[i].angle_deg * kDeg;
        const double r = rec[i].range_dm / 10.0;
        out.push_back({rec[i].angle_deg, r, r * std::sin(a), r * std::cos(a)});
    }
    return out;
}

struct DepthStats {
    int beams = 0, points = 0;
    double median = 1.0, p90 = 1.0;  // relative depth errors
};

DepthStats Stats(const std::vector<ProfilePoint>& pts, double depth, double max_angle_deg) {
    DepthStats st;
    std::vector<double> err;
    for (const ProfilePoint& p : pts) {
        if (std::fabs(p.angle_deg) > max_angle_deg) continue;
        ++st.beams;
        if (p.range_m <= 0.0) continue;
        err.push_back(std::fabs(p.depth_m - depth) / depth);
    }
    st.points = static_cast<int>(err.size());
    if (!err.empty()) {
        std::sort(err.begin(), err.end());
        st.median = err[err.size() / 2];
        st.p90 = err[std::min(err.size() - 1, err.size() * 9 / 10)];
    }
    return st;
}

// Intensity-weighted centre of the brightest pixels (at least 90 % of the window's maximum,
// overlay pixels excluded) within `half` pixels of (x0, y0): saturated echoes form plateaus.
struct Spot {
    double x = -1, y = -1;
    int max = 0;
};

Spot BrightSpot(const std::uint8_t* img, int x0, int y0, int half) {
    Spot s;
    auto each = [&](auto f) {
        for (int y = std::max(0, y0 - half); y <= std::min(541, y0 + half); ++y)
            for (int x = std::max(0, x0 - half); x <= std::min(1011, x0 + half); ++x) {
                const int v = img[y * 1012 + x];
                if (v != 255) f(x, y, v);
            }
    };
    each([&](int, int, int v) { s.max = std::max(s.max, v); });
    double sx = 0, sy = 0, sw = 0;
    each([&](int x, int y, int v) {
        if (v * 10 < s.max * 9) return;
        sx += v * x;
        sy += v * y;
        sw += v;
    });
    if (sw > 0) {
        s.x = sx / sw;
        s.y = sy / sw;
    }
    return s;
}

sim::Scene Targets() {
    sim::Scene scene = QuietScene();
    scene.seabed = false;
    scene.targets = {{-30.0f, 20.0f, 20.0f}, {0.0f, 12.0f, 5.0f}, {25.0f, 30.0f, 40.0f}};
    return scene;
}

TEST(E2EBeamForming, PointTargetsPeakAtTheirSteeringAngleAndRange) {
    const sim::Scene scene = Targets();
    Rig rig(scene);
    ASSERT_TRUE(rig.started()) << rig.error();
    ASSERT_TRUE(rig.RunPings(3));
    const BeamGeometry& g = rig.geometry();
    ASSERT_EQ(g.NumBeams, 120);
    const double samples_per_m = g.NumSamples / 50.0;  // Range 7: a 50 m window
    std::vector<int> peak_beam;
    for (const sim::PointTarget& t : scene.targets) {
        const int b = BeamAt(g, t.angle_deg);
        const int s = static_cast<int>(t.range_m * samples_per_m);
        const Peak p = TargetPeak(rig.Beams(), g, t.angle_deg, t.range_m);
        EXPECT_LE(std::abs(p.beam - b), 1) << "target at " << t.angle_deg << " deg";
        EXPECT_LE(std::abs(p.sample - s), 2) << "target at " << t.range_m << " m";
        EXPECT_GT(p.value, 10.0f);
        peak_beam.push_back(p.beam);
    }

    // The transducer turned over: the element order reverses and so does the beam order.
    rig.Set([](Settings& s) { s.Xdcr = 0; });
    ASSERT_TRUE(rig.RunPings(3));
    for (std::size_t k = 0; k < scene.targets.size(); ++k) {
        const sim::PointTarget& t = scene.targets[k];
        const int b = BeamAt(g, -t.angle_deg);
        const int s = static_cast<int>(t.range_m * samples_per_m);
        const Peak p = TargetPeak(rig.Beams(), g, -t.angle_deg, t.range_m);
        EXPECT_LE(std::abs(p.beam - b), 1) << "mirrored target at " << t.angle_deg << " deg";
        EXPECT_LE(std::abs(p.beam - (g.NumBeams - 1 - peak_beam[k])), 1);
        EXPECT_LE(std::abs(p.sample - s), 2);
    }
}

TEST(E2EBeamForming, FlatSeabedPeaksAtDepthOverCosineInEveryCentralBeam) {
    sim::Scene scene = QuietScene();
    scene.seabed_depth_m = 30.0f;
    scene.ripple = 0.0f;
    Rig rig(scene);
    ASSERT_TRUE(rig.started()) << rig.error();
    ASSERT_TRUE(rig.RunPings(3));
    const BeamGeometry& g = rig.geometry();
    // The maximum of a speckled footprint lies anywhere inside it: at 45 degrees a beam of about
    // 2 degrees spans 5 % of the range. Most beams peak much closer than that.
    std::vector<double> errors;
    for (int i = 0; i < g.NumBeams; ++i) {
        const double th = SteeringDeg(g, i);
        if (std::fabs(th) > 45.0) continue;
        const double expected = scene.seabed_depth_m / std::cos(th * kDeg) * g.NumSamples / 50.0;
        const Peak p = FindPeak(rig.Beams(), i, i, 1, g.NumSamples - 1);
        EXPECT_NEAR(p.sample, expected, std::max(3.0, 0.06 * expected))
            << "beam at " << th << " deg";
        errors.push_back(std::fabs(p.sample - expected) / expected);
    }
    ASSERT_EQ(errors.size(), 90u);
    std::sort(errors.begin(), errors.end());
    EXPECT_LT(errors[45], 0.015);
}

TEST(E2EBeamForming, FrequencyWithinTheHeadsLimitsKeepsTheTargetInItsBeam) {
    sim::Scene scene = QuietScene();
    scene.seabed = false;
    // At the centres of beams 84 and 20 (1 degree beams at +-59.5 .. 59.5).
    scene.targets = {{24.5f, 20.0f, 20.0f}, {-39.5f, 30.0f, 40.0f}};
    Rig rig(scene, sim::HeadKind::LongRange120);
    ASSERT_TRUE(rig.started()) << rig.error();
    ASSERT_TRUE(rig.RunPings(2));  // adopts the long-range head
    std::vector<std::vector<int>> beams;
    for (int khz : {115, 125}) {
        rig.Set([&](Settings& s) { s.Frequency = khz; });
        rig.pipeline.RequestOperatingPoint(false);
        ASSERT_TRUE(rig.RunPings(3));
        const BeamGeometry& g = rig.geometry();
        EXPECT_FLOAT_EQ(g.CarrierHz, khz * 1000.0f);
        std::vector<int> found;
        for (const sim::PointTarget& t : scene.targets) {
            const Peak p = TargetPeak(rig.Beams(), g, t.angle_deg, t.range_m);
            EXPECT_LE(std::abs(p.beam - BeamAt(g, t.angle_deg)), 1)
                << khz << " kHz, " << t.angle_deg;
            found.push_back(p.beam);
        }
        beams.push_back(found);
    }
    EXPECT_EQ(beams[0], beams[1]);
}

TEST(E2EPicture, SectorPictureShowsTheSeabedAndTheTargetsWherePredicted) {
    sim::Scene scene = Targets();
    scene.seabed = true;
    scene.seabed_depth_m = 35.0f;
    scene.ripple = 0.0f;
    Rig rig(scene);
    ASSERT_TRUE(rig.started()) << rig.error();
    rig.Set([](Settings& s) { s.Grid = 0; });
    ASSERT_TRUE(rig.RunPings(3));
    ASSERT_EQ(rig.pipeline.active_mode(), 0);
    const std::uint8_t* img = rig.pipeline.Picture().display_image();
    test::TempDir dir;
    const auto png = dir / "sector.png";
    std::string error;
    ASSERT_TRUE(rig.pipeline.Picture().SavePng(png.string(), &error)) << error;
    const std::string bytes = test::ReadFile(png);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(bytes.substr(16, 8), std::string("\0\0\x03\xf4\0\0\x02\x1e", 8));  // 1012 x 542

    // With Xdcr 1 the beams are drawn in reverse order: a target at +theta in the head's frame
    // lies theta to the left of straight up, at radius range * 500 / R pixels from the apex.
    const double px_per_m = 500.0 / 50.0;
    for (const sim::PointTarget& t : scene.targets) {
        const double rho = t.range_m * px_per_m;
        const double x = 505.0 - rho * std::sin(t.angle_deg * kDeg);
        const double y = 541.0 - rho * std::cos(t.angle_deg * kDeg);
        const Spot s = BrightSpot(img, static_cast<int>(x), static_cast<int>(y), 20);
        EXPECT_GT(s.max, 150) << "target at " << t.angle_deg;
        EXPECT_NEAR(s.x, x, 3.0) << "target at " << t.angle_deg;
        EXPECT_NEAR(s.y, y, 3.0) << "target at " << t.angle_deg;
    }
    // The flat seabed: along each ray the echo peaks at radius depth / cos(angle).
    for (double a = -40.0; a <= 40.0; a += 10.0) {
        const double c = std::cos(a * kDeg), sn = std::sin(a * kDeg);
        const double expected = scene.seabed_depth_m / c * px_per_m;
        double best_r = 0;
        int best = -1;
        for (double r = 0.9 * expected; r < std::min(500.0, 1.1 * expected); r += 1.0) {
            const int v = img[static_cast<int>(541.0 - r * c + 0.5) * 1012 +
                              static_cast<int>(505.0 - r * sn + 0.5)];
            if (v != 255 && v > best) {
                best = v;
                best_r = r;
            }
        }
        EXPECT_NEAR(best_r, expected, std::max(3.0, 0.06 * expected)) << "ray at " << a << " deg";
    }
}

// The profile of a flat seabed with each detector; the altitude after three pings.
void CheckFlatProfile(float depth, int range_index, float span_m, int display_gain) {
    sim::Scene scene = QuietScene();
    scene.seabed_depth_m = depth;
    scene.ripple = 0.0f;
    Rig rig(scene);
    ASSERT_TRUE(rig.started()) << rig.error();
    // Beams are checked over +-45 degrees, or as far as the seabed lies inside 93 % of the
    // window (Maximum Return drops points beyond 95 % of the samples).
    const double max_angle =
        std::min(45.0, std::acos(std::min(1.0, depth / (0.93 * span_m))) / kDeg);
    for (int detector : {0, 1, 2}) {
        rig.Set([&](Settings& s) {
            s.Range = range_index;
            s.DisplayGain = display_gain;
            s.ProfilePointDetection = 1;
            s.ProfilePointFilter = detector;
            s.AvgFilter = 0;  // no ramp over the first pings: each ping counts for the altitude
        });
        ASSERT_TRUE(rig.RunPings(3));
        const DepthStats st = Stats(OutputPoints(rig.pipeline), depth, max_angle);
        SCOPED_TRACE(testing::Message() << depth << " m in " << span_m << " m, detector "
                                        << detector << ": " << st.points << "/" << st.beams
                                        << " median " << st.median << " p90 " << st.p90);
        EXPECT_GE(st.points * 10, st.beams * 8);
        EXPECT_LE(st.median, 0.015);
        EXPECT_LE(st.p90, 0.04);
        // First Return prefers the wider second run at half the threshold, often the tail of
        // the same echo: its ranges lie a few samples deep.
        const double tolerance = detector == 0 ? 0.02 : 0.01;
        EXPECT_NEAR(rig.pipeline.altitude().altitude(), depth, tolerance * depth);
    }
}

TEST(E2EProfile, FlatSeabedDepthsAndAltitudeWithEachDetector) {
    // At the default display gain of 50 the seabed 20 m down falls below the 25 % detection
    // threshold in some outer beams of the 50 m window; full gain lifts it.
    CheckFlatProfile(20.0f, 7, 50.0f, 100);
    CheckFlatProfile(8.0f, 3, 10.0f, 50);
}

TEST(E2EProfile, SlopingSeabedGivesItsSlope) {
    for (float slope : {10.0f, -15.0f}) {
        sim::Scene scene = QuietScene();
        scene.seabed_depth_m = 25.0f;
        scene.slope_deg = slope;
        Rig rig(scene);
        ASSERT_TRUE(rig.started()) << rig.error();
        rig.Set([](Settings& s) {
            s.DisplayGain = 100;
            s.ProfilePointDetection = 1;
        });
        ASSERT_TRUE(rig.RunPings(3));
        // Least-squares line depth = a + b * across through the points within +-45 degrees.
        double n = 0, sx = 0, sz = 0, sxx = 0, sxz = 0;
        for (const ProfilePoint& p : OutputPoints(rig.pipeline)) {
            if (p.range_m <= 0.0 || std::fabs(p.angle_deg) > 45.0) continue;
            n += 1;
            sx += p.across_m;
            sz += p.depth_m;
            sxx += p.across_m * p.across_m;
            sxz += p.across_m * p.depth_m;
        }
        ASSERT_GT(n, 60);
        const double b = (n * sxz - sx * sz) / (n * sxx - sx * sx);
        const double a = (sz - b * sx) / n;
        // The output table lists the beams in reverse order: the head's positive side has
        // negative angles, so the slope comes out mirrored.
        EXPECT_NEAR(std::atan(b) / kDeg, -slope, 1.0);
        EXPECT_NEAR(a, scene.seabed_depth_m, 0.02 * scene.seabed_depth_m);
    }
}

TEST(E2EProfile, WaterColumnTargetIsDroppedByBottomFollowingsFilters) {
    // 22 m: the seabed stays clear of the 50-sample bin edges of the outlier filter.
    sim::Scene scene = QuietScene();
    scene.seabed_depth_m = 22.0f;
    scene.ripple = 0.0f;
    scene.targets = {{10.0f, 12.0f, 20.0f}};
    Rig rig(scene);
    ASSERT_TRUE(rig.started()) << rig.error();
    auto near_target = [&] {
        int n = 0;
        for (const ProfilePoint& p : OutputPoints(rig.pipeline)) {
            n += std::fabs(p.range_m - 12.0) < 1.0 && std::fabs(p.angle_deg + 10.0) < 6.0;
        }
        return n;
    };
    auto filters = [&](int on) {
        rig.Set([on](Settings& s) {
            s.DisplayGain = 100;
            s.ProfilePointDetection = 1;
            s.ProfilePointFilter = 2;
            s.ProfilePointFilter_g_short_outliers_sw = on;
            s.ProfilePointFilter_g_pre_filter_sw = on;
            s.ProfilePointFilter_g_main_filter_sw = on;
            s.ProfilePointFilter_g_fill_beams_sw = on;
        });
    };
    // Without its filters Bottom Following takes the strongest echo: the target.
    filters(0);
    ASSERT_TRUE(rig.RunPings(3));
    EXPECT_GE(near_target(), 2);
    // The filters drop it and keep the seabed under it.
    filters(1);
    ASSERT_TRUE(rig.RunPings(3));
    EXPECT_EQ(near_target(), 0);
    const DepthStats st = Stats(OutputPoints(rig.pipeline), scene.seabed_depth_m, 45.0);
    EXPECT_GE(st.points * 10, st.beams * 8);
    EXPECT_LE(st.p90, 0.04);
}

// A head tilted by 20 degrees over a level seabed 20 m down sees, in its own frame, a seabed at
// 20 / cos 20 m along broadside sloping by 20 degrees; the beam steered to -20 degrees looks
// straight down.
constexpr double kTilt = 20.0, kLevelDepth = 20.0;

std::unique_ptr<Rig> TiltedHead() {
    sim::Scene scene = QuietScene();
    scene.seabed_depth_m = static_cast<float>(kLevelDepth / std::cos(kTilt * kDeg));
    scene.slope_deg = static_cast<float>(kTilt);
    scene.ripple = 0.0f;
    auto rig = std::make_unique<Rig>(scene);
    rig->Set([](Settings& s) {
        s.DisplayGain = 100;
        s.ProfilePointDetection = 1;
        s.ProfileTiltAngle = static_cast<float>(kTilt);
        s.AvgFilter = 0;
    });
    return rig;
}

TEST(E2EProfile, TiltedHeadProfileAndAltitudeFollowTheTurnedFan) {
    const auto rig = TiltedHead();
    ASSERT_TRUE(rig->started()) << rig->error();
    ASSERT_TRUE(rig->RunPings(3));
    EXPECT_NEAR(rig->pipeline.altitude().altitude(), kLevelDepth, 0.01 * kLevelDepth);
    // Each kept beam's range is the slant range to the level seabed along its turned angle.
    const BeamGeometry& g = rig->geometry();
    const ProfilePointRecord* rec = rig->pipeline.Profile().profile_points_out();
    int beams = 0, good = 0;
    for (int i = 0; i < g.NumBeams; ++i) {
        const double world = SteeringDeg(g, g.NumBeams - 1 - i) + kTilt;
        if (std::fabs(world) > 45.0) continue;
        ++beams;
        const double expected = kLevelDepth / std::cos(world * kDeg);
        good += std::fabs(rec[i].range_dm / 10.0 - expected) < 0.04 * expected;
    }
    EXPECT_GE(good * 10, beams * 8) << good << " of " << beams;
}

// The points as a reader of the point record pairs them: range value i (beam i, record
// B-1-i of the table) with the angle start + i x spacing (record i), the tilt included.
std::vector<ProfilePoint> RecordedPoints(const PingPipeline& p) {
    std::vector<ProfilePoint> out;
    const ProfilePointRecord* rec = p.Profile().profile_points_out();
    const int n = p.Profile().output_count();
    for (int i = 0; i < n; ++i) {
        const double a = rec[i].angle_deg * kDeg;
        const double r = rec[n - 1 - i].range_dm / 10.0;
        out.push_back({rec[i].angle_deg, r, r * std::sin(a), r * std::cos(a)});
    }
    return out;
}

// With the head tilted, range x cos(angle) of every point record is the depth.
TEST(E2EProfile, TiltedPointRecordAnglesGiveLevelDepths) {
    const auto rig = TiltedHead();
    ASSERT_TRUE(rig->started()) << rig->error();
    ASSERT_TRUE(rig->RunPings(3));
    const DepthStats st = Stats(RecordedPoints(rig->pipeline), kLevelDepth, 40.0);
    EXPECT_GE(st.points * 10, st.beams * 8);
    EXPECT_LE(st.median, 0.015);
    EXPECT_LE(st.p90, 0.04);
}

}  // namespace
}  // namespace vq
