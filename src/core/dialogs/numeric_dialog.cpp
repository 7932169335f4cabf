#include "core/dialogs/numeric_dialog.h"

#include <algorithm>
#include <cmath>

namespace vq {

NumericDialogModel::NumericDialogModel(const NumericSpec& spec, double live_value)
    : spec_(spec), live_(live_value), value_(live_value) {}

std::string NumericDialogModel::Text() const {
    if (!valid_) return "?";
    if (spec_.precision == 0) return FormatInt(std::llround(std::trunc(value_)));
    return FormatFloat(value_, spec_.precision, spec_.width, spec_.zero_pad);
}

void NumericDialogModel::StepUp() {
    value_ = StepAndClamp(valid_ ? value_ : live_, spec_.step, spec_.min, spec_.max);
    valid_ = true;
}

void NumericDialogModel::StepDown() {
    value_ = StepAndClamp(valid_ ? value_ : live_, -spec_.step, spec_.min, spec_.max);
    valid_ = true;
}

void NumericDialogModel::TextChanged(std::string_view text) {
    if (!spec_.typing) return;
    if (spec_.precision == 0) {
        const std::optional<int> v = ParseTypedInteger(text);
        valid_ = v.has_value();
        if (v) value_ = *v;
    } else {
        const std::optional<double> v = ParseTypedNumber(text);
        valid_ = v.has_value();
        if (v) value_ = *v;
    }
}

void NumericDialogModel::Default() {
    value_ = spec_.default_value;
    valid_ = true;
}

OkAnswer NumericDialogModel::Ok() {
    if (valid_ && value_ >= spec_.min && value_ <= spec_.max) return std::nullopt;
    value_ = live_;
    valid_ = true;
    return DialogMessage{spec_.message, spec_.caption};
}

namespace {

constexpr const char* kSpeedMessage[3] = {
    "Speed of Sound is out of range!\nUse 1400.0 to 1600.0 m/s.",
    "Speed of Sound is out of range!\nUse 4593.2 to 5249.3 ft/s.",
    "Speed of Sound is out of range!\nUse 1531.1 to 1749.8 yds/s.",
};
constexpr double kSpeedMin[3] = {1400.0, 4593.2, 1531.1};
constexpr double kSpeedMax[3] = {1600.0, 5249.3, 1749.8};
constexpr double kMinMps = 1400.0;
constexpr double kMaxMps = 1600.0;
constexpr double kDefaultMps = 1500.0;

}  // namespace

NumericSpec SoundVelocityModel::SpecFor(int units) {
    const int u = ClampUnits(units);
    return NumericSpec{
        kCaption, kSpeedMin[u], kSpeedMax[u],    0.1, MetresToUnits(kDefaultMps, u), 1, 6,
        true,     true,         kSpeedMessage[u]};
}

SoundVelocityModel::SoundVelocityModel(double live_mps, int units, double in_effect_mps)
    : units_(ClampUnits(units)),
      live_mps_(live_mps),
      in_effect_mps_(in_effect_mps),
      field_(SpecFor(units), MetresToUnits(live_mps, units)),
      accepted_mps_(live_mps) {}

const char* SoundVelocityModel::unit_label() const {
    static constexpr const char* kLabels[3] = {"m/s", "ft/s", "yds/s"};
    return kLabels[units_];
}

std::string SoundVelocityModel::in_effect_text() const {
    return "(" + FormatFloat(MetresToUnits(in_effect_mps_, units_), 1, 6, true) + ") :";
}

OkAnswer SoundVelocityModel::Ok() {
    OkAnswer answer = field_.Ok();
    if (answer) return answer;
    // The unit ranges are the metre range rounded to a tenth: 1749.8 yds/s is 1600.02 m/s. The
    // stored value stays inside the range the settings file accepts, or the next start would
    // fall back to 1500.0 m/s.
    accepted_mps_ = std::clamp(UnitsToMetres(field_.value(), units_), kMinMps, kMaxMps);
    if (field_.value() == MetresToUnits(live_mps_, units_)) accepted_mps_ = live_mps_;
    return std::nullopt;
}

}  // namespace vq
