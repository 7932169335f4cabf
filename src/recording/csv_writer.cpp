#include "recording/csv_writer.h"

#include <cmath>
#include <cstdio>

namespace vq {

namespace {
constexpr double kCsvDegToRad = 0.017453292519943295;
}

CsvWriter::CsvWriter() {
    text_.reserve(128 + 600 * 160);
}

std::span<const std::uint8_t> CsvWriter::FormatPing(const PointRecordInputs& in) {
    text_.clear();
    if (header_pending_) {
        text_ += kCsvHeaderLine;
        header_pending_ = false;
    }
    const OutputRecordHeader& h = in.h;
    int beams = h.num_beams;
    if (beams <= 0 || static_cast<std::size_t>(beams) > in.range_tenths.size())
        return {reinterpret_cast<const std::uint8_t*>(text_.data()), text_.size()};
    double samples = h.samples_per_beam > 0 ? h.samples_per_beam : 500;
    // The record's range value is tenths of a sample, whole samples on a fine-resolution head.
    double metres_per_unit = h.range_m / samples * (h.fine_resolution ? 1.0 : 0.1);
    double spacing = h.sector_deg / beams;
    bool have_points = in.points.size() >= static_cast<std::size_t>(beams);
    double start = have_points ? in.points[0].angle_deg : -0.5 * h.sector_deg;
    char line[192];
    for (int i = 0; i < beams; ++i) {
        std::uint16_t v = PointRangeValue(in, i);
        if (v == 0) continue;
        // As a reader of the point record sees it: range value i with angle start + i x spacing.
        double angle =
            have_points ? in.points[static_cast<std::size_t>(i)].angle_deg : start + i * spacing;
        double range = v * metres_per_unit + h.range_offset_m;
        double a = angle * kCsvDegToRad;
        int n = std::snprintf(line, sizeof line, "%u,%s,%s%s,%.3f,%.3f,%.3f,%.3f,",
                              h.output_ping_number, h.ts.date.data(), h.ts.time.data(),
                              h.ts.millis.data(), angle, range, range * std::cos(a),
                              range * std::sin(a));
        if (n > 0 && static_cast<std::size_t>(n) < sizeof line)
            text_.append(line, static_cast<std::size_t>(n));
        if (in.with_intensities && have_points)
            text_ += std::to_string(in.points[static_cast<std::size_t>(beams - 1 - i)].intensity &
                                    0xFFFF);
        text_ += ',';
        if (h.nav.position_valid) {
            n = std::snprintf(line, sizeof line, "%.7f,%.7f", h.nav.lat_deg, h.nav.lon_deg);
            if (n > 0 && static_cast<std::size_t>(n) < sizeof line)
                text_.append(line, static_cast<std::size_t>(n));
        } else {
            text_ += ',';
        }
        text_ += '\n';
    }
    return {reinterpret_cast<const std::uint8_t*>(text_.data()), text_.size()};
}

}  // namespace vq
