// The cursor, measuring-line and range read-outs: pointer positions in main-window client
// coordinates (the picture's top-left pixel at (2, 61)) against the texts the operator reads.
#include "display/cursor_readout.h"

#include <gtest/gtest.h>

#include <cmath>

#include "display/table_builders.h"

namespace vq {
namespace {

DisplayParams Sector200m() {
    DisplayParams p;
    p.mode = DisplayMode::Sector;
    p.range_span_m = 200.0f;
    p.num_samples = 500;
    return p;
}

constexpr int kApexX = 507, kApexY = 602;  // the sector apex in client coordinates

TEST(CursorReadout, SectorRangeAndBearingAt200Metres) {
    const DisplayParams p = Sector200m();
    CursorReadout r = ReadCursor(p, kApexX, kApexY - 100);
    EXPECT_EQ(r.first, "40.00 M");
    EXPECT_EQ(r.second, "000.0 Deg");
    r = ReadCursor(p, kApexX + 100, kApexY);
    EXPECT_EQ(r.first, "40.00 M");
    EXPECT_EQ(r.second, "090.0 Deg");
    EXPECT_STREQ(CursorLabelsFor(p).first, "RNG:");
    EXPECT_STREQ(CursorLabelsFor(p).second, "BRG:");
}

TEST(CursorReadout, SoundVelocityAndUnitsScaleTheRange) {
    DisplayParams p = Sector200m();
    p.sound_velocity = 1530.0f;
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 100).first, "40.80 M");
    p.sound_velocity = 1500.0f;
    p.units = 1;
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 100).first, "131.23 FT");
    p.units = 2;
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 100).first, "43.74 YDS");
    // Half-range mode halves the scale; a fine-resolution head's span is a tenth.
    p.units = 0;
    p.half_range = true;
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 100).first, "20.00 M");
    p.half_range = false;
    p.range_span_m = 20.0f;
    p.fine_resolution = true;
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 100).first, "4.00 M");
}

