// External control datagrams applied to a settings state: field checks, table order, the
// activity rules and robustness against arbitrary bytes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "net/control.h"

namespace vq {
namespace {

// A datagram written by hand: offsets as the controller's documentation lists them.
struct Datagram {
    std::array<std::uint8_t, 256> b{};
    Datagram() {
        b[3] = 1;  // control active
    }
    Datagram& U8(std::size_t at, int v) {
        b[at] = static_cast<std::uint8_t>(v);
        return *this;
    }
    Datagram& U16(std::size_t at, int v) {
        b[at] = static_cast<std::uint8_t>(v >> 8);
        b[at + 1] = static_cast<std::uint8_t>(v & 255);
        return *this;
    }
    Datagram& F32(std::size_t at, float v) {
        std::memcpy(&b[at], &v, 4);  // little-endian host
        return *this;
    }
};

// A datagram that repeats the built-in settings of a fresh state.
Datagram CurrentState(const SettingsState& st) {
    const Settings& s = st.s;
    Datagram d;
    d.U8(7, s.Range).U8(8, s.Gain).U8(9, s.DisplayGain).U8(10, s.GainEqualization);
    d.U8(11, s.SectorSize).U8(12, s.ProcessingMode).U8(13, s.StepSize);
    d.U8(14, s.AvgFilter ? s.AvgFilterIndex : 0).U16(15, s.Persistence).U16(17, 15000);
    d.U8(19, s.DisplayType).U8(20, s.DataOutputType == 2 ? 1 : 0);
    d.U8(21, s.ProfilePointDetection).U8(22, 0).U8(23, 25).U8(24, s.Xdcr).U8(25, 180);
    d.U8(27, s.Units).U8(28, 0).U8(31, s.ExternalTriggerControl);
    d.U16(32, s.ExternalTriggerXmitDelay).U8(34, s.ProfilePointFilter);
    return d;
}

class ControlTest : public ::testing::Test {
  protected:
    ControlResult Apply(const Datagram& d, bool playback = false, std::size_t len = 256) {
        ControlInputs in;
        in.playback = playback;
        in.beam_output = beam_output;
        in.recording = recording;
        return ApplyControlDatagram(d.b.data(), len, cs, st, in);
    }
    SettingsState st;
    ControlState cs;
    bool beam_output = true;
    bool recording = false;
};

TEST_F(ControlTest, ActivityFollowsByteThreeChanges) {
    Datagram off;
    off.U8(3, 0).U8(9, 77);
    ControlResult r = Apply(off);
    EXPECT_FALSE(r.active);
    EXPECT_FALSE(r.applied);
    EXPECT_EQ(st.s.DisplayGain, 50);  // nothing applied while inactive

    Datagram on = CurrentState(st);
    on.U8(9, 77);
    r = Apply(on);
    EXPECT_TRUE(r.active && r.activity_changed && r.applied);
    EXPECT_EQ(st.s.DisplayGain, 77);
    EXPECT_TRUE(cs.status_box_shown());
    EXPECT_TRUE(cs.TakeEvent());
    EXPECT_FALSE(cs.TakeEvent());  // reported once

    off.U8(9, 20);
    r = Apply(off);
    EXPECT_FALSE(r.active);
    EXPECT_TRUE(r.activity_changed);
    EXPECT_EQ(st.s.DisplayGain, 77);
    EXPECT_FALSE(cs.status_box_shown());
}

TEST_F(ControlTest, RepeatedStateChangesNothingButShowsTheBox) {
    const SettingsState before = st;
    Datagram d = CurrentState(st);
    Apply(d);  // first datagram: becomes active
    ControlResult r = Apply(d);
    EXPECT_TRUE(r.applied);
    EXPECT_FALSE(r.settings_changed());
    EXPECT_FALSE(r.geometry_changed || r.threshold_changed || r.blanking_changed);
    EXPECT_EQ(r.display_mode_request, -1);
    EXPECT_FALSE(r.sound_velocity_pending.has_value());
    EXPECT_EQ(r.recording, RecordingRequest::None);
    EXPECT_EQ(st.s.Range, before.s.Range);
    EXPECT_EQ(st.s.AvgFilterIndex, before.s.AvgFilterIndex);
    EXPECT_EQ(st.s.ProfileTiltAngle, before.s.ProfileTiltAngle);
    EXPECT_TRUE(cs.status_box_shown());
}

TEST_F(ControlTest, TiltBytes) {
    Datagram d = CurrentState(st);
    st.s.ProfileTiltAngle = 30.0f;
    d.U8(25, 180);
    EXPECT_TRUE(Apply(d).tilt_changed);
    EXPECT_EQ(st.s.ProfileTiltAngle, 0.0f);
    d.U8(25, 50);
    EXPECT_TRUE(Apply(d).tilt_changed);
    EXPECT_EQ(st.s.ProfileTiltAngle, -90.0f);
    d.U8(25, 51);
    Apply(d);
    EXPECT_EQ(st.s.ProfileTiltAngle, 90.0f);
    d.U8(25, 240);  // 60 degrees: not allowed
    EXPECT_FALSE(Apply(d).tilt_changed);
    EXPECT_EQ(st.s.ProfileTiltAngle, 90.0f);
    d.U8(25, 225);  // 45 degrees, the edge; in playback it also overrides the recording
    ControlResult r = Apply(d, true);
    EXPECT_TRUE(r.tilt_changed && r.tilt_set_by_operator && r.geometry_changed);
    EXPECT_EQ(st.s.ProfileTiltAngle, 45.0f);
    st.s.ProfileTiltAngle = 45.7f;  // compared truncated: 45 is no change
    EXPECT_FALSE(Apply(d).tilt_changed);
}

TEST_F(ControlTest, RangeWithinHeadLimitsAndLiveOnly) {
    st.head.min_range_index = 2;
    st.head.max_range_index = 11;
    st.s.HalfRange = 1;
    Datagram d = CurrentState(st);
    d.U8(7, 12);
    EXPECT_FALSE(Apply(d).range_changed);
    d.U8(7, 1);
    EXPECT_FALSE(Apply(d).range_changed);
    EXPECT_EQ(st.s.Range, 7);
    d.U8(7, 11);
    EXPECT_FALSE(Apply(d, /*playback=*/true).range_changed);
    EXPECT_EQ(st.s.Range, 7);
    ControlResult r = Apply(d);
    EXPECT_TRUE(r.range_changed && r.geometry_changed);
    EXPECT_EQ(st.s.Range, 11);
    EXPECT_EQ(st.s.HalfRange, 0);
    // The pulse length and receive filter follow the range (automatic pulse length is on).
    EXPECT_EQ(st.s.PulseLength, 1200);
    EXPECT_EQ(st.s.FIRFilter, 11);
    // Gain is live only and bounded by the head's maximum.
    st.head.max_gain = 20;
    d.U8(8, 21);
    EXPECT_FALSE(Apply(d).gain_changed);
    d.U8(8, 20);
    EXPECT_FALSE(Apply(d, true).gain_changed);
    EXPECT_TRUE(Apply(d).gain_changed);
    EXPECT_EQ(st.s.Gain, 20);
}

TEST_F(ControlTest, ShortDatagramReadsMissingFieldsAsZero) {
    Apply(CurrentState(st));
    st.s.AvgFilter = 1;
    st.s.DataOutputType = 2;
    st.s.Xdcr = 1;
    Datagram d;
    d.U8(9, 33);
    ControlResult r = Apply(d, false, 10);
    EXPECT_TRUE(r.display_gain_changed);
    EXPECT_EQ(st.s.DisplayGain, 33);
    EXPECT_EQ(st.s.AvgFilter, 0);  // averaging byte 0: off
    EXPECT_TRUE(r.averaging_changed);
    EXPECT_EQ(cs.profile_threshold(), 25);  // threshold 0 is out of range
    EXPECT_FALSE(r.threshold_changed);
    EXPECT_EQ(st.s.DataOutputType, 1);  // data output 0: points
    EXPECT_EQ(st.s.Xdcr, 0);
    EXPECT_EQ(st.s.Range, 7);                // index 0 is below the head's lowest
    EXPECT_EQ(st.s.ProfileTiltAngle, 0.0f);  // byte 0 would be -180
    EXPECT_EQ(st.s.SoundVelocityMeters, 1500.0f);
}

TEST_F(ControlTest, AveragingMapsToTheShotCountsOffered) {
    Datagram d = CurrentState(st);
    d.U8(14, 7);
    EXPECT_TRUE(Apply(d).averaging_changed);
    EXPECT_EQ(st.s.AvgFilter, 1);
    EXPECT_EQ(st.s.AvgFilterIndex, 7);
    for (int even : {2, 4, 6, 8, 10, 11, 200}) {
        d.U8(14, even);
        EXPECT_FALSE(Apply(d).averaging_changed) << even;
        EXPECT_EQ(st.s.AvgFilterIndex, 7);
    }
    d.U8(14, 1);
    EXPECT_TRUE(Apply(d).averaging_changed);
    EXPECT_EQ(st.s.AvgFilter, 0);
}

TEST_F(ControlTest, SoundVelocityLivePendingPlaybackAtOnce) {
    Datagram d = CurrentState(st);
    d.U16(17, 15234);
    ControlResult r = Apply(d);
    ASSERT_TRUE(r.sound_velocity_pending.has_value());
    EXPECT_FLOAT_EQ(*r.sound_velocity_pending, 1523.4f);
    EXPECT_EQ(st.s.SoundVelocityMeters, 1500.0f);
    r = Apply(d, true);
    EXPECT_TRUE(r.sound_velocity_changed && r.geometry_changed);
    EXPECT_FLOAT_EQ(st.s.SoundVelocityMeters, 1523.4f);
    for (int bad : {13999, 16001, 0, 65535}) {
        d.U16(17, bad);
        r = Apply(d, true);
        EXPECT_FALSE(r.sound_velocity_changed || r.sound_velocity_pending) << bad;
    }
    d.U16(17, 16000);
    EXPECT_TRUE(Apply(d, true).sound_velocity_changed);
    EXPECT_EQ(st.s.SoundVelocityMeters, 1600.0f);
}

TEST_F(ControlTest, TransmitAndWindowOnByteFourChanges) {
    Datagram d = CurrentState(st);
    d.U8(4, 3);
    ControlResult r = Apply(d);
    EXPECT_TRUE(r.transmit_changed);
    EXPECT_EQ(st.work.transmit_disabled, 1);
    EXPECT_EQ(r.window, WindowRequest::Hide);
    st.work.transmit_disabled = 0;  // the operator's menu enables it again
    r = Apply(d);                   // same byte: not evaluated
    EXPECT_FALSE(r.transmit_changed);
    EXPECT_EQ(st.work.transmit_disabled, 0);
    d.U8(4, 0);
    r = Apply(d);
    EXPECT_EQ(r.window, WindowRequest::Show);
    EXPECT_EQ(st.work.transmit_disabled, 0);
}

TEST_F(ControlTest, OutputProfileRecordingAndDeviceFields) {
    Datagram d = CurrentState(st);
    d.U8(20, 0).U8(21, 1).U8(22, 0).U8(23, 90).U8(27, 2).U8(28, 1).U8(31, 3).U16(32, 10000);
    d.U8(34, 0).F32(36, -100.0f).F32(40, 12.5f).F32(44, 6000.0f).U8(19, 3).U16(15, 600);
    ControlResult r = Apply(d);
    EXPECT_TRUE(r.data_output_changed);
    EXPECT_FALSE(r.beam_output);
    EXPECT_EQ(st.s.DataOutputType, 1);
    EXPECT_EQ(st.s.ProfilePointDetection, 1);
    EXPECT_FALSE(r.blanking_changed);  // 0 means 0.1, the default
    EXPECT_EQ(cs.profile_threshold(), 90);
    EXPECT_EQ(st.s.Units, 2);
    EXPECT_EQ(r.recording, RecordingRequest::Start);
    EXPECT_EQ(st.s.AutoFilename, 1);
    EXPECT_EQ(st.s.AutoFilenameType, 1);
    EXPECT_EQ(st.s.ExternalTriggerControl, 3);
    EXPECT_EQ(st.s.ExternalTriggerXmitDelay, 10000);
    EXPECT_EQ(st.s.ProfilePointFilter, 0);
    EXPECT_EQ(st.s.SonarXOffsetMeters, -100.0f);
    EXPECT_EQ(st.s.SonarYOffsetMeters, 12.5f);
    EXPECT_EQ(st.s.SonarDepthMeters, 6000.0f);
    EXPECT_EQ(r.display_mode_request, 3);
    EXPECT_EQ(st.s.Persistence, 600);  // display type is still 0 until the mode applies

    recording = true;
    st.s.DisplayType = 3;
    d.U8(22, 7).U8(28, 1).U8(31, 4).U16(32, 10001).U8(34, 3).F32(36, NAN).F32(40, 100.5f);
    d.F32(44, -100.5f).U16(15, 5);
    r = Apply(d);
    EXPECT_FLOAT_EQ(cs.profile_blanking(), 7.0f);
    EXPECT_EQ(r.recording, RecordingRequest::None);  // already recording
    EXPECT_FALSE(r.trigger_changed || r.profile_filter_changed || r.offsets_changed);
    EXPECT_EQ(st.s.Persistence, 600);  // not in profile display
    d.U8(28, 0);
    EXPECT_EQ(Apply(d).recording, RecordingRequest::Stop);
    EXPECT_EQ(Apply(d, true).recording, RecordingRequest::None);  // live only
}

TEST_F(ControlTest, DataOutputReappliedWhenBeamFlagDisagrees) {
    st.s.DataOutputType = 2;
    beam_output = false;
    Datagram d = CurrentState(st);  // byte 20 = 1: beams, as the setting already says
    ControlResult r = Apply(d);
    EXPECT_TRUE(r.data_output_changed);
    EXPECT_TRUE(r.beam_output);
    beam_output = true;
    EXPECT_FALSE(Apply(d).data_output_changed);
}

TEST_F(ControlTest, StatusBoxErasedEveryTenthPing) {
    Apply(CurrentState(st));
    ASSERT_TRUE(cs.status_box_shown());
    for (int i = 1; i <= 9; ++i) EXPECT_FALSE(cs.OnPing()) << i;
    EXPECT_TRUE(cs.OnPing());
    EXPECT_FALSE(cs.status_box_shown());
    for (int i = 1; i <= 10; ++i) EXPECT_FALSE(cs.OnPing());  // nothing shown to erase
}

// Every setting a datagram can reach stays within the range it accepts.
void ExpectWithinRanges(const SettingsState& st, const ControlState& cs, const ControlResult& r) {
    const Settings& s = st.s;
    ASSERT_GE(s.Range, st.head.min_range_index);
    ASSERT_LE(s.Range, st.head.max_range_index);
    ASSERT_TRUE(s.Gain >= 0 && s.Gain <= st.head.max_gain);
    ASSERT_TRUE(s.DisplayGain >= 1 && s.DisplayGain <= 100);
    ASSERT_TRUE(s.GainEqualization == 0 || s.GainEqualization == 1);
    ASSERT_TRUE(s.SectorSize >= 0 && s.SectorSize <= 5);
    ASSERT_TRUE(s.ProcessingMode >= 0 && s.ProcessingMode <= 3);
    ASSERT_TRUE(s.StepSize >= 0 && s.StepSize <= 2);
    ASSERT_TRUE(s.AvgFilter == 0 || s.AvgFilter == 1);
    ASSERT_TRUE(s.AvgFilterIndex >= 3 && s.AvgFilterIndex <= 25 && s.AvgFilterIndex % 2 == 1);
    ASSERT_TRUE(s.Persistence >= 0 && s.Persistence <= 600);
    ASSERT_TRUE(s.SoundVelocityMeters >= 1400.0f && s.SoundVelocityMeters <= 1600.0f);
    ASSERT_TRUE(s.DataOutputType >= 1 && s.DataOutputType <= 2);
    ASSERT_TRUE(s.ProfilePointDetection == 0 || s.ProfilePointDetection == 1);
    ASSERT_TRUE(cs.profile_threshold() >= 10 && cs.profile_threshold() <= 90);
    ASSERT_TRUE(cs.profile_blanking() >= 0.1f && cs.profile_blanking() <= 100.0f);
    ASSERT_TRUE(s.Xdcr == 0 || s.Xdcr == 1);
    float t = s.ProfileTiltAngle;
    ASSERT_TRUE(t == -90.0f || t == 90.0f || (t >= -45.0f && t <= 45.0f));
    ASSERT_TRUE(s.Units >= 0 && s.Units <= 2);
    ASSERT_TRUE(s.ExternalTriggerControl >= 0 && s.ExternalTriggerControl <= 3);
    ASSERT_TRUE(s.ExternalTriggerXmitDelay >= 0 && s.ExternalTriggerXmitDelay <= 10000);
    ASSERT_TRUE(s.ProfilePointFilter >= 0 && s.ProfilePointFilter <= 2);
    ASSERT_TRUE(std::fabs(s.SonarXOffsetMeters) <= 100.0f);
    ASSERT_TRUE(std::fabs(s.SonarYOffsetMeters) <= 100.0f);
    ASSERT_TRUE(s.SonarDepthMeters >= -100.0f && s.SonarDepthMeters <= 6000.0f);
    ASSERT_TRUE(r.display_mode_request >= -1 && r.display_mode_request <= 4);
    if (r.sound_velocity_pending) {
        ASSERT_TRUE(*r.sound_velocity_pending >= 1400.0f && *r.sound_velocity_pending <= 1600.0f);
    }
}

TEST_F(ControlTest, RandomDatagramsKeepEverySettingInRange) {
    std::mt19937 rng(20261208);
    std::vector<std::uint8_t> buf(400);
    int applied = 0;
    for (int i = 0; i < 4000; ++i) {
        std::size_t len = rng() % buf.size();
        for (auto& b : buf) b = static_cast<std::uint8_t>(rng());
        if (i % 3 == 0 && len > 3) buf[3] = static_cast<std::uint8_t>(i & 1);  // toggle control
        ControlInputs in;
        in.playback = (i % 5) == 0;
        in.beam_output = (i % 2) == 0;
        in.recording = (i % 7) == 0;
        ControlResult r = ApplyControlDatagram(buf.data(), len, cs, st, in);
        applied += r.applied ? 1 : 0;
        ExpectWithinRanges(st, cs, r);
        if (HasFatalFailure()) FAIL() << "datagram " << i << " of length " << len;
    }
    EXPECT_GT(applied, 500);  // the loop did reach the fields
    ControlResult r = ApplyControlDatagram(nullptr, 0, cs, st, ControlInputs{});
    EXPECT_FALSE(r.active);
}

}  // namespace
}  // namespace vq
