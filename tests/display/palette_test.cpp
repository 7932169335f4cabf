#include <gtest/gtest.h>

#include "display/palette.h"

namespace vq {
namespace {

TEST(Palette, NormTableFollowsItsSegmentsRoundedHalfUp) {
    const auto& n = NormTable();
    EXPECT_EQ(n[0].b, 0);
    EXPECT_EQ(n[20].b, 40);  // halfway from 0 to 80
    EXPECT_EQ(n[40].b, 80);
    EXPECT_EQ(n[61].g, 60);  // 20 + 80 * 20/40
    EXPECT_EQ(n[61].b, 40);
    EXPECT_EQ(n[125].r, 85);   // 80 + 60/12
    EXPECT_EQ(n[125].g, 180);  // 185 - 60/12
    EXPECT_EQ(n[137].g, 118);  // 117.5 rounds up
    EXPECT_EQ(n[137].r, 145);
    EXPECT_EQ(n[216].r, 245);
    EXPECT_EQ(n[236].r, 160);
    EXPECT_EQ(n[254].r, 160);
    EXPECT_EQ(n[254].g, 0);
    EXPECT_EQ(n[255].r, 100);
    EXPECT_EQ(n[255].g, 0);
}

TEST(Palette, TablesFromTheirFormulas) {
    EXPECT_EQ(MakePalette(0)[216], (Rgb{255, 255, 210}));  // 1.5 x (245, 245, 140) limited
    EXPECT_EQ(MakePalette(1)[216], (Rgb{245, 245, 140}));
    EXPECT_EQ(MakePalette(2)[100], (Rgb{0, 100, 0}));
    EXPECT_EQ(MakePalette(3)[77], (Rgb{77, 77, 77}));
    const Palette rev = MakePalette(kRevGreyTable);
    EXPECT_EQ(rev[0], (Rgb{255, 255, 255}));
    EXPECT_EQ(rev[254], (Rgb{1, 1, 1}));
    EXPECT_EQ(MakePalette(5)[254], (Rgb{254, 253, 0}));
    EXPECT_EQ(MakePalette(8)[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(MakePalette(7)[254], (Rgb{253, 254, 0}));
    for (int i = 0; i < kNumColorTables; ++i) EXPECT_EQ(MakePalette(i)[255], (Rgb{100, 0, 0})) << i;
    EXPECT_EQ(MakePalette(42), MakePalette(0));  // bad index falls back to the first table
}

TEST(Palette, NamesAndWords) {
    EXPECT_STREQ(ColorTableName(0), "Norm &Hi");
    EXPECT_STREQ(ColorTableName(4), "&Rev Grey");
    EXPECT_STREQ(ColorTableName(8), "Blu&e");
    EXPECT_STREQ(ColorTableName(9), "");
    const auto words = PaletteWords(MakePalette(0));
    EXPECT_EQ(words[255], 0x640000u);
    EXPECT_EQ(words[216], 0xffffd2u);
}

}  // namespace
}  // namespace vq
