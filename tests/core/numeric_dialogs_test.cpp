// The one-value dialogs, "Sound Velocity", "Set Switches" and the placement of every dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/dialogs/numeric_dialog.h"
#include "core/dialogs/switches_dialog.h"

namespace vq {
namespace {

struct NumericCase {
    const NumericSpec* spec;
    const char* caption;
    double live;
    const char* live_text;
    double min, max, step;
    const char* default_text;
    const char* message;
};

const NumericCase kNumeric[] = {
    {&kPersistenceSpec, "Persistence", 12, "12", 0, 600, 1, "0",
     "Time is out of range!\nUse 0 to 600 seconds"},
    {&kVideoRateSpec, "Video Recording Rate", 5.0, "  5.0", 0.1, 20.0, 0.1, "  3.0",
     "Recording Rate is out of range!\nUse 0.1 to 20.0 frames/sec"},
    {&kMaxFilesizeSpec, "Maximum Filesize", 500, "500", 100, 1000, 100, "1000",
     "Maximum Filesize is out of range!\nUse 100 to 1000 MBytes."},
    {&kTiltAngleSpec, "Profile Tilt Angle", 10.0, "10.0", -90, 90, 0.5, "0.0",
     "Profile Tilt Angle is out of range!\nUse -90 to 90 Degrees."},
};

TEST(NumericDialogs, OpenStepDefaultAndClampAsEachDialogSays) {
    for (const NumericCase& c : kNumeric) {
        SCOPED_TRACE(c.caption);
        NumericDialogModel m(*c.spec, c.live);
        EXPECT_STREQ(m.caption(), c.caption);
        EXPECT_EQ(m.Text(), c.live_text);
        m.StepUp();
        EXPECT_NEAR(m.value(), c.live + c.step, 1e-9);
        m.StepDown();
        m.StepDown();
        EXPECT_NEAR(m.value(), c.live - c.step, 1e-9);
        m.Default();
        EXPECT_EQ(m.Text(), c.default_text);
        // The arrows stop at the limits of the range, however often they are pressed.
        for (int i = 0; i < 2000; ++i) m.StepUp();
        EXPECT_DOUBLE_EQ(m.value(), c.max);
        EXPECT_FALSE(m.Ok().has_value());
        for (int i = 0; i < 2000; ++i) m.StepDown();
        EXPECT_DOUBLE_EQ(m.value(), c.min);
        EXPECT_FALSE(m.Ok().has_value());
    }
}

TEST(NumericDialogs, OutOfRangeShowsTheMessageAndRestoresTheLiveValue) {
    for (const NumericCase& c : kNumeric) {
        if (!c.spec->typing) continue;
        SCOPED_TRACE(c.caption);
        for (double bad : {c.max + c.step, c.min - c.step}) {
            NumericDialogModel m(*c.spec, c.live);
            m.TextChanged(c.spec->precision == 0 ? std::to_string(static_cast<int>(bad))
                                                 : FormatFloat(bad, 1));
            const OkAnswer answer = m.Ok();
            ASSERT_TRUE(answer.has_value()) << bad;
            EXPECT_EQ(answer->text, c.message);
            EXPECT_EQ(answer->title, c.caption);
            EXPECT_EQ(m.Text(), c.live_text);  // the edit box is rewritten with the live value
        }
    }
}

TEST(NumericDialogs, Persistence601IsRefusedAnd600Accepted) {
    NumericDialogModel m(kPersistenceSpec, 30);
    m.TextChanged("601");
    const OkAnswer refused = m.Ok();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->text, "Time is out of range!\nUse 0 to 600 seconds");
    EXPECT_EQ(refused->title, "Persistence");
    EXPECT_EQ(m.value(), 30);
    m.TextChanged("600");
    EXPECT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.value(), 600);
}

