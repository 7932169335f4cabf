#include "recording/point_record.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/byte_order.h"

namespace vq {
namespace {

using namespace vq::byte_order;

constexpr std::size_t kMaxPointRecord = 256 + 4 * 600;
constexpr std::size_t kMaxBeamRecord = 256 + 480 * 1000;

// Truncates toward zero into lo..hi; NaN gives lo.
std::uint32_t ClampTrunc(double v, double lo, double hi) {
    if (!(v >= lo)) return static_cast<std::uint32_t>(lo);
    if (v > hi) return static_cast<std::uint32_t>(hi);
    return static_cast<std::uint32_t>(v);
}

double RoundHalfAway(double v) {
    return v >= 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
}

// Offsets 8..111, 156..162: the part of the header both records share.
void PutCommonHeader(std::uint8_t* b, const OutputRecordHeader& h) {
    PutText(b + 8, h.ts.DateText(), 11);
    PutText(b + 20, h.ts.time_text(), 8);
    b[29] = h.live ? '.' : ',';
    PutText(b + 30,
            h.ts.hundredths_text().substr(std::min<std::size_t>(1, h.ts.hundredths_text().size())),
            2);
    PutText(b + 33, std::string_view(h.nav.lat_text.data()), 14);
    PutText(b + 47, std::string_view(h.nav.lon_text.data()), 14);
    b[61] = static_cast<std::uint8_t>(ClampTrunc(h.nav.speed_kn * 10.0, 0, 255));
    PutU16Be(b + 62, ClampTrunc(h.nav.course_deg * 10.0, 0, 65535));
    PutU16Be(b + 64, AttitudeCode(h.nav.pitch_deg));
    PutU16Be(b + 66, AttitudeCode(h.nav.roll_deg));
    PutU16Be(b + 68, HeadingCode(h.nav.heading_deg));
    int beams = std::max(h.num_beams, 1);
    PutU16Be(b + 70, static_cast<std::uint32_t>(beams));
    PutU16Be(b + 72, static_cast<std::uint32_t>(h.samples_per_beam));
    PutU16Be(b + 74, ClampTrunc(h.sector_deg + 0.5, 0, 65535));
    b[78] = static_cast<std::uint8_t>(ClampTrunc(h.sector_deg / beams * 100.0, 0, 255));
    PutU16Be(b + 81, static_cast<std::uint32_t>(std::clamp(h.frequency_khz, 0, 65535)));
    PutU16Be(b + 83, 0x8000u | (ClampTrunc(h.sound_velocity * 10.0, 0, 32767)));
    PutU16Be(b + 87, static_cast<std::uint32_t>(std::clamp(h.pulse_length_us, 0, 65535)));
    PutU16Be(b + 89, ClampTrunc(RoundHalfAway(h.tilt_deg) + 180.0, 0, 65535));
    PutU16Be(b + 91, static_cast<std::uint32_t>(std::clamp(h.ping_interval_ms, 0, 65535)));
    PutU32Be(b + 93, h.output_ping_number);
    PutU24Be(b + 97, ClampTrunc(h.range_offset_m * 1000.0, 0, 0xFFFFFF));
    PutF32Le(b + 100, h.sonar_x_offset_m);
    PutF32Le(b + 104, h.sonar_y_offset_m);
    PutF32Le(b + 108, h.sonar_depth_m);
    b[156] = 1;
    PutU16Be(b + 157, h.head_value16);
    PutU32Le(b + 159, h.head_value32);
}

std::uint32_t AngleCode(double angle_deg) {
    return ClampTrunc((angle_deg + 180.0) * 100.0 + 0.5, 0, 65535);
}

std::uint32_t TenthsCode(double ms) {
    double v = ms > 10000.0 ? 0.0 : 10.0 * ms + 0.5;
    return ClampTrunc(v, 0, 65535);
}

}  // namespace

std::uint16_t AttitudeCode(float degrees) {
    double v = RoundHalfAway(static_cast<double>(degrees) * 10.0) + 900.0;
    if (!(v >= 0.0)) v = 0.0;
    return static_cast<std::uint16_t>(0x8000u | static_cast<std::uint32_t>(std::min(v, 1800.0)));
}

std::uint16_t HeadingCode(float degrees) {
    return static_cast<std::uint16_t>(0x8000u | ClampTrunc(degrees * 10.0 + 0.5, 0, 3599));
}

std::uint16_t PointRangeValue(const PointRecordInputs& in, int i) {
    int b = in.h.num_beams;
    if (i < 0 || i >= b || static_cast<std::size_t>(b) > in.range_tenths.size()) return 0;
    double r = in.range_tenths[static_cast<std::size_t>(b - 1 - i)];
    if (in.h.fine_resolution) r *= 0.1;
    return static_cast<std::uint16_t>(ClampTrunc(r * 1.0 + 0.5, 0, 65535));
}

PointRecordBuilder::PointRecordBuilder() : buf_(kMaxPointRecord, 0) {}

std::span<const std::uint8_t> PointRecordBuilder::Build(const PointRecordInputs& in) {
    if (built_) return bytes();
    const OutputRecordHeader& h = in.h;
    int beams = std::clamp(h.num_beams, 0, 600);
    len_ = PointRecordLength(beams, in.with_intensities);
    std::uint8_t* b = buf_.data();
    std::memset(b, 0, buf_.size());
    std::memcpy(b, "Q4P", 3);
    b[3] = 12;
    PutU16Be(b + 4, static_cast<std::uint32_t>(len_));
    PutCommonHeader(b, h);
    PutU16Be(b + 76, in.points.empty() ? 0 : AngleCode(in.points[0].angle_deg));
    int range = h.fine_resolution ? std::max(h.nominal_range_m / 10, 1) : h.nominal_range_m;
    PutU16Be(b + 79, static_cast<std::uint32_t>(std::clamp(range, 0, 65535)));
    double k = h.fine_resolution ? (in.resolution_mode == 1 ? 1000.0 : 10000.0)
                                 : (in.resolution_mode == 1 ? 100.0 : 1000.0);
    double samples = h.samples_per_beam > 0 ? h.samples_per_beam : 500;
    PutU16Be(b + 85, ClampTrunc(k * h.range_m / samples, 0, 65535));
    PutText(b + 112, h.ts.millis_text(), 4);
    b[117] = in.with_intensities ? 1 : 0;
    PutU16Be(b + 118, 5);
    PutU16Be(b + 120, h.live ? TenthsCode(in.latency_ms) : 0);
    b[122] = static_cast<std::uint8_t>(in.resolution_mode);
    b[123] = static_cast<std::uint8_t>((in.detection_flags & 3) | (in.pipelined ? 4 : 0));
    b[125] = static_cast<std::uint8_t>(in.avg_filter_length);
    PutU16Be(b + 126, TenthsCode(in.lag_ms));
    PutF32Le(b + 128, (in.status & 0x08) ? h.nav.heave_m : 0.0f);
    b[132] = in.status2;
    PutF32Le(b + 133, in.image_value);
    b[137] = in.status;
    b[155] = in.external_event ? 1 : 0;
    std::uint8_t* ranges = b + 256;
    for (int i = 0; i < beams; ++i) PutU16Be(ranges + 2 * i, PointRangeValue(in, i));
    if (in.with_intensities && in.points.size() >= static_cast<std::size_t>(beams)) {
        std::uint8_t* inten = ranges + 2 * beams;
        for (int i = 0; i < beams; ++i)
            PutU16Be(inten + 2 * i,
                     static_cast<std::uint32_t>(
                         in.points[static_cast<std::size_t>(beams - 1 - i)].intensity) &
                         0xFFFF);
    }
    built_ = true;
    return bytes();
}

BeamRecordBuilder::BeamRecordBuilder() : buf_(kMaxBeamRecord, 0) {}

std::span<const std::uint8_t> BeamRecordBuilder::Build(const BeamRecordInputs& in) {
    const OutputRecordHeader& h = in.h;
    int beams = std::clamp(h.num_beams, 0, 480);
    int samples = h.samples_per_beam == 1000 ? 1000 : 500;
    std::size_t len = BeamRecordLength(beams, samples);
    std::uint8_t* b = buf_.data();
    std::memset(b, 0, 256);
    std::memcpy(b, "Q4B", 3);
    b[3] = 4;
    PutU24Be(b + 4, static_cast<std::uint32_t>(len));
    OutputRecordHeader hh = h;
    hh.samples_per_beam = samples;
    PutCommonHeader(b, hh);
    static constexpr double kHalfSpacing[] = {0.125, 0.25, 0.5};
    double a = in.display_type == 3
                   ? in.first_point_angle_deg
                   : -0.5 * h.sector_deg + kHalfSpacing[std::clamp(in.step_size, 0, 2)];
    PutU16Be(b + 76, AngleCode(a));
    PutU16Be(b + 79, static_cast<std::uint32_t>(std::clamp(h.nominal_range_m, 0, 65535)));
    PutU16Be(b + 85, ClampTrunc(1000.0 * h.range_m / samples, 0, 65535));
    for (int k = 0; k < beams; ++k) {
        std::uint8_t* dst = b + 256 + static_cast<std::size_t>(k) * samples;
        if (in.rows)
            std::memcpy(dst, in.rows + static_cast<std::size_t>(k) * in.stride, samples);
        else
            std::memset(dst, 0, samples);
    }
    return {buf_.data(), len};
}

}  // namespace vq
