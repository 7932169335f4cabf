#include "recording/csv_writer.h"

#include <cmath>
#include <cstdio>

namespace vq {

namespace {
constexpr double kCsvDegToRad = 0.017453292519943295;
}

CsvWriter::CsvWriter() {
    text_.reserve(256 + 600 * 200);
}

std::span<const std::uint8_t> CsvWriter::FormatPing(const PointRecordInputs& in,
                                                    const VesselMounting& m) {
    text_.clear();
    if (header_pending_) {
        text_ += kCsvHeaderLine;
        header_pending_ = false;
    }
    const OutputRecordHeader& h = in.h;
    const VesselState v = VesselStateOf(h.nav);
    char line[256];
    auto append = [&](int n) {
        if (n > 0 && static_cast<std::size_t>(n) < sizeof line)
            text_.append(line, static_cast<std::size_t>(n));
    };
    ForEachProfilePoint(in, [&](const ProfilePointView& p) {
        const double a = p.angle_deg * kCsvDegToRad;
        append(std::snprintf(line, sizeof line, "%u,%s,%s%s,%.3f,%.3f,%.3f,%.3f,",
                             h.output_ping_number, h.ts.date.data(), h.ts.time.data(),
                             h.ts.millis.data(), p.angle_deg, p.range_m, p.range_m * std::cos(a),
                             p.range_m * std::sin(a)));
        if (p.intensity >= 0) text_ += std::to_string(p.intensity);
        const double range = TrueRange(p.range_m, h.sound_velocity);
        if (v.position_valid) {
            const MapSounding s = Georeference(v, m, range, p.angle_deg);
            append(std::snprintf(line, sizeof line, ",%.8f,%.8f,%.3f,%.3f,%d%c,%.3f\n",
                                 s.latitude_deg, s.longitude_deg, s.easting_m, s.northing_m, s.zone,
                                 s.north ? 'N' : 'S', s.depth_m));
        } else {
            append(std::snprintf(line, sizeof line, ",,,,,,%.3f\n",
                                 SoundingDepth(m, range, p.angle_deg, v.pitch_deg, v.roll_deg)));
        }
    });
    return {reinterpret_cast<const std::uint8_t*>(text_.data()), text_.size()};
}

}  // namespace vq
