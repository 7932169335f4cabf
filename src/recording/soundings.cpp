#include "recording/soundings.h"

#include <cmath>
#include <cstdio>

namespace vq {

namespace {
// A damaged recording may carry anything: a value that is not a number counts as 0.
double Finite(float v) {
    return std::isfinite(v) ? v : 0.0;
}
}  // namespace

VesselMounting MountingFrom(const Settings& s, const OutputRecordHeader& h) {
    VesselMounting m;
    m.sonar = {Finite(h.sonar_x_offset_m),
               Finite(h.sonar_y_offset_m),
               Finite(h.sonar_depth_m),
               s.HeadingOffset,
               s.PitchOffset,
               s.RollOffset,
               s.SonarLatencySeconds};
    m.antenna = {s.GPSXOffsetMeters, s.GPSYOffsetMeters, s.GPSDepthMeters,   s.GPSHeadingOffset,
                 s.GPSPitchOffset,   s.GPSRollOffset,    s.GPSLatencySeconds};
    return m;
}

VesselState VesselStateOf(const RecordNav& nav) {
    VesselState v;
    const bool finite = std::isfinite(nav.lat_deg) && std::isfinite(nav.lon_deg);
    v.position_valid = nav.position_valid && finite && std::fabs(nav.lat_deg) <= 90.0 &&
                       std::fabs(nav.lon_deg) <= 180.0 &&
                       !(nav.lat_deg == 0.0 && nav.lon_deg == 0.0);
    v.latitude_deg = nav.lat_deg;
    v.longitude_deg = nav.lon_deg;
    v.heading_valid = nav.heading_valid && std::isfinite(nav.heading_deg);
    v.heading_deg = nav.heading_deg;
    v.course_deg = std::isfinite(nav.course_deg) ? nav.course_deg : 0.0;
    v.speed_knots = std::isfinite(nav.speed_kn) ? nav.speed_kn : 0.0;
    v.pitch_deg = std::isfinite(nav.pitch_deg) ? nav.pitch_deg : 0.0;
    v.roll_deg = std::isfinite(nav.roll_deg) ? nav.roll_deg : 0.0;
    return v;
}

std::string SonarXyzName(const std::string& xyz_path) {
    const std::size_t slash = xyz_path.rfind('/');
    const std::size_t dot = xyz_path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return xyz_path + "_sonar";
    return xyz_path.substr(0, dot) + "_sonar" + xyz_path.substr(dot);
}

XyzWriter::XyzWriter() {
    map_.reserve(600 * 40);
    sonar_.reserve(600 * 40);
}

XyzWriter::Text XyzWriter::FormatPing(const PointRecordInputs& in, const VesselMounting& m) {
    map_.clear();
    sonar_.clear();
    const VesselState v = VesselStateOf(in.h.nav);
    const double sv = in.h.sound_velocity;
    char line[96];
    ForEachProfilePoint(in, [&](const ProfilePointView& p) {
        const double range = TrueRange(p.range_m, sv);
        int n = 0;
        if (v.position_valid) {
            MapSounding s = Georeference(v, m, range, p.angle_deg, zone_);
            if (zone_ == 0) {
                zone_ = s.zone;
                north_ = s.north;
            }
            // One grid for the file: a line that crosses the equator keeps its false northing.
            if (s.north != north_) s.northing_m += north_ ? -10000000.0 : 10000000.0;
            n = std::snprintf(line, sizeof line, "%.3f %.3f %.3f\n", s.easting_m, s.northing_m,
                              s.depth_m);
            if (n > 0 && static_cast<std::size_t>(n) < sizeof line)
                map_.append(line, static_cast<std::size_t>(n));
        } else {
            const SonarRelative s =
                SoundingFromSonar(range, p.angle_deg, m.sonar, v.pitch_deg, v.roll_deg);
            n = std::snprintf(line, sizeof line, "%.3f %.3f %.3f\n", s.starboard_m, s.forward_m,
                              s.down_m);
            if (n > 0 && static_cast<std::size_t>(n) < sizeof line)
                sonar_.append(line, static_cast<std::size_t>(n));
        }
    });
    return {{reinterpret_cast<const std::uint8_t*>(map_.data()), map_.size()},
            {reinterpret_cast<const std::uint8_t*>(sonar_.data()), sonar_.size()}};
}

}  // namespace vq
