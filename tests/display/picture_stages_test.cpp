// Background removal, profile waterfall, profile point overlay and PNG export.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "display/background.h"
#include "display/display_test_util.h"
#include "display/png_export.h"
#include "display/profile_overlay.h"
#include "display/sonar_picture.h"
#include "display/waterfall.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

using test::Px;
using test::SectorParams;

struct Pictures {
    std::vector<std::uint8_t> clean = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<std::uint8_t> ref = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<std::uint8_t> change = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<std::uint8_t> trail = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<std::uint8_t> display = std::vector<std::uint8_t>(kImagePixels, 0);
    std::vector<float> persist = std::vector<float>(kImagePixels, 0.0f);
    BackgroundImages Images() {
        return {clean.data(),   ref.data(),   change.data(),
                persist.data(), trail.data(), display.data()};
    }
};

std::unique_ptr<PixelTables> FullSpans() {
    auto t = std::make_unique<PixelTables>();
    t->RowStart.fill(0);
    t->RowEnd.fill(kImageWidth);
    return t;
}

TEST(BackgroundRemoval, DecayFactor) {
    EXPECT_NEAR(BackgroundDecayFactor(0, 100.0, 0.9f), 0.7f, 1e-6);  // T = 0 counts as 1
    EXPECT_NEAR(BackgroundDecayFactor(10, 100.0, 0.9f), 0.97f, 1e-6);
    EXPECT_FLOAT_EQ(BackgroundDecayFactor(1, 900.0, 0.9f), 0.5f);   // never below 0.5
    EXPECT_FLOAT_EQ(BackgroundDecayFactor(1, 1000.0, 0.9f), 0.9f);  // slow pings keep it
}

TEST(BackgroundRemoval, EmptyReferenceShowsPictureWithTrail) {
    auto t = FullSpans();
    Pictures p;
    const int i = 300 * kImageWidth + 500;
    p.clean[static_cast<std::size_t>(i)] = 200;
    BackgroundRemoveStep(*t, p.Images(), 0.7f);
    EXPECT_EQ(p.display[static_cast<std::size_t>(i)], 200);
    p.clean[static_cast<std::size_t>(i)] = 0;
    BackgroundRemoveStep(*t, p.Images(), 0.7f);
    EXPECT_EQ(p.display[static_cast<std::size_t>(i)], 140);
    BackgroundRemoveStep(*t, p.Images(), 0.7f);
    EXPECT_NEAR(p.display[static_cast<std::size_t>(i)], 98, 1);  // 200 * 0.7 * 0.7
}

TEST(BackgroundRemoval, ReferenceDilatesAndHidesKnownTargets) {
    auto t = FullSpans();
    Pictures p;
    const int x = 500;
    const int y = 300;
    p.clean[static_cast<std::size_t>(y * kImageWidth + x)] = 180;
    BackgroundBuildStep(*t, p.clean.data(), p.ref.data(), p.display.data());
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) EXPECT_EQ(Px(p.ref.data(), x + dx, y + dy), 180);
    }
    EXPECT_EQ(Px(p.ref.data(), x + 2, y), 0);
    EXPECT_EQ(Px(p.display.data(), x + 1, y + 1), 180);
    // The target moves one pixel: still inside the reference, so nothing shows.
    std::fill(p.clean.begin(), p.clean.end(), 0);
    p.clean[static_cast<std::size_t>(y * kImageWidth + x + 1)] = 170;
    p.clean[static_cast<std::size_t>(y * kImageWidth + x + 5)] = 90;  // a new target
    BackgroundRemoveStep(*t, p.Images(), 0.7f);
    EXPECT_EQ(Px(p.display.data(), x + 1, y), 0);
    EXPECT_EQ(Px(p.display.data(), x + 5, y), 90);
}

TEST(BackgroundRemoval, PictureSwitchesAndOverlay) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams d = SectorParams();
    d.grid = true;
    pic->set_params(d);
    auto img = std::make_unique<BeamByteImage>();
    test::FillRows(*img, 0, 119, 100);
    pic->set_background_removal(true);
    pic->BuildReference();
    pic->Render(*img, {});
    EXPECT_EQ(Px(pic->background_reference(), 505, 300), 78);  // 100 * 200 / 256
    pic->StoreReference();
    pic->Render(*img, {});
    EXPECT_EQ(Px(pic->display_image(), 600, 300), 0);    // nothing above the reference
    EXPECT_EQ(Px(pic->display_image(), 505, 300), 255);  // grid kept
    test::FillRows(*img, 0, 119, 200);
    pic->Render(*img, {});
    EXPECT_EQ(Px(pic->display_image(), 600, 300), 78);  // 156 - 78
}

