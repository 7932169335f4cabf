#include "windows/track_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vq {
namespace {

// A plotter client area in memory that keeps the pixels it is given and lists every line and
// text since the last fill.
class TestCanvas : public TrackCanvas {
  public:
    struct DrawnLine {
        int x0, y0, x1, y1;
        TrackColour colour;
        int width;
        bool dotted;
    };
    TestCanvas() : pixels_(static_cast<std::size_t>(kW * kH)) {}
    int width() const override { return kW; }
    int height() const override { return kH; }
    void Fill(TrackColour c) override {
        std::fill(pixels_.begin(), pixels_.end(), c);
        lines.clear();
        texts.clear();
        ++fills;
    }
    void Line(int x0, int y0, int x1, int y1, TrackColour c, int w, bool dotted) override {
        lines.push_back({x0, y0, x1, y1, c, w, dotted});
    }
    void Text(int, int, std::string_view t, TrackColour, TrackColour) override {
        texts.emplace_back(t);
    }
    TrackColour Pixel(int x, int y) const override {
        return Inside(x, y) ? pixels_[static_cast<std::size_t>(y * kW + x)] : TrackColour{};
    }
    void SetPixel(int x, int y, TrackColour c) override {
        if (Inside(x, y)) pixels_[static_cast<std::size_t>(y * kW + x)] = c;
    }
    std::vector<DrawnLine> LinesOf(TrackColour c, bool dotted = false) const {
        std::vector<DrawnLine> out;
        for (const auto& l : lines)
            if (l.colour == c && l.dotted == dotted) out.push_back(l);
        return out;
    }

    std::vector<DrawnLine> lines;
    std::vector<std::string> texts;
    int fills = 0;

  private:
    static constexpr int kW = 276;
    static constexpr int kH = 240;
    static bool Inside(int x, int y) { return x >= 0 && y >= 0 && x < kW && y < kH; }
    std::vector<TrackColour> pixels_;
};

constexpr double kN0 = 5400000.0;
constexpr double kE0 = 500000.0;

TrackFix At(double dn, double de, float heading = 0.0f) {
    TrackFix f;
    f.northing = kN0 + dn;
    f.easting = kE0 + de;
    f.heading = heading;
    return f;
}

// A 30 m jump is held at the previous position for 5 fixes live (10 in playback), then taken.
TEST(TrackModel, JumpFilterHoldsA30MetreJump) {
    for (bool playback : {false, true}) {
        TrackModel track;
        track.set_options({.playback = playback});
        track.AddFix(At(0, 0));  // first fix: starts the plot, next record is 1
        track.AddFix(At(0, 1));  // record 1
        ASSERT_EQ(track.Record(1).east, -(kE0 + 1));
        int held = playback ? 10 : 5;
        for (int i = 0; i < held; ++i) {
            track.AddFix(At(0, 31));
            EXPECT_EQ(track.Record(2 + i).east, -(kE0 + 1)) << i;
            EXPECT_EQ(track.Record(2 + i).track_valid, 1);
        }
        track.AddFix(At(0, 31));
        EXPECT_EQ(track.Record(2 + held).east, -(kE0 + 31));
        EXPECT_EQ(track.next_index(), 3 + held);
    }
    // Only consecutive jumps count: a good fix in between starts the count again.
    TrackModel track;
    track.AddFix(At(0, 0));
    track.AddFix(At(0, 0.5));
    for (int i = 0; i < 3; ++i) track.AddFix(At(40, 0));
    track.AddFix(At(1, 0));
    for (int i = 0; i < 3; ++i) track.AddFix(At(40, 0));
    EXPECT_EQ(track.Record(track.next_index() - 1).north, kN0 + 1);
}

TEST(TrackModel, AJumpOfMoreThan5000MetresClearsTheTrack) {
    TrackModel track;
    TestCanvas canvas;
    track.set_canvas(&canvas);
    for (int i = 0; i < 20; ++i) track.AddFix(At(i * 10.0, 0));
    EXPECT_EQ(track.Record(5).track_valid, 1);
    int fills = canvas.fills;
    track.AddFix(At(200 + 5001, 0));
    EXPECT_EQ(canvas.fills, fills + 1);  // redrawn at once
    for (int i = 0; i < TrackModel::kCapacity; ++i) ASSERT_EQ(track.Record(i).track_valid, 0) << i;
    EXPECT_EQ(track.Record(3).fix_value, 31);
    EXPECT_TRUE(canvas.LinesOf(kTrackGreen).empty());
    track.AddFix(At(5211, 0));  // the new plot grows from here
    EXPECT_EQ(track.Record(track.next_index() - 1).north, kN0 + 5211);
    EXPECT_EQ(track.Record(track.next_index() - 1).track_valid, 1);
}

TEST(TrackModel, GridSpacingFollowsTheZoom) {
    const int want[12] = {500, 200, 200, 200, 200, 100, 50, 20, 20, 10, 10, 10};
    for (int z = 0; z < 12; ++z) EXPECT_EQ(TrackGridSpacingM(TrackScale(z)), want[z]) << z;

    TrackModel track;
    TestCanvas canvas;
    track.set_canvas(&canvas);
    track.set_options({.zoom = 5});
    track.AddFix(At(0, 0));
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0], "100 M/DIV");
    // 100 m at 0.5 pixel per metre: every 50 pixels from the centre column 138.
    std::vector<int> xs;
    for (const auto& l : canvas.LinesOf(kTrackGridGrey, true))
        if (l.x0 == l.x1) xs.push_back(l.x0);
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    EXPECT_EQ(xs, (std::vector<int>{38, 88, 138, 188, 238}));

    for (int i = 0; i < 6; ++i) track.ZoomIn();
    EXPECT_EQ(track.zoom(), 11);
    EXPECT_EQ(canvas.texts.back(), "10 M/DIV");
    EXPECT_EQ(track.ZoomOut(), 10);
    for (int i = 0; i < 12; ++i) track.ZoomOut();
    EXPECT_EQ(track.zoom(), 0);
    EXPECT_EQ(canvas.texts.back(), "500 M/DIV");
}

