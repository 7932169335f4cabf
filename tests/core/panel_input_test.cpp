// The control panel's rules without a window: dial presses and their repeat, function and
// arrow keys with the acceleration factor, the typed entry field with its warnings, and the
// range change every source goes through.
#include "core/panel_input.h"

#include <gtest/gtest.h>

#include <string>

#include "core/range_change.h"

namespace vq {
namespace {

PanelLimits Live(int min_index = 2, int max_index = 11) {
    PanelLimits l;
    l.min_range_index = min_index;
    l.max_range_index = max_index;
    return l;
}

// Types the characters of `keys` ("\r" is Enter) and returns the last effect.
PanelEffect Type(PanelInput& in, const std::string& keys, PanelValues& v, const PanelLimits& l) {
    PanelEffect e;
    for (char c : keys) {
        e = in.Char(c, v, l);
        v = e.values;
    }
    return e;
}

TEST(DialRules, StepSizeGrowsWithTheRepeatCounter) {
    const int expected[] = {1, 1, 1, 1, 1, 2, 3, 3, 4, 4, 5};
    for (int counter = 0; counter <= 10; ++counter) {
        EXPECT_EQ(DialStepSize(counter), expected[counter]) << counter;
    }
}

TEST(DialRules, DirectionFromThePressTheCentreAndTheTip) {
    const DialPoint c{100, 100};
    struct Case {
        DialPoint press, tip;
        int direction;
        const char* what;
    };
    const Case cases[] = {
        {{80, 100}, {120, 90}, -1, "left of centre, tip right: down"},
        {{80, 70}, {85, 110}, 1, "left of centre, tip left, above the tip: up"},
        {{80, 120}, {85, 110}, -1, "left of centre, tip left, below the tip: down"},
        {{120, 100}, {80, 90}, 1, "right of centre, tip left: up"},
        {{120, 70}, {115, 110}, -1, "right of centre, tip right, above the tip: down"},
        {{120, 120}, {115, 110}, 1, "right of centre, tip right, below the tip: up"},
        {{80, 100}, {100, 80}, -1, "left of centre, tip straight up: down"},
        {{120, 100}, {100, 80}, 1, "right of centre, tip straight up: up"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(DialPressDirection(k.press, c, k.tip), k.direction) << k.what;
}

TEST(DialRules, ThePointerSweepsClockwiseFromLowerLeftToLowerRight) {
    const DialPoint c{50, 50};
    const DialPoint low = DialTip(c, 20, 0.0), mid = DialTip(c, 20, 0.5),
                    high = DialTip(c, 20, 1.0);
    EXPECT_LT(low.x, c.x);
    EXPECT_GT(low.y, c.y);
    EXPECT_EQ(mid.x, c.x);
    EXPECT_EQ(mid.y, c.y - 20);
    EXPECT_GT(high.x, c.x);
    EXPECT_GT(high.y, c.y);
    // A press left of the centre above the pointer at its lowest turns the value up.
    EXPECT_EQ(DialPressDirection({low.x, low.y - 10}, c, low), 1);
}

TEST(DialRules, WhichDialsAnswer) {
    PanelLimits l = Live();
    for (Dial d : {Dial::Range, Dial::Gain, Dial::DisplayGain, Dial::Persistence}) {
        EXPECT_TRUE(DialResponds(d, l));
    }
    l.hold = true;
    for (Dial d : {Dial::Range, Dial::Gain, Dial::DisplayGain, Dial::Persistence}) {
        EXPECT_FALSE(DialResponds(d, l));
    }
    l.hold = false;
    l.live = false;
    EXPECT_FALSE(DialResponds(Dial::Range, l));
    EXPECT_FALSE(DialResponds(Dial::Gain, l));
    EXPECT_TRUE(DialResponds(Dial::DisplayGain, l));
    l.display_type = 3;
    EXPECT_FALSE(DialResponds(Dial::Persistence, l));
}

TEST(DialRules, HeldPressRepeatsAfter500ThenEvery75Milliseconds) {
    PanelInput in;
    const PanelLimits l = Live();
    PanelValues v;
    v.display_gain = 50;
    // A press above the tip on the left half with the tip left of the centre: up.
    PanelEffect e = in.DialPress(Dial::DisplayGain, {10, 10}, {50, 50}, {30, 60}, 1000, v, l);
    EXPECT_EQ(e.values.display_gain, 51);  // the first step at once
    v = e.values;
    EXPECT_FALSE(in.DialTimer(1499, v, l).changed);
    std::vector<int> seen;
    for (std::int64_t t = 1500; t < 1500 + 75 * 12; t += 75) {
        e = in.DialTimer(t, v, l);
        seen.push_back(e.values.display_gain - v.display_gain);
        v = e.values;
        EXPECT_FALSE(in.DialTimer(t + 74, v, l).changed) << t;
    }
    // Steps of 1 up to the fourth repeat, then counter / 2, at most 5.
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 1, 2, 3, 3, 4, 4, 5, 5, 5}));
    in.DialRelease();
    EXPECT_FALSE(in.DialTimer(10000, v, l).changed);
}

TEST(DialRules, GainDialHeldAtTheMaximumClampsAndRepeatsLeaveIt) {
    PanelInput in;
    const PanelLimits l = Live();
    PanelValues v;
    v.gain = 20;
    // Right of the centre below the tip, tip right: up.
    PanelEffect e = in.DialPress(Dial::Gain, {90, 90}, {50, 50}, {70, 70}, 0, v, l);
    EXPECT_EQ(e.values.gain, 20);
    EXPECT_FALSE(e.changed);
    for (std::int64_t t = 500; t < 2000; t += 75) {
        e = in.DialTimer(t, v, l);
        EXPECT_EQ(e.values.gain, 20) << t;
    }
    EXPECT_GT(in.repeat().counter(), 4);
}

TEST(DialRules, NothingTurnsWhileHoldIsOnAndRangeAndGainOnlyLive) {
    PanelInput in;
    PanelLimits l = Live();
    l.hold = true;
    PanelValues v;
    EXPECT_FALSE(in.DialPress(Dial::DisplayGain, {90, 90}, {50, 50}, {70, 70}, 0, v, l).changed);
    EXPECT_FALSE(in.repeat().active());
    l.hold = false;
    l.live = false;
    EXPECT_FALSE(in.DialPress(Dial::Range, {90, 90}, {50, 50}, {70, 70}, 0, v, l).changed);
    EXPECT_FALSE(in.DialPress(Dial::Gain, {90, 90}, {50, 50}, {70, 70}, 0, v, l).changed);
    // Hold pressed during a repeat stops the steps.
    l.live = true;
    EXPECT_TRUE(in.DialPress(Dial::Gain, {90, 90}, {50, 50}, {70, 70}, 0, v, l).changed);
    l.hold = true;
    EXPECT_FALSE(in.DialTimer(500, v, l).changed);
}

TEST(DialRules, TurningClampsEveryDial) {
    PanelLimits l = Live(2, 11);
    PanelValues v;
    v.range_index = 10;
    EXPECT_TRUE(TurnDial(Dial::Range, 5, v, l));
    EXPECT_EQ(v.range_index, 11);
    v.display_gain = 3;
    TurnDial(Dial::DisplayGain, -5, v, l);
    EXPECT_EQ(v.display_gain, 1);
    v.persistence = 598;
    TurnDial(Dial::Persistence, 5, v, l);
    EXPECT_EQ(v.persistence, 600);
    v.gain = 1;
    TurnDial(Dial::Gain, -4, v, l);
    EXPECT_EQ(v.gain, 0);
    // Down past the lowest index engages half-range mode, as F1 does.
    v.range_index = 3;
    TurnDial(Dial::Range, -3, v, l);
    EXPECT_EQ(v.range_index, 2);
    EXPECT_TRUE(v.half_range);
}

TEST(PanelKeys, AccelerationGrowsByHalfPerKeyDownUpTo16AndResetsOnKeyUp) {
    PanelInput in;
    const PanelLimits l = Live();
    PanelValues v;
    EXPECT_DOUBLE_EQ(in.acceleration(), 1.0);
    for (int i = 0; i < 40; ++i) in.KeyDown(PanelKey::Left, Dial::None, v, l);
    EXPECT_DOUBLE_EQ(in.acceleration(), 16.0);
    in.KeyUp();
    EXPECT_DOUBLE_EQ(in.acceleration(), 1.0);
    // The effect uses the factor from before the key-down: 1, 1.5, 2, 2.5 pixels (truncated).
    std::vector<int> dx;
    for (int i = 0; i < 4; ++i)
        dx.push_back(in.KeyDown(PanelKey::Right, Dial::None, v, l).pointer_dx);
    EXPECT_EQ(dx, (std::vector<int>{1, 1, 2, 2}));
    EXPECT_EQ(in.KeyDown(PanelKey::Up, Dial::None, v, l).pointer_dy, -3);
}

TEST(PanelKeys, DisplayGainKeysMoveByTheAccelerationFactor) {
    PanelInput in;
    const PanelLimits l = Live();
    PanelValues v;
    v.display_gain = 50;
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        v = in.KeyDown(PanelKey::F6, Dial::None, v, l).values;
        seen.push_back(v.display_gain);
    }
    // +1, +1.5, +2, +2.5, +3, each result truncated to a whole percent.
    EXPECT_EQ(seen, (std::vector<int>{51, 52, 54, 56, 59}));
    in.KeyUp();
    v.display_gain = 2;
    in.KeyDown(PanelKey::F5, Dial::None, v, l);
    EXPECT_EQ(in.KeyDown(PanelKey::F5, Dial::None, v, l).values.display_gain, 1);
    v.display_gain = 100;
    EXPECT_FALSE(in.KeyDown(PanelKey::F6, Dial::None, v, l).changed);
}