TEST(Waterfall, BandSearchCarryAndScroll) {
    std::vector<std::uint8_t> clean(kImagePixels, 0);
    std::vector<std::uint8_t> display(kImagePixels, 0);
    std::vector<std::uint8_t> wf(kWaterfallWidth * kWaterfallHeight, 0);
    std::vector<std::int32_t> prof(kWaterfallWidth, 0);
    auto at = [&](int x, int y) -> std::uint8_t& {
        return clean[static_cast<std::size_t>(y * kImageWidth + x)];
    };
    at(256 + 5, 20) = 200;     // on row T: outside the band
    at(256 + 5, 100) = 200;    // found: u = 254 - 80 * 254 / 200 = 153
    at(256 + 300, 220) = 200;  // on row T + H: outside
    at(256 + 400, 150) = 10;   // below the threshold
    WaterfallInput in;
    in.top = 20;
    in.height = 200;
    in.threshold = 64;
    in.clean = clean.data();
    UpdateWaterfall(in, display.data(), wf.data(), prof.data());
    auto w = [&](int x, int y) { return wf[static_cast<std::size_t>(y * kWaterfallWidth + x)]; };
    EXPECT_EQ(prof[5], 100);
    EXPECT_EQ(w(5, 120), 153);
    EXPECT_EQ(w(5, 118 - 76), 216);  // dot row 118 - 153 / 2
    for (int c = 6; c <= 15; ++c) {  // ten columns take over the row
        EXPECT_EQ(prof[static_cast<std::size_t>(c)], 100) << c;
        EXPECT_EQ(w(c, 120), 153) << c;
    }
    EXPECT_EQ(prof[16], 0);
    EXPECT_EQ(w(16, 120), 0);
    EXPECT_EQ(prof[300], 0);
    EXPECT_EQ(prof[400], 0);
    EXPECT_EQ(Px(display.data(), 110, 20), kWaterfallMarkValue);
    EXPECT_EQ(Px(display.data(), 911, 220), kWaterfallMarkValue);
    EXPECT_EQ(Px(display.data(), 256, 100), kWaterfallMarkValue);
    EXPECT_EQ(Px(display.data(), 100, 20), 254);
    EXPECT_EQ(Px(display.data(), 105, 120), 127);  // 254 - 100 * 254 / 200
    std::fill(clean.begin(), clean.end(), 0);
    UpdateWaterfall(in, display.data(), wf.data(), prof.data());
    EXPECT_EQ(w(5, 121), 153);  // scrolled one row down
    EXPECT_EQ(w(5, 120), 0);
    EXPECT_EQ(w(5, 42), 0);  // the dot line shows only the current ping
    EXPECT_EQ(prof[5], 0);
}

TEST(Waterfall, BandEndsAtRow500) {
    std::vector<std::uint8_t> clean(kImagePixels, 0);
    std::vector<std::uint8_t> display(kImagePixels, 0);
    std::vector<std::uint8_t> wf(kWaterfallWidth * kWaterfallHeight, 0);
    std::vector<std::int32_t> prof(kWaterfallWidth, 0);
    clean[505 * kImageWidth + 256 + 10] = 250;
    clean[499 * kImageWidth + 256 + 50] = 250;
    WaterfallInput in;
    in.top = 400;
    in.height = 300;
    in.clean = clean.data();
    UpdateWaterfall(in, display.data(), wf.data(), prof.data());
    EXPECT_EQ(prof[10], 0);
    EXPECT_EQ(prof[50], 499);
    in.height = 0;  // a zero span must not divide by zero
    UpdateWaterfall(in, display.data(), wf.data(), prof.data());
}

TEST(ProfileOverlay, DimmingByDisplayType) {
    auto pic = std::make_unique<SonarPicture>();
    pic->set_params(SectorParams());
    const std::size_t i = 300 * kImageWidth + 505;
    for (auto [type, expect] :
         {std::pair{0, 201}, std::pair{1, 100}, std::pair{2, 50}, std::pair{3, 0}}) {
        std::vector<std::uint8_t> d(kImagePixels, 201);
        d[i + 1] = 255;
        OverlayInput in;
        in.display_type = type;
        SwathTrace s;
        DrawProfileOverlay(pic->Params(), pic->tables(), in, d.data(), s);
        EXPECT_EQ(d[i], expect) << type;
        EXPECT_EQ(d[i + 1], 255);
        EXPECT_EQ(d[0], 201);  // outside the fan
        EXPECT_FALSE(s.drawn);
    }
    OverlayInput in;
    in.display_type = 3;
    in.point_type = 1;
    EXPECT_EQ(EffectiveDisplayType(pic->Params(), in), 0);
}

