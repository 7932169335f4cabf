#include "net/control.h"

#include <algorithm>
#include <cstring>

#include "core/range_table.h"
#include "platform/byte_order.h"

namespace vq {

// What the datagram decoder changes in ControlState (receiving thread).
struct ControlStateAccess {
    static std::uint8_t& LastFlags(ControlState& c) { return c.last_flags_; }
    static std::uint8_t& LastXmit(ControlState& c) { return c.last_xmit_; }
    static std::atomic<bool>& Active(ControlState& c) { return c.active_; }
    static std::atomic<bool>& Event(ControlState& c) { return c.event_; }
    static std::atomic<bool>& Box(ControlState& c) { return c.box_; }
    static std::atomic<int>& Threshold(ControlState& c) { return c.threshold_; }
    static std::atomic<float>& Blanking(ControlState& c) { return c.blanking_; }
    static std::atomic<std::uint32_t>& Id(ControlState& c) { return c.id_; }
};

namespace {

using A = ControlStateAccess;

// The datagram as a zeroed 256-byte block.
class Fields {
  public:
    Fields(const std::uint8_t* data, std::size_t len) {
        if (data != nullptr) std::memcpy(b_.data(), data, std::min(len, b_.size()));
    }
    int U8(std::size_t at) const { return b_[at]; }
    int U16(std::size_t at) const { return byte_order::GetU16Be(b_.data() + at); }
    float F32(std::size_t at) const { return byte_order::GetF32Le(b_.data() + at); }

