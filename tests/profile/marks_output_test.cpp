// Along-track averaging, the marks drawn into the beam rows, the output table and the
// intensities re-formed at the points.
#include <gtest/gtest.h>

#include "dsp/beam_former.h"

#include <cmath>
#include <vector>

#include "profile/profile_kernels.h"
#include "profile/profile_processor.h"
#include "profile_test_util.h"

namespace vq {
namespace {

using test::Beams120;
using test::DetectorOnly;
using test::FillRun;

constexpr float kR = 50.0f;

float Averaged(std::vector<float>& history, float range, int depth) {
    float r = range;
    AverageAlongTrack(&r, 1, history.data(), depth);
    return r;
}

TEST(AlongTrack, SpreadOfTwentyRemovesAndSmallerSpreadsAverage) {
    std::vector<float> h(kProfileCapacity * 30, 0.0f);
    Averaged(h, 100.0f, 3);
    Averaged(h, 100.0f, 3);
    EXPECT_EQ(Averaged(h, 125.0f, 3), 0.0f);

    std::vector<float> g(kProfileCapacity * 30, 0.0f);
    Averaged(g, 100.0f, 3);
    Averaged(g, 105.0f, 3);
    EXPECT_FLOAT_EQ(Averaged(g, 110.0f, 3), 105.0f);
    EXPECT_EQ(g[0], 110.0f);  // row 0 keeps the newest ping

    std::vector<float> one(kProfileCapacity * 30, 0.0f);
    EXPECT_EQ(Averaged(one, 100.0f, 1), 100.0f);
    EXPECT_EQ(Averaged(one, 200.0f, 1), 200.0f);
}

// Formed beam b carries an echo at 150 + b .. 154 + b, so First Return finds 152 + b and the
// kept beam j (formed j + 3) has range 155 + j.
BeamData Staircase() {
    BeamData d;
    for (int b = 0; b < 126; ++b) FillRun(d, b, 150 + b, 154 + b, 200.0f);
    return d;
}

TEST(AlongTrack, ThreePingsThroughTheProcessor) {
    Settings s = DetectorOnly(0);
    s.ProfilePointFilter_g_along_track_avg_sw = 1;
    s.AvgFilter = 1;
    s.AvgFilterIndex = 3;
    ProfileProcessor p;
    for (int lead : {98, 103, 108}) {  // middles 100, 105, 110
        BeamData d;
        test::FillRunAllBeams(d, 126, lead, lead + 4, 200.0f);
        p.Process(d, Beams120(), s, kR, 0);
    }
    EXPECT_FLOAT_EQ(p.profile_range()[60], 105.0f);

    s.AvgFilter = 0;  // one ping deep: nothing changes
    ProfileProcessor q;
    for (int lead : {98, 130}) {
        BeamData d;
        test::FillRunAllBeams(d, 126, lead, lead + 4, 200.0f);
        q.Process(d, Beams120(), s, kR, 0);
    }
    EXPECT_EQ(q.profile_range()[60], 132.0f);
}

TEST(ImageMarks, RemovedPointsAreMarkedInsideTheirRowOnly) {
    BeamData d;
    for (int b = 0; b < 6; ++b) {
        for (int s = 0; s < kBeamRowLength; ++s) d.At(b, s) = 10.0f;
    }
    std::vector<std::int32_t> removed(kProfileCapacity, 0);
    removed[1] = 8;
    removed[2] = 11;
    removed[3] = 993;
    removed[4] = 994;
    MarkRemovedPoints(d, removed.data(), 5, 1000, false);
    EXPECT_EQ(d.At(0, 100), 10.0f);  // beam 0 is left alone
    for (int s = 0; s < 1000; ++s) ASSERT_NE(d.At(1, s), 500.0f) << s;
    EXPECT_EQ(d.At(2, 10), 0.5f);
    EXPECT_EQ(d.At(2, 11), 500.0f);
    EXPECT_EQ(d.At(2, 31), 500.0f);
    EXPECT_EQ(d.At(2, 32), 0.5f);
    EXPECT_EQ(d.At(3, 993), 500.0f);
    EXPECT_EQ(d.At(3, kBeamRowLength - 1), 500.0f);
    EXPECT_EQ(d.At(4, 0), 0.5f);  // the next row is not written by row 3's mark
    EXPECT_EQ(d.At(4, 994), 0.5f);
    EXPECT_EQ(d.At(5, 0), 10.0f);
}

TEST(ImageMarks, ArtificialBottomDrawsKeptRangesIntoFormedRows) {
    BeamData d = Staircase();
    Settings s = DetectorOnly(0);
    s.ProfilePointType = 1;
    s.ProfilePointFilter_g_bgd_lev = 1.0f;
    ProfileProcessor p;
    p.Process(d, Beams120(), s, kR, 0);
    ASSERT_EQ(p.profile_range()[0], 155.0f);
    EXPECT_EQ(d.At(0, 150), 200.0f);  // brightness unchanged at level 1.0
    EXPECT_EQ(d.At(0, 156), 14211288.0f);
    EXPECT_EQ(d.At(0, 157), 14211288.0f);
    EXPECT_EQ(d.At(0, 158), 0.0f);

    BeamData dim = Staircase();
    s.ProfilePointFilter_g_bgd_lev = 0.5f;
    p.Process(dim, Beams120(), s, kR, 0);
    EXPECT_EQ(dim.At(0, 150), 100.0f);
    EXPECT_EQ(dim.At(125, 275), 200.0f);  // the last guard rows are not dimmed
}

TEST(OutputTable, RunsFromTheLastKeptBeamWithRangesInDecimetres) {
    BeamData d = Staircase();
    ProfileProcessor p;
    const BeamGeometry g = Beams120();
    Settings s = DetectorOnly(0);
    p.Process(d, g, s, kR, 0);
    p.BuildProfileOutputTable(g, s, kR, 0);
    const ProfilePointRecord* out = p.profile_points_out();
    ASSERT_EQ(p.output_count(), 120);
    // Record i holds kept beam 119 - i, whose range is 155 + 119 - i = 274 - i.
    EXPECT_FLOAT_EQ(out[0].range_dm, 10.0f * 274.0f * 50.0f / 500.0f);
    EXPECT_FLOAT_EQ(out[24].range_dm, 250.0f);
    EXPECT_EQ(p.profile_range_tenths()[24], 2500);
    EXPECT_FLOAT_EQ(out[119].range_dm, 155.0f);
    EXPECT_FLOAT_EQ(out[0].angle_deg, -59.5f);
    EXPECT_FLOAT_EQ(out[1].angle_deg, -58.5f);
    EXPECT_NEAR(out[119].angle_deg, 59.5f, 1e-4f);

    s.ProfileTiltAngle = 5.0f;
    p.BuildProfileOutputTable(g, s, kR, 3);  // the start is added in whole metres, unscaled
    EXPECT_FLOAT_EQ(p.profile_points_out()[24].range_dm, 253.0f);
    EXPECT_FLOAT_EQ(p.profile_points_out()[0].angle_deg, -54.5f);
}

TEST(OutputIntensity, BeamsReformedAtThePointAndEqualisedByAngle) {
    BeamData d = Staircase();
    FillRun(d, 63, 0, 499, 0.0f);  // kept beam 60 and its neighbours lose their points
    ProfileProcessor p;
    const BeamGeometry g = Beams120();
    Settings s = DetectorOnly(0);
    s.DisplayGain = 50;
    p.Process(d, g, s, kR, 0);

    // Two elements, I = 0.3 and Q = 0.4 everywhere, unit steering: |beam| = 1.0, 2 * G * 1 = 100.
    std::vector<float> si(2 * 1010, 0.3f);
    std::vector<float> sq(2 * 1010, 0.4f);
    std::vector<float> wc(126 * 16, 1.0f);
    std::vector<float> ws(126 * 16, 0.0f);
    ElementView v{si.data(), sq.data(), 1010, 2, 500, wc.data(), ws.data(), 16};
    p.ComputeOutputIntensity(v, g, s);
    const std::int32_t* out = p.profile_out_intensity();
    EXPECT_EQ(out[60], 0);    // no point
    EXPECT_EQ(out[30], 133);  // 100 / cos^2(30 deg)
    EXPECT_EQ(out[90], 133);
    EXPECT_EQ(out[0], 255);  // 400 limited
    EXPECT_EQ(out[45], static_cast<int>(100.0 / std::pow(std::cos(15.0 * test::kPi / 180.0), 2)));

    p.BuildProfileOutputTable(g, s, kR, 0);
    EXPECT_EQ(p.profile_points_out()[119 - 30].intensity, 133);

    ElementView empty{};  // no element data: intensities are 0, nothing is read
    p.ComputeOutputIntensity(empty, g, s);
    EXPECT_EQ(p.profile_out_intensity()[30], 0);
}

}  // namespace
}  // namespace vq