TEST(CursorReadout, BearingInEveryQuadrant) {
    const DisplayParams p = Sector200m();
    struct Case {
        int dx, dy;
        const char* bearing;
    };
    const Case cases[] = {
        {100, -100, "045.0 Deg"},  {100, 100, "135.0 Deg"}, {-100, 100, "225.0 Deg"},
        {-100, -100, "315.0 Deg"}, {0, 100, "180.0 Deg"},   {-100, 0, "270.0 Deg"},
        {0, 0, "180.0 Deg"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(ReadCursor(p, kApexX + k.dx, kApexY + k.dy).second, k.bearing)
            << k.dx << "," << k.dy;
    }
}

TEST(CursorReadout, TheRangeStartMovesTheOriginBeyondThePicture) {
    DisplayParams p = Sector200m();
    p.range_start_m = 40;  // Sp = 100 pixels
    const CursorReadout r = ReadCursor(p, kApexX, kApexY - 100);
    EXPECT_EQ(r.first, "80.00 M");
    // The range cell counts from the start of the window: 100 pixels of 500 over 500 samples.
    EXPECT_EQ(r.range_bin, 100);
}

TEST(CursorReadout, RangeBinUnderThePointer) {
    DisplayParams p = Sector200m();
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 250).range_bin, 250);
    p.num_samples = 1000;
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 250).range_bin, 500);
    EXPECT_EQ(ReadCursor(p, kApexX, kApexY - 700).range_bin, 999);  // limited to the samples
    // A pointer far outside (a grabbed mouse dragged off the screen) stays on the last cell.
    EXPECT_EQ(ReadCursor(p, kApexX, -2'000'000'000).range_bin, 999);
}

TEST(CursorReadout, ProfileModeBearingAndRectangularComponents) {
    DisplayParams p = Sector200m();
    p.mode = DisplayMode::Profile;
    p.profile_grid = 0;
    const int o = ProfileCentring(p.sector_deg, p.tilt_deg);
    const int ox = o + kApexX, oy = 60;
    // Straight down from the origin reads 0 degrees, to the left of it negative.
    EXPECT_EQ(ReadCursor(p, ox, oy + 100).second, "000.0 Deg");
    EXPECT_EQ(ReadCursor(p, ox + 100, oy + 100).second, "045.0 Deg");
    EXPECT_EQ(ReadCursor(p, ox - 100, oy + 100).second, "-45.0 Deg");
    EXPECT_EQ(ReadCursor(p, ox, oy + 100).first, "40.00 M");
    EXPECT_STREQ(CursorLabelsFor(p).first, "RNG:");
    p.profile_grid = 1;
    EXPECT_STREQ(CursorLabelsFor(p).first, "HOR:");
    const CursorReadout r = ReadCursor(p, ox + 50, oy + 99);
    EXPECT_EQ(r.first, "20.00 M");
    EXPECT_EQ(r.second, "-39.20 M");  // oy - y + 1 = -98 pixels: below the origin is negative
}

TEST(CursorReadout, ProfileWaterfallOutsideItsPictureReadsNotAvailable) {
    DisplayParams p = Sector200m();
    p.mode = DisplayMode::Profile;
    p.profile_waterfall = true;
    for (auto [x, y] :
         {std::pair{430, 200}, std::pair{20, 200}, std::pair{200, 59}, std::pair{200, 331}}) {
        const CursorReadout r = ReadCursor(p, x, y);
        EXPECT_EQ(r.first, "n/a") << x << "," << y;
        EXPECT_EQ(r.second, "n/a");
    }
    // Inside, the picture is half height: each pixel counts double.
    p.profile_grid = 1;
    const int o = ProfileCentring(p.sector_deg, p.tilt_deg);
    const int ox = static_cast<int>((o + 505) * 0.5 - 28);
    EXPECT_EQ(ReadCursor(p, ox + 50, 200).first, "40.00 M");
}

TEST(CursorReadout, BeamTestElementUnderThePointer) {
    DisplayParams p = Sector200m();
    p.mode = DisplayMode::BeamTest;
    p.num_elements = 16;
    p.xdcr = 0;
    const int first_bar = 219;  // client column of Beam Test column k = 0
    EXPECT_EQ(ReadCursor(p, first_bar + 216, kApexY - 100).second, "Beam 16");
    EXPECT_EQ(ReadCursor(p, first_bar + 216, kApexY - 100).first, "40.00 M");
    EXPECT_EQ(ReadCursor(p, first_bar + 359, kApexY - 100).second, "Beam 1");
    const CursorReadout none = ReadCursor(p, first_bar + 215, kApexY - 100);
    EXPECT_TRUE(none.first.empty());
    EXPECT_TRUE(none.second.empty());
    // Transducer up mirrors the columns.
    p.xdcr = 1;
    EXPECT_EQ(ReadCursor(p, first_bar + 576 - 216, kApexY - 100).second, "Beam 16");
    p.xdcr = 0;
    p.num_elements = 64;
    EXPECT_EQ(ReadCursor(p, first_bar, kApexY - 100).second, "Beam 64");
    EXPECT_EQ(ReadCursor(p, first_bar + 575, kApexY - 100).second, "Beam 1");
    p.num_elements = 32;
    EXPECT_EQ(ReadCursor(p, first_bar + 144, kApexY - 100).second, "Beam 32");
    EXPECT_TRUE(ReadCursor(p, first_bar + 432, kApexY - 100).second.empty());
}

TEST(CursorReadout, PerspectivePointsReadBackThroughTheCamera) {
    DisplayParams p = Sector200m();
    p.mode = DisplayMode::Perspective;
    EXPECT_STREQ(CursorLabelsFor(p).first, "HOR:");
    EXPECT_STREQ(CursorLabelsFor(p).second, "VER:");
    // A fan point 250 pixels ahead and 60 to the right (100 m ahead, 24 m across).
    int dx = 0, dy = 0;
    ASSERT_TRUE(PerspectiveProject(60.0, -250.0, dx, dy));
    const CursorReadout r = ReadCursor(p, kApexX + dx, kApexY + dy);
    const double across = std::stod(r.first), ahead = std::stod(r.second);
    EXPECT_NEAR(across, 24.0, 1.0);
    EXPECT_NEAR(ahead, 100.0, 1.5);
    EXPECT_NE(r.first.find(" M"), std::string::npos);
}

TEST(CursorReadout, LinearColumnsAreBeamsAndRowsAreRange) {
    DisplayParams p = Sector200m();
    p.mode = DisplayMode::Linear;
    p.num_beams = 120;
    p.sector_deg = 120.0f;
    p.linear_rule = ByteRule::A;
    // Range rises from the bottom edge: 250 rows up is half the window.
    EXPECT_EQ(ReadCursor(p, kApexX, 61 + 542 - 250).first, "100.00 M");
    EXPECT_EQ(ReadCursor(p, kApexX, 61 + 542 - 250).second, "000.0 Deg");
    EXPECT_EQ(ReadCursor(p, kApexX + 30, 300).second, "030.0 Deg");
    EXPECT_EQ(ReadCursor(p, kApexX - 30, 300).second, "330.0 Deg");
    EXPECT_TRUE(ReadCursor(p, kApexX + 200, 300).first.empty());  // outside the beams
    // Head-formed beams draw range downward from the top.
    p.linear_rule = ByteRule::C;
    EXPECT_EQ(ReadCursor(p, kApexX, 61 + 100).first, "40.00 M");
}

TEST(MeasuringLine, LengthAndLabelPlace) {
    DisplayParams p = Sector200m();
    EXPECT_EQ(MeasureText(p, 300, 300, 330, 340), "20.00 M");  // 50 pixels
    p.units = 1;
    EXPECT_EQ(MeasureText(p, 300, 300, 300, 300), "0.00 FT");
    // Below the anchor the label's lower edge is 26 pixels below the pointer; otherwise its
    // upper edge is 25 pixels above.
    EXPECT_EQ(MeasureLabelTop(100, 200, 14), 212);
    EXPECT_EQ(MeasureLabelTop(300, 200, 14), 175);
    EXPECT_EQ(MeasureLabelTop(200, 200, 14), 175);
}

TEST(RangeLabel, NamesByIndexUnitAndRangeStart) {
    struct Case {
        RangeLabelInputs in;
        const char* label;
    };
    const Case cases[] = {
        {{7, 0, 20, false, false, 2}, "20 to 70 M"},
        {{7, 1, 20, false, false, 2}, "20 to 70 M"},
        {{7, 2, 20, false, false, 2}, "20 to 70 M"},
        {{7, 1, 0, false, false, 2}, "150 FT  "},
        {{0, 0, 0, false, false, 0}, "1.25 M"},
        {{16, 1, 0, false, false, 2}, "1500 FT "},
        {{12, 2, 0, false, false, 2}, "200 YDS  "},
        {{12, 0, 0, false, false, 2}, "200 M "},
        // A fine-resolution head: a tenth of the span, in the window and in the names.
        {{12, 0, 10, true, false, 2}, "10 to 30 M"},
        {{2, 0, 10, true, false, 2}, "10 to 10.5 M"},
        {{12, 0, 0, true, false, 2}, "20 M"},
        {{2, 0, 0, true, false, 2}, "0.5 M"},
        // Half-range mode names the half window shown.
        {{1, 0, 0, false, true, 1}, "1.25 M"},
        {{1, 1, 0, false, true, 1}, "3.75 FT"},
        {{2, 0, 5, false, true, 2}, "5 to 7.50 M"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(RangeLabel(k.in), k.label) << k.in.range_index << " units " << k.in.units;
    }
}

TEST(ProfileDepthHandles, RowsAndLimits) {
    DisplayParams p = Sector200m();
    p.mode = DisplayMode::Profile;
    EXPECT_DOUBLE_EQ(ProfileDepthAtRow(p, 60 + 100), 40.0);
    EXPECT_EQ(ProfileRowOfDepth(p, 40.0), 160);
    p.sound_velocity = 1530.0f;
    EXPECT_NEAR(ProfileDepthAtRow(p, 160), 40.8, 1e-9);
    // Minimum 0.1 .. 0.9 x range and 0.05 x range above the maximum; maximum 0.1 .. 0.95 x
    // range and 0.05 x range below the minimum.
    EXPECT_DOUBLE_EQ(LimitMinDepth(0.0, 150.0, 200.0), 0.1);
    EXPECT_DOUBLE_EQ(LimitMinDepth(195.0, 300.0, 200.0), 180.0);
    EXPECT_DOUBLE_EQ(LimitMinDepth(145.0, 150.0, 200.0), 140.0);
    EXPECT_DOUBLE_EQ(LimitMaxDepth(5.0, 0.1, 200.0), 20.0);
    EXPECT_DOUBLE_EQ(LimitMaxDepth(199.0, 0.1, 200.0), 190.0);
    EXPECT_DOUBLE_EQ(LimitMaxDepth(50.0, 45.0, 200.0), 55.0);
}

}  // namespace
}  // namespace vq