  private:
    std::array<std::uint8_t, ctl::kSize> b_{};
};

// Sets `field` to v when v differs and lies within lo..hi; true when it changed.
bool SetIf(int& field, int v, int lo, int hi) {
    if (v < lo || v > hi || v == field) return false;
    field = v;
    return true;
}

// NaN fails both comparisons and is never applied.
bool SetIf(float& field, float v, float lo, float hi) {
    if (!(v >= lo && v <= hi) || v == field) return false;
    field = v;
    return true;
}

void ApplyRangeAndGains(const Fields& f, SettingsState& st, const ControlInputs& in,
                        ControlResult& r) {
    Settings& s = st.s;
    if (!in.playback) {
        int lo = std::max(st.head.min_range_index, 0);
        int hi = std::min(st.head.max_range_index, kNumRangeIndexes - 1);
        if (SetIf(s.Range, f.U8(ctl::kRange), lo, hi)) {
            s.HalfRange = 0;
            st.work.half_range = 0;
            r.range_changed = true;
        }
        r.gain_changed = SetIf(s.Gain, f.U8(ctl::kGain), 0, st.head.max_gain);
    }
    r.display_gain_changed = SetIf(s.DisplayGain, f.U8(ctl::kDisplayGain), 1, 100);
    r.gain_equalization_changed = SetIf(s.GainEqualization, f.U8(ctl::kGainEq), 0, 1);
    r.sector_size_changed = SetIf(s.SectorSize, f.U8(ctl::kSector), 0, 5);
    r.processing_mode_changed = SetIf(s.ProcessingMode, f.U8(ctl::kProcessing), 0, 3);
    r.step_size_changed = SetIf(s.StepSize, f.U8(ctl::kStepSize), 0, 2);
}

// 0 or 1: off. n: on with n shots, for the shot counts the averaging menu offers (odd 3..9
// within 2..10); the even lengths name no menu item and are ignored.
void ApplyAveraging(const Fields& f, Settings& s, ControlResult& r) {
    int n = f.U8(ctl::kAveraging);
    if (n <= 1) {
        if (s.AvgFilter != 0) {
            s.AvgFilter = 0;
            r.averaging_changed = true;
        }
    } else if (n <= 10 && n % 2 == 1) {
        if (s.AvgFilter != 1 || s.AvgFilterIndex != n) {
            s.AvgFilter = 1;
            s.AvgFilterIndex = n;
            r.averaging_changed = true;
        }
    }
}

void ApplyPersistenceAndVelocity(const Fields& f, SettingsState& st, const ControlInputs& in,
                                 ControlResult& r) {
    Settings& s = st.s;
    int old_persistence = s.Persistence;
    if (s.DisplayType != 3 && SetIf(s.Persistence, f.U16(ctl::kPersistence), 0, 600)) {
        r.persistence_changed = true;
        r.persistence_cleared = old_persistence != 0 && s.Persistence == 0;
    }
    int tenths = f.U16(ctl::kSoundVelocity);
    if (tenths >= 14000 && tenths <= 16000) {
        float v = static_cast<float>(tenths / 10.0);
        if (v != s.SoundVelocityMeters) {
            if (in.playback) {
                s.SoundVelocityMeters = v;
                st.work.sound_velocity_current = v;
                r.sound_velocity_changed = true;
            } else {
                r.sound_velocity_pending = v;
            }
        }
    }
    int mode = f.U8(ctl::kDisplayType);
    if (mode <= 4 && mode != s.DisplayType) r.display_mode_request = mode;
}

void ApplyOutputAndProfile(const Fields& f, SettingsState& st, ControlState& cs,
                           const ControlInputs& in, ControlResult& r) {
    Settings& s = st.s;
    int out = f.U8(ctl::kDataOutput);
    if (out <= 1) {
        int type = out == 0 ? 1 : 2;
        bool beams = type == 2;
        if (s.DataOutputType != type || in.beam_output != beams) {
            s.DataOutputType = type;
            r.data_output_changed = true;
            r.beam_output = beams;
        }
    }
    r.detection_changed = SetIf(s.ProfilePointDetection, f.U8(ctl::kDetection), 0, 1);
    int blank = f.U8(ctl::kBlanking);
    if (blank <= 100) {
        float metres = blank == 0 ? ctl::kDefaultBlanking : static_cast<float>(blank);
        if (metres != A::Blanking(cs).load(std::memory_order_relaxed)) {
            A::Blanking(cs).store(metres, std::memory_order_relaxed);
            r.blanking_changed = true;
        }
    }
    int threshold = f.U8(ctl::kThreshold);
    if (threshold >= 10 && threshold <= 90 &&
        threshold != A::Threshold(cs).load(std::memory_order_relaxed)) {
        A::Threshold(cs).store(threshold, std::memory_order_relaxed);
        r.threshold_changed = true;
    }
    r.xdcr_changed = SetIf(s.Xdcr, f.U8(ctl::kXdcr), 0, 1);
    int tilt = ControlTiltDegrees(static_cast<std::uint8_t>(f.U8(ctl::kTilt)));
    bool allowed = tilt == -90 || tilt == 90 || (tilt >= -45 && tilt <= 45);
    if (allowed && tilt != static_cast<int>(s.ProfileTiltAngle)) {
        s.ProfileTiltAngle = static_cast<float>(tilt);
        r.tilt_changed = true;
        r.tilt_set_by_operator = in.playback;
    }
    r.units_changed = SetIf(s.Units, f.U8(ctl::kUnits), 0, 2);
}

void ApplyRecordingAndDevice(const Fields& f, Settings& s, const ControlInputs& in,
                             ControlResult& r) {
    int rec = f.U8(ctl::kRecording);
    if (!in.playback) {
        if (rec == 1 && !in.recording) {
            s.AutoFilename = 1;
            s.AutoFilenameType = 1;
            r.recording = RecordingRequest::Start;
        } else if (rec == 0 && in.recording) {
            r.recording = RecordingRequest::Stop;
        }
    }
    // The trigger mode travels in two bits of the command packet: 0..3 only.
    bool t1 = SetIf(s.ExternalTriggerControl, f.U8(ctl::kTrigger), 0, 3);
    bool t2 = SetIf(s.ExternalTriggerXmitDelay, f.U16(ctl::kTriggerDelay), 0, 10000);
    r.trigger_changed = t1 || t2;
    r.profile_filter_changed = SetIf(s.ProfilePointFilter, f.U8(ctl::kPointFilter), 0, 2);
    bool x = SetIf(s.SonarXOffsetMeters, f.F32(ctl::kXOffset), -100.0f, 100.0f);
    bool y = SetIf(s.SonarYOffsetMeters, f.F32(ctl::kYOffset), -100.0f, 100.0f);
    bool z = SetIf(s.SonarDepthMeters, f.F32(ctl::kDepth), -100.0f, 6000.0f);
    r.offsets_changed = x || y || z;
}

// Byte 3 (activity) and byte 4 (transmit, window), each evaluated when it changes.
void ApplyFlags(const Fields& f, ControlState& cs, SettingsState& st, ControlResult& r) {
    auto flags = static_cast<std::uint8_t>(f.U8(ctl::kFlags));
    if (flags != A::LastFlags(cs)) {
        A::LastFlags(cs) = flags;
        bool now = (flags & 1) != 0;
        r.activity_changed = now != cs.Active();
        A::Active(cs).store(now, std::memory_order_release);
        if (!now) A::Box(cs).store(false, std::memory_order_release);
    }
    r.active = cs.Active();
    if (!r.active) return;
    auto xmit = static_cast<std::uint8_t>(f.U8(ctl::kXmit));
    if (xmit != A::LastXmit(cs)) {
        A::LastXmit(cs) = xmit;
        st.work.transmit_disabled = xmit & 1;
        r.transmit_changed = true;
        r.window = (xmit & 2) != 0 ? WindowRequest::Hide : WindowRequest::Show;
    }
}

}  // namespace

bool ControlResult::settings_changed() const {
    return transmit_changed || range_changed || gain_changed || display_gain_changed ||
           gain_equalization_changed || sector_size_changed || processing_mode_changed ||
           step_size_changed || averaging_changed || persistence_changed ||
           sound_velocity_changed || data_output_changed || detection_changed || xdcr_changed ||
           tilt_changed || units_changed || recording == RecordingRequest::Start ||
           trigger_changed || profile_filter_changed || offsets_changed;
}

std::array<char, 3> ControlState::controller_id() const {
    std::uint32_t v = id_.load(std::memory_order_relaxed);
    return {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

bool ControlState::OnPing() {
    ping_count_ = (ping_count_ + 1) % 10;
    if (ping_count_ != 0) return false;
    return box_.exchange(false, std::memory_order_acq_rel);
}

int ControlTiltDegrees(std::uint8_t v) {
    if (v == 50) return -90;
    if (v == 51) return 90;
    return static_cast<int>(v) - 180;
}

ControlResult ApplyControlDatagram(const std::uint8_t* data, std::size_t len, ControlState& state,
                                   SettingsState& settings, const ControlInputs& inputs) {
    const Fields f(data, len);
    ControlResult r;
    A::Id(state).store(static_cast<std::uint32_t>((f.U8(0) << 16) | (f.U8(1) << 8) | f.U8(2)),
                       std::memory_order_relaxed);
    ApplyFlags(f, state, settings, r);
    if (!r.active) return r;
    ApplyRangeAndGains(f, settings, inputs, r);
    ApplyAveraging(f, settings.s, r);
    ApplyPersistenceAndVelocity(f, settings, inputs, r);
    ApplyOutputAndProfile(f, settings, state, inputs, r);
    ApplyRecordingAndDevice(f, settings.s, inputs, r);
    r.geometry_changed = r.range_changed || r.sector_size_changed || r.step_size_changed ||
                         r.sound_velocity_changed || r.tilt_changed || r.data_output_changed;
    r.applied = true;
    A::Event(state).store(true, std::memory_order_release);
    A::Box(state).store(true, std::memory_order_release);
    return r;
}

}  // namespace vq
