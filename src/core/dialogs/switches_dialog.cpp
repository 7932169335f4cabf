#include "core/dialogs/switches_dialog.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/range_table.h"

namespace vq {
namespace {

// The number each name starts with, in metres (yards name the same numbers, feet three times).
constexpr std::array<double, kNumRangeIndexes> kNameNumbers = {
    1.25, 2.5, 5, 10, 20, 30, 40, 50, 60, 80, 100, 150, 200, 250, 300, 400, 500};
constexpr std::array<const char*, 3> kUnitSuffix = {" M", " FT", " YDS"};
constexpr int kDefaultRangeIndex = 5;  // the sixth name: "30 M", "90 FT", "30 YDS"
constexpr int kDefaultGain = 3;
constexpr double kMinMultiplier = 1.0;
constexpr double kMaxMultiplier = 2.0;

// The number of a range name a tenth as long, to hundredths, truncated: 1.25 -> "0.12".
std::string TenthName(double number) {
    const long long h = static_cast<long long>(number * 10.0);
    std::string text = std::to_string(h / 100);
    const long long frac = h % 100;
    if (frac != 0) {
        text += '.';
        text += static_cast<char>('0' + frac / 10);
        if (frac % 10 != 0) text += static_cast<char>('0' + frac % 10);
    }
    return text;
}

}  // namespace

SwitchesValues SwitchesValuesOf(const SettingsState& st) {
    SwitchesValues v;
    v.range_index = st.s.Range;
    v.gain_db = st.s.Gain;
    v.frequency_khz = st.s.Frequency;
    v.transmit = st.work.transmit_disabled == 0;
    v.range_offset_m = st.work.range_offset_m;
    v.auto_pulse_length = st.work.auto_pulse_length != 0;
    v.pulse_length_us = st.s.PulseLength;
    v.pulse_multiplier = st.work.pulse_multiplier;
    v.data_points_switch = st.work.data_points_switch_initial;
    v.data_format = st.s.DataFormat;
    return v;
}

SwitchesHead SwitchesHeadOf(const SettingsState& st) {
    SwitchesHead h;
    h.min_range_index = st.head.min_range_index;
    h.max_range_index = st.head.max_range_index;
    h.max_gain = st.head.max_gain;
    h.nominal_frequency_khz = st.head.nominal_frequency_khz;
    h.min_frequency_khz = st.head.min_frequency_khz;
    h.max_frequency_khz = st.head.max_frequency_khz;
    h.max_pulse_length_us = std::max(h.min_pulse_length_us, st.head.max_pulse_length_us);
    h.fine_resolution = st.head.fine_resolution;
    return h;
}

std::string RangeName(int range_index, int units, bool fine_resolution) {
    const int u = ClampUnits(units);
    const auto i = static_cast<std::size_t>(ClampRangeIndex(range_index));
    const std::string name = RangeReadoutName(static_cast<int>(i), u);
    if (!fine_resolution) return name;
    const double number = kNameNumbers[i] * (u == 1 ? 3.0 : 1.0);
    std::string text = TenthName(number) + kUnitSuffix[u];
    if (text.size() < name.size()) text.append(name.size() - text.size(), ' ');
    return text;
}

SetSwitchesModel::SetSwitchesModel(const SwitchesValues& live, const SwitchesHead& head, int units)
    : live_(live), work_(live), result_(live), head_(head) {
    head_.min_range_index = ClampRangeIndex(head.min_range_index);
    head_.max_range_index = std::max(head_.min_range_index, ClampRangeIndex(head.max_range_index));
    for (int i = head_.min_range_index; i <= head_.max_range_index; ++i)
        range_names_.push_back(RangeName(i, units, head.fine_resolution));
    range_position_ = std::clamp(live.range_index, head_.min_range_index, head_.max_range_index) -
                      head_.min_range_index;
    frequency_shown_ = live.frequency_khz + head.frequency_display_offset_khz;
    frequency_step_ = head.transducer_type == 9 ? 50 : 5;
    work_.data_points_switch = live.data_points_switch == 1 ? 1 : 0;
    work_.data_format = live.data_format == 10 ? 10 : 11;
}

void SetSwitchesModel::set_range_position(int position) {
    if (position >= 0 && position < static_cast<int>(range_names_.size()))
        range_position_ = position;
}

std::string SetSwitchesModel::gain_text() const {
    return FormatInt(work_.gain_db);
}

void SetSwitchesModel::StepGain(int direction) {
    work_.gain_db = static_cast<int>(
        StepAndClamp(work_.gain_db, direction > 0 ? 1 : -1, 0, std::max(0, head_.max_gain)));
}

void SetSwitchesModel::GainTextChanged(std::string_view text) {
    // A value that is no number or out of range leaves the gain unchanged at "Ok".
    work_.gain_db = ParseTypedInteger(text).value_or(-1);
}

std::string SetSwitchesModel::frequency_text() const {
    if (!frequency_valid_) return "?";
    return FormatInt(std::llround(std::trunc(frequency_shown_)));
}

void SetSwitchesModel::StepFrequency(int direction) {
    const int off = head_.frequency_display_offset_khz;
    const double start =
        frequency_valid_ ? frequency_shown_ : live_.frequency_khz + static_cast<double>(off);
    frequency_shown_ = StepAndClamp(start, direction > 0 ? frequency_step_ : -frequency_step_,
                                    head_.min_frequency_khz + off, head_.max_frequency_khz + off);
    frequency_valid_ = true;
}

void SetSwitchesModel::FrequencyTextChanged(std::string_view text) {
    const std::optional<double> v = ParseTypedNumber(text);
    frequency_valid_ = v.has_value();
    if (v) frequency_shown_ = *v;
}

const std::vector<std::string>& SetSwitchesModel::transmit_names() {
    static const std::vector<std::string> kNames = {"Enable", "Disable"};
    return kNames;
}

void SetSwitchesModel::set_transmit_position(int position) {
    if (position == 0 || position == 1) work_.transmit = position == 0;
}

void SetSwitchesModel::StepRangeOffset(int direction) {
    work_.range_offset_m =
        static_cast<int>(StepAndClamp(std::clamp(work_.range_offset_m, 0, kMaxRangeOffsetDialogM),
                                      direction > 0 ? 1 : -1, 0, kMaxRangeOffsetDialogM));
}

void SetSwitchesModel::RangeOffsetTextChanged(std::string_view text) {
    work_.range_offset_m = ParseTypedInteger(text).value_or(-1);
}

void SetSwitchesModel::StepPulseLength(int direction) {
    const int lo = head_.min_pulse_length_us;
    const int hi = std::max(lo, head_.max_pulse_length_us);
    work_.pulse_length_us = static_cast<int>(
        StepAndClamp(std::clamp(work_.pulse_length_us, lo, hi), direction > 0 ? 5 : -5, lo, hi));
}

void SetSwitchesModel::PulseLengthTextChanged(std::string_view text) {
    work_.pulse_length_us = ParseTypedInteger(text).value_or(-1);
}

std::string SetSwitchesModel::multiplier_text() const {
    return multiplier_valid_ ? FormatFloat(work_.pulse_multiplier, 1, 3) : "?";
}

void SetSwitchesModel::StepMultiplier(int direction) {
    const double start = multiplier_valid_ ? work_.pulse_multiplier : live_.pulse_multiplier;
    work_.pulse_multiplier =
        StepAndClamp(start, direction > 0 ? 0.1 : -0.1, kMinMultiplier, kMaxMultiplier);
    multiplier_valid_ = true;
}

void SetSwitchesModel::MultiplierTextChanged(std::string_view text) {
    const std::optional<double> v = ParseTypedNumber(text);
    multiplier_valid_ = v.has_value();
    if (v) work_.pulse_multiplier = *v;
}

const std::vector<std::string>& SetSwitchesModel::sample_names() {
    static const std::vector<std::string> kNames = {"500", "1000"};
    return kNames;
}

const std::vector<std::string>& SetSwitchesModel::format_names() {
    static const std::vector<std::string> kNames = {"8-Bit IQ", "16-Bit RAW IQ"};
    return kNames;
}

void SetSwitchesModel::set_sample_position(int position) {
    if (position == 0 || position == 1) work_.data_points_switch = position;
}

void SetSwitchesModel::set_format_position(int position) {
    if (position == 0 || position == 1) work_.data_format = position == 0 ? 10 : 11;
}

void SetSwitchesModel::Defaults() {
    set_range_position(
        std::clamp(kDefaultRangeIndex, head_.min_range_index, head_.max_range_index) -
        head_.min_range_index);
    work_.gain_db = std::min(kDefaultGain, head_.max_gain);
    frequency_shown_ = head_.nominal_frequency_khz + head_.frequency_display_offset_khz;
    frequency_valid_ = true;
    work_.transmit = true;
    work_.range_offset_m = 0;
    work_.auto_pulse_length = true;
    work_.pulse_multiplier = 1.0;
    multiplier_valid_ = true;
    work_.data_points_switch = 0;
    work_.data_format = 11;
}

OkAnswer SetSwitchesModel::Ok() {
    const double f = frequency_shown_ - head_.frequency_display_offset_khz;
    if (!frequency_valid_ || f < head_.min_frequency_khz || f > head_.max_frequency_khz) {
        frequency_shown_ = live_.frequency_khz + head_.frequency_display_offset_khz;
        frequency_valid_ = true;
        std::string text = "Frequency is out of range!\n";
        if (head_.min_frequency_khz == head_.max_frequency_khz) {
            text += "Frequency must be " + FormatInt(head_.nominal_frequency_khz) + " kHz.";
        } else {
            text += "Use " + FormatInt(head_.min_frequency_khz) + " to " +
                    FormatInt(head_.max_frequency_khz) + " kHz.";
        }
        return DialogMessage{text, kSetSwitchesCaption};
    }
    const double m = work_.pulse_multiplier;
    if (!multiplier_valid_ || m < kMinMultiplier - 1e-9 || m > kMaxMultiplier + 1e-9) {
        work_.pulse_multiplier = live_.pulse_multiplier;
        multiplier_valid_ = true;
        return DialogMessage{kMultiplierMessage, kSetSwitchesCaption};
    }
    result_ = work_;
    result_.range_index = range_position_ + head_.min_range_index;
    result_.frequency_khz = RoundFrequencyKhz(f);
    result_.pulse_multiplier = std::clamp(std::round(m * 10.0) / 10.0, 1.0, 2.0);
    if (work_.gain_db < 0 || work_.gain_db > head_.max_gain) result_.gain_db = live_.gain_db;
    if (work_.range_offset_m < 0 || work_.range_offset_m > kMaxRangeOffsetDialogM)
        result_.range_offset_m = live_.range_offset_m;
    // The head accepts no larger offset than its range allows.
    result_.range_offset_m =
        std::min(result_.range_offset_m, MaxRangeOffsetMeters(result_.range_index));
    if (work_.pulse_length_us < head_.min_pulse_length_us ||
        work_.pulse_length_us > head_.max_pulse_length_us)
        result_.pulse_length_us = live_.pulse_length_us;
    return std::nullopt;
}

SwitchesReadOnlyTexts ReadOnlySwitchesTexts(const SwitchesValues& v, const SwitchesHead& head,
                                            int units) {
    const int u = ClampUnits(units);
    SwitchesReadOnlyTexts t;
    t.range = RangeName(v.range_index, u, head.fine_resolution);
    const auto offset = static_cast<long long>(MetresToUnits(v.range_offset_m, u));
    t.range_offset = FormatInt(offset) + kUnitSuffix[u];
    t.gain = FormatInt(v.gain_db) + " dB";
    t.pulse_length = FormatInt(v.pulse_length_us) + " usec";
    t.frequency = FormatInt(v.frequency_khz + head.frequency_display_offset_khz) + " kHz";
    return t;
}

}  // namespace vq