TEST(NumericDialogs, TextThatIsNoNumberIsRefusedNotTakenAsZero) {
    for (const char* text : {"", "abc", "12x", "1e3", "--2", "nan", "inf", "1.5"}) {
        NumericDialogModel m(kPersistenceSpec, 30);
        m.TextChanged(text);
        EXPECT_TRUE(m.Ok().has_value()) << '"' << text << '"';
        EXPECT_EQ(m.value(), 30);
    }
    NumericDialogModel rate(kVideoRateSpec, 3.0);
    rate.TextChanged(" 7.5 ");
    EXPECT_FALSE(rate.Ok().has_value());
    EXPECT_DOUBLE_EQ(rate.value(), 7.5);
}

TEST(NumericDialogs, TypingInMaximumFilesizeHasNoEffect) {
    NumericDialogModel m(kMaxFilesizeSpec, 300);
    EXPECT_FALSE(m.typing_allowed());
    for (const char* text : {"700", "50", "abc", ""}) {
        m.TextChanged(text);
        EXPECT_EQ(m.value(), 300) << text;
        EXPECT_FALSE(m.Ok().has_value());
    }
    m.StepUp();
    EXPECT_EQ(m.Text(), "400");
}

struct SpeedCase {
    int units;
    const char* label;
    const char* live_text;  // 1500.0 m/s
    double min, max;
    const char* message;
};

const SpeedCase kSpeeds[] = {
    {0, "m/s", "1500.0", 1400.0, 1600.0,
     "Speed of Sound is out of range!\nUse 1400.0 to 1600.0 m/s."},
    {1, "ft/s", "4921.3", 4593.2, 5249.3,
     "Speed of Sound is out of range!\nUse 4593.2 to 5249.3 ft/s."},
    {2, "yds/s", "1640.4", 1531.1, 1749.8,
     "Speed of Sound is out of range!\nUse 1531.1 to 1749.8 yds/s."},
};

TEST(SoundVelocityDialog, EachUnitShowsConvertsAndRefusesWithItsOwnMessage) {
    for (const SpeedCase& c : kSpeeds) {
        SCOPED_TRACE(c.label);
        SoundVelocityModel m(1500.0, c.units, 1500.0);
        EXPECT_STREQ(m.unit_label(), c.label);
        EXPECT_EQ(m.Text(), c.live_text);
        EXPECT_EQ(m.in_effect_text(), std::string("(") + c.live_text + ") :");
        m.Default();
        EXPECT_EQ(m.Text(), c.live_text);
        // Untouched, the stored value stays exactly what it was.
        EXPECT_FALSE(m.Ok().has_value());
        EXPECT_EQ(m.accepted_mps(), 1500.0);
        for (double bad : {c.min - 0.1, c.max + 0.1}) {
            SoundVelocityModel r(1480.0, c.units, 1480.0);
            r.TextChanged(FormatFloat(bad, 1));
            const OkAnswer a = r.Ok();
            ASSERT_TRUE(a.has_value());
            EXPECT_EQ(a->text, c.message);
            EXPECT_EQ(a->title, "Sound Velocity");
            EXPECT_EQ(r.accepted_mps(), 1480.0);
        }
        // The limits themselves are accepted and stored in metres per second within 1400..1600.
        for (double edge : {c.min, c.max}) {
            SoundVelocityModel e(1500.0, c.units, 1500.0);
            e.TextChanged(FormatFloat(edge, 1));
            ASSERT_FALSE(e.Ok().has_value()) << edge;
            EXPECT_GE(e.accepted_mps(), 1400.0);
            EXPECT_LE(e.accepted_mps(), 1600.0);
            EXPECT_NEAR(e.accepted_mps(), edge == c.min ? 1400.0 : 1600.0, 0.05);
        }
    }
}