TEST(PanelKeys, RangeAndGainKeysAreLiveOnly) {
    PanelLimits l = Live(2, 11);
    PanelValues v;
    v.range_index = 7;
    v.gain = 20;
    EXPECT_EQ(ApplyPanelKey(PanelKey::F2, Dial::None, 1.0, v, l).values.range_index, 8);
    EXPECT_EQ(ApplyPanelKey(PanelKey::F1, Dial::None, 1.0, v, l).values.range_index, 6);
    EXPECT_EQ(ApplyPanelKey(PanelKey::F3, Dial::None, 1.0, v, l).values.gain, 19);
    EXPECT_FALSE(ApplyPanelKey(PanelKey::F4, Dial::None, 1.0, v, l).changed);  // at the maximum
    l.live = false;
    for (PanelKey k : {PanelKey::F1, PanelKey::F2, PanelKey::F3, PanelKey::F4}) {
        EXPECT_FALSE(ApplyPanelKey(k, Dial::None, 1.0, v, l).changed);
    }
    EXPECT_TRUE(ApplyPanelKey(PanelKey::F5, Dial::None, 1.0, v, l).changed);
}

TEST(PanelKeys, F1AtTheLowestIndexEngagesHalfRangeAndF2LeavesIt) {
    const PanelLimits l = Live(1, 8);
    PanelValues v;
    v.range_index = 1;
    PanelEffect e = ApplyPanelKey(PanelKey::F1, Dial::None, 1.0, v, l);
    EXPECT_TRUE(e.values.half_range);
    EXPECT_EQ(e.values.range_index, 1);
    EXPECT_FALSE(ApplyPanelKey(PanelKey::F1, Dial::None, 1.0, e.values, l).changed);
    e = ApplyPanelKey(PanelKey::F2, Dial::None, 1.0, e.values, l);
    EXPECT_FALSE(e.values.half_range);
    EXPECT_EQ(e.values.range_index, 1);
    EXPECT_EQ(ApplyPanelKey(PanelKey::F2, Dial::None, 1.0, e.values, l).values.range_index, 2);
    // A head whose lowest index is 3 has no half-range mode.
    v.range_index = 3;
    EXPECT_FALSE(ApplyPanelKey(PanelKey::F1, Dial::None, 1.0, v, Live(3, 11)).changed);
}

