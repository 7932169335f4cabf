// The strip windows' history: resampling, scroll directions, the sidescan's late start, resize
// rules, the brightened colour table and the angle marker.
#include "windows/strip_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace vq {
namespace {

struct ResampleCase {
    const char* name;
    std::vector<int> source;
    int length;
    std::vector<int> want;
};

std::vector<int> Resample(const std::vector<int>& source, int length) {
    std::vector<std::uint8_t> in(source.begin(), source.end());
    std::vector<std::uint8_t> out(static_cast<std::size_t>(length), 99);
    ResampleLine(in.data(), static_cast<int>(in.size()), length, out.data());
    return {out.begin(), out.end()};
}

TEST(ResampleLine, WiderRepeatsAndNarrowerTakesEachGroupsMaximum) {
    const ResampleCase cases[] = {
        {"a wider window repeats each value", {1, 2, 3, 4}, 8, {1, 1, 2, 2, 3, 3, 4, 4}},
        {"rho 0.75 picks trunc(x * rho)", {10, 20, 30}, 4, {10, 10, 20, 30}},
        {"rho 1 copies", {5, 6, 7}, 3, {5, 6, 7}},
        {"rho 2 takes the larger of each pair", {1, 9, 8, 2, 0, 0, 3, 3}, 4, {9, 8, 0, 3}},
        {"rho 2.5: groups of 3, 2, 3, 2", {1, 7, 2, 9, 3, 4, 8, 5, 6, 0}, 4, {7, 9, 8, 6}},
        {"255 is kept for overlays", {255, 255, 0}, 3, {254, 254, 0}},
        {"255 repeated", {255}, 2, {254, 254}},
        {"an empty source gives a dark line", {}, 3, {0, 0, 0}},
    };
    for (const ResampleCase& c : cases) {
        EXPECT_EQ(Resample(c.source, c.length), c.want) << c.name;
    }
}

TEST(ResampleLine, ThousandSamplesOverThreeHundredPixelsKeepEveryPeak) {
    // A single strong sample anywhere in the line must survive the reduction.
    for (int peak : {0, 1, 334, 501, 998, 999}) {
        std::vector<int> source(1000, 3);
        source[static_cast<std::size_t>(peak)] = 200;
        const std::vector<int> out = Resample(source, 300);
        const auto where = std::find(out.begin(), out.end(), 200);
        ASSERT_NE(where, out.end()) << peak;
        EXPECT_EQ(where - out.begin(), static_cast<int>(peak / (1000.0f / 300.0f))) << peak;
        EXPECT_EQ(std::count(out.begin(), out.end(), 3), 299) << peak;
    }
}

TEST(StripHistory, ResizeRoundsTheWidthKeepsThirtyPixelsAndClearsTheHistory) {
    struct Case {
        int cw, ch, w, h, line;
        StripKind kind;
    };
    const Case cases[] = {
        {300, 200, 300, 201, 300, StripKind::kSidescan},
        {301, 200, 300, 201, 300, StripKind::kIntensity},
        {302, 199, 300, 200, 200, StripKind::kEchoSounder},
        {303, 200, 304, 201, 304, StripKind::kSidescan},
        {10, 10, 28, 31, 28, StripKind::kSidescan},  // enlarged to 30 x 30 first
        {5, 3000, 28, 3001, 2000, StripKind::kEchoSounder},
    };
    for (const Case& c : cases) {
        StripHistory h(c.kind);
        h.Resize(c.cw, c.ch);
        EXPECT_EQ(h.width(), c.w) << c.cw;
        EXPECT_EQ(h.height(), c.h) << c.ch;
        EXPECT_EQ(h.line_length(), c.line) << c.cw << "x" << c.ch;
    }

    StripHistory h(StripKind::kIntensity);
    h.Resize(100, 50);
    const std::vector<std::uint8_t> line(100, 77);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(h.Push(line.data(), 100));
    EXPECT_EQ(h.DisplayedPixel(10, 2), 77);
    h.Resize(100, 50);  // the same size again: still a new bitmap
    for (int y = 0; y < h.height(); ++y)
        for (int x = 0; x < h.width(); ++x) ASSERT_EQ(h.DisplayedPixel(x, y), 0);
}

TEST(StripHistory, SidescanAndIntensityScrollDownEchoSounderScrollsLeft) {
    std::vector<std::uint8_t> line(2000);
    StripHistory down(StripKind::kIntensity);
    down.Resize(39, 30);  // W 40, H 31
    StripHistory left(StripKind::kEchoSounder);
    left.Resize(39, 30);  // W 40, H 31, lines of 31
    for (int ping = 1; ping <= 90; ++ping) {
        std::fill(line.begin(), line.end(), static_cast<std::uint8_t>(ping));
        ASSERT_TRUE(down.Push(line.data(), 40));
        ASSERT_TRUE(left.Push(line.data(), 31));
    }
    // Newest row on top, each older one a row lower; the ring has wrapped twice.
    for (int y = 0; y < down.height(); ++y) EXPECT_EQ(down.DisplayedPixel(7, y), 90 - y) << y;
    // Newest column at the right edge, older ones to the left; the ring has wrapped too.
    for (int x = 0; x < left.width(); ++x) {
        EXPECT_EQ(left.DisplayedPixel(x, 4), 90 - (left.width() - 1 - x)) << x;
    }
}

// The two pieces, copied as a window draws them, give exactly the displayed history.
TEST(StripHistory, TwoPiecesShowTheRingInDisplayOrder) {
    for (StripKind kind : {StripKind::kSidescan, StripKind::kEchoSounder}) {
        StripHistory h(kind);
        h.Resize(30, 40);
        std::vector<std::uint8_t> line(2000);
        for (int ping = 0; ping < 57; ++ping) {
            std::iota(line.begin(), line.end(), static_cast<std::uint8_t>(ping * 3));
            h.Push(line.data(), h.line_length());
        }
        std::vector<int> shown(static_cast<std::size_t>(h.width() * h.height()), -1);
        for (const StripPiece& p : h.Pieces()) {
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x)
                    shown[static_cast<std::size_t>((p.dst_y + y) * h.width() + p.dst_x + x)] =
                        h.pixels()[(p.src_y + y) * h.width() + p.src_x + x];
        }
        for (int y = 0; y < h.height(); ++y)
            for (int x = 0; x < h.width(); ++x)
                ASSERT_EQ(shown[static_cast<std::size_t>(y * h.width() + x)],
                          h.DisplayedPixel(x, y))
                    << static_cast<int>(kind) << " " << x << "," << y;
    }
}

