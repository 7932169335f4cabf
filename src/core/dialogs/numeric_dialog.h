// The one-value dialogs: an edit box with up/down arrows beside it, "Default", "Ok" and
// "Cancel". "Persistence", "Video Recording Rate", "Maximum Filesize" and "Profile Tilt Angle"
// share one model; "Sound Velocity" wraps it with the display unit.
#pragma once

#include <string>
#include <string_view>

#include "core/dialogs/dialog_common.h"

namespace vq {

struct NumericSpec {
    const char* caption;  // also the title of the out-of-range message
    double min, max, step, default_value;
    int precision;  // digits after the point; 0 shows a whole number ("%d")
    int width;      // printf field width
    bool zero_pad;
    bool typing;  // text typed into the box changes the value
    const char* message;
};

// Persistence time, seconds.
inline constexpr NumericSpec kPersistenceSpec{
    "Persistence", 0, 600, 1, 0, 0, 0, false, true, "Time is out of range!\nUse 0 to 600 seconds"};
// Video frames stored per second of recording.
inline constexpr NumericSpec kVideoRateSpec{
    "Video Recording Rate",
    0.1,
    20.0,
    0.1,
    3.0,
    1,
    5,
    false,
    true,
    "Recording Rate is out of range!\nUse 0.1 to 20.0 frames/sec"};
// Largest size of one recording file, MBytes; only the arrows change it.
inline constexpr NumericSpec kMaxFilesizeSpec{
    "Maximum Filesize",
    100,
    1000,
    100,
    1000,
    0,
    0,
    false,
    false,
    "Maximum Filesize is out of range!\nUse 100 to 1000 MBytes."};
// Tilt of the profile fan added to every beam angle, degrees.
inline constexpr NumericSpec kTiltAngleSpec{
    "Profile Tilt Angle",
    -90,
    90,
    0.5,
    0.0,
    1,
    3,
    false,
    true,
    "Profile Tilt Angle is out of range!\nUse -90 to 90 Degrees."};

class NumericDialogModel {
  public:
    // Takes the working copy of `live_value`, the value in force when the dialog opens.
    NumericDialogModel(const NumericSpec& spec, double live_value);

    const NumericSpec& spec() const { return spec_; }
    const char* caption() const { return spec_.caption; }
    double value() const { return value_; }
    // The edit box's text for the working copy ("?" after text that is not a number).
    std::string Text() const;
    bool typing_allowed() const { return spec_.typing; }

    void StepUp();
    void StepDown();
    // The edit box reported a change. Text that is not a number makes the value invalid, so
    // that "Ok" refuses it; in "Maximum Filesize" typing has no effect at all.
    void TextChanged(std::string_view text);
    void Default();
    // Out of range: the working copy goes back to the live value and the message is returned.
    OkAnswer Ok();

  private:
    NumericSpec spec_;
    double live_;
    double value_;
    bool valid_ = true;
};

// "Sound Velocity": the speed of sound shown in the display unit (m/s, ft/s, yds/s) and stored
// in metres per second.
class SoundVelocityModel {
  public:
    // `units` 0 metres, 1 feet, 2 yards; `in_effect_mps` the speed in use now (in playback the
    // one recorded with the ping).
    SoundVelocityModel(double live_mps, int units, double in_effect_mps);

    static constexpr const char* kCaption = "Sound Velocity";
    const char* unit_label() const;      // "m/s", "ft/s" or "yds/s"
    std::string in_effect_text() const;  // "(%06.1f) :" in the display unit
    NumericDialogModel& field() { return field_; }
    const NumericDialogModel& field() const { return field_; }
    std::string Text() const { return field_.Text(); }
    void StepUp() { field_.StepUp(); }
    void StepDown() { field_.StepDown(); }
    void TextChanged(std::string_view text) { field_.TextChanged(text); }
    void Default() { field_.Default(); }
    OkAnswer Ok();
    // After an accepted "Ok": the speed to store, m/s (kept within 1400.0 .. 1600.0).
    double accepted_mps() const { return accepted_mps_; }

  private:
    static NumericSpec SpecFor(int units);
    int units_;
    double live_mps_;
    double in_effect_mps_;
    NumericDialogModel field_;
    double accepted_mps_;
};

}  // namespace vq
