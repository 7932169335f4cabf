// Segment outlier filter and bottom shape filters on hand-built profile arrays.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "profile/profile_kernels.h"

namespace vq {
namespace {

// A point of formed beam b straight below the head: range = depth.
void SetPoint(ProfileArrays& a, int b, float depth, float across) {
    a.range[b] = depth;
    a.depth[b] = depth;
    a.across[b] = across;
    a.chosen_mid[b] = depth;
    a.intensity[b] = 100;
}

// 90 formed beams, beam b at 1.5 b across: x0 = 0, x1 = 132, step 14, one sample per beam,
// so segment s ends at position 14 s - 1 (13, 27, 41, 55, 69, 83), then 89, 90, 91.
ProfileArrays SegmentLayout(float base) {
    ProfileArrays a;
    for (int b = 1; b <= 88; ++b) SetPoint(a, b, base, 1.5f * static_cast<float>(b));
    return a;
}

FilterOptions Outliers(bool short_sw, int ol = 50) {
    FilterOptions o;
    o.short_outliers = short_sw;
    o.ol_fil_val = ol;
    return o;
}

TEST(SegmentOutlierFilter, SegmentsReferenceDepthsAndRemovals) {
    for (bool short_sw : {true, false}) {
        ProfileArrays a = SegmentLayout(225.0f);
        SetPoint(a, 5, 50.0f, 7.5f);     // first ninth: never tested
        SetPoint(a, 30, 175.0f, 45.0f);  // 225 - 175 = 50: short outlier
        a.chosen_mid[30] = 175.5f;
        SetPoint(a, 35, 176.0f, 52.5f);  // 49 above: stays
        SetPoint(a, 48, 326.0f, 72.0f);  // 101 below: long outlier
        SetPoint(a, 50, 325.0f, 75.0f);  // 100 below: stays
        for (int b = 56; b <= 63; ++b) SetPoint(a, b, 100.0f, 1.5f * static_cast<float>(b));
        for (int b = 70; b <= 83; ++b) SetPoint(a, b, 0.0f, 0.0f);
        SetPoint(a, 75, 300.0f, 112.5f);  // alone in a segment with empty bins
        SegmentState seg;
        FilterSegmentOutliers(a, seg, 500, 90, Outliers(short_sw));

        const std::array<int, 11> ends = {0, 13, 27, 41, 55, 69, 83, 89, 90, 91, 0};
        EXPECT_EQ(seg.segment_end, ends);
        EXPECT_EQ(seg.md[3], 225.0f);
        EXPECT_EQ(seg.md[5], 225.0f);  // depth 100 lies in no bin
        EXPECT_EQ(seg.md[6], 25.0f);   // every bin empty

        EXPECT_EQ(a.depth[5], 50.0f);
        EXPECT_EQ(a.range[30], short_sw ? 0.0f : 175.0f);
        EXPECT_EQ(a.removed_pos[30], short_sw ? 175 : 0);
        EXPECT_EQ(a.intensity[30], short_sw ? 0 : 100);
        EXPECT_EQ(a.range[35], 176.0f);
        EXPECT_EQ(a.range[48], 0.0f);
        EXPECT_EQ(a.across[48], 0.0f);
        EXPECT_EQ(a.removed_pos[48], 326);
        EXPECT_EQ(a.range[50], 325.0f);
        EXPECT_EQ(a.range[60], short_sw ? 0.0f : 100.0f);
        EXPECT_EQ(a.range[75], 0.0f);  // 300 - 25 > 100
        EXPECT_EQ(a.removed_pos[75], 300);
    }
}

TEST(SegmentOutlierFilter, LongOutlierLimitGrowsWithDepthAt1000Samples) {
    ProfileArrays a = SegmentLayout(950.0f);
    SetPoint(a, 48, 1107.0f, 72.0f);  // 157 below md 950: limit trunc(156.75) = 156
    SetPoint(a, 50, 1106.0f, 75.0f);
    SegmentState seg;
    FilterSegmentOutliers(a, seg, 1000, 90, Outliers(true));
    EXPECT_EQ(seg.md[4], 950.0f);
    EXPECT_EQ(a.range[48], 0.0f);
    EXPECT_EQ(a.range[50], 1106.0f);
}

TEST(SegmentOutlierFilter, SegmentIsFlatWithMoreThanTwentyBinnedPoints) {
    for (int points : {21, 20}) {
        // 200 beams at 2 samples each: step 44, segment 2 = positions 44 .. 87.
        ProfileArrays a;
        SetPoint(a, 198, 225.0f, 396.0f);
        for (int i = 0; i < points; ++i) {
            SetPoint(a, 44 + i, 201.0f + 2.0f * static_cast<float>(i), 2.0f * (44.0f + i));
        }
        SegmentState seg;
        FilterSegmentOutliers(a, seg, 500, 200, Outliers(true));
        EXPECT_EQ(seg.segment_end[2], 87);
        EXPECT_EQ(seg.counts[2], points);
        EXPECT_EQ(seg.segment_flat[2], points == 21 ? 1 : 0) << points;
        EXPECT_EQ(seg.segment_flat[0], 0);
    }
}

// Twenty formed beams straight down, all in one segment.
ProfileArrays FlatLine(float level, int nbf) {
    ProfileArrays a;
    for (int b = 1; b < nbf - 1; ++b) SetPoint(a, b, level, 0.0f);
    return a;
}

SegmentState OneSegment(int nbf, int flat) {
    SegmentState seg;
    for (int s = 1; s <= 9; ++s) seg.segment_end[s] = nbf - 1;
    seg.segment_flat[1] = flat;
    return seg;
}

TEST(FlatBottomFilter, RemovesThirtyOffMovesCloserOnesAndIgnoresNonFlatSegments) {
    std::array<float, kProfileCapacity> work{};
    // Beam 1 is averaged with beam 2 only (position 0 visits beam 0, which has no point).
    ProfileArrays a = FlatLine(100.0f, 20);
    SetPoint(a, 1, 40.0f, 0.0f);  // mean 70: 30 off
    FlatBottomFilter(a, OneSegment(20, 1), 500, 20, 2, work.data());
    EXPECT_EQ(a.range[1], 0.0f);
    EXPECT_EQ(a.depth[1], 0.0f);

    ProfileArrays b = FlatLine(100.0f, 20);
    SetPoint(b, 1, 40.2f, 0.0f);  // mean 70.1: 29.9 off
    FlatBottomFilter(b, OneSegment(20, 1), 500, 20, 2, work.data());
    EXPECT_NEAR(b.depth[1], 70.1f, 1e-4f);
    EXPECT_NEAR(b.range[1], 70.1f, 1e-4f);

    ProfileArrays c = FlatLine(100.0f, 20);
    SetPoint(c, 1, 40.0f, 0.0f);
    SetPoint(c, 10, 150.0f, 0.0f);
    const ProfileArrays before = c;
    FlatBottomFilter(c, OneSegment(20, 0), 500, 20, 2, work.data());
    EXPECT_EQ(c.range, before.range);
    EXPECT_EQ(c.depth, before.depth);
}

ProfileArrays Ranges(float level, int nbf) {
    ProfileArrays a;
    for (int b = 0; b < nbf; ++b) SetPoint(a, b, level, 0.0f);
    return a;
}

TEST(MainFilter, KeepsPointsNearTheNeighbourMeanAndClearsTheOuterBeams) {
    std::array<float, kProfileCapacity> work{};
    ProfileArrays a = Ranges(100.0f, 30);
    a.range[10] = 140.0f;  // means (300 + 140) / 4 = 110 on both sides: 30 off
    MainFilter(a, 500, 30, 2, 10, work.data());
    EXPECT_EQ(a.range[10], 0.0f);
    EXPECT_EQ(a.depth[10], 0.0f);

    ProfileArrays b = Ranges(100.0f, 30);
    b.range[10] = 130.0f;  // mean 107.5: 22.5 off
    MainFilter(b, 500, 30, 2, 10, work.data());
    EXPECT_FLOAT_EQ(b.range[10], 107.5f);
    EXPECT_FLOAT_EQ(b.depth[10], 107.5f);
    for (int i : {0, 1, 2, 27, 28, 29}) EXPECT_EQ(b.range[i], 0.0f) << i;
    EXPECT_EQ(b.range[3], 100.0f);

    ProfileArrays c = Ranges(20.0f, 30);
    c.range[10] = 0.0f;  // no point, neighbours give M = 20 < 25
    MainFilter(c, 500, 30, 2, 10, work.data());
    EXPECT_EQ(c.range[10], 20.0f);
}

TEST(MainFilter, MaxPointsOneUsesTheThreeBeamWindowAtStepSizeZero) {
    std::array<float, kProfileCapacity> work{};
    ProfileArrays wide = Ranges(100.0f, 40);
    MainFilter(wide, 500, 40, 0, 10, work.data());
    EXPECT_EQ(wide.range[11], 0.0f);
    EXPECT_EQ(wide.range[12], 100.0f);
    EXPECT_EQ(wide.range[27], 100.0f);
    EXPECT_EQ(wide.range[28], 0.0f);

    ProfileArrays narrow = Ranges(100.0f, 40);
    MainFilter(narrow, 500, 40, 0, 1, work.data());
    EXPECT_EQ(narrow.range[2], 0.0f);
    EXPECT_EQ(narrow.range[3], 100.0f);
    EXPECT_EQ(narrow.range[36], 100.0f);
    EXPECT_EQ(narrow.range[37], 0.0f);
}

// Points at beams 0..5 and from 5 + gap on, all 100 samples down; the gap's first beam points
// straight down, and the beams are 0.01 rad apart.
ProfileArrays Gap(int gap, float far_depth) {
    ProfileArrays a;
    for (int b = 0; b <= 5; ++b) SetPoint(a, b, 100.0f, 0.0f);
    a.intensity[5] = 77;
    for (int b = 5 + gap; b < 40; ++b) SetPoint(a, b, far_depth, 10.0f);
    return a;
}

TEST(FillBetweenBeams, FillsGapsUpToTheLargestAtStepSizeTwo) {
    ProfileArrays a = Gap(10, 100.0f);
    FillBetweenBeams(a, 500, 40, 0.2f, 2);
    for (int t = 1; t <= 10; ++t) {
        const double r = 100.0 / std::cos(0.01 * t);
        EXPECT_NEAR(a.range[5 + t], r, 1e-3) << t;
        EXPECT_NEAR(a.depth[5 + t], 100.0f, 1e-4f) << t;
        EXPECT_NEAR(a.across[5 + t], std::sqrt(r * r - 100.0 * 100.0), 0.05) << t;
        EXPECT_EQ(a.intensity[5 + t], 77) << t;  // copied from the point before the gap
    }

    ProfileArrays b = Gap(11, 100.0f);
    FillBetweenBeams(b, 500, 40, 0.2f, 2);
    for (int t = 1; t <= 10; ++t) EXPECT_EQ(b.range[5 + t], 0.0f) << t;
}

TEST(FillBetweenBeams, SteepGapsStayEmpty) {
    ProfileArrays steep = Gap(10, 113.0f);  // 1.3 samples down per sample across
    FillBetweenBeams(steep, 500, 40, 0.2f, 2);
    EXPECT_EQ(steep.range[8], 0.0f);

    ProfileArrays limit = Gap(10, 112.5f);  // exactly 1.25
    FillBetweenBeams(limit, 500, 40, 0.2f, 2);
    EXPECT_NEAR(limit.depth[8], 103.75f, 1e-4f);
    EXPECT_NEAR(limit.range[8], 103.75 / std::cos(0.03), 1e-3);
}

}  // namespace
}  // namespace vq
