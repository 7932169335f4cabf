// The three detectors on hand-built beam rows: ranges in samples, intensities, window edges,
// neighbour jumps and the follow limits of Bottom Following.
#include <gtest/gtest.h>

#include <cmath>

#include "profile/profile_processor.h"
#include "profile_test_util.h"

namespace vq {
namespace {

using test::Beams120;
using test::DetectorOnly;
using test::FillRun;
using test::FillRunAllBeams;
using test::NineBeams;

constexpr float kR = 50.0f;  // range span, metres

TEST(DetectorsAll, BeamsWithoutEchoGiveNoPointAndNoIntensity) {
    for (int detector = 0; detector <= 2; ++detector) {
        ProfileProcessor p;
        BeamData data;
        const BeamGeometry g = Beams120();
        p.Process(data, g, DetectorOnly(detector), kR, 0);
        for (int i = 0; i < g.NumBeamsFormed; ++i) {
            EXPECT_EQ(p.profile_range()[i], 0.0f) << "detector " << detector << " beam " << i;
            EXPECT_EQ(p.profile_intensity()[i], 0) << "detector " << detector << " beam " << i;
        }
    }
}

TEST(DetectorsAll, DetectionOffLeavesTheRowsAndTablesAlone) {
    ProfileProcessor p;
    BeamData data;
    FillRunAllBeams(data, 126, 200, 209, 200.0f);
    Settings s = DetectorOnly(2);
    s.ProfilePointDetection = 0;
    s.ProfilePointType = 1;  // would dim the rows if detection ran
    p.Process(data, Beams120(), s, kR, 0);
    EXPECT_EQ(data.At(10, 205), 200.0f);
    EXPECT_EQ(p.profile_range()[10], 0.0f);
}

TEST(FirstReturn, WiderWeakerSecondRunReplacesTheFirst) {
    // Strong narrow echo at 50..54 (mid 52), weak (above T/2, below T) wider one at 200..209.
    BeamData data;
    FillRunAllBeams(data, 126, 50, 54, 200.0f);
    FillRunAllBeams(data, 126, 200, 209, 40.0f);
    ProfileProcessor p;
    p.Process(data, Beams120(), DetectorOnly(0), kR, 0);
    for (int i = 0; i < 120; ++i) {
        ASSERT_EQ(p.profile_range()[i], 205.0f) << i;  // (200 + 210) / 2
        ASSERT_EQ(p.profile_intensity()[i], 40) << i;
    }
    // A narrower weak run stays unused: the first run is nearer to the previous beam's point.
    BeamData narrow;
    FillRunAllBeams(narrow, 126, 50, 54, 200.0f);
    FillRunAllBeams(narrow, 126, 200, 202, 40.0f);
    p.Process(narrow, Beams120(), DetectorOnly(0), kR, 0);
    for (int i = 0; i < 120; ++i) {
        ASSERT_EQ(p.profile_range()[i], 52.0f) << i;
        ASSERT_EQ(p.profile_intensity()[i], 200) << i;
    }
}

TEST(FirstReturn, EchoShallowerThanMinimumDepthIsIgnored) {
    BeamData data;
    FillRunAllBeams(data, 126, 50, 54, 250.0f);
    FillRunAllBeams(data, 126, 200, 209, 200.0f);
    Settings s = DetectorOnly(0);
    s.ProfileMinDepthBelowSonar = 10.0f;  // 100 samples at 50 m over 500 samples
    ProfileProcessor p;
    p.Process(data, Beams120(), s, kR, 0);
    for (int i = 10; i <= 110; ++i) ASSERT_EQ(p.profile_range()[i], 205.0f) << i;
}

TEST(FirstReturn, RunReachingTheEndOfTheBeamHasItsMiddleAtHalfTheLead) {
    BeamData data;
    FillRunAllBeams(data, 126, 400, 499, 200.0f);
    ProfileProcessor p;
    p.Process(data, Beams120(), DetectorOnly(0), kR, 0);
    for (int i = 0; i < 120; ++i) ASSERT_EQ(p.profile_range()[i], 200.0f) << i;
}

TEST(FirstReturn, StartPastTheBeamFindsNothingAndReadsNothingBeyondIt) {
    // Tilted so that a beam is almost horizontal: the minimum depth projects far past the beam.
    BeamData data;
    FillRunAllBeams(data, 9, 100, 120, 200.0f);
    Settings s = DetectorOnly(0);
    s.ProfileTiltAngle = 89.0f;
    s.ProfileMinDepthBelowSonar = 49.0f;
    ProfileProcessor p;
    p.set_profile_blanking(100.0f);  // far beyond the 5 m span
    p.Process(data, NineBeams(), s, 5.0f, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(p.profile_range()[i], 0.0f) << i;
}

// Jump test shared by First Return and Maximum Return: formed beam 60 is J = 40 samples
// (or 39) deeper than its neighbours.
void CheckJump(int detector) {
    for (int offset : {40, 39}) {
        BeamData data;
        FillRunAllBeams(data, 126, 200, 209, 200.0f);
        FillRun(data, 60, 200, 209, 0.0f);
        FillRun(data, 60, 200 + offset, 209 + offset, 200.0f);
        ProfileProcessor p;
        p.Process(data, Beams120(), DetectorOnly(detector), kR, 0);
        const float* r = p.profile_range();
        const bool removed = offset == 40;
        // Kept beam i is formed beam i + 3.
        EXPECT_EQ(r[55], 205.0f);
        EXPECT_EQ(r[56], removed ? 0.0f : 205.0f);
        EXPECT_EQ(r[57], removed ? 0.0f : 205.0f + static_cast<float>(offset));
        EXPECT_EQ(p.profile_intensity()[57], removed ? 0 : 200);
        EXPECT_EQ(r[58], removed ? 0.0f : 205.0f);
        EXPECT_EQ(r[59], 205.0f);
        // Entries past the kept beams keep their formed-beam values: the last formed beam has none.
        EXPECT_EQ(r[124], 205.0f);
        EXPECT_EQ(r[125], 0.0f);
    }
}

TEST(FirstReturn, PointsExactlyJApartBothLoseTheirPoints) {
    CheckJump(0);
}
TEST(MaximumReturn, PointsExactlyJApartBothLoseTheirPoints) {
    CheckJump(1);
}

TEST(MaximumReturn, EqualSumsChooseTheDeeperRun) {
    BeamData data;
    FillRunAllBeams(data, 9, 100, 104, 200.0f);
    FillRunAllBeams(data, 9, 300, 304, 200.0f);
    ProfileProcessor p;
    p.Process(data, NineBeams(), DetectorOnly(1), kR, 0);
    EXPECT_EQ(p.profile_range()[4], 302.0f);  // (300 + 305) / 2
    EXPECT_EQ(p.profile_intensity()[4], 200);
    EXPECT_EQ(p.profile_range()[0], 0.0f);  // first and last formed beams carry no point
    EXPECT_EQ(p.profile_range()[8], 0.0f);
}

TEST(MaximumReturn, ProjectedDepthOfDmaxPlusHalfIsStillAccepted) {
    // R = 500 m over 500 samples: one sample per metre, so Dmax equals the maximum depth.
    BeamData data;
    FillRunAllBeams(data, 9, 300, 304, 200.0f);  // middle 302, beam 4 points straight down
    Settings s = DetectorOnly(1);
    s.ProfileMaxDepthBelowSonar = 301.5f;
    ProfileProcessor p;
    p.Process(data, NineBeams(), s, 500.0f, 0);
    EXPECT_EQ(p.profile_range()[4], 302.0f);
    s.ProfileMaxDepthBelowSonar = 301.25f;
    p.Process(data, NineBeams(), s, 500.0f, 0);
    EXPECT_EQ(p.profile_range()[4], 0.0f);
}

TEST(MaximumReturn, PointsBeyondNinetyFivePercentOfTheSamplesAreRemoved) {
    BeamData far;
    FillRunAllBeams(far, 9, 478, 482, 200.0f);  // middle 480 > 475
    ProfileProcessor p;
    p.Process(far, NineBeams(), DetectorOnly(1), kR, 0);
    EXPECT_EQ(p.profile_range()[4], 0.0f);
    EXPECT_EQ(p.profile_intensity()[4], 0);
    BeamData near;
    FillRunAllBeams(near, 9, 470, 474, 200.0f);  // middle 472
    p.Process(near, NineBeams(), DetectorOnly(1), kR, 0);
    EXPECT_EQ(p.profile_range()[4], 472.0f);
}

TEST(MaximumReturn, SampleAfterTheLastIsClearedNotLeftFromALongerPing) {
    // Rows hold a 1000-sample ping; this ping has 500 samples and only 0..499 were cleared.
    BeamData data;
    for (int b = 0; b < 9; ++b) {
        for (int s = 0; s < kBeamRowLength; ++s) data.At(b, s) = 190.0f;
        for (int s = 0; s < 500; ++s) data.At(b, s) = 0.0f;
    }
    FillRunAllBeams(data, 9, 100, 104, 200.0f);  // sum 1000
    FillRunAllBeams(data, 9, 495, 499, 190.0f);  // sum 950, or 1140 with the stale sample
    ProfileProcessor p;
    p.Process(data, NineBeams(), DetectorOnly(1), kR, 0);
    EXPECT_EQ(data.At(4, 500), 0.0f);
    EXPECT_EQ(p.profile_range()[4], 102.0f);
}

TEST(BottomFollowing, EmptyHistorySearchesToTheLastSample) {
    BeamData data;
    FillRunAllBeams(data, 9, 480, 484, 200.0f);
    ProfileProcessor p;
    p.Process(data, NineBeams(), DetectorOnly(2), kR, 0);
    EXPECT_EQ(p.follow_limit()[4], 499.0f);
    EXPECT_EQ(p.profile_range()[4], 482.0f);
    EXPECT_EQ(p.profile_range()[0], 0.0f);  // beam 0 keeps no point

    BeamData data1000;
    FillRunAllBeams(data1000, 9, 990, 994, 200.0f);
    ProfileProcessor q;
    q.ResetForGeometry(1000);
    q.Process(data1000, NineBeams(1000), DetectorOnly(2), kR, 0);
    EXPECT_EQ(q.profile_range()[4], 992.0f);
    EXPECT_EQ(q.bf_prev_range()[4], 992.0f);
}

TEST(BottomFollowing, MeanRangeOf200SearchesTo266) {
    // Depth 200 lies in no depth bin; the long-outlier test would remove it here.
    ProfileProcessor p;
    p.AdvancedFilter().g_long_outliers_sw = 0;
    BeamData first;
    FillRunAllBeams(first, 9, 198, 202, 200.0f);  // middle 200
    p.Process(first, NineBeams(), DetectorOnly(2), kR, 0);
    ASSERT_EQ(p.profile_range()[4], 200.0f);
    EXPECT_NEAR(p.follow_limit()[4], 266.0f, 1e-3f);

    BeamData inside;
    FillRunAllBeams(inside, 9, 262, 266, 200.0f);  // middle 264
    p.Process(inside, NineBeams(), DetectorOnly(2), kR, 0);
    EXPECT_EQ(p.profile_range()[4], 264.0f);

    ProfileProcessor q;
    q.AdvancedFilter().g_long_outliers_sw = 0;
    q.Process(first, NineBeams(), DetectorOnly(2), kR, 0);
    BeamData beyond;
    FillRunAllBeams(beyond, 9, 268, 272, 200.0f);  // middle 270
    q.Process(beyond, NineBeams(), DetectorOnly(2), kR, 0);
    EXPECT_EQ(q.profile_range()[4], 0.0f);
}

TEST(BottomFollowing, ShallowMeanFallsBackToFullDepth) {
    ProfileProcessor p;
    BeamData data;
    FillRunAllBeams(data, 9, 48, 52, 200.0f);  // middle 50: 1.33 * 50 < 100
    p.Process(data, NineBeams(), DetectorOnly(2), kR, 0);
    ASSERT_EQ(p.profile_range()[4], 50.0f);
    EXPECT_EQ(p.follow_limit()[4], 499.0f);
}

TEST(FollowLimits, BeamsBeyondTheHorizontalGetTheFullDepthAtTilt90) {
    BeamData data;
    FillRunAllBeams(data, 9, 198, 202, 200.0f);
    Settings s = DetectorOnly(0);  // First Return keeps points beyond the horizontal
    s.ProfileTiltAngle = 90.0f;
    ProfileProcessor p;
    p.Process(data, NineBeams(), s, kR, 0);
    for (int b = 1; b <= 3; ++b) {
        ASSERT_EQ(p.profile_range()[b], 200.0f) << b;
        EXPECT_NEAR(p.follow_limit()[b], 266.0f, 1e-3f) << b;
    }
    for (int b = 5; b <= 7; ++b) {
        ASSERT_EQ(p.profile_range()[b], 200.0f) << b;
        EXPECT_EQ(p.follow_limit()[b], 499.0f) << b;
    }
}

TEST(ProfileState, ChangingTheDetectorResetsTheHistories) {
    ProfileProcessor p;
    p.AdvancedFilter().g_long_outliers_sw = 0;
    BeamData data;
    FillRunAllBeams(data, 9, 198, 202, 200.0f);
    EXPECT_FALSE(p.Process(data, NineBeams(), DetectorOnly(2), kR, 0));
    EXPECT_NEAR(p.follow_limit()[4], 266.0f, 1e-3f);
    EXPECT_FALSE(p.Process(data, NineBeams(), DetectorOnly(2), kR, 0));
    // Switch to Maximum Return with no echo: the ring restarted, so no mean survives.
    BeamData empty;
    EXPECT_TRUE(p.Process(empty, NineBeams(), DetectorOnly(1), kR, 0));
    EXPECT_EQ(p.follow_limit()[4], 499.0f);
}

}  // namespace
}  // namespace vq
