// Ping time stamp texts and their history, and the pacing arithmetic of playback.
#include <gtest/gtest.h>

#include "recording/time_stamp.h"
#include "recording/vqs_reader.h"

namespace vq {
namespace {

TEST(TimeStamp, TextsAndParsing) {
    PingTimeStamp ts = PingTimeStamp::FromFields(2026, 2, 3, 4, 5, 6, 78);
    EXPECT_EQ(ts.DateText(), "03-FEB-2026");
    EXPECT_EQ(ts.time_text(), "04:05:06");
    EXPECT_EQ(ts.hundredths_text(), ".07");
    EXPECT_EQ(ts.millis_text(), ".078");
    EXPECT_EQ(PingTimeStamp::FromFields(2026, 0, 1, 0, 0, 0, 0).DateText(), "01-JAN-2026");
    CalendarTime c = ParseTimeStamp(ts);
    EXPECT_EQ(c.year, 2026);
    EXPECT_EQ(c.month, 2);
    EXPECT_EQ(c.day, 3);
    EXPECT_EQ(c.second, 6);
    EXPECT_EQ(c.hundredths, 7);
    EXPECT_EQ(c.millis, 78);
    EXPECT_EQ(MonthNumber("DEC"), 12);
    EXPECT_EQ(MonthNumber("Dec"), 0);
    EXPECT_EQ(MonthName(13), "JAN");
}

TEST(TimeStamp, HistoryAndDisplayDelay) {
    TimeStampHistory h;
    for (int i = 0; i < 12; ++i) h.Push(PingTimeStamp::FromFields(2026, 1, 1, 0, 0, i, 0));
    EXPECT_EQ(h.At(0).time_text(), "00:00:11");
    EXPECT_EQ(h.At(9).time_text(), "00:00:02");
    EXPECT_EQ(h.At(42).time_text(), "00:00:02");
    EXPECT_EQ(DisplayDelayIndex(false, 5, false, false), 0);
    EXPECT_EQ(DisplayDelayIndex(true, 5, false, false), 2);
    EXPECT_EQ(DisplayDelayIndex(true, 4, true, true), 3);
    EXPECT_EQ(DisplayDelayIndex(true, 255, true, true), 9);  // stays inside the history
}

TEST(PlaybackPacing, RealtimeDelay) {
    EXPECT_EQ(RealtimeSleepMs(100, 30.0, 20.0), 50);
    EXPECT_EQ(RealtimeSleepMs(2000, 0.0, 0.0), 0);
    EXPECT_EQ(RealtimeSleepMs(2050, 40.0, 10.0), 0);
    EXPECT_EQ(RealtimeSleepMs(2050, 40.0, 11.0), 1999);
    EXPECT_EQ(RealtimeSleepMs(40, 30.0, 20.0), 0);
    EXPECT_EQ(RealtimeSleepMs(51, 30.0, 20.0), 1);
    // A recorded interval of 2500 ms gives no sleep; 150 ms with 40 ms of beam forming and
    // 30 ms of drawing gives 80 ms.
    EXPECT_EQ(RealtimeSleepMs(2500, 0.0, 0.0), 0);
    EXPECT_EQ(RealtimeSleepMs(150, 40.0, 30.0), 80);
}

TEST(PlaybackPacing, SpeedSlider) {
    // Bar from left 10, width 310: the usable span is 270 pixels starting at x = 25.
    EXPECT_EQ(SliderSpeed(25, 10, 310), 100);
    EXPECT_EQ(SliderSpeed(0, 10, 310), 100);
    EXPECT_EQ(SliderSpeed(295, 10, 310), 0);
    EXPECT_EQ(SliderSpeed(160, 10, 310), 50);
    EXPECT_EQ(SliderDelayMs(25, 10, 310), 1600);
    EXPECT_EQ(SliderDelayMs(295, 10, 310), 0);
    const int expected[][2] = {{7, 3},    {10, 5},   {11, 11},  {20, 20},  {21, 42},  {30, 60},
                               {31, 124}, {50, 300}, {61, 610}, {80, 960}, {91, 1456}};
    for (auto [s, d] : expected) EXPECT_EQ(SpeedDelayMs(s), d) << s;
}

}  // namespace
}  // namespace vq
