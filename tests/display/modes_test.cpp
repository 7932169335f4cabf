// Beam Test bars, the Linear display and the element signal-level strip.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "display/display_test_util.h"
#include "display/scan_convert.h"
#include "display/signal_strip.h"
#include "display/sonar_picture.h"
#include "display/table_builders.h"

namespace vq {
namespace {

using test::Px;
using test::SectorParams;

TEST(BeamTest, BarsShowElementRowsAndClipTo254) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.mode = DisplayMode::BeamTest;
    pic->set_params(p);
    EXPECT_EQ(pic->tables().RowStart[0], 433);
    EXPECT_EQ(pic->tables().RowEnd[541], 577);
    auto img = std::make_unique<BeamByteImage>();
    for (int c = 0; c < 500; ++c) img->Row(44 + 24)[c] = 255;  // a clipped element
    img->Row(44 + 39)[10] = 77;
    img->Row(44 + 40)[0] = 99;  // column 40 lies outside the shown bars
    ASSERT_TRUE(pic->Render(*img, {}));
    const std::uint8_t* d = pic->display_image();
    for (int x = 433; x < 442; ++x) {
        EXPECT_EQ(Px(d, x, 541), 254);
        EXPECT_EQ(Px(d, x, 42), 254);  // cell 499
    }
    EXPECT_EQ(Px(d, 433, 41), 0);  // no cell beyond 499: nothing read from the next row
    EXPECT_EQ(Px(d, 217 + 39 * 9, 531), 77);
    EXPECT_EQ(Px(d, 217 + 39 * 9 + 8, 531), 77);
    EXPECT_EQ(Px(d, 577, 541), 0);
    EXPECT_EQ(Px(d, 442, 541), 0);
}

TEST(BeamTest, OverlayPixelKept) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.mode = DisplayMode::BeamTest;
    p.grid = true;
    pic->set_params(p);
    auto img = std::make_unique<BeamByteImage>();
    test::FillRows(*img, 44, 107, 200);
    pic->Render(*img, {});
    EXPECT_EQ(Px(pic->display_image(), 500, 441), 255);  // range line at 100 px
    EXPECT_EQ(Px(pic->display_image(), 500, 442), 200);
}

TEST(Linear, RulesAandBDrawUpwardRuleCDownward) {
    auto beams = std::make_unique<BeamData>();
    std::vector<std::uint8_t> d(kImagePixels, 0);
    const int nb = 120;  // h = 60: beam b in column 565 - b
    beams->At(0, 1) = 254.6f;
    beams->At(0, 0) = 100.0f;
    beams->At(5, 10) = 300.0f;
    d[540 * 1012 + 560] = 255;  // overlay pixel where beam 5 sample 2 would go
    beams->At(5, 2) = 50.0f;
    DrawLinear(*beams, nb, 500, ByteRule::A, d.data());
    EXPECT_EQ(Px(d.data(), 565, 541), 254);  // y = 542 - 1, trunc 254.6 -> 254
    EXPECT_EQ(Px(d.data(), 560, 532), 254);  // 300 limited to 254
    EXPECT_EQ(Px(d.data(), 560, 540), 255);  // overlay kept
    std::fill(d.begin(), d.end(), 0);
    beams->At(7, 20) = 10.9f;
    beams->At(7, 21) = 3.0f;
    DrawLinear(*beams, nb, 1000, ByteRule::B, d.data());
    EXPECT_EQ(Px(d.data(), 558, 532), 10);  // pair 10 at y = 532, no rounding
    std::fill(d.begin(), d.end(), 0);
    DrawLinear(*beams, nb, 1000, ByteRule::C, d.data());
    // Rule C: column 565 - i shows beam nb-1-i; beam 7 is in column 565 - 112 = 453.
    EXPECT_EQ(Px(d.data(), 453, 10), 11);  // max(10.9 + 0.5, 3.5) truncated
    std::fill(d.begin(), d.end(), 0);
    DrawLinear(*beams, nb, 500, ByteRule::C, d.data());
    EXPECT_EQ(Px(d.data(), 451, 10), 254);  // beam 5 (i = 114) sample 10 at y = 10
}

TEST(Linear, PictureRenderKeepsGrid) {
    auto pic = std::make_unique<SonarPicture>();
    DisplayParams p = SectorParams();
    p.mode = DisplayMode::Linear;
    p.grid = true;
    pic->set_params(p);
    auto beams = std::make_unique<BeamData>();
    for (int b = 0; b < 120; ++b) {
        for (int s = 0; s < 500; ++s) beams->At(b, s) = 90.0f;
    }
    ASSERT_TRUE(pic->RenderLinear(*beams, 500, {}));
    EXPECT_EQ(Px(pic->display_image(), 505, 442), 255);  // range line 100 px above the bottom
    EXPECT_EQ(Px(pic->display_image(), 505, 443), 90);
}