TEST(StripHistory, SidescanShowsNothingForTheFirstFourPingsAfterItsBitmapWasMade) {
    const std::vector<std::uint8_t> line(400, 50);
    StripHistory side(StripKind::kSidescan);
    StripHistory intensity(StripKind::kIntensity);
    EXPECT_FALSE(side.Push(line.data(), 400));  // no bitmap yet
    side.Resize(100, 50);
    intensity.Resize(100, 50);
    for (int ping = 1; ping <= 4; ++ping) {
        EXPECT_FALSE(side.Push(line.data(), 400)) << ping;
        EXPECT_TRUE(intensity.Push(line.data(), 400)) << ping;
    }
    EXPECT_EQ(side.DisplayedPixel(50, 0), 0);
    EXPECT_TRUE(side.Push(line.data(), 400));
    EXPECT_EQ(side.DisplayedPixel(50, 0), 50);
    EXPECT_EQ(side.lines_drawn(), 1u);
    EXPECT_FLOAT_EQ(side.last_ratio(), 4.0f);
    side.Resize(120, 50);  // a resize starts the count again
    for (int ping = 1; ping <= 4; ++ping) EXPECT_FALSE(side.Push(line.data(), 400));
    EXPECT_TRUE(side.Push(line.data(), 400));
    side.Release();
    EXPECT_FALSE(side.ready());
    EXPECT_FALSE(side.Push(line.data(), 400));
}

TEST(StripColours, OneAndAHalfTimesTheProgramTableExceptTheOverlayEntry) {
    std::array<std::uint32_t, 256> table{};
    table[0] = 0x000000;
    table[1] = 0x102030;
    table[100] = 0xAA5501;
    table[254] = 0xFEFEFE;
    table[255] = 0xC0C0C0;
    const auto out = BrightenedColourTable(table);
    EXPECT_EQ(out[0], 0x000000u);
    EXPECT_EQ(out[1], 0x183048u);
    EXPECT_EQ(out[100], 0xFF7F01u);  // 170 * 1.5 = 255, 85 * 1.5 = 127, 1 * 1.5 = 1
    EXPECT_EQ(out[254], 0xFFFFFFu);
    EXPECT_EQ(out[255], 0xC0C0C0u);
}

TEST(SidescanMarker, WedgeFromTheSonarsPlaceTowardsEachSideFormed) {
    // Client 300 x 400: diagonal 500, lines of 37.5 pixels.
    SidescanMarker both = SidescanMarkerLines(300, 400, 45.0f, true, true);
    ASSERT_EQ(both.count, 4);
    EXPECT_EQ(both.lines[0].x0, 150);
    EXPECT_EQ(both.lines[0].y0, 0);
    // Port at 30 degrees: left and down.
    EXPECT_EQ(both.lines[0].x1, 150 - 32);  // 37.5 cos 30 = 32.5
    EXPECT_EQ(both.lines[0].y1, 19);        // 37.5 sin 30 = 18.75
    EXPECT_EQ(both.lines[1].x1, 150 - 19);  // 60 degrees: 18.75 across, 32.5 down
    EXPECT_EQ(both.lines[1].y1, 32);
    EXPECT_EQ(both.lines[3].x1, 150 + 19);  // starboard at 60 degrees: right
    SidescanMarker port = SidescanMarkerLines(300, 400, 45.0f, true, false);
    ASSERT_EQ(port.count, 2);
    EXPECT_EQ(port.lines[0].x0, 295);
    EXPECT_LT(port.lines[0].x1, 295);
    SidescanMarker stbd = SidescanMarkerLines(300, 400, 45.0f, false, true);
    ASSERT_EQ(stbd.count, 2);
    EXPECT_EQ(stbd.lines[0].x0, 5);
    EXPECT_GT(stbd.lines[0].x1, 5);
    EXPECT_EQ(SidescanMarkerLines(300, 400, 45.0f, false, false).count, 0);
}

}  // namespace
}  // namespace vq
