#include "display/readouts.h"

#include <gtest/gtest.h>

#include <cstring>

#include "sensors/nav_state.h"

namespace vq {
namespace {

TEST(Readouts, LampThresholds) {
    EXPECT_EQ(HdopLamp(2.5f), Lamp::Green);
    EXPECT_EQ(HdopLamp(0.7f), Lamp::Green);
    EXPECT_EQ(HdopLamp(2.6f), Lamp::YellowGreen);
    EXPECT_EQ(HdopLamp(5.0f), Lamp::YellowGreen);
    EXPECT_EQ(HdopLamp(5.1f), Lamp::Red);
    EXPECT_EQ(SatellitesLamp(4), Lamp::Red);
    EXPECT_EQ(SatellitesLamp(5), Lamp::YellowGreen);
    EXPECT_EQ(SatellitesLamp(6), Lamp::YellowGreen);
    EXPECT_EQ(SatellitesLamp(7), Lamp::Green);
    EXPECT_EQ(LampColour(Lamp::YellowGreen), (ReadoutColour{144, 180, 0}));
    EXPECT_EQ(LampColour(Lamp::Green), (ReadoutColour{0, 180, 0}));
}

TEST(Readouts, FixQualityLabels) {
    FixQualityReadout q = ReadFixQuality(0, false);
    EXPECT_EQ(q.number.text, "0");
    EXPECT_EQ(q.label.text, "Invalid");
    EXPECT_EQ(q.label.colour, (ReadoutColour{255, 0, 0}));
    q = ReadFixQuality(4, false);
    EXPECT_EQ(q.label.text, "RTK (Fixed)");
    EXPECT_EQ(q.label.colour, (ReadoutColour{216, 216, 216}));
    q = ReadFixQuality(2, true);  // "&Rev Grey": values in dark grey
    EXPECT_EQ(q.label.text, "DGPS");
    EXPECT_EQ(q.number.colour, (ReadoutColour{72, 72, 72}));
    q = ReadFixQuality(6, false);
    EXPECT_EQ(q.number.text, "6");
    EXPECT_TRUE(q.label.text.empty());
}

TEST(Readouts, SpeedTextAndCourseNeedle) {
    EXPECT_EQ(SpeedText(5.5f), "5.5  KTS");
    EXPECT_EQ(SpeedText(0.0f), "0.0  KTS");
    EXPECT_EQ(CourseNeedleEnd(50, 50, 0.0f), (std::array<int, 2>{50, 42}));
    EXPECT_EQ(CourseNeedleEnd(50, 50, 90.0f), (std::array<int, 2>{58, 50}));
    EXPECT_EQ(CourseNeedleEnd(50, 50, 180.0f), (std::array<int, 2>{50, 57}));  // trunc(-7.5)
    EXPECT_EQ(CourseNeedleEnd(50, 50, 45.0f), (std::array<int, 2>{56, 44}));   // 5.657 + 0.5
}

TEST(Readouts, TemperatureWarningBlinksFrom70Degrees) {
    TemperatureWarning w;
    for (int s = 0; s < 4; ++s)
        EXPECT_EQ(w.OnSecond(69.9f, s).action, TemperatureWarning::Action::None);
    auto r = w.OnSecond(70.0f, 5);
    EXPECT_EQ(r.action, TemperatureWarning::Action::Draw);
    EXPECT_EQ(r.label.text, "CPU Temperature:");
    EXPECT_EQ(r.value.text, "70.0 C");
    EXPECT_EQ(r.value.colour, (ReadoutColour{255, 0, 0}));
    EXPECT_EQ(w.OnSecond(70.0f, 6).action, TemperatureWarning::Action::Clear);
    EXPECT_EQ(w.OnSecond(250.0f, 7).value.text, "200.0 C");                     // clamped
    EXPECT_EQ(w.OnSecond(69.0f, 9).action, TemperatureWarning::Action::Clear);  // once
    EXPECT_EQ(w.OnSecond(69.0f, 10).action, TemperatureWarning::Action::None);
}

TEST(Readouts, StatusLineTicksWithThePings) {
    StatusLine line;
    auto t = line.AfterPing(false, true, false, false);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->text, "Not Logging .");
    EXPECT_EQ(t->colour, (ReadoutColour{255, 0, 0}));
    for (int i = 0; i < 6; ++i) t = line.AfterPing(false, true, true, false);
    EXPECT_EQ(t->text, "Logging .......");
    EXPECT_EQ(t->colour, (ReadoutColour{0, 180, 0}));
    t = line.AfterPing(false, true, true, true);
    EXPECT_EQ(t->text, "Disk Full ");  // after seven dots the count starts again
    EXPECT_EQ(line.AfterPing(true, false, false, false)->text, "File Playback");
    EXPECT_FALSE(line.AfterPing(false, false, false, false));
}

TEST(Readouts, GpsPanelRedrawsChangesAndTimesOutToNotAvailable) {
    NavState nav;
    nav.Update([](NavSnapshot& s) {
        std::strcpy(s.latitude_text.data(), " 48.07.03800 N");
        std::strcpy(s.longitude_text.data(), "011.31.00000 E");
        s.speed_knots = 5.5f;
    });
    GpsPanel panel;
    auto p1 = panel.OnPosition(" 48.07.03800 N", "011.31.00000 E", false);
    auto p2 = panel.OnPosition(" 48.07.03800 N", "011.31.00000 E", false);
    EXPECT_NE(p1.mark, p2.mark);  // the mark blinks
    EXPECT_EQ(p1.latitude.text, " 48.07.03800 N");

    auto q = panel.ReadQuality(6, 2.5f, 0, false);
    ASSERT_TRUE(q.satellites && q.hdop && q.fix_quality);
    EXPECT_EQ(q.satellites->text, "6");
    EXPECT_EQ(q.satellites_lamp, Lamp::YellowGreen);
    EXPECT_EQ(q.hdop->text, "2.5");
    EXPECT_EQ(q.hdop_lamp, Lamp::Green);
    q = panel.ReadQuality(6, 2.5f, 0, false);
    EXPECT_FALSE(q.satellites || q.hdop || q.fix_quality);  // unchanged: nothing redrawn
    q = panel.ReadQuality(7, 2.5f, 0, false);
    EXPECT_TRUE(q.satellites && !q.hdop);

    for (int i = 0; i < 9; ++i) EXPECT_FALSE(panel.Tick(nav)) << i;
    auto out = panel.Tick(nav);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->text.text, "n/a");
    EXPECT_EQ(out->text.colour, (ReadoutColour{72, 72, 72}));
    NavSnapshot s = nav.snapshot();
    EXPECT_STREQ(s.latitude_text.data(), "");
    EXPECT_STREQ(s.longitude_text.data(), "");
    EXPECT_EQ(s.speed_knots, 0.0f);
    EXPECT_FALSE(panel.Tick(nav));  // shown once
    panel.OnRepaint();              // a repaint shows it again on the next step
    EXPECT_TRUE(panel.Tick(nav));
    q = panel.ReadQuality(7, 2.5f, 0, false);  // forgotten: everything is drawn again
    EXPECT_TRUE(q.satellites && q.hdop && q.fix_quality);

    panel.OnPosition(" 48.07.03800 N", "011.31.00000 E", false);
    EXPECT_EQ(panel.steps_without_position(), 0);
    panel.OnRepaint();  // no count running: stays 0
    EXPECT_EQ(panel.steps_without_position(), 0);
}

}  // namespace
}  // namespace vq