TEST(SoundVelocityDialog, FeetAreStoredAsMetresPerSecond) {
    SoundVelocityModel m(1500.0, 1, 1500.0);
    m.TextChanged("4593.2");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_NEAR(m.accepted_mps(), 1400.0, 0.01);
    EXPECT_EQ(FormatFloat(m.accepted_mps(), 1, 6, true), "1400.0");
    SoundVelocityModel y(1500.0, 2, 1500.0);
    y.TextChanged("1600.0");
    ASSERT_FALSE(y.Ok().has_value());
    EXPECT_NEAR(y.accepted_mps(), 1463.04, 1e-9);  // 1600 yds/s x 0.9144
    // Shown the other way: 1463.04 m/s in yards is 1600.0 yds/s again.
    EXPECT_EQ(SoundVelocityModel(y.accepted_mps(), 2, 1500.0).Text(), "1600.0");
    // In playback the label shows the recorded speed, in the display unit.
    EXPECT_EQ(SoundVelocityModel(1500.0, 1, 1450.0).in_effect_text(), "(4757.2) :");
}

TEST(SoundVelocityDialog, ArrowsStepATenthOfTheDisplayUnit) {
    SoundVelocityModel m(1500.0, 0, 1500.0);
    m.StepUp();
    EXPECT_EQ(m.Text(), "1500.1");
    for (int i = 0; i < 3000; ++i) m.StepUp();
    EXPECT_EQ(m.Text(), "1600.0");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.accepted_mps(), 1600.0);
}

TEST(DialogPlacement, CentredOverTheMainWindowAndKeptOnTheScreen) {
    const DialogRect main{100, 50, 1034, 778};
    const DialogRect c = PlaceDialog(main, 300, 200, 1920, 1080, 23);
    EXPECT_EQ(c.x, 100 + (1034 - 300) / 2);
    EXPECT_EQ(c.y, 50 + (778 - 200) / 2);
    // Past the right edge: screen width - width - 11; past the bottom: screen height - height -
    // caption height - 10.
    const DialogRect r = PlaceDialog({1500, 700, 1034, 778}, 300, 200, 1920, 1080, 23);
    EXPECT_EQ(r.x, 1920 - 300 - 11);
    EXPECT_EQ(r.y, 1080 - 200 - 23 - 10);
    // Never above or left of the screen.
    const DialogRect l = PlaceDialog({-900, -700, 1034, 778}, 300, 200, 1920, 1080, 23);
    EXPECT_EQ(l.x, 0);
    EXPECT_EQ(l.y, 0);
}

// ----- "Set Switches" -----

SwitchesValues LiveSwitches() {
    SwitchesValues v;
    v.range_index = 7;
    v.gain_db = 6;
    v.frequency_khz = 240;
    return v;
}

SwitchesHead WideHead() {
    SwitchesHead h;
    h.min_range_index = 2;
    h.max_range_index = 11;
    h.max_gain = 20;
    h.nominal_frequency_khz = 260;
    h.min_frequency_khz = 200;
    h.max_frequency_khz = 300;
    return h;
}

TEST(SetSwitchesDialog, RangeListRunsFromTheLowestToTheHighestAllowedIndexInTheUnit) {
    struct Case {
        int units;
        const char* first;
        const char* current;
        const char* last;
        const char* default_name;
    } cases[] = {{0, "5 M   ", "50 M  ", "150 M ", "30 M  "},
                 {1, "15 FT   ", "150 FT  ", "450 FT  ", "90 FT   "},
                 {2, "5 YDS    ", "50 YDS   ", "150 YDS  ", "30 YDS   "}};
    for (const Case& c : cases) {
        SetSwitchesModel m(LiveSwitches(), WideHead(), c.units);
        ASSERT_EQ(m.range_names().size(), 10u);
        EXPECT_EQ(m.range_names().front(), c.first);
        EXPECT_EQ(m.range_names().back(), c.last);
        EXPECT_EQ(m.range_names()[static_cast<std::size_t>(m.range_position())], c.current);
        m.Defaults();
        EXPECT_EQ(m.range_names()[static_cast<std::size_t>(m.range_position())], c.default_name);
    }
    EXPECT_EQ(RangeName(0, 0), "1.25 M");
    EXPECT_EQ(RangeName(16, 1), "1500 FT ");
    EXPECT_EQ(RangeName(0, 0, true), "0.12 M");
    EXPECT_EQ(RangeName(1, 1, true), "0.75 FT ");
    EXPECT_EQ(RangeName(3, 2, true), "1 YDS    ");
}

