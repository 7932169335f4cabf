// External control: a remote controller sends datagrams carrying the complete desired state of
// the main operator settings; every field that differs from the current setting and passes its
// check is applied, in table order, and the rest is ignored. The engine acts on the result
// (redraws, mode changes, recording, window visibility).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/settings_store.h"

namespace vq {

// Byte offsets of the control datagram (big-endian integers, little-endian f32).
namespace ctl {
inline constexpr std::size_t kId = 0, kFlags = 3, kXmit = 4, kRange = 7, kGain = 8,
                             kDisplayGain = 9, kGainEq = 10, kSector = 11, kProcessing = 12,
                             kStepSize = 13, kAveraging = 14, kPersistence = 15,
                             kSoundVelocity = 17, kDisplayType = 19, kDataOutput = 20,
                             kDetection = 21, kBlanking = 22, kThreshold = 23, kXdcr = 24,
                             kTilt = 25, kUnits = 27, kRecording = 28, kTrigger = 31,
                             kTriggerDelay = 32, kPointFilter = 34, kXOffset = 36, kYOffset = 40,
                             kDepth = 44;
inline constexpr std::size_t kSize = 256;
inline constexpr int kDefaultThreshold = 25;     // percent
inline constexpr float kDefaultBlanking = 0.1f;  // metres
}  // namespace ctl

// The status boxes of the main display that external control drives.
inline constexpr const char* kExternalControlLabel = "External Control";
inline constexpr const char* kXmitDisabledLabel = "XMIT Disabled";

// What the program is doing when a datagram arrives.
struct ControlInputs {
    bool playback = false;
    bool beam_output = false;  // the pipeline's beam-output flag
    bool recording = false;    // a sonar recording is being written
};

enum class WindowRequest : std::uint8_t { None, Hide, Show };
enum class RecordingRequest : std::uint8_t { None, Start, Stop };

// What one datagram changed; the engine does the follow-up work.
struct ControlResult {
    bool active = false;  // external control is active after this datagram
    bool activity_changed = false;
    bool applied = false;           // fields were processed: redraw "External Control"
    bool transmit_changed = false;  // byte 4 changed: redraw "XMIT Disabled"
    WindowRequest window = WindowRequest::None;
    bool range_changed = false;  // half range switched off; apply the range
    bool gain_changed = false;
    bool display_gain_changed = false;
    bool gain_equalization_changed = false;  // menu item 659
    bool sector_size_changed = false;        // menu items 770..775
    bool processing_mode_changed = false;    // menu items 750..753
    bool step_size_changed = false;          // menu items 760..762
    bool averaging_changed = false;          // menu items 510..534; reset the averaging buffers
    bool persistence_changed = false;
    bool persistence_cleared = false;     // went from non-zero to zero: clear the image
    bool sound_velocity_changed = false;  // playback: replaced at once, overrides the recording
    std::optional<float> sound_velocity_pending;  // live: supply as the external sound velocity
    int display_mode_request = -1;                // 0..4: as menu item 400 + n
    bool data_output_changed = false;             // DataOutputType set; beam_output is the new flag
    bool beam_output = false;
    bool detection_changed = false;
    bool blanking_changed = false;   // ControlState::profile_blanking()
    bool threshold_changed = false;  // ControlState::profile_threshold()
    bool xdcr_changed = false;       // menu items 200/201: clear and redraw
    bool tilt_changed = false;
    bool tilt_set_by_operator = false;  // playback: the tilt overrides the recording
    bool units_changed = false;         // menu items 210..212
    RecordingRequest recording = RecordingRequest::None;  // Start with Date-Time names
    bool trigger_changed = false;
    bool profile_filter_changed = false;
    bool offsets_changed = false;
    bool geometry_changed = false;  // recompute the display geometry and redraw

    // A setting of the store changed (the settings file is written again).
    bool settings_changed() const;
};

// The state of external control between datagrams. The receiving thread calls
// ApplyControlDatagram; the pipeline thread reads the event flag and runs the status box.
class ControlState {
  public:
    bool Active() const { return active_.load(std::memory_order_acquire); }
    // The event flag of the next point record: true once after applied datagrams.
    bool TakeEvent() { return event_.exchange(false, std::memory_order_acq_rel); }
    bool event_pending() const { return event_.load(std::memory_order_acquire); }
    int profile_threshold() const { return threshold_.load(std::memory_order_relaxed); }
    float profile_blanking() const { return blanking_.load(std::memory_order_relaxed); }
    // The three characters at the start of the last datagram (sonar information window).
    std::array<char, 3> controller_id() const;
    // "External Control" box: shown after every applied datagram.
    bool status_box_shown() const { return box_.load(std::memory_order_acquire); }
    // Pipeline, once per output ping: every tenth ping erases a shown box, so a box that stays
    // up shows that datagrams keep arriving. True when the box must be redrawn (erased).
    bool OnPing();

  private:
    friend struct ControlStateAccess;  // the datagram decoder
    std::uint8_t last_flags_ = 0;      // receiving thread only
    std::uint8_t last_xmit_ = 0;
    std::atomic<bool> active_{false};
    std::atomic<bool> event_{false};
    std::atomic<bool> box_{false};
    std::atomic<int> threshold_{ctl::kDefaultThreshold};
    std::atomic<float> blanking_{ctl::kDefaultBlanking};
    std::atomic<std::uint32_t> id_{0};
    unsigned ping_count_ = 0;  // pipeline thread only
};

// Applies one control datagram of any length (only the first 256 bytes count; missing bytes
// read as 0). Never applies a value outside its accepted range.
ControlResult ApplyControlDatagram(const std::uint8_t* data, std::size_t len, ControlState& state,
                                   SettingsState& settings, const ControlInputs& inputs);
inline ControlResult ApplyControlDatagram(const std::uint8_t* data, std::size_t len,
                                          ControlState& state, SettingsState& settings,
                                          bool playback) {
    ControlInputs in;
    in.playback = playback;
    in.beam_output = settings.s.DataOutputType == 2;
    return ApplyControlDatagram(data, len, state, settings, in);
}

// As above, on the shared settings under their lock (the receiving thread's entry point).
inline ControlResult ApplyControlDatagram(const std::uint8_t* data, std::size_t len,
                                          ControlState& state, SettingsStore& store,
                                          const ControlInputs& inputs) {
    ControlResult r;
    store.Update(
        [&](SettingsState& st) { r = ApplyControlDatagram(data, len, state, st, inputs); });
    return r;
}

// Tilt byte to degrees: 50 is -90, 51 is +90, any other v is v - 180.
int ControlTiltDegrees(std::uint8_t v);

}  // namespace vq