TEST(ProfileOverlay, PointsInsideDrawnNearEdgeSkipped) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.grid = true;
    pic->set_params(p);
    std::vector<std::int32_t> ranges(120, 0);
    ranges[60] = 2500;  // sample 250 -> 250 pixels
    ranges[0] = 3000;   // on the fan's first edge
    ranges[62] = 2500;
    OverlayInput in;
    in.range_tenths = ranges.data();
    in.count = 120;
    in.display_type = 3;  // "Points Only"
    in.dot_size = 1;
    auto img = std::make_unique<BeamByteImage>();
    test::FillRows(*img, 0, 119, 150);
    FrameInputs f;
    f.overlay = &in;
    pic->Render(*img, f);
    const double kPi = std::numbers::pi;
    const double a60 = (-59.5 + 60.0 - 90.0) * kPi / 180;
    const int x = static_cast<int>(505 + 250 * std::cos(a60) + 0.5);
    const int y = static_cast<int>(541 + 250 * std::sin(a60) + 0.5);
    const std::uint8_t* d = pic->display_image();
    EXPECT_EQ(Px(d, x, y), 216);
    EXPECT_EQ(Px(d, x + 1, y + 1), 216);  // large dot
    EXPECT_EQ(Px(d, x + 20, y + 20), 0);  // echoes hidden
    EXPECT_EQ(Px(d, 505, 400), 255);      // grid kept
    const double a0 = (-59.5 - 90.0) * kPi / 180;
    const int x0 = static_cast<int>(505 + 300 * std::cos(a0) + 0.5);
    const int y0 = static_cast<int>(541 + 300 * std::sin(a0) + 0.5);
    EXPECT_NE(Px(d, x0, y0), 216);
    const SwathTrace& s = pic->swath();
    EXPECT_TRUE(s.drawn);
    EXPECT_EQ(s.columns[static_cast<std::size_t>(x0)], 0);
    EXPECT_EQ(s.left, x - 505);
    EXPECT_GT(s.right, s.left);
    for (int c = x; c <= s.right + 505; ++c)
        EXPECT_NE(s.columns[static_cast<std::size_t>(c)], 0) << c;
}

TEST(ProfileOverlay, PointsOnlyWithoutPointsLeavesGridOnly) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.grid = true;
    pic->set_params(p);
    std::vector<std::uint8_t> before(pic->display_image(), pic->display_image() + kImagePixels);
    auto img = std::make_unique<BeamByteImage>();
    test::FillRows(*img, 0, 119, 150);
    OverlayInput in;
    in.display_type = 3;
    FrameInputs f;
    f.overlay = &in;
    pic->Render(*img, f);
    const PixelTables& t = pic->tables();
    for (int y = 0; y < 541; ++y) {
        for (int x = t.RowStart[static_cast<std::size_t>(y)];
             x < t.RowEnd[static_cast<std::size_t>(y)]; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * kImageWidth + x);
            ASSERT_EQ(pic->display_image()[i], before[i] == 255 ? 255 : 0) << x << "," << y;
        }
    }
}

TEST(PngExport, IndexedPictureWithPaletteReadsBack) {
    test::TempDir dir;
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.grid = true;
    pic->set_params(p);
    auto img = std::make_unique<BeamByteImage>();
    test::FillRows(*img, 0, 119, 120);
    pic->Render(*img, {});
    const std::string path = (dir / "picture.png").string();
    std::string error;
    ASSERT_TRUE(pic->SavePng(path, &error)) << error;

    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    EXPECT_EQ(png_get_image_width(png, info), 1012u);
    EXPECT_EQ(png_get_image_height(png, info), 542u);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_PALETTE);
    png_colorp colors = nullptr;
    int n = 0;
    png_get_PLTE(png, info, &colors, &n);
    ASSERT_EQ(n, 256);
    EXPECT_EQ(colors[255].red, 100);
    EXPECT_EQ(colors[216].blue, 210);
    png_bytepp rows = png_get_rows(png, info);
    EXPECT_EQ(rows[300][600], 93);  // 120 * 200 / 256
    EXPECT_EQ(rows[300][505], 255);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);

    EXPECT_FALSE(pic->SavePng((dir / "no_such_dir" / "x.png").string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(pic->SaveWaterfallPng((dir / "wf.png").string(), &error)) << error;
}

}  // namespace
}  // namespace vq
