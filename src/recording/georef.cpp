#include "recording/georef.h"

#include <cmath>

#include "core/utm.h"

namespace vq {
namespace {

constexpr double kDeg = 0.017453292519943295;
constexpr double kKnot = 1852.0 / 3600.0;  // m/s
constexpr double kSemiMajor = 6378137.0;
constexpr double kEccSquared = 0.0066943799901413165;

// Forward, starboard, down.
struct Frd {
    double f = 0.0;
    double s = 0.0;
    double d = 0.0;
};

Frd Add(Frd a, Frd b) {
    return {a.f + b.f, a.s + b.s, a.d + b.d};
}

// Roll about the forward axis (+ starboard side down), then pitch about the starboard axis
// (+ forward end up), then yaw about the down axis (+ forward turns to starboard): a vector of
// the turned body in the frame it is turned within.
Frd Turn(Frd v, double yaw_deg, double pitch_deg, double roll_deg) {
    const double cr = std::cos(roll_deg * kDeg), sr = std::sin(roll_deg * kDeg);
    const double cp = std::cos(pitch_deg * kDeg), sp = std::sin(pitch_deg * kDeg);
    const double cy = std::cos(yaw_deg * kDeg), sy = std::sin(yaw_deg * kDeg);
    const Frd r{v.f, v.s * cr - v.d * sr, v.s * sr + v.d * cr};
    const Frd p{r.f * cp + r.d * sp, r.s, -r.f * sp + r.d * cp};
    return {p.f * cy - p.s * sy, p.f * sy + p.s * cy, p.d};
}

Frd Position(const DeviceOffsets& o) {
    return {o.forward_m, o.starboard_m, o.vertical_m};
}

// The sounding from the reference point in the vessel's levelled frame.
Frd FromReference(double range_m, double beam_angle_deg, const VesselMounting& m, double pitch_deg,
                  double roll_deg) {
    const Frd beam{0.0, range_m * std::sin(beam_angle_deg * kDeg),
                   range_m * std::cos(beam_angle_deg * kDeg)};
    const DeviceOffsets& s = m.sonar;
    const Frd in_vessel = Add(Position(s), Turn(beam, s.yaw_deg, s.pitch_deg, s.roll_deg));
    return Turn(in_vessel, 0.0, pitch_deg, roll_deg);
}

}  // namespace

double TrueRange(double window_range_m, double sound_velocity) {
    if (!(sound_velocity >= 1400.0 && sound_velocity <= 1600.0)) return window_range_m;
    return window_range_m * sound_velocity / kRangeWindowSoundVelocity;
}

SonarRelative SoundingFromSonar(double range_m, double beam_angle_deg, const DeviceOffsets& sonar,
                                double vessel_pitch_deg, double vessel_roll_deg) {
    VesselMounting m;
    m.sonar = sonar;
    m.sonar.starboard_m = m.sonar.forward_m = m.sonar.vertical_m = 0.0;
    const Frd v = FromReference(range_m, beam_angle_deg, m, vessel_pitch_deg, vessel_roll_deg);
    return {v.s, v.f, v.d};
}

double SoundingDepth(const VesselMounting& m, double range_m, double beam_angle_deg,
                     double vessel_pitch_deg, double vessel_roll_deg) {
    return FromReference(range_m, beam_angle_deg, m, vessel_pitch_deg, vessel_roll_deg).d;
}

double VesselHeading(const VesselState& v, const DeviceOffsets& antenna) {
    return v.heading_valid ? v.heading_deg - antenna.yaw_deg : v.course_deg;
}

void MovePosition(double latitude_deg, double longitude_deg, double north_m, double east_m,
                  double& out_latitude_deg, double& out_longitude_deg) {
    // Meridian and prime-vertical radii at the middle latitude of the move.
    auto radii = [](double lat_deg, double& meridian, double& prime) {
        const double s = std::sin(lat_deg * kDeg);
        const double w = 1.0 - kEccSquared * s * s;
        prime = kSemiMajor / std::sqrt(w);
        meridian = kSemiMajor * (1.0 - kEccSquared) / (w * std::sqrt(w));
    };
    double mid = latitude_deg;
    double lat = latitude_deg, lon = longitude_deg;
    for (int pass = 0; pass < 2; ++pass) {
        double meridian = 0.0, prime = 0.0;
        radii(mid, meridian, prime);
        lat = latitude_deg + north_m / meridian / kDeg;
        lon = longitude_deg + east_m / (prime * std::cos(mid * kDeg)) / kDeg;
        mid = 0.5 * (latitude_deg + lat);
    }
    if (lon >= 180.0) lon -= 360.0;
    if (lon < -180.0) lon += 360.0;
    out_latitude_deg = lat;
    out_longitude_deg = lon;
}

MapSounding Georeference(const VesselState& v, const VesselMounting& m, double range_m,
                         double beam_angle_deg, int zone) {
    const Frd sounding = FromReference(range_m, beam_angle_deg, m, v.pitch_deg, v.roll_deg);
    const Frd antenna = Turn(Position(m.antenna), 0.0, v.pitch_deg, v.roll_deg);
    const double heading = VesselHeading(v, m.antenna);
    // From the antenna to the sounding, turned from the levelled vessel frame to north and east.
    const Frd rel{sounding.f - antenna.f, sounding.s - antenna.s, 0.0};
    const Frd ne = Turn(rel, heading, 0.0, 0.0);
    // The fix moved to the moment of the ping.
    const double run = v.speed_knots * kKnot * (m.antenna.latency_s - m.sonar.latency_s);
    const double north = ne.f + run * std::cos(v.course_deg * kDeg);
    const double east = ne.s + run * std::sin(v.course_deg * kDeg);

    MapSounding out;
    MovePosition(v.latitude_deg, v.longitude_deg, north, east, out.latitude_deg, out.longitude_deg);
    const UtmPosition utm = ToUtmInZone(out.latitude_deg, out.longitude_deg, zone);
    out.easting_m = utm.easting;
    out.northing_m = utm.northing;
    out.zone = utm.zone;
    out.north = utm.north;
    out.depth_m = sounding.d;
    return out;
}

}  // namespace vq