// North is up and east is right; a fix near the edge recentres the plot.
TEST(TrackModel, ScreenMappingAndRecentring) {
    TrackModel track;
    TestCanvas canvas;
    track.set_canvas(&canvas);
    track.AddFix(At(0, 0));
    auto c = track.PixelOf(kN0, -kE0);
    EXPECT_EQ(c, (std::array<int, 2>{138, 120}));
    EXPECT_EQ(track.PixelOf(kN0 + 20, -(kE0 + 10)), (std::array<int, 2>{143, 110}));
    EXPECT_EQ(canvas.Pixel(138, 120), kTrackMarkerGrey);
    track.AddFix(At(0, 20));
    track.AddFix(At(0, 40));
    auto green = canvas.LinesOf(kTrackGreen);
    ASSERT_EQ(green.size(), 2u);
    EXPECT_EQ(green[1].width, 3);
    EXPECT_EQ(green[1].x0, 148);  // 20 m east at 0.5 pixel per metre
    EXPECT_EQ(green[1].x1, 158);
    EXPECT_EQ(green[1].y1, 120);
    EXPECT_EQ(canvas.Pixel(143, 120), kTrackBlack);  // the old marker was removed
    int fills = canvas.fills;
    for (int i = 3; i < 30; ++i) track.AddFix(At(0, i * 20.0));  // eastwards off the right
    EXPECT_GT(canvas.fills, fills);
    auto p = track.PixelOf(kN0, -(kE0 + 29 * 20.0));
    EXPECT_GE(p[0], 10);
    EXPECT_LT(p[0], 266);
}

TEST(TrackModel, The40001stFixOverwritesTheOldestRecord) {
    TrackModel track;
    TestCanvas canvas;
    track.set_canvas(&canvas);
    track.set_options({.zoom = 5});
    auto circle = [](int k) {
        double a = (k % 40) * 2.0 * 3.14159265358979 / 40.0;
        return At(100.0 * std::sin(a), 100.0 * std::cos(a));
    };
    // Fix 0 starts the plot and is not stored; fixes 1 .. 40000 fill records 1 .. 39999, 0.
    for (int k = 0; k <= 40001; ++k) track.AddFix(circle(k));
    EXPECT_EQ(track.next_index(), 2);
    EXPECT_EQ(track.Record(1).north, circle(40001).northing);  // fix 1 is gone
    EXPECT_EQ(track.Record(0).north, circle(40000).northing);
    track.Redraw();
    auto green = canvas.LinesOf(kTrackGreen);
    ASSERT_EQ(green.size(), 39999u);  // every pair except newest -> oldest
    auto oldest = track.PixelOf(circle(2).northing, -circle(2).easting);
    EXPECT_EQ(green.front().x0, oldest[0]);
    EXPECT_EQ(green.front().y0, oldest[1]);
    auto newest = track.PixelOf(circle(40001).northing, -circle(40001).easting);
    EXPECT_EQ(green.back().x1, newest[0]);
    EXPECT_EQ(green.back().y1, newest[1]);
}

