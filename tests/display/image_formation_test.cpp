// Scan conversion checked against the beams: where a bright beam or cell must appear.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "display/display_test_util.h"
#include "display/scan_convert.h"
#include "display/sonar_picture.h"

namespace vq {
namespace {

using test::Deg;
using test::FillRows;
using test::Px;
using test::SectorParams;

constexpr double kPi = std::numbers::pi;

TEST(FineSteps, CountPerBeam) {
    EXPECT_EQ(FineStepsPerBeam(120.0f, 480, false), 4);
    EXPECT_EQ(FineStepsPerBeam(120.0f, 240, false), 8);
    EXPECT_EQ(FineStepsPerBeam(120.0f, 120, false), 16);  // 15 made even
    EXPECT_EQ(FineStepsPerBeam(90.0f, 256, true), 20);
    EXPECT_EQ(FineStepsPerBeam(10.0f, 600, false), 2);  // would be 0
}

// Weight rows used are q + 10 - m/2: 8..11 at m = 4, 2..17 at m = 16.
TEST(SectorTables, StepsAndWeightRows) {
    for (auto [beams, lo, hi, steps] :
         {std::tuple{480, 8, 11, 1920}, std::tuple{120, 2, 17, 1920}}) {
        auto pic = std::make_unique<SonarPicture>();
        pic->set_params(SectorParams(beams));
        const PixelTables& t = pic->tables();
        std::set<int> rows;
        int max_step = 0;
        for (int i = 0; i < kImagePixels; ++i) {
            if (t.PixelW1[static_cast<std::size_t>(i)] == 0) continue;
            rows.insert((95 - t.PixelW0[static_cast<std::size_t>(i)]) / 5);
            max_step = std::max(max_step, t.PixelStep[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(*rows.begin(), lo);
        EXPECT_EQ(*rows.rbegin(), hi);
        EXPECT_EQ(max_step, steps - 1);
    }
}

// Head-formed beams: 20 steps per beam from each beam's own angle; the middle beam points up.
TEST(SectorTables, HeadFormedBeamsUseTheirAngles) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams(256, 90.0f);
    p.head_formed = true;
    for (int i = 0; i < 256; ++i)
        p.head_angles[static_cast<std::size_t>(i)] = std::asin((i - 128) / 128.0f);
    pic->set_params(p);
    const PixelTables& t = pic->tables();
    int max_step = 0;
    for (int i = 0; i < kImagePixels; ++i)
        max_step = std::max(max_step, t.PixelStep[static_cast<std::size_t>(i)]);
    EXPECT_EQ(max_step, 5119);
    const std::size_t up = 141 * 1012 + 505;  // 400 pixels straight above the apex
    EXPECT_EQ(t.PixelBeam[up], 128);
    EXPECT_EQ(t.PixelCell[up], 400);
}

TEST(ScanConversion, UniformInputAndUnreachedPixels) {
    auto pic = std::make_unique<SonarPicture>();
    const DisplayParams p = SectorParams(120);
    pic->set_params(p);
    auto img = std::make_unique<BeamByteImage>();
    FillRows(*img, 0, 119, 200);
    FillRows(*img, 120, 600, 255);  // rows past the beams must count as 0
    ASSERT_TRUE(pic->Render(*img, {}));
    const PixelTables& t = pic->tables();
    const std::uint8_t* d = pic->display_image();
    int interior = 0;
    for (int y = 0; y < kImageHeight; ++y) {
        for (int x = 0; x < kImageWidth; ++x) {
            const auto i = static_cast<std::size_t>(y * kImageWidth + x);
            const bool in_span = y < 541 && x >= t.RowStart[static_cast<std::size_t>(y)] &&
                                 x < t.RowEnd[static_cast<std::size_t>(y)];
            if (!in_span || t.PixelW1[i] == 0) {
                ASSERT_EQ(d[i], 0) << x << "," << y;  // outside, or reached by no step
                continue;
            }
            const int beam = t.PixelStep[i] / 16;
            const int q = t.PixelStep[i] % 16;
            const int row = q + 10 - 8;
            int expect = 156;  // 200 * 200 / 256
            if (beam == 0) expect = (105 + 5 * row) * 200 / 256;
            if (beam == 119) expect = (95 - 5 * row + 105) * 200 / 256;
            if (expect == 156) ++interior;
            ASSERT_EQ(d[i], expect) << x << "," << y;
        }
    }
    EXPECT_GT(interior, 200000);
    EXPECT_EQ(Px(d, 505, 300), 156);
}

// Pixels lit mainly by byte-image row r lie between the angles of steps r*m and (r+1)*m.
TEST(ScanConversion, BrightBeamLiesAlongItsAngle) {
    auto pic = std::make_unique<SonarPicture>();
    pic->set_params(SectorParams(120));
    auto img = std::make_unique<BeamByteImage>();
    const int r = 40;
    FillRows(*img, r, r, 250);
    pic->Render(*img, {});
    const double theta0 = (-60.0 + 0.5) * kPi / 180 - kPi / 2;
    const double lo = theta0 + r * kPi / 180;
    const double hi = theta0 + (r + 1) * kPi / 180;
    const double fine = kPi / 180 / 16;
    int lit = 0;
    for (int y = 0; y < 541; ++y) {
        for (int x = 0; x < kImageWidth; ++x) {
            if (Px(pic->display_image(), x, y) < 100) continue;  // neighbours give at most 83
            const double dx = x - 505;
            const double dy = y - 541;
            const double rad = std::hypot(dx, dy);
            if (rad < 200) continue;
            const double a = std::atan2(dy, dx);
            const double tol = fine + 0.71 / rad;
            EXPECT_GE(a, lo - tol) << x << "," << y;
            EXPECT_LE(a, hi + tol) << x << "," << y;
            ++lit;
        }
    }
    EXPECT_GT(lit, 1000);
}

// A single bright cell j appears at radius Sp + j from the apex; S > 0 moves the apex down.
TEST(ScanConversion, BrightCellAtRangeAndRangeStartMovesApex) {
    for (int S : {0, 10}) {
        auto pic = std::make_unique<SonarPicture>();
        DisplayParams p = SectorParams(120);
        p.range_start_m = S;
        pic->set_params(p);
        const int sp = S * 500 / 50;
        auto img = std::make_unique<BeamByteImage>();
        const int j = S == 0 ? 300 : 5;
        for (int row = 30; row <= 90; ++row) img->Row(row)[j] = 250;
        pic->Render(*img, {});
        int lit = 0;
        for (int y = 0; y < 542; ++y) {
            for (int x = 0; x < kImageWidth; ++x) {
                if (Px(pic->display_image(), x, y) < 150) continue;
                const double rad = std::hypot(x - 505.0, y - (541.0 + sp));
                EXPECT_NEAR(rad, sp + j, 1.0) << x << "," << y;
                ++lit;
            }
        }
        EXPECT_GT(lit, 10);
        if (S != 0) {
            // Sp = 100: the origin lies 100 pixels below the picture, so the pixel just
            // above the apex pixel is range cell 1 (radius 101).
            EXPECT_EQ(pic->tables().PixelCell[540 * 1012 + 505], 1);
        }
    }
}

double MeanAngleOfBright(const SonarPicture& pic, double ox, double oy) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < 542; ++y) {
        for (int x = 0; x < kImageWidth; ++x) {
            if (Px(pic.clean_image(), x, y) < 100) continue;
            if (std::hypot(x - ox, y - oy) < 150) continue;
            sum += std::atan2(y - oy, x - ox);
            ++n;
        }
    }
    return n > 0 ? sum / n : 1e9;
}

TEST(ProfileMode, TiltTurnsTheBeamAndCentresTheFan) {
    EXPECT_EQ(ProfileCentring(120.0f, 0.0f), 0);
    EXPECT_EQ(ProfileCentring(120.0f, 30.0f), -125);  // edges at 1005 and 255
    auto img = std::make_unique<BeamByteImage>();
    FillRows(*img, 60, 60, 250);
    double angle[2] = {};
    const float tilts[2] = {0.0f, 20.0f};
    for (int k = 0; k < 2; ++k) {
        auto pic = std::make_unique<SonarPicture>();
        DisplayParams p = SectorParams(120);
        p.mode = DisplayMode::Profile;
        p.tilt_deg = tilts[k];
        pic->set_params(p);
        pic->Render(*img, {});
        angle[k] = MeanAngleOfBright(*pic, 505 + ProfileCentring(120.0f, tilts[k]), 0);
    }
    EXPECT_NEAR(Deg(angle[0]), 90.0, 1.0);  // the middle beam points straight down
    EXPECT_NEAR(Deg(angle[1] - angle[0]), -20.0, 0.3);
}

TEST(ProfileMode, TiltedFanIsCentred) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams(120);
    p.mode = DisplayMode::Profile;
    p.tilt_deg = 30.0f;
    pic->set_params(p);
    int lo = kImageWidth;
    int hi = 0;
    for (int y = 0; y < 541; ++y) {
        const int s = pic->tables().RowStart[static_cast<std::size_t>(y)];
        const int e = pic->tables().RowEnd[static_cast<std::size_t>(y)];
        if (e <= s) continue;
        lo = std::min(lo, s);
        hi = std::max(hi, e);
    }
    EXPECT_NEAR((lo + hi) / 2.0, 505.0, 3.0);
}

TEST(PerspectiveMode, UniformFanIsSymmetric) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams(480);
    p.mode = DisplayMode::Perspective;
    p.step_size = 0;
    pic->set_params(p);
    auto img = std::make_unique<BeamByteImage>();
    FillRows(*img, 0, 479, 200);
    pic->Render(*img, {});
    int rows = 0;
    for (int y = 0; y < 541; ++y) {
        int lo = -1;
        int hi = -1;
        for (int x = 0; x < kImageWidth; ++x) {
            if (Px(pic->clean_image(), x, y) == 0) continue;
            if (lo < 0) lo = x;
            hi = x;
        }
        if (lo < 0 || hi - lo < 20) continue;
        EXPECT_NEAR((lo + hi) / 2.0, 505.0, 3.5) << "row " << y;
        ++rows;
    }
    EXPECT_GT(rows, 300);  // the projected fan fills most rows
}