TEST(PanelKeys, ArrowsOverADialTurnItElsewhereMoveThePointer) {
    PanelLimits l = Live();
    PanelValues v;
    v.range_index = 7;
    v.gain = 6;
    v.display_gain = 50;
    v.persistence = 0;
    struct Case {
        PanelKey key;
        Dial over;
        double factor;
        PanelValues expected;
    };
    const Case cases[] = {
        {PanelKey::Up, Dial::Range, 4.0, {8, false, 6, 50, 0}},
        {PanelKey::Down, Dial::Range, 4.0, {6, false, 6, 50, 0}},
        {PanelKey::Up, Dial::Gain, 4.0, {7, false, 7, 50, 0}},
        {PanelKey::Up, Dial::DisplayGain, 2.5, {7, false, 6, 52, 0}},
        {PanelKey::Up, Dial::Persistence, 4.0, {7, false, 6, 50, 1}},
        {PanelKey::Down, Dial::Persistence, 4.0, {7, false, 6, 50, 0}},
    };
    for (const Case& k : cases) {
        const PanelEffect e = ApplyPanelKey(k.key, k.over, k.factor, v, l);
        EXPECT_EQ(e.values, k.expected) << static_cast<int>(k.over);
        EXPECT_EQ(e.pointer_dy, 0);
    }
    l.display_type = 3;
    EXPECT_FALSE(ApplyPanelKey(PanelKey::Up, Dial::Persistence, 1.0, v, l).changed);
    EXPECT_EQ(ApplyPanelKey(PanelKey::Down, Dial::None, 3.5, v, l).pointer_dy, 3);
    EXPECT_EQ(ApplyPanelKey(PanelKey::Left, Dial::Range, 2.0, v, l).pointer_dx, -2);
}

