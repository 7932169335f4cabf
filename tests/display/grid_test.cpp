#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "display/display_test_util.h"
#include "display/grid.h"
#include "display/grid_font.h"
#include "display/sonar_picture.h"

namespace vq {
namespace {

using test::Px;
using test::SectorParams;

constexpr double kPi = std::numbers::pi;

std::vector<std::uint8_t> Blank() {
    return std::vector<std::uint8_t>(kImagePixels, 0);
}

// Overlay pixels found walking out from the apex along the bearing `a` (0 = up, degrees).
std::vector<int> RingRadii(const std::uint8_t* img, double a_deg, int sp = 0) {
    std::vector<int> out;
    const double a = a_deg * kPi / 180;
    int last = -10;
    for (int r = 20; r < 560; ++r) {
        const int x = static_cast<int>(505 + r * std::sin(a) + 0.5);
        const int y = static_cast<int>(541 + sp - r * std::cos(a) + 0.5);
        if (x < 0 || x >= 1012 || y < 0 || y >= 542) continue;
        bool hit = false;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (x + dx >= 0 && x + dx < 1012 && y + dy >= 0 && y + dy < 542) {
                    hit = hit || Px(img, x + dx, y + dy) == 255;
                }
            }
        }
        if (hit && r - last > 3) out.push_back(r + 1);  // runs start one before the ring
        if (hit) last = r;
    }
    return out;
}