TEST(SetSwitchesDialog, OkGivesThePositionPlusTheLowestIndexAndTheOtherSwitches) {
    SetSwitchesModel m(LiveSwitches(), WideHead(), 0);
    m.set_range_position(9);   // "150 M "
    m.set_range_position(10);  // outside the list: ignored
    m.StepGain(+1);
    m.set_transmit_position(1);
    m.set_sample_position(1);
    m.set_format_position(0);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().range_index, 11);
    EXPECT_TRUE(m.range_changed());
    EXPECT_EQ(m.result().gain_db, 7);
    EXPECT_FALSE(m.result().transmit);
    EXPECT_EQ(m.result().data_points_switch, 1);
    EXPECT_EQ(m.result().data_format, 10);
    EXPECT_EQ(m.result().frequency_khz, 240);
}

TEST(SetSwitchesDialog, FrequencyIsRoundedToFiveKilohertz) {
    const std::pair<const char*, int> cases[] = {{"262", 260},   {"262.4", 260}, {"262.5", 265},
                                                 {"263", 265},   {"200", 200},   {"300", 300},
                                                 {"297.4", 295}, {"297.5", 300}};
    for (const auto& [typed, stored] : cases) {
        SetSwitchesModel m(LiveSwitches(), WideHead(), 0);
        m.FrequencyTextChanged(typed);
        ASSERT_FALSE(m.Ok().has_value()) << typed;
        EXPECT_EQ(m.result().frequency_khz, stored) << typed;
    }
}

TEST(SetSwitchesDialog, FrequencyOutsideTheHeadsLimitsIsRefusedWithEitherMessage) {
    SetSwitchesModel m(LiveSwitches(), WideHead(), 0);
    for (const char* typed : {"199", "301", "", "2x"}) {
        m.FrequencyTextChanged(typed);
        const OkAnswer a = m.Ok();
        ASSERT_TRUE(a.has_value()) << typed;
        EXPECT_EQ(a->text, "Frequency is out of range!\nUse 200 to 300 kHz.");
        EXPECT_EQ(a->title, "Set Switches");
        EXPECT_EQ(m.frequency_text(), "240");
    }
    SwitchesHead fixed = WideHead();
    fixed.min_frequency_khz = fixed.max_frequency_khz = 260;
    SetSwitchesModel f(LiveSwitches(), fixed, 0);
    f.FrequencyTextChanged("265");
    const OkAnswer a = f.Ok();
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->text, "Frequency is out of range!\nFrequency must be 260 kHz.");
    f.FrequencyTextChanged("260");
    EXPECT_FALSE(f.Ok().has_value());
}

TEST(SetSwitchesDialog, FrequencyArrowsStepByTheHeadsStepWithinItsLimitsAndShowTheOffset) {
    SwitchesHead h = WideHead();
    h.frequency_display_offset_khz = 10;
    SetSwitchesModel m(LiveSwitches(), h, 0);
    EXPECT_EQ(m.frequency_text(), "250");
    m.StepFrequency(+1);
    EXPECT_EQ(m.frequency_text(), "255");
    for (int i = 0; i < 100; ++i) m.StepFrequency(+1);
    EXPECT_EQ(m.frequency_text(), "310");  // 300 kHz plus the offset
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().frequency_khz, 300);
    h.transducer_type = 9;
    SetSwitchesModel t(LiveSwitches(), h, 0);
    t.StepFrequency(-1);
    EXPECT_EQ(t.frequency_text(), "210");
    t.StepFrequency(-1);
    EXPECT_EQ(t.frequency_text(), "210");  // clamped at 200 kHz
}