TEST(TrackModel, SwathLinesOnlyForFixesWithProfilePoints) {
    TrackModel track;
    TestCanvas canvas;
    track.set_canvas(&canvas);
    track.set_options({.display_swath = true,
                       .swath_across_heading = true,
                       .zoom = 5,
                       .profile_detection = true});
    track.set_swath_state({true, -100, 120, 50.0f});
    track.AddFix(At(0, 0, 90));
    track.AddFix(At(0, 20, 90));  // range span new: no swath yet
    EXPECT_TRUE(canvas.LinesOf(kSwathBlue).empty());
    track.AddFix(At(0, 40, 90));
    auto p = track.PixelOf(kN0, -(kE0 + 40));
    auto blue = canvas.LinesOf(kSwathBlue);
    ASSERT_EQ(blue.size(), 1u);
    // Heading east: port (100 columns x 50 m x 0.002 = 10 m = 5 px) to the north, starboard
    // (12 m = 6 px) to the south.
    EXPECT_EQ(blue[0].x0, p[0]);
    EXPECT_EQ(blue[0].y0, p[1] - 5);
    EXPECT_EQ(blue[0].x1, p[0]);
    EXPECT_EQ(blue[0].y1, p[1] + 6);

    track.set_swath_state({true, -2000, 2000, 50.0f});  // no points found
    track.AddFix(At(0, 60, 90));
    track.set_swath_state({false, -100, 120, 50.0f});
    track.AddFix(At(0, 80, 90));
    EXPECT_EQ(canvas.LinesOf(kSwathBlue).size(), 1u);
    EXPECT_EQ(track.Record(track.next_index() - 2).swath_valid, 0);

    track.Redraw();  // the stored line comes back at the same place
    blue = canvas.LinesOf(kSwathBlue);
    ASSERT_EQ(blue.size(), 1u);
    p = track.PixelOf(kN0, -(kE0 + 40));
    EXPECT_NEAR(blue[0].y0, p[1] - 5, 1);
    EXPECT_NEAR(blue[0].y1, p[1] + 6, 1);
    EXPECT_NEAR(blue[0].x0, p[0], 1);

    track.Clear();
    EXPECT_TRUE(canvas.LinesOf(kSwathBlue).empty());
    EXPECT_TRUE(canvas.LinesOf(kTrackGreen).empty());
}

TEST(TrackModel, TakesValidPositionsFromTheGpsParser) {
    NavState nav;
    TrackModel track;
    TrackGpsFeed feed(track);
    GpsParser parser(nav, &feed);
    auto send = [&](const std::string& body) {
        unsigned x = 0;
        for (char c : body) x ^= static_cast<unsigned char>(c);
        char tail[8];
        std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
        for (char c : "$" + body + tail) parser.Feed(c);
    };
    send("GPGGA,120000,4807.038,N,01131.000,E,4,12,0.6,545.4,M,46.9,M,,");  // starts the plot
    send("GPGGA,120001,4807.039,N,01131.001,E,4,12,0.6,545.4,M,46.9,M,,");
    send("GPGGA,120002,,N,,E,0,00,,,M,,M,,");  // no position: not plotted
    NavSnapshot s = nav.snapshot();
    EXPECT_EQ(track.next_index(), 2);
    TrackRecord r = track.Record(1);
    EXPECT_EQ(r.track_valid, 1);
    EXPECT_EQ(r.fix_value, 4);
    EXPECT_DOUBLE_EQ(r.north, s.utm_northing);
    EXPECT_DOUBLE_EQ(r.east, -s.utm_easting);
}

}  // namespace
}  // namespace vq