TEST(TypedEntry, RangeSevenOnAStandardHeadShowsTheListAndKeepsTheRange) {
    PanelInput in;
    const PanelLimits l = Live(2, 11);
    PanelValues v;
    v.range_index = 7;
    const PanelEffect e = Type(in, "R7\r", v, l);
    ASSERT_TRUE(e.warning.has_value());
    EXPECT_EQ(e.warning->title, "Range");
    EXPECT_EQ(e.warning->text,
              "Please use one of the following ranges:\n 5, 10, 20, 30, 40, 50, 60, 80, 100 or "
              "150 Meters    ");
    EXPECT_EQ(v.range_index, 7);
    EXPECT_FALSE(in.entry().open());
}

TEST(TypedEntry, RangeTablesOfEveryFamilyAndUnit) {
    struct Case {
        bool fine;
        int units;
        const char* typed;
        int index;  // -1: refused
    };
    const Case cases[] = {
        {false, 0, "50", 7},   {false, 0, "2", -1},  {false, 0, "5", 2},  {false, 0, "150", 11},
        {false, 2, "100", 10}, {false, 1, "150", 7}, {false, 1, "15", 2}, {false, 1, "450", 11},
        {false, 1, "50", -1},  {true, 0, "0.5", 2},  {true, 0, "8", 9},   {true, 0, "30", 14},
        {true, 0, "50", -1},   {true, 2, "25", 13},  {true, 1, "1.5", 2}, {true, 1, "90", 14},
        {false, 0, "5.", 2},   {false, 0, ".", -1},  {false, 0, "", -1},
    };
    for (const Case& k : cases) {
        PanelLimits l = Live(2, 14);
        l.fine_resolution = k.fine;
        l.units = k.units;
        PanelValues v;
        v.range_index = 3;
        const EntryResult r = ApplyTypedEntry(Dial::Range, k.typed, v, l);
        EXPECT_EQ(r.accepted, k.index >= 0)
            << k.typed << " fine " << k.fine << " units " << k.units;
        EXPECT_EQ(r.values.range_index, k.index >= 0 ? k.index : 3) << k.typed;
    }
}

