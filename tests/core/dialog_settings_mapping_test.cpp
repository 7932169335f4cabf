// What the dialogs open with, taken from the settings store, and what they write back.
#include <gtest/gtest.h>

#include "core/dialogs/profile_dialogs.h"
#include "core/dialogs/switches_dialog.h"
#include "core/settings_store.h"

namespace vq {
namespace {

TEST(DialogSettings, SwitchesOpenWithTheValuesInForceAndTheHeadsLimits) {
    SettingsState st;
    st.s.Range = 9;
    st.s.Gain = 12;
    st.s.Frequency = 255;
    st.s.PulseLength = 420;
    st.s.DataPointsSwitch = 0;  // a start always runs 500 samples ...
    st.s.DataFormat = 11;
    st.work.data_points_switch_initial = 1;  // ... but offers the 1000 the file asked for
    st.work.transmit_disabled = 1;
    st.work.auto_pulse_length = 0;
    st.work.pulse_multiplier = 1.5f;
    st.work.range_offset_m = 20;
    st.head.min_range_index = 3;
    st.head.max_range_index = 14;
    st.head.max_gain = 30;
    st.head.nominal_frequency_khz = 120;
    st.head.min_frequency_khz = 115;
    st.head.max_frequency_khz = 125;
    st.head.max_pulse_length_us = 30;
    st.head.fine_resolution = true;
    const SwitchesValues v = SwitchesValuesOf(st);
    SwitchesValues expected{9, 12, 255, false, 20, false, 420, 1.5, 1, 11};
    EXPECT_EQ(v, expected);
    const SwitchesHead h = SwitchesHeadOf(st);
    EXPECT_EQ(h.min_range_index, 3);
    EXPECT_EQ(h.max_range_index, 14);
    EXPECT_EQ(h.max_gain, 30);
    EXPECT_EQ(h.nominal_frequency_khz, 120);
    EXPECT_EQ(h.min_frequency_khz, 115);
    EXPECT_EQ(h.max_frequency_khz, 125);
    EXPECT_EQ(h.max_pulse_length_us, 30);  // a head limited to 30 us offers just that
    EXPECT_TRUE(h.fine_resolution);
    SetSwitchesModel m(v, h, 0);
    EXPECT_EQ(m.range_names().front(), "1 M   ");  // a tenth of 10 m
    EXPECT_EQ(m.sample_position(), 1);
}

TEST(DialogSettings, ProfileAndFilterValuesGoBothWays) {
    Settings s;
    ProfileSetupValues p{3, 1, 1, 1, 2.5, 75.0, 0, 1};
    StoreProfileSetup(p, s);
    EXPECT_EQ(s.ProfileDisplayType, 3);
    EXPECT_EQ(s.ProfilePointType, 1);
    EXPECT_EQ(s.ProfilePointDotSize, 1);
    EXPECT_EQ(s.ProfilePointDetection, 1);
    EXPECT_FLOAT_EQ(s.ProfileMinDepthBelowSonar, 2.5f);
    EXPECT_FLOAT_EQ(s.ProfileMaxDepthBelowSonar, 75.0f);
    EXPECT_EQ(s.ProfilePointFilter, 0);
    EXPECT_EQ(s.ProfilePointFilter_g_along_track_avg_sw, 1);
    EXPECT_EQ(ProfileSetupValuesOf(s), p);

    AdvancedFilterSettings counts;
    counts.max_points = 1;
    counts.num_segments = 4;
    counts.num_depth_bins = 2;
    AdvancedFilterSettings a = counts;
    a.fill_beams = 0;
    a.main_filter = 0;
    a.flat_bottom = 0;
    a.short_outliers = 0;
    a.show_removed = 1;
    a.background_level = 0.25;
    a.outlier_samples = 333;
    StoreAdvancedFilter(a, s);
    EXPECT_EQ(s.ProfilePointFilter_g_fill_beams_sw, 0);
    EXPECT_EQ(s.ProfilePointFilter_g_pre_filter_sw, 0);
    EXPECT_EQ(s.ProfilePointFilter_g_show_outliers_sw, 1);
    EXPECT_EQ(s.ProfilePointFilter_g_ol_fil_val, 333);
    EXPECT_EQ(AdvancedFilterOf(s, counts), a);
}

}  // namespace
}  // namespace vq
