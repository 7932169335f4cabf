#include "recording/vqs_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/byte_order.h"

namespace vq {
namespace {

using namespace vq::byte_order;

// Truncates toward zero when v is finite and inside [lo, hi]; otherwise keeps fallback.
int CheckedTrunc(double v, double lo, double hi, int fallback) {
    if (!std::isfinite(v) || v < lo || v > hi) return fallback;
    return static_cast<int>(v);
}

int TextDigits(const char* s, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') return v;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

void PutDigits(std::uint8_t* p, int value, int n) {
    for (int i = n - 1; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>('0' + value % 10);
        value /= 10;
    }
}

void PutTimeStamp(std::uint8_t* h, const PingTimeStamp& ts) {
    const char* d = ts.date.data();
    const char* t = ts.time.data();
    int month = MonthNumber(std::string_view(d + 3, 3));
    std::memcpy(h + 10, d, 2);
    PutDigits(h + 12, month == 0 ? 1 : month, 2);
    std::memcpy(h + 14, d + 7, 4);
    std::memcpy(h + 18, t, 2);
    std::memcpy(h + 20, t + 3, 2);
    std::memcpy(h + 22, t + 6, 2);
    std::memcpy(h + 24, ts.millis.data() + 1, 3);
    h[27] = '0';
}

PingTimeStamp ReadTimeStamp(const std::uint8_t* h) {
    const char* c = reinterpret_cast<const char*>(h);
    int ms = TextDigits(c + 24, 3);
    return PingTimeStamp::FromFields(TextDigits(c + 14, 4), TextDigits(c + 12, 2),
                                     TextDigits(c + 10, 2), TextDigits(c + 18, 2),
                                     TextDigits(c + 20, 2), TextDigits(c + 22, 2), ms);
}

void PutLayout(std::uint8_t* h, std::uint32_t n) {
    PutU32Le(h + 75, kVqsHeaderBytes);
    PutU32Le(h + 79, kVqsHeaderBytes);
    PutU32Le(h + 83, kVqsBlock1Bytes);
    PutU32Le(h + 87, kVqsPingOffset);
    PutU32Le(h + 91, n);
    PutU32Le(h + 95, static_cast<std::uint32_t>(kVqsPingOffset) + n);
    PutU32Le(h + 99, 0);
    PutU32Le(h + 103, static_cast<std::uint32_t>(kVqsPingOffset) + n);
    PutU32Le(h + 107, 0);
}

void PutSettings(std::uint8_t* h, const RecordSettings& s) {
    h[319] = static_cast<std::uint8_t>((s.xdcr ? 0x80 : 0) | (s.pipelined ? 0x40 : 0));
    h[320] = static_cast<std::uint8_t>(s.gain);
    PutF32Le(h + 321, s.tilt_deg);
    PutF32Le(h + 325, static_cast<float>(s.range_offset_m));
    PutF32Le(h + 329, static_cast<float>(s.absorption_code) * 0.005f);
    h[333] = static_cast<std::uint8_t>(s.avg_filter_length);
    PutU32Le(h + 334, static_cast<std::uint32_t>(s.pulse_length_us));
    PutF32Le(h + 338, s.sound_velocity);
    PutF32Le(h + 342, static_cast<float>(s.frequency_khz) * 1000.0f);
    PutF32Le(h + 346, static_cast<float>(s.ping_interval_ms) * 0.001f);
    h[350] = static_cast<std::uint8_t>(s.display_gain);
    PutU16Le(h + 351, static_cast<std::uint32_t>(s.num_beams));
    PutU32Le(h + 353, static_cast<std::uint32_t>(s.samples_per_beam));
    PutF32Le(h + 357, s.sector_deg);
    float beams = s.num_beams > 0 ? static_cast<float>(s.num_beams) : 1.0f;
    float samples = s.samples_per_beam > 0 ? static_cast<float>(s.samples_per_beam) : 1.0f;
    PutF32Le(h + 365, s.sector_deg / beams);
    PutF32Le(h + 369, s.range_m);
    PutF32Le(h + 373, 0.1f * s.range_m / samples);
    PutU32Le(h + 377, s.output_ping_number);
    h[385] = 8;
    PutF32Le(h + 386, s.sound_velocity);
    PutF32Le(h + 390, s.sonar_depth_m);
    PutF32Le(h + 434, s.sonar_x_offset_m);
    PutF32Le(h + 438, s.sonar_y_offset_m);
    PutF32Le(h + 442, s.sonar_depth_m);
}

void PutNav(std::uint8_t* h, const RecordNav& nav) {
    h[65] =
        static_cast<std::uint8_t>((nav.position_valid ? 0x01 : 0) | (nav.heading_valid ? 0x08 : 0));
    PutF64Le(h + 394, nav.lat_deg);
    PutF64Le(h + 402, nav.lon_deg);
    PutF32Le(h + 410, nav.speed_kn);
    PutF32Le(h + 414, nav.course_deg);
    PutF32Le(h + 418, nav.heading_deg);
    PutF32Le(h + 422, nav.pitch_deg);
    PutF32Le(h + 426, nav.roll_deg);
    PutF32Le(h + 430, nav.heave_m);
}

}  // namespace

VqsRecordBuilder::VqsRecordBuilder() {
    buf_.reserve(kVqsPingOffset + kMaxPingBytes);
}

std::span<const std::uint8_t> VqsRecordBuilder::Build(std::span<const std::uint8_t> ping,
                                                      const PingTimeStamp& ts,
                                                      const RecordSettings& s, const RecordNav& nav,
                                                      std::uint32_t previous_length,
                                                      std::uint32_t frame_length) {
    std::size_t n = std::min(ping.size(), kMaxPingBytes);
    buf_.assign(kVqsPingOffset + n, 0);  // within the reserved capacity: no allocation
    std::uint8_t* h = buf_.data();
    std::memcpy(h, "VQS", 3);
    h[3] = 2;
    PutU32Le(h + 4, static_cast<std::uint32_t>(buf_.size()));
    PutU16Le(h + 8, 1);
    PutTimeStamp(h, ts);
    PutText(h + 29, version_text_, 30);
    PutU32Le(h + 59, previous_length);
    h[63] = static_cast<std::uint8_t>(0x04 | (frame_length > 0 ? 0x01 : 0));
    PutU32Le(h + 71, frame_length);
    PutLayout(h, static_cast<std::uint32_t>(n));
    PutSettings(h, s);
    PutNav(h, nav);
    if (n > 0) std::memcpy(h + kVqsPingOffset, ping.data(), n);
    return {buf_.data(), buf_.size()};
}

void RestoreRecordedValues(const std::uint8_t* h, RecordedValues& v, int measured_period_ms) {
    v.ts = ReadTimeStamp(h);
    v.xdcr = (h[319] & 0x80) ? 1 : 0;
    v.pipelined = (h[319] & 0x40) != 0;
    v.gain = h[320];
    float tilt = GetF32Le(h + 321);
    if (!v.tilt_changed_by_operator && tilt >= -90.0f && tilt <= 90.0f) v.tilt_deg = tilt;
    v.range_offset_m = CheckedTrunc(GetF32Le(h + 325), -1e6, 1e6, v.range_offset_m);
    v.absorption_code =
        CheckedTrunc(GetF32Le(h + 329) * 2.0 * 100.0 + 0.5, 0, 1e6, v.absorption_code);
    v.avg_filter_length = h[333] == 0 ? 3 : h[333];
    std::uint32_t pulse = GetU32Le(h + 334);
    if (pulse >= 2 && pulse < 5000) v.pulse_length_us = static_cast<int>(pulse);
    float sv = GetF32Le(h + 338);
    if (sv >= 1400.0f && sv <= 1600.0f) v.sound_velocity = sv;
    v.frequency_khz = CheckedTrunc(0.001 * GetF32Le(h + 342) + 0.5, 0, 1e6, v.frequency_khz);
    int interval = CheckedTrunc(1000.0 * GetF32Le(h + 346) + 0.5, 0, 1e7, 0);
    v.ping_interval_ms = interval == 0 ? measured_period_ms : interval;
    v.display_gain = (h[350] == 0 || h[350] > 100) ? 1 : h[350];
    std::uint32_t samples = GetU32Le(h + 353);
    v.samples_per_beam = (samples == 500 || samples == 1000) ? static_cast<int>(samples) : 500;
    float range = GetF32Le(h + 369);
    if (std::isfinite(range) && range > 0.0f && range < 1e5f) v.range_m = range;
    v.position_valid = (h[65] & 0x01) != 0;
    if (v.position_valid) {
        v.lat_deg = GetF64Le(h + 394);
        v.lon_deg = GetF64Le(h + 402);
        v.speed_kn = GetF32Le(h + 410);
        v.course_deg = GetF32Le(h + 414);
    }
    v.heading_valid = (h[65] & 0x08) != 0;
    if (v.heading_valid) v.heading_deg = GetF32Le(h + 418);
    // Attitude where the recording carries one (0 otherwise); implausible values read as 0.
    const float pitch = GetF32Le(h + 422), roll = GetF32Le(h + 426);
    v.pitch_deg = pitch >= -90.0f && pitch <= 90.0f ? pitch : 0.0f;
    v.roll_deg = roll >= -180.0f && roll <= 180.0f ? roll : 0.0f;
    v.sonar_x_offset_m = GetF32Le(h + 434);
    v.sonar_y_offset_m = GetF32Le(h + 438);
    v.sonar_depth_m = GetF32Le(h + 442);
}

int VideoFrameInterval(float frames_per_second, int measured_period_ms) {
    double t = measured_period_ms > 0 ? measured_period_ms * 0.001 : 1.0;
    double k = frames_per_second > 0.0f ? 1.0 / (frames_per_second * t) + 0.5 : 100.0;
    if (!std::isfinite(k) || k > 100.0) return 100;
    return std::clamp(static_cast<int>(k), 1, 100);
}

bool VideoFrameSchedule::NextRecordCarriesFrame(float frames_per_second, int measured_period_ms) {
    int k = VideoFrameInterval(frames_per_second, measured_period_ms);
    if (++counter_ >= k) {
        counter_ = 0;
        return true;
    }
    return false;
}

}  // namespace vq