TEST(TypedEntry, RangeMessagesByHighestIndexAndUnit) {
    const std::string head = "Please use one of the following ranges:\n ";
    EXPECT_EQ(RangeListMessage(false, 0, 3), head + "5 or 10 Meters    ");
    EXPECT_EQ(RangeListMessage(false, 2, 8), head + "5, 10, 20, 30, 40, 50 or 60 Yards    ");
    EXPECT_EQ(RangeListMessage(false, 1, 8), head + "15, 30, 60, 90, 120, 150 or 180 Feet");
    EXPECT_EQ(RangeListMessage(false, 0, 12),
              head + "5, 10, 20, 30, 40, 50, 60, 80, 100, 150, or 200 Meters    ");
    EXPECT_EQ(
        RangeListMessage(false, 1, 16),
        head + "15, 30, 60, 90, 120, 150, 180, 240, 300, 450, 600, 750, 900, 1200 or 1500 Feet");
    EXPECT_EQ(RangeListMessage(true, 0, 14),
              head + "0.5, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 25 or 30 Meters    ");
    EXPECT_EQ(RangeListMessage(true, 2, 14),
              head + "0.5, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 25 or 30 Yards    ");
    // A highest index no message names gets one in the same style.
    EXPECT_EQ(RangeListMessage(false, 0, 9), head + "5, 10, 20, 30, 40, 50, 60 or 80 Meters    ");
}

TEST(TypedEntry, ARangeOutsideTheHeadsSpanOrTheCurrentOneIsRefused) {
    PanelValues v;
    v.range_index = 7;
    EXPECT_FALSE(ApplyTypedEntry(Dial::Range, "200", v, Live(2, 11)).accepted);  // index 12
    EXPECT_FALSE(ApplyTypedEntry(Dial::Range, "3", v, Live(2, 11)).accepted);    // index 1
    EXPECT_FALSE(ApplyTypedEntry(Dial::Range, "50", v, Live(2, 11)).accepted);   // the current
    // In half-range mode the lowest index typed again is accepted and leaves half-range mode.
    v.range_index = 2;
    v.half_range = true;
    const EntryResult r = ApplyTypedEntry(Dial::Range, "5", v, Live(2, 11));
    EXPECT_TRUE(r.accepted);
    EXPECT_FALSE(r.values.half_range);
}

TEST(TypedEntry, GainDisplayGainAndPersistenceWarnings) {
    PanelInput in;
    const PanelLimits l = Live();
    PanelValues v;
    struct Case {
        const char* keys;
        const char* text;
        const char* title;
    };
    const Case cases[] = {
        {"g21\r", "Entered Gain is out of range!\nUse 0 to 20 dB", "Gain"},
        {"G.\r", "Entered Gain is out of range!\nUse 0 to 20 dB", "Gain"},
        {"d0\r", "Entered Display Gain is out of range!\nUse 1 to 100 percent", "Display Gain"},
        {"D101\r", "Entered Display Gain is out of range!\nUse 1 to 100 percent", "Display Gain"},
        {"p601\r", "Entered Persistence is out of range!\nUse 0 to 600 seconds", "Persistenece"},
    };
    for (const Case& k : cases) {
        PanelValues w = v;
        const PanelEffect e = Type(in, k.keys, w, l);
        ASSERT_TRUE(e.warning.has_value()) << k.keys;
        EXPECT_EQ(e.warning->text, k.text);
        EXPECT_EQ(e.warning->title, k.title);
        EXPECT_EQ(w, v) << k.keys;
    }
    PanelValues w = v;
    Type(in, "g12\r", w, l);
    EXPECT_EQ(w.gain, 12);
    Type(in, "d100\r", w, l);
    EXPECT_EQ(w.display_gain, 100);
    Type(in, "p30\r", w, l);
    EXPECT_EQ(w.persistence, 30);
    EXPECT_TRUE(Type(in, "p0\r", w, l).clear_image);  // from non-zero to zero clears the image
    EXPECT_FALSE(Type(in, "p0\r", w, l).clear_image);
}

