// Shot averaging and the beam byte image.
#include <gtest/gtest.h>

#include "dsp/beam_former.h"
#include "dsp/byte_image.h"
#include "dsp/shot_average.h"

namespace vq {
namespace {

void Fill(BeamData& d, int rows, int samples, float v) {
    for (int b = 0; b < rows; ++b)
        for (int s = 0; s < samples; ++s) d.At(b, s) = v;
}

TEST(ShotAverage, FormedRampsUpAndReachesTheInput) {
    ShotAverager avg;
    BeamData d;
    for (int n : {3, 5, 7, 9}) {
        avg.Clear();
        for (int ping = 1; ping <= n + 2; ++ping) {
            Fill(d, 504, 1000, 6.0f);
            avg.AverageFormed(d, 504, 1000, n);
            const float want = 6.0f * static_cast<float>(std::min(ping, n)) / static_cast<float>(n);
            ASSERT_NEAR(d.At(0, 0), want, 1e-5f) << n << " " << ping;
            ASSERT_NEAR(d.At(503, 999), want, 1e-5f);
        }
    }
}

TEST(ShotAverage, FifteenAndTwentyFiveShotsAverageOverNine) {
    EXPECT_EQ(ShotCount(15), 9);
    EXPECT_EQ(ShotCount(25), 9);
    ShotAverager avg;
    BeamData d;
    for (int ping = 1; ping <= 9; ++ping) {
        Fill(d, 10, 500, 9.0f);
        avg.AverageFormed(d, 10, 500, ShotCount(25));
        EXPECT_NEAR(d.At(3, 7), static_cast<float>(ping), 1e-5f);
    }
}

TEST(ShotAverage, SlidingWindowIsTheMeanOfTheLastPings) {
    ShotAverager avg;
    BeamData d;
    const float in[] = {3.0f, 6.0f, 9.0f, 30.0f, 0.0f};
    const float want[] = {1.0f, 3.0f, 6.0f, 15.0f, 13.0f};  // n = 3
    for (int i = 0; i < 5; ++i) {
        Fill(d, 2, 4, in[i]);
        avg.AverageFormed(d, 2, 4, 3);
        EXPECT_NEAR(d.At(1, 3), want[i], 1e-5f);
    }
}

TEST(ShotAverage, HeadFormedRunningSumScalesByDisplayGain) {
    ShotAverager avg;
    BeamData d;
    // G = 50: values scaled by 1.0 first; n = 3.
    const float want[] = {10.0f / 3, 20.0f / 3, 10.0f, 10.0f};
    for (float w : want) {
        Fill(d, 256, 500, 10.0f);
        avg.AverageHeadFormed(d, 256, 500, 3, 50.0f);
        EXPECT_NEAR(d.At(255, 499), w, 1e-4f);
    }
    // A shorter count keeps the ring inside the history.
    for (int i = 0; i < 4; ++i) avg.AverageHeadFormed(d, 256, 500, 1, 50.0f);
    EXPECT_GE(d.At(0, 0), 0.0f);
}

TEST(HeadFormed, HalvesExchangedAndPassedOnUnscaled) {
    BeamFormer f;
    PingFormat fmt;
    fmt.data_format = 4;
    fmt.bits = 8;
    fmt.num_samples = 500;
    std::vector<std::uint8_t> data(500 * 256);
    for (int s = 0; s < 500; ++s)
        for (int j = 0; j < 256; ++j) data[s * 256 + j] = static_cast<std::uint8_t>(j);
    f.LoadHeadFormed(data.data(), data.size(), fmt);
    EXPECT_EQ(f.geometry().NumBeams, 256);
    EXPECT_EQ(f.Beams().At(0, 17), 128.0f);  // value 128 goes to beam 0
    EXPECT_EQ(f.Beams().At(128, 17), 0.0f);
    EXPECT_EQ(f.Beams().At(255, 499), 127.0f);
    // 16-bit values are read as signed; a short array leaves the missing samples 0.
    fmt.bits = 16;
    std::vector<std::uint8_t> wide(10 * 512, 0xFF);
    f.LoadHeadFormed(wide.data(), wide.size(), fmt);
    EXPECT_EQ(f.Beams().At(5, 9), -1.0f);
    EXPECT_EQ(f.Beams().At(5, 10), 0.0f);
}

TEST(BeamTest, ElementMagnitudesGoToTheByteImage) {
    BeamFormer f;
    PingFormat fmt;
    fmt.bits = 8;
    fmt.num_samples = 1000;
    std::vector<std::uint8_t> data(1000 * 16 * 2, 0);
    for (int s = 0; s < 1000; ++s) {
        data[(s * 16 + 0) * 2] = 3;  // element record 0: I = 3, Q = 4 -> |v| 5 -> 10
        data[(s * 16 + 0) * 2 + 1] = 4;
        data[(s * 16 + 5) * 2] = 0x80;  // element record 5: I = -128, Q = -128 -> 181 -> 255
        data[(s * 16 + 5) * 2 + 1] = 0x80;
    }
    // 16 elements land in the rows the Beam Test bars show (68 on) in every data format.
    f.Unpack(data.data(), data.size(), fmt, 0, true);  // Xdcr 0: record k in row 15 - k
    EXPECT_EQ(f.ByteImage().Row(68 + 15)[0], 10);
    EXPECT_EQ(f.ByteImage().Row(68 + 15)[499], 10);  // 500 cells a row: later samples not shown
    EXPECT_EQ(f.ByteImage().Row(68 + 10)[7], 255);
    EXPECT_EQ(f.ByteImage().Row(68 + 0)[7], 0);
    f.Unpack(data.data(), data.size(), fmt, 1, true);  // Xdcr 1: record k in row k
    EXPECT_EQ(f.ByteImage().Row(68 + 0)[3], 10);
    // Data formats 2 and 3 (one more byte a record) start at row 68.
    fmt.data_format = 2;
    std::vector<std::uint8_t> three(500 * 16 * 3, 0);
    three[0] = 6;
    three[1] = 8;
    fmt.num_samples = 500;
    f.Unpack(three.data(), three.size(), fmt, 1, true);
    EXPECT_EQ(f.ByteImage().Row(68)[0], 20);
}

TEST(ByteImage, RulesByHeadId) {
    EXPECT_EQ(ByteImageRuleFor(77, true), ByteImageRule::kA);
    EXPECT_EQ(ByteImageRuleFor(77, false), ByteImageRule::kC);
    EXPECT_EQ(ByteImageRuleFor(85, false), ByteImageRule::kA);
    EXPECT_EQ(ByteImageRuleFor(86, false), ByteImageRule::kB);
    EXPECT_EQ(ByteImageRuleFor(87, false), ByteImageRule::kC);
    EXPECT_EQ(ByteImageRuleFor(89, false), ByteImageRule::kC);
    EXPECT_EQ(ByteImageRuleFor(90, false), ByteImageRule::kA);
}

TEST(ByteImage, RoundingClippingAndReversedRows) {
    BeamData d;
    BeamByteImage img;
    d.At(0, 0) = 254.6f;
    d.At(0, 1) = 3.49f;
    d.At(0, 2) = 1000.0f;
    d.At(1, 0) = 7.0f;
    FillBeamByteImage(d, 3, 500, ByteImageRule::kA, img);
    EXPECT_EQ(img.Row(2)[0], 255);  // beam 0 lands in the last row
    EXPECT_EQ(img.Row(2)[1], 3);
    EXPECT_EQ(img.Row(2)[2], 255);
    EXPECT_EQ(img.Row(1)[0], 7);
    // Rule C with 1000 samples: the larger of each pair plus 0.5.
    d.At(0, 0) = 10.9f;
    d.At(0, 1) = 3.0f;
    FillBeamByteImage(d, 3, 1000, ByteImageRule::kC, img);
    EXPECT_EQ(img.Row(2)[0], 11);
    // Rule B truncates without adding 0.5.
    FillBeamByteImage(d, 3, 1000, ByteImageRule::kB, img);
    EXPECT_EQ(img.Row(2)[0], 10);
}

TEST(ByteImage, HalfRangeStretchAndSkip) {
    BeamData d;
    BeamByteImage img;
    for (int s = 0; s < 500; ++s) d.At(0, s) = static_cast<float>(s % 200);
    ConvertBeamsToBytes(d, 1, 500, ByteImageRule::kA, {true, false}, img);
    EXPECT_EQ(img.Row(0)[499], 249 % 200);
    EXPECT_EQ(img.Row(0)[498], 249 % 200);
    EXPECT_EQ(img.Row(0)[0], 0);
    EXPECT_EQ(img.Row(0)[3], 1);
    BeamByteImage rows;
    for (int r = 0; r < kMaxBeams; ++r) rows.Row(r)[249] = static_cast<std::uint8_t>(r % 251);
    StretchHalfRange(rows);
    for (int r = 0; r < kMaxBeams; ++r) ASSERT_EQ(rows.Row(r)[499], r % 251);
    // Skipped fill: the previous image stays, the stretch still runs.
    EXPECT_TRUE(SkipByteImageFill(1, 3));
    EXPECT_FALSE(SkipByteImageFill(0, 3));
    EXPECT_FALSE(SkipByteImageFill(1, 2));
    Fill(d, 1, 500, 100.0f);
    ConvertBeamsToBytes(d, 1, 500, ByteImageRule::kA, {true, true}, img);
    EXPECT_EQ(img.Row(0)[499], 124 % 200);  // old cell 249 after the first stretch was 124
}

}  // namespace
}  // namespace vq
