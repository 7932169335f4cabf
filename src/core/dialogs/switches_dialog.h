// "Set Switches" (live) and the read-only "Switches" (playback): the sonar switches carried in
// every command packet — range, start gain, frequency, transmit — plus the range offset, the
// pulse length (automatic or manual), its multiplier, the samples per beam and the data format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs/dialog_common.h"
#include "core/settings_store.h"

namespace vq {

// The range names of one unit (0 metres, 1 feet, 2 yards) for range indexes 0..16, with the
// trailing blanks that give each unit's names one width ("1.25 M", "150 FT  ", "5 YDS    ").
// A fine-resolution head's ranges are a tenth as long, and so are its names ("0.12 M").
std::string RangeName(int range_index, int units, bool fine_resolution = false);

// What the connected head allows.
struct SwitchesHead {
    int min_range_index = 2;
    int max_range_index = 11;
    int max_gain = 20;
    int nominal_frequency_khz = 260;
    int min_frequency_khz = 260;
    int max_frequency_khz = 260;
    int frequency_display_offset_khz = 0;  // added to every frequency shown
    int transducer_type = 0;               // type 9 steps the frequency by 50 kHz
    int min_pulse_length_us = 30;
    int max_pulse_length_us = 2000;
    bool fine_resolution = false;
};

// The values the dialog edits, as the settings store holds them.
struct SwitchesValues {
    int range_index = 7;
    int gain_db = 6;
    int frequency_khz = 260;  // a multiple of 5
    bool transmit = true;
    int range_offset_m = 0;
    bool auto_pulse_length = true;
    int pulse_length_us = 180;
    double pulse_multiplier = 1.0;
    int data_points_switch = 0;  // 0 "500", 1 "1000" samples per beam
    int data_format = 11;        // 10 "8-Bit IQ", 11 "16-Bit RAW IQ"
    bool operator==(const SwitchesValues&) const = default;
};

// What the dialog opens with: the switches in force (the samples-per-beam choice the settings
// file or the last "Ok" made) and the limits of the head heard last.
SwitchesValues SwitchesValuesOf(const SettingsState& st);
SwitchesHead SwitchesHeadOf(const SettingsState& st);

inline constexpr const char* kSetSwitchesCaption = "Set Switches";
inline constexpr const char* kSwitchesCaption = "Switches";
inline constexpr const char* kMultiplierMessage = "Multiplier is out of range!\nUse 1.0 to 2.0";
inline constexpr int kMaxRangeOffsetDialogM = 100;

class SetSwitchesModel {
  public:
    SetSwitchesModel(const SwitchesValues& live, const SwitchesHead& head, int units);

    // "Range:": the names from the lowest to the highest allowed index; position 0 is the
    // lowest allowed index.
    const std::vector<std::string>& range_names() const { return range_names_; }
    int range_position() const { return range_position_; }
    void set_range_position(int position);  // a position outside the list is ignored

    // "Start Gain:", dB; arrows step 1 within 0 and the head's maximum.
    std::string gain_text() const;
    void StepGain(int direction);
    void GainTextChanged(std::string_view text);

    // "Frequency:", kHz, shown with the head's display offset; arrows step 5 kHz (50 kHz for
    // transducer type 9) within the head's limits.
    std::string frequency_text() const;
    void StepFrequency(int direction);
    void FrequencyTextChanged(std::string_view text);

    // "Transmit:": position 0 "Enable", 1 "Disable".
    static const std::vector<std::string>& transmit_names();
    int transmit_position() const { return work_.transmit ? 0 : 1; }
    void set_transmit_position(int position);

    // Range offset, whole metres 0..100; arrows step 1.
    std::string range_offset_text() const { return FormatInt(work_.range_offset_m); }
    void StepRangeOffset(int direction);
    void RangeOffsetTextChanged(std::string_view text);

    // Pulse length: automatic (follows the range) or manual, µs; arrows step 5 within the
    // head's limits.
    bool auto_pulse_length() const { return work_.auto_pulse_length; }
    void set_auto_pulse_length(bool on) { work_.auto_pulse_length = on; }
    std::string pulse_length_text() const { return FormatInt(work_.pulse_length_us); }
    void StepPulseLength(int direction);
    void PulseLengthTextChanged(std::string_view text);

    // Pulse-length multiplier 1.0 .. 2.0, arrows step 0.1.
    std::string multiplier_text() const;
    void StepMultiplier(int direction);
    void MultiplierTextChanged(std::string_view text);

    // Samples per beam: position 0 "500", 1 "1000". Data format: 0 "8-Bit IQ", 1 "16-Bit RAW IQ".
    static const std::vector<std::string>& sample_names();
    static const std::vector<std::string>& format_names();
    int sample_position() const { return work_.data_points_switch; }
    void set_sample_position(int position);
    int format_position() const { return work_.data_format == 10 ? 0 : 1; }
    void set_format_position(int position);

    // "Defaults": the sixth range name ("30 M", "90 FT", "30 YDS"), 3 dB, the head's nominal
    // frequency, transmit "Enable"; no range offset, automatic pulse length, multiplier 1.0,
    // 500 samples, 16-bit.
    void Defaults();
    // A frequency outside the head's limits or a multiplier outside 1.0..2.0 is refused with
    // its message (title "Set Switches"); the refused value goes back to the live one. A gain,
    // range offset or pulse length outside its limits is ignored: the live value stays.
    OkAnswer Ok();
    // After an accepted "Ok": the values to store.
    const SwitchesValues& result() const { return result_; }
    bool range_changed() const { return result_.range_index != live_.range_index; }

  private:
    SwitchesValues live_;
    SwitchesValues work_;
    SwitchesValues result_;
    SwitchesHead head_;
    std::vector<std::string> range_names_;
    int range_position_ = 0;
    double frequency_shown_;  // kHz, with the display offset
    bool frequency_valid_ = true;
    bool multiplier_valid_ = true;
    int frequency_step_;
};

// The read-only "Switches" dialog of playback: the values of the ping being played.
struct SwitchesReadOnlyTexts {
    std::string range;         // the range name
    std::string range_offset;  // "%d M", "%d FT" or "%d YDS"
    std::string gain;          // "%d dB"
    std::string pulse_length;  // "%d usec"
    std::string frequency;     // "%d kHz"
};
SwitchesReadOnlyTexts ReadOnlySwitchesTexts(const SwitchesValues& v, const SwitchesHead& head,
                                            int units);

}  // namespace vq