TEST(SetSwitchesDialog, GainOutsideTheHeadsMaximumIsIgnored) {
    SetSwitchesModel m(LiveSwitches(), WideHead(), 0);
    for (const char* typed : {"21", "-1", "x"}) {
        m.GainTextChanged(typed);
        ASSERT_FALSE(m.Ok().has_value()) << typed;
        EXPECT_EQ(m.result().gain_db, 6) << typed;
    }
    m.GainTextChanged("20");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().gain_db, 20);
    m.StepGain(+1);
    EXPECT_EQ(m.gain_text(), "20");
}

TEST(SetSwitchesDialog, DefaultsAndTheSwitchesWithoutControlsOfTheirOwn) {
    SwitchesValues live = LiveSwitches();
    live.transmit = false;
    live.auto_pulse_length = false;
    live.pulse_length_us = 300;
    live.pulse_multiplier = 1.5;
    live.range_offset_m = 20;
    live.data_points_switch = 1;
    live.data_format = 10;
    SetSwitchesModel m(live, WideHead(), 0);
    m.Defaults();
    EXPECT_EQ(m.gain_text(), "3");
    EXPECT_EQ(m.frequency_text(), "260");
    EXPECT_EQ(m.transmit_position(), 0);
    EXPECT_EQ(m.multiplier_text(), "1.0");
    ASSERT_FALSE(m.Ok().has_value());
    SwitchesValues expected;
    expected.range_index = 5;
    expected.gain_db = 3;
    expected.frequency_khz = 260;
    expected.pulse_length_us = 300;  // manual length kept for when automatic goes off again
    EXPECT_EQ(m.result(), expected);
}

TEST(SetSwitchesDialog, MultiplierPulseLengthAndRangeOffsetKeepTheirLimits) {
    SetSwitchesModel m(LiveSwitches(), WideHead(), 0);
    m.MultiplierTextChanged("2.1");
    OkAnswer a = m.Ok();
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->text, "Multiplier is out of range!\nUse 1.0 to 2.0");
    EXPECT_EQ(a->title, "Set Switches");
    EXPECT_EQ(m.multiplier_text(), "1.0");
    for (int i = 0; i < 30; ++i) m.StepMultiplier(+1);
    EXPECT_EQ(m.multiplier_text(), "2.0");
    m.set_auto_pulse_length(false);
    m.StepPulseLength(+1);
    EXPECT_EQ(m.pulse_length_text(), "185");
    for (int i = 0; i < 1000; ++i) m.StepPulseLength(-1);
    EXPECT_EQ(m.pulse_length_text(), "30");
    for (int i = 0; i < 150; ++i) m.StepRangeOffset(+1);
    EXPECT_EQ(m.range_offset_text(), "100");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_DOUBLE_EQ(m.result().pulse_multiplier, 2.0);
    EXPECT_FALSE(m.result().auto_pulse_length);
    EXPECT_EQ(m.result().pulse_length_us, 30);
    EXPECT_EQ(m.result().range_offset_m, 100);
    // A range too short for that offset limits it (5 m allows 20 m).
    m.set_range_position(0);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().range_offset_m, 20);
    m.PulseLengthTextChanged("5000");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().pulse_length_us, 180);  // out of the head's limits: ignored
}

TEST(SwitchesReadOnlyDialog, ShowsThePlayedSwitchesInTheDisplayUnit) {
    SwitchesValues v = LiveSwitches();
    v.range_offset_m = 10;
    v.pulse_length_us = 300;
    const SwitchesReadOnlyTexts m = ReadOnlySwitchesTexts(v, WideHead(), 0);
    EXPECT_EQ(m.range, "50 M  ");
    EXPECT_EQ(m.range_offset, "10 M");
    EXPECT_EQ(m.gain, "6 dB");
    EXPECT_EQ(m.pulse_length, "300 usec");
    EXPECT_EQ(m.frequency, "240 kHz");
    EXPECT_EQ(ReadOnlySwitchesTexts(v, WideHead(), 1).range_offset, "32 FT");
    EXPECT_EQ(ReadOnlySwitchesTexts(v, WideHead(), 2).range_offset, "10 YDS");
}

}  // namespace
}  // namespace vq
