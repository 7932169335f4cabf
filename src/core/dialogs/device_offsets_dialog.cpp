#include "core/dialogs/device_offsets_dialog.h"

#include <algorithm>
#include <cmath>

namespace vq {
namespace {

constexpr double kMaxDistanceM = 100.0;
constexpr double kMaxDistanceUnits[3] = {100.0, 328.084, 109.361};
constexpr double kMaxAngleDeg = 45.0;
constexpr double kMaxLatencyS = 5.0;
constexpr double kStep = 0.01;

bool IsDistance(int i) {
    return i < 3;
}

constexpr const char* kMessages[kNumOffsetValues] = {
    "Starboard Offset is out of range!\nUse ", "Forward Offset is out of range!\nUse ",
    "Vertical Offset is out of range!\nUse ",  "Yaw Offset is out of range!\nUse ",
    "Pitch Offset is out of range!\nUse ",     "Roll Offset is out of range!\nUse ",
    "Latency is out of range!\nUse ",
};

// The limit of value i in metres, degrees or seconds.
double LimitInStoredUnits(int i) {
    if (IsDistance(i)) return kMaxDistanceM;
    return i < 6 ? kMaxAngleDeg : kMaxLatencyS;
}

}  // namespace

namespace {

using OffsetFields = std::array<float Settings::*, kNumOffsetValues>;
constexpr OffsetFields kSonarFields = {&Settings::SonarXOffsetMeters, &Settings::SonarYOffsetMeters,
                                       &Settings::SonarDepthMeters,   &Settings::HeadingOffset,
                                       &Settings::PitchOffset,        &Settings::RollOffset,
                                       &Settings::SonarLatencySeconds};
constexpr OffsetFields kGpsFields = {&Settings::GPSXOffsetMeters, &Settings::GPSYOffsetMeters,
                                     &Settings::GPSDepthMeters,   &Settings::GPSHeadingOffset,
                                     &Settings::GPSPitchOffset,   &Settings::GPSRollOffset,
                                     &Settings::GPSLatencySeconds};

}  // namespace

DeviceOffsetTable DeviceOffsetsOf(const Settings& s) {
    DeviceOffsetTable t{};
    for (std::size_t i = 0; i < kNumOffsetValues; ++i) {
        t[0][i] = s.*kSonarFields[i];
        t[1][i] = s.*kGpsFields[i];
    }
    return t;
}

void StoreDeviceOffsets(const DeviceOffsetTable& t, Settings& s) {
    for (std::size_t i = 0; i < kNumOffsetValues; ++i) {
        s.*kSonarFields[i] = static_cast<float>(t[0][i]);
        s.*kGpsFields[i] = static_cast<float>(t[1][i]);
    }
}

DeviceOffsetsModel::DeviceOffsetsModel(const DeviceOffsetTable& live, bool gps_input_enabled,
                                       int units)
    : live_(live), result_(live), units_(ClampUnits(units)) {
    names_.push_back(kDeviceNames[0]);
    if (gps_input_enabled) names_.push_back(kDeviceNames[1]);
    for (std::size_t d = 0; d < kNumOffsetDevices; ++d) {
        for (std::size_t i = 0; i < kNumOffsetValues; ++i) {
            shown_[d][i] =
                IsDistance(static_cast<int>(i)) ? MetresToUnits(live[d][i], units_) : live[d][i];
            valid_[d][i] = true;
        }
    }
}

void DeviceOffsetsModel::set_device(int d) {
    if (d >= 0 && d < static_cast<int>(names_.size())) device_ = d;
}

double DeviceOffsetsModel::Limit(int i) const {
    return IsDistance(i) ? kMaxDistanceUnits[units_] : LimitInStoredUnits(i);
}

const char* DeviceOffsetsModel::unit_name(int i) const {
    static constexpr const char* kDistanceNames[3] = {"meters", "feet", "yards"};
    if (IsDistance(i)) return kDistanceNames[units_];
    return i < 6 ? "degrees" : "seconds";
}

std::string DeviceOffsetsModel::Text(int i) const {
    if (i < 0 || i >= kNumOffsetValues) return {};
    const auto d = static_cast<std::size_t>(device_);
    const auto k = static_cast<std::size_t>(i);
    return valid_[d][k] ? FormatFloat(shown_[d][k], 2, 4) : "?";
}

void DeviceOffsetsModel::StepUp(int i) {
    if (i < 0 || i >= kNumOffsetValues) return;
    const auto d = static_cast<std::size_t>(device_);
    const auto k = static_cast<std::size_t>(i);
    const double start = valid_[d][k] ? shown_[d][k] : 0.0;
    shown_[d][k] = StepAndClamp(start, kStep, -Limit(i), Limit(i));
    valid_[d][k] = true;
}

void DeviceOffsetsModel::StepDown(int i) {
    if (i < 0 || i >= kNumOffsetValues) return;
    const auto d = static_cast<std::size_t>(device_);
    const auto k = static_cast<std::size_t>(i);
    const double start = valid_[d][k] ? shown_[d][k] : 0.0;
    shown_[d][k] = StepAndClamp(start, -kStep, -Limit(i), Limit(i));
    valid_[d][k] = true;
}

void DeviceOffsetsModel::TextChanged(int i, std::string_view text) {
    if (i < 0 || i >= kNumOffsetValues) return;
    const auto d = static_cast<std::size_t>(device_);
    const auto k = static_cast<std::size_t>(i);
    const std::optional<double> v = ParseTypedNumber(text);
    valid_[d][k] = v.has_value();
    if (v) shown_[d][k] = *v;
}

void DeviceOffsetsModel::Default() {
    const auto d = static_cast<std::size_t>(device_);
    shown_[d].fill(0.0);
    valid_[d].fill(true);
}

OkAnswer DeviceOffsetsModel::Ok() {
    for (int d = 0; d < static_cast<int>(names_.size()); ++d) {
        const auto dd = static_cast<std::size_t>(d);
        for (int i = 0; i < kNumOffsetValues; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const double lim = Limit(i);
            if (valid_[dd][k] && shown_[dd][k] >= -lim && shown_[dd][k] <= lim) continue;
            device_ = d;
            shown_[dd][k] = IsDistance(i) ? MetresToUnits(live_[dd][k], units_) : live_[dd][k];
            valid_[dd][k] = true;
            std::string text = kMessages[i] + FormatFloat(-lim, 1, 3) + " to " +
                               FormatFloat(lim, 1, 3) + " " + unit_name(i) + ".";
            return DialogMessage{text, names_[dd]};
        }
    }
    for (std::size_t d = 0; d < names_.size(); ++d) {
        for (std::size_t k = 0; k < kNumOffsetValues; ++k) {
            const double v = shown_[d][k];
            result_[d][k] =
                IsDistance(static_cast<int>(k))
                    ? std::clamp(UnitsToMetres(v, units_), -kMaxDistanceM, kMaxDistanceM)
                    : v;
            // An untouched distance keeps its stored metres exactly.
            if (IsDistance(static_cast<int>(k)) && v == MetresToUnits(live_[d][k], units_))
                result_[d][k] = live_[d][k];
        }
    }
    return std::nullopt;
}

}  // namespace vq