TEST(Persistence, DecayAndOverlaySurvive) {
    EXPECT_FLOAT_EQ(PersistenceDecay(2, 100.0, 0.0f), 4.0f);   // 80 / (2000 / 100)
    EXPECT_FLOAT_EQ(PersistenceDecay(2, 1500.0, 7.0f), 7.0f);  // slow pings keep the last
    EXPECT_FLOAT_EQ(PersistenceDecay(0, 100.0, 7.0f), 7.0f);
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams(120);
    p.persistence_s = 2;
    p.grid = true;
    pic->set_params(p);
    auto img = std::make_unique<BeamByteImage>();
    FillRows(*img, 0, 119, 255);
    FrameInputs in;
    in.ping_interval_ms = 100.0;
    pic->Render(*img, in);
    const std::uint8_t* d = pic->display_image();
    EXPECT_EQ(Px(d, 600, 300), 199);  // 255 * 200 / 256
    EXPECT_EQ(Px(d, 505, 400), 255);  // centre line of the grid
    FillRows(*img, 0, 119, 0);
    pic->Render(*img, in);
    EXPECT_EQ(Px(d, 600, 300), 195);  // 199 - 4
    pic->Render(*img, in);
    EXPECT_EQ(Px(d, 600, 300), 191);
    EXPECT_EQ(Px(d, 505, 400), 255);
    pic->Clear();
    EXPECT_EQ(Px(d, 600, 300), 0);
    EXPECT_EQ(pic->persist_image()[300 * 1012 + 505], 0.0f);
    EXPECT_EQ(Px(d, 505, 400), 255);  // the grid is redrawn after clearing
}

TEST(Rebuild, BusyRefusesRenderingOnlyDuringRebuild) {
    auto pic = std::make_unique<SonarPicture>();
    EXPECT_FALSE(pic->busy());
    auto img = std::make_unique<BeamByteImage>();
    EXPECT_TRUE(pic->Render(*img, {}));
}

TEST(Placement, NormalAndWaterfall) {
    DisplayParams p = SectorParams();
    const PicturePlacement a = PlacePicture(p, 1.0);
    EXPECT_EQ(a.dest_x, 2);
    EXPECT_EQ(a.dest_y, 61);
    EXPECT_EQ(a.dest_w, 1012);
    p.mode = DisplayMode::Profile;
    p.profile_waterfall = true;
    const PicturePlacement b = PlacePicture(p, 1.0);
    EXPECT_EQ(b.dest_x, 22);
    EXPECT_EQ(b.src_x, 100);
    EXPECT_EQ(b.src_w, 812);
    EXPECT_EQ(b.dest_w, 406);
    EXPECT_EQ(b.dest_h, 271);
    EXPECT_TRUE(b.waterfall_shown);
    EXPECT_EQ(b.waterfall_x, 431);
}

}  // namespace
}  // namespace vq
