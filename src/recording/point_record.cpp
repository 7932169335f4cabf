#include "recording/point_record.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "recording/byte_io.h"

namespace vq {
namespace {

using namespace vq::bytes;

constexpr std::size_t kMaxPointRecord = 256 + 4 * 600;
constexpr std::size_t kMaxBeamRecord = 256 + 480 * 1000;

// Truncates toward zero into lo..hi; NaN gives lo.
std::uint32_t clamp_trunc(double v, double lo, double hi) {
    if (!(v >= lo)) return static_cast<std::uint32_t>(lo);
    if (v > hi) return static_cast<std::uint32_t>(hi);
    return static_cast<std::uint32_t>(v);
}

double round_half_away(double v) {
    return v >= 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
}

// Offsets 8..111, 156..162: the part of the header both records share.
void put_common_header(std::uint8_t* b, const OutputRecordHeader& h) {
    put_text(b + 8, h.ts.date_text(), 11);
    put_text(b + 20, h.ts.time_text(), 8);
    b[29] = h.live ? '.' : ',';
    put_text(b + 30,
             h.ts.hundredths_text().substr(std::min<std::size_t>(1, h.ts.hundredths_text().size())),
             2);
    put_text(b + 33, std::string_view(h.nav.lat_text.data()), 14);
    put_text(b + 47, std::string_view(h.nav.lon_text.data()), 14);
    b[61] = static_cast<std::uint8_t>(clamp_trunc(h.nav.speed_kn * 10.0, 0, 255));
    put_u16be(b + 62, clamp_trunc(h.nav.course_deg * 10.0, 0, 65535));
    put_u16be(b + 64, attitude_code(h.nav.pitch_deg));
    put_u16be(b + 66, attitude_code(h.nav.roll_deg));
    put_u16be(b + 68, heading_code(h.nav.heading_deg));
    int beams = std::max(h.num_beams, 1);
    put_u16be(b + 70, static_cast<std::uint32_t>(beams));
    put_u16be(b + 72, static_cast<std::uint32_t>(h.samples_per_beam));
    put_u16be(b + 74, clamp_trunc(h.sector_deg + 0.5, 0, 65535));
    b[78] = static_cast<std::uint8_t>(clamp_trunc(h.sector_deg / beams * 100.0, 0, 255));
    put_u16be(b + 81, static_cast<std::uint32_t>(std::clamp(h.frequency_khz, 0, 65535)));
    put_u16be(b + 83, 0x8000u | (clamp_trunc(h.sound_velocity * 10.0, 0, 32767)));
    put_u16be(b + 87, static_cast<std::uint32_t>(std::clamp(h.pulse_length_us, 0, 65535)));
    put_u16be(b + 89, clamp_trunc(round_half_away(h.tilt_deg) + 180.0, 0, 65535));
    put_u16be(b + 91, static_cast<std::uint32_t>(std::clamp(h.ping_interval_ms, 0, 65535)));
    put_u32be(b + 93, h.output_ping_number);
    put_u24be(b + 97, clamp_trunc(h.range_offset_m * 1000.0, 0, 0xFFFFFF));
    put_f32le(b + 100, h.sonar_x_offset_m);
    put_f32le(b + 104, h.sonar_y_offset_m);
    put_f32le(b + 108, h.sonar_depth_m);
    b[156] = 1;
    put_u16be(b + 157, h.head_value16);
    put_u32le(b + 159, h.head_value32);
}

std::uint32_t angle_code(double angle_deg) {
    return clamp_trunc((angle_deg + 180.0) * 100.0 + 0.5, 0, 65535);
}

std::uint32_t tenths_code(double ms) {
    double v = ms > 10000.0 ? 0.0 : 10.0 * ms + 0.5;
    return clamp_trunc(v, 0, 65535);
}

}  // namespace

std::uint16_t attitude_code(float degrees) {
    double v = round_half_away(static_cast<double>(degrees) * 10.0) + 900.0;
    if (!(v >= 0.0)) v = 0.0;
    return static_cast<std::uint16_t>(0x8000u | static_cast<std::uint32_t>(std::min(v, 1800.0)));
}

std::uint16_t heading_code(float degrees) {
    return static_cast<std::uint16_t>(0x8000u | clamp_trunc(degrees * 10.0 + 0.5, 0, 3599));
}

std::uint16_t point_range_value(const PointRecordInputs& in, int i) {
    int b = in.h.num_beams;
    if (i < 0 || i >= b || static_cast<std::size_t>(b) > in.range_tenths.size()) return 0;
    double r = in.range_tenths[static_cast<std::size_t>(b - 1 - i)];
    if (in.h.fine_resolution) r *= 0.1;
    return static_cast<std::uint16_t>(clamp_trunc(r * 1.0 + 0.5, 0, 65535));
}

PointRecordBuilder::PointRecordBuilder() : buf_(kMaxPointRecord, 0) {}

std::span<const std::uint8_t> PointRecordBuilder::build(const PointRecordInputs& in) {
    if (built_) return bytes();
    const OutputRecordHeader& h = in.h;
    int beams = std::clamp(h.num_beams, 0, 600);
    len_ = point_record_length(beams, in.with_intensities);
    std::uint8_t* b = buf_.data();
    std::memset(b, 0, buf_.size());
    std::memcpy(b, "Q4P", 3);
    b[3] = 12;
    put_u16be(b + 4, static_cast<std::uint32_t>(len_));
    put_common_header(b, h);
    put_u16be(b + 76, in.points.empty() ? 0 : angle_code(in.points[0].angle_deg));
    int range = h.fine_resolution ? std::max(h.nominal_range_m / 10, 1) : h.nominal_range_m;
    put_u16be(b + 79, static_cast<std::uint32_t>(std::clamp(range, 0, 65535)));
    double k = h.fine_resolution ? (in.resolution_mode == 1 ? 1000.0 : 10000.0)
                                 : (in.resolution_mode == 1 ? 100.0 : 1000.0);
    double samples = h.samples_per_beam > 0 ? h.samples_per_beam : 500;
    put_u16be(b + 85, clamp_trunc(k * h.range_m / samples, 0, 65535));
    put_text(b + 112, h.ts.millis_text(), 4);
    b[117] = in.with_intensities ? 1 : 0;
    put_u16be(b + 118, 5);
    put_u16be(b + 120, h.live ? tenths_code(in.latency_ms) : 0);
    b[122] = static_cast<std::uint8_t>(in.resolution_mode);
    b[123] = static_cast<std::uint8_t>((in.detection_flags & 3) | (in.pipelined ? 4 : 0));
    b[125] = static_cast<std::uint8_t>(in.avg_filter_length);
    put_u16be(b + 126, tenths_code(in.lag_ms));
    put_f32le(b + 128, (in.status & 0x08) ? h.nav.heave_m : 0.0f);
    b[132] = in.status2;
    put_f32le(b + 133, in.image_value);
    b[137] = in.status;
    b[155] = in.external_event ? 1 : 0;
    std::uint8_t* ranges = b + 256;
    for (int i = 0; i < beams; ++i) put_u16be(ranges + 2 * i, point_range_value(in, i));
    if (in.with_intensities && in.points.size() >= static_cast<std::size_t>(beams)) {
        std::uint8_t* inten = ranges + 2 * beams;
        for (int i = 0; i < beams; ++i)
            put_u16be(inten + 2 * i,
                      static_cast<std::uint32_t>(
                          in.points[static_cast<std::size_t>(beams - 1 - i)].intensity) &
                          0xFFFF);
    }
    built_ = true;
    return bytes();
}

BeamRecordBuilder::BeamRecordBuilder() : buf_(kMaxBeamRecord, 0) {}

std::span<const std::uint8_t> BeamRecordBuilder::build(const BeamRecordInputs& in) {
    const OutputRecordHeader& h = in.h;
    int beams = std::clamp(h.num_beams, 0, 480);
    int samples = h.samples_per_beam == 1000 ? 1000 : 500;
    std::size_t len = beam_record_length(beams, samples);
    std::uint8_t* b = buf_.data();
    std::memset(b, 0, 256);
    std::memcpy(b, "Q4B", 3);
    b[3] = 4;
    put_u24be(b + 4, static_cast<std::uint32_t>(len));
    OutputRecordHeader hh = h;
    hh.samples_per_beam = samples;
    put_common_header(b, hh);
    static constexpr double kHalfSpacing[] = {0.125, 0.25, 0.5};
    double a = in.display_type == 3
                   ? in.first_point_angle_deg
                   : -0.5 * h.sector_deg + kHalfSpacing[std::clamp(in.step_size, 0, 2)];
    put_u16be(b + 76, angle_code(a));
    put_u16be(b + 79, static_cast<std::uint32_t>(std::clamp(h.nominal_range_m, 0, 65535)));
    put_u16be(b + 85, clamp_trunc(1000.0 * h.range_m / samples, 0, 65535));
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