TEST(SectorGrid, RingsAtTrueRangesForSoundVelocity) {
    DisplayParams p = SectorParams();
    p.grid = true;
    auto img = Blank();
    DrawSectorGrid(p, img.data());
    const auto r = RingRadii(img.data(), 20.0);
    ASSERT_EQ(r.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(r[static_cast<std::size_t>(i)], 100 * (i + 1), 1.5) << i;
    p.sound_velocity = 1450.0f;
    EXPECT_NEAR(RingSpacing(p), 103.448, 0.001);
    auto img2 = Blank();
    DrawSectorGrid(p, img2.data());
    const auto r2 = RingRadii(img2.data(), 20.0);
    ASSERT_EQ(r2.size(), 5u);
    EXPECT_NEAR(r2[4], 517, 1.5);  // beyond the 500-pixel fan
    p.units = 1;
    p.sound_velocity = 1500.0f;
    EXPECT_NEAR(RingSpacing(p), 91.44, 1e-9);
    // Edges at +-60 degrees and the centre line.
    EXPECT_EQ(Px(img.data(), 505, 300), 255);
    EXPECT_EQ(Px(img.data(), static_cast<int>(505 + 300 * std::sin(kPi / 3) + 0.5),
                 static_cast<int>(541 - 300 * std::cos(kPi / 3) + 0.5)),
              255);
}

TEST(SectorGrid, LabelTextsAndSteps) {
    DisplayParams p = SectorParams();
    p.range_span_m = 30.0f;
    EXPECT_DOUBLE_EQ(LabelStep(p), 6.0);
    EXPECT_EQ(LabelText(6.0, false), " 6.0");
    EXPECT_EQ(LabelText(30.0, false), "30.0");
    p.units = 1;
    EXPECT_DOUBLE_EQ(LabelStep(p), 18.0);
    p.units = 2;
    EXPECT_DOUBLE_EQ(LabelStep(p), 6.0);
    p.half_range = true;
    p.min_range_index = 0;
    EXPECT_DOUBLE_EQ(LabelStep(p), 0.15);
    p.min_range_index = 2;
    EXPECT_DOUBLE_EQ(LabelStep(p), 0.5);
    p.fine_resolution = true;
    EXPECT_DOUBLE_EQ(LabelStep(p), 0.05);
    p.units = 1;
    EXPECT_DOUBLE_EQ(LabelStep(p), 1.5);
    p.min_range_index = 0;
    EXPECT_DOUBLE_EQ(LabelStep(p), 0.45);
    EXPECT_EQ(LabelText(0.5, true), "0.50");
}

TEST(GridFont, AlignmentAndAdvance) {
    auto img = Blank();
    // "1.5" left-aligned at (100, 50): '1' at 100, '.' at 108 (advance 4 after it), '5' at 112.
    DrawText(img.data(), 100, 50, TextAlign::Left, "1.5", 9);
    EXPECT_EQ(Px(img.data(), 103, 53), 9);  // '1' row 3 = 0x18: columns 3, 4
    EXPECT_EQ(Px(img.data(), 102, 53), 0);
    EXPECT_EQ(Px(img.data(), 109, 61), 9);  // '.' row 11 = 0x60: columns 1, 2
    EXPECT_EQ(Px(img.data(), 113, 53), 9);  // '5' row 3 = 0x7e: columns 1..6
    EXPECT_EQ(Px(img.data(), 112, 53), 0);
    auto img2 = Blank();
    // Right-aligned "12" ends at x: starts at x - 16 + 2.
    DrawText(img2.data(), 200, 10, TextAlign::Right, "12", 7);
    EXPECT_EQ(Px(img2.data(), 186 + 3, 13), 7);
    auto img3 = Blank();
    DrawText(img3.data(), 200, 10, TextAlign::Centre, "12", 7);  // starts at x - 8 - 2
    EXPECT_EQ(Px(img3.data(), 190 + 3, 13), 7);
    // Text partly outside the picture is clipped, not written out of bounds.
    DrawText(img3.data(), 1008, 535, TextAlign::Left, "888", 7);
    DrawText(img3.data(), -5, -5, TextAlign::Left, "888", 7);
}

TEST(SectorGrid, LabelsAtTheEdgeAndOnTheCentreLine) {
    DisplayParams p = SectorParams();
    p.range_span_m = 30.0f;
    p.grid = true;
    auto img = Blank();
    DrawSectorGrid(p, img.data());
    // " 6.0" right-aligned at (418, 491): blank at 388, '6' at 396, '.' at 404, '0' at 408.
    EXPECT_EQ(Px(img.data(), 398, 494), 216);  // '6' row 3 = 0x3c
    EXPECT_EQ(Px(img.data(), 396, 494), 0);
    EXPECT_EQ(Px(img.data(), 389, 494), 0);  // the leading blank draws nothing
    p.colors = kRevGreyTable;
    auto rev = Blank();
    DrawSectorGrid(p, rev.data());
    EXPECT_EQ(Px(rev.data(), 398, 494), 72);

    p.colors = 0;
    p.range_start_m = 10;
    auto s10 = Blank();
    DrawSectorGrid(p, s10.data());
    // Label "16.0" on the centre line: right-aligned at (505 - 4, 441 + 4): starts at 471.
    EXPECT_EQ(Px(s10.data(), 474, 448), 255);  // '1' row 3
    // "40.0" at ring 5: y = 41 + 4, x starts at 471; '4' row 3 = 0x06: columns 5, 6.
    EXPECT_EQ(Px(s10.data(), 476, 48), 255);
    EXPECT_EQ(Px(s10.data(), 474, 48), 0);
}

TEST(SectorGrid, SwitchingOffErasesEverything) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.grid = true;
    pic->set_params(p);
    int lit = 0;
    for (int i = 0; i < kImagePixels; ++i) lit += pic->display_image()[i] != 0;
    EXPECT_GT(lit, 3000);
    pic->set_grid(false);
    for (int i = 0; i < kImagePixels; ++i) ASSERT_EQ(pic->display_image()[i], 0) << i;
}

TEST(OtherGrids, EveryModeDrawsAndErasesARangeGrid) {
    for (DisplayMode m : {DisplayMode::Linear, DisplayMode::Perspective, DisplayMode::Profile,
                          DisplayMode::BeamTest}) {
        for (int pg : {0, 1}) {
            auto pic = std::make_unique<SonarPicture>();
            DisplayParams p = SectorParams();
            p.mode = m;
            p.profile_grid = pg;
            p.grid = true;
            pic->set_params(p);
            int lit = 0;
            for (int i = 0; i < kImagePixels; ++i) lit += pic->display_image()[i] == 255;
            EXPECT_GT(lit, 500) << static_cast<int>(m) << " " << pg;
            pic->set_grid(false);
            for (int i = 0; i < kImagePixels; ++i) ASSERT_EQ(pic->display_image()[i], 0);
        }
    }
}

TEST(OtherGrids, BeamTestLinesAtRingSpacing) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.mode = DisplayMode::BeamTest;
    p.grid = true;
    pic->set_params(p);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(Px(pic->display_image(), 500, 541 - 100 * i), 255);
    EXPECT_EQ(Px(pic->display_image(), 500, 491), 0);
}

}  // namespace
}  // namespace vq