TEST(TypedEntry, FourDigitsKeepThreeAndEscCloses) {
    PanelInput in;
    const PanelLimits l = Live();
    PanelValues v;
    Type(in, "G1234", v, l);
    EXPECT_EQ(in.entry().text(), "123");
    EXPECT_EQ(in.entry().dial(), Dial::Gain);
    const PanelEffect e = Type(in, "\x1b", v, l);
    EXPECT_TRUE(e.entry_changed);
    EXPECT_FALSE(in.entry().open());
    EXPECT_FALSE(Type(in, "\r", v, l).changed);  // Enter with no field open does nothing
    EXPECT_EQ(v.gain, 6);
    // A letter reopens the field empty on its dial.
    Type(in, "g1d", v, l);
    EXPECT_EQ(in.entry().dial(), Dial::DisplayGain);
    EXPECT_EQ(in.entry().text(), "");
}

TEST(TypedEntry, WhichFieldsOpenWhen) {
    PanelInput in;
    PanelLimits l = Live();
    l.live = false;
    PanelValues v;
    EXPECT_FALSE(in.Char('r', v, l).entry_changed);
    EXPECT_FALSE(in.Char('g', v, l).entry_changed);
    EXPECT_TRUE(in.Char('d', v, l).entry_changed);
    l.display_type = 3;
    in.Char('\x1b', v, l);
    EXPECT_FALSE(in.Char('P', v, l).entry_changed);
    EXPECT_TRUE(in.Char('h', v, l).toggle_hold);
    EXPECT_TRUE(in.Char('C', v, l).clear_image);
}

TEST(RangeChange, PulseLengthAndFilterFollowTheRange) {
    struct Case {
        int index;
        bool fine;
        int max_pulse;
        int pulse;
        int filter;
    };
    const Case cases[] = {
        {2, false, 2000, 30, 0},     {4, false, 2000, 60, 1},   {5, false, 2000, 200, 9},
        {7, false, 2000, 300, 8},    {10, false, 2000, 600, 3}, {11, false, 2000, 1200, 11},
        {11, false, 1000, 1000, 11}, {3, true, 2000, 5, 5},     {7, true, 2000, 10, 5},
        {12, true, 2000, 30, 6},
    };
    for (const Case& k : cases) {
        SettingsState st;
        st.head.min_range_index = 0;
        st.head.max_range_index = 16;
        st.head.fine_resolution = k.fine;
        st.head.max_pulse_length_us = k.max_pulse;
        ApplyRangeChange(st, k.index);
        EXPECT_EQ(st.s.Range, k.index);
        EXPECT_EQ(st.s.PulseLength, k.pulse) << k.index << " fine " << k.fine;
        EXPECT_EQ(st.s.FIRFilter, k.filter) << k.index << " fine " << k.fine;
    }
}

TEST(RangeChange, ClampsTheIndexLowersTheLiveOffsetAndKeepsAManualPulse) {
    SettingsState st;
    st.head.min_range_index = 2;
    st.head.max_range_index = 11;
    st.work.range_offset_m = 150;
    RangeChangeResult r = ApplyRangeChange(st, 1, true);
    EXPECT_EQ(st.s.Range, 2);
    EXPECT_EQ(st.s.HalfRange, 1);  // the lowest index of a head that starts below 3
    EXPECT_EQ(st.work.range_offset_m, 20);
    EXPECT_TRUE(r.offset_lowered && r.index_changed && r.half_range_changed);
    ApplyRangeChange(st, 16, true);
    EXPECT_EQ(st.s.Range, 11);
    EXPECT_EQ(st.s.HalfRange, 0);  // only at the lowest index
    // In playback the offset follows the recording.
    st.s.RunMode = 1;
    st.work.range_offset_m = 150;
    ApplyRangeChange(st, 2);
    EXPECT_EQ(st.work.range_offset_m, 150);
    // With automatic pulse length off the operator's pulse length and filter stay.
    st.work.auto_pulse_length = 0;
    st.s.PulseLength = 77;
    st.s.FIRFilter = 4;
    r = ApplyRangeChange(st, 9);
    EXPECT_FALSE(r.pulse_changed);
    EXPECT_EQ(st.s.PulseLength, 77);
    EXPECT_EQ(st.s.FIRFilter, 4);
}

}  // namespace
}  // namespace vq