struct Elements {
    std::vector<float> i = std::vector<float>(64 * 1010, 0.0f);
    std::vector<float> q = std::vector<float>(64 * 1010, 0.0f);
    StripInput Input(int n, bool eight_bit) const {
        StripInput s;
        s.element_i = i.data();
        s.element_q = q.data();
        s.row_stride = 1010;
        s.num_elements = n;
        s.num_samples = 500;
        s.eight_bit = eight_bit;
        return s;
    }
};

TEST(SignalStrip, LevelsGroupsAndSaturation) {
    Elements e;
    std::vector<std::uint8_t> d(kImagePixels, 0);
    e.i[0] = 10.0f;  // element 0, sample 0: m = 14, x 20 = 280 -> 254
    e.q[0] = -10.0f;
    e.i[1010 + 3] = 3.0f;  // element 1, sample 3: second group
    e.q[1010 + 3] = 4.0f;
    StripInput in = e.Input(16, true);
    in.xdcr = 1;  // element e in slot e
    DrawSignalStrip(in, d.data());
    EXPECT_EQ(Px(d.data(), 52, 541), 255);  // the frame's bottom line
    EXPECT_EQ(Px(d.data(), 53, 540), 0);    // sample 3 of element 0 is 0
    e.q[0] = 0.0f;
    e.i[0] = 0.0f;
    e.i[2] = 0.5f;  // m = trunc(0.5) = 0
    std::fill(d.begin(), d.end(), 0);
    DrawSignalStrip(in, d.data());
    EXPECT_EQ(Px(d.data(), 57, 540), 100);  // element 1: 5 x 20, second group -> row 540
    EXPECT_EQ(Px(d.data(), 53, 539), 0);
    in.eight_bit = false;
    std::fill(d.begin(), d.end(), 0);
    DrawSignalStrip(in, d.data());
    EXPECT_EQ(Px(d.data(), 57, 540), 5);
    in.xdcr = 0;  // element 1 in slot 14
    std::fill(d.begin(), d.end(), 0);
    DrawSignalStrip(in, d.data());
    EXPECT_EQ(Px(d.data(), 51 + 14 * 5 + 2, 540), 5);
    EXPECT_EQ(Px(d.data(), 57, 540), 0);
}

TEST(SignalStrip, SaturatedEightBitAndFrameWidths) {
    Elements e;
    std::vector<std::uint8_t> d(kImagePixels, 0);
    e.i[3] = 10.0f;  // |I| = |Q| = 10: m = 14, 14 x 20 = 280 saturates at 254, never 255
    e.q[3] = 10.0f;
    StripInput in = e.Input(16, true);
    DrawSignalStrip(in, d.data());
    EXPECT_EQ(Px(d.data(), 53, 540), 254);
    EXPECT_EQ(Px(d.data(), 131, 400), 255);  // 16 elements: right frame at 51 + 80
    EXPECT_EQ(Px(d.data(), 132, 400), 0);
    std::fill(d.begin(), d.end(), 0);
    in = e.Input(64, true);
    DrawSignalStrip(in, d.data());
    EXPECT_EQ(Px(d.data(), 179, 400), 255);  // 64 elements: 128 pixels wide
    EXPECT_EQ(Px(d.data(), 51, 400), 255);
    EXPECT_EQ(Px(d.data(), 51, 375), 255);
    EXPECT_EQ(Px(d.data(), 178, 375), 255);
    EXPECT_EQ(Px(d.data(), 180, 375), 0);
    EXPECT_EQ(Px(d.data(), 179, 541), 0);  // horizontal lines end at x0 + 128 - 1
    EXPECT_EQ(LayOutStrip(64, true).column_width, 1);
    EXPECT_EQ(LayOutStrip(16, true).x0, 116);
}

TEST(SignalStrip, OtherHeadsDrawOnlyTheFrame) {
    Elements e;
    std::fill(e.i.begin(), e.i.end(), 50.0f);
    std::vector<std::uint8_t> d(kImagePixels, 0);
    StripInput in = e.Input(16, true);
    in.has_element_data = false;
    DrawSignalStrip(in, d.data());
    for (int y = 376; y < 541; ++y) {
        for (int x = 52; x < 131; ++x) ASSERT_EQ(Px(d.data(), x, y), 0);
    }
    EXPECT_EQ(Px(d.data(), 51, 400), 255);
}

}  // namespace
}  // namespace vq
