#include "sensors/sv_probe.h"

#include <algorithm>
#include <cmath>

#include "sensors/nmea_fields.h"

namespace vq {

namespace {

constexpr float kFeetToMetres = 0.3048f;
constexpr float kMinFeetPerSecond = 4593.0f;
constexpr float kMaxFeetPerSecond = 5249.0f;
constexpr float kMadToSigma = 1.4826f;
constexpr std::size_t kSbeLineScan = 80;   // the line's end is looked for this far
constexpr std::size_t kSbeFieldScan = 20;  // and its last "," this far back from the end

bool InRange(float v) {
    return v >= kMinSoundVelocity && v <= kMaxSoundVelocity;
}

std::optional<float> DigibarReading(std::string_view line) {
    auto v = nmea::Number(line.substr(0, 7), true, 7);
    if (!v) return std::nullopt;
    auto f = static_cast<float>(*v);
    if (f >= kMinFeetPerSecond && f <= kMaxFeetPerSecond) f *= kFeetToMetres;
    return f;
}

std::optional<float> Sbe37Reading(std::string_view line) {
    std::size_t end = std::min(line.size(), kSbeLineScan);
    std::size_t lowest = end > kSbeFieldScan ? end - kSbeFieldScan : 0;
    std::size_t comma = std::string_view::npos;
    for (std::size_t i = end; i > lowest; --i) {
        if (line[i - 1] == ',') {
            comma = i - 1;
            break;
        }
    }
    if (comma == std::string_view::npos) return std::nullopt;
    auto v = nmea::Number(line.substr(comma + 1, end - comma - 1), false, 12);
    if (!v) return std::nullopt;
    return static_cast<float>(*v);
}

}  // namespace

bool ApplyExternalSoundVelocity(const ExternalSoundVelocity& external, bool live,
                                float& sound_velocity) {
    if (!live) return false;
    auto v = external.pending();
    if (!v || *v == sound_velocity) return false;
    sound_velocity = *v;
    return true;
}

float Median9(std::array<float, 9> values) {
    std::nth_element(values.begin(), values.begin() + 4, values.end());
    return values[4];
}

float Hampel9(const std::array<float, 9>& history) {
    float m = Median9(history);
    std::array<float, 9> deviations{};
    for (std::size_t i = 0; i < history.size(); ++i) deviations[i] = std::fabs(history[i] - m);
    float s = kMadToSigma * Median9(deviations);
    float v = history[0];
    return s > std::fabs(v - m) ? v : m;
}

void SvProbe::set_device_type(int sv_device_type) {
    device_type_.store(sv_device_type == 1 ? 1 : 0, std::memory_order_relaxed);
}

void SvProbe::Feed(char c) {
    if (!collecting_) {
        if (c == ' ') {
            collecting_ = true;
            line_len_ = 0;
        }
        return;
    }
    if (c == '\r') {
        collecting_ = false;
        HandleLine({line_.data(), static_cast<std::size_t>(line_len_)});
        return;
    }
    if (line_len_ >= kMaxLine) {
        collecting_ = false;  // an over-long line is dropped
        return;
    }
    line_[static_cast<std::size_t>(line_len_++)] = c;
}

void SvProbe::HandleLine(std::string_view line) {
    if (hold_.load(std::memory_order_relaxed)) return;
    auto type = static_cast<SvDeviceType>(device_type_.load(std::memory_order_relaxed));
    TakeReading(type == SvDeviceType::Sbe37 ? Sbe37Reading(line) : DigibarReading(line));
}

void SvProbe::TakeReading(std::optional<float> v) {
    if (!v || !InRange(*v)) {
        rejected_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::copy_backward(history_.begin(), history_.end() - 1, history_.end());
    history_[0] = *v;
    float result = Hampel9(history_);
    if (!InRange(result)) return;  // not enough valid readings yet
    accepted_.fetch_add(1, std::memory_order_relaxed);
    output_.Supply(result);
}

}  // namespace vq
