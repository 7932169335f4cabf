// Soundings on the map: from a profile point's range and beam angle, the mounting of the sonar
// head and of the GPS antenna on the vessel, the vessel's attitude and its GPS fix, each
// sounding's geographic and UTM position and its depth.
//
// Offsets give a device's position and turn relative to the vessel's reference point (the
// point whose depth is 0, usually on the waterline). Signs, for every device:
//   Starboard  + to starboard          Forward  + towards the bow     Vertical  + downwards
//   Yaw        + the device's forward axis turned to starboard (clockwise seen from above)
//   Pitch      + the device's forward end up
//   Roll       + the device's starboard side down
//   Latency    + the device's values are that many seconds older than their time stamp
// Vessel: heading clockwise from true north, pitch + bow up, roll + starboard side down.
// Beam angle: + to starboard of the head's downward axis, the profile tilt included.
#pragma once

namespace vq {

// One device's "Starboard", "Forward", "Vertical" (metres), "Yaw", "Pitch", "Roll" (degrees)
// and "Latency" (seconds).
struct DeviceOffsets {
    double starboard_m = 0.0;
    double forward_m = 0.0;
    double vertical_m = 0.0;
    double yaw_deg = 0.0;
    double pitch_deg = 0.0;
    double roll_deg = 0.0;
    double latency_s = 0.0;
};

// "Sonar Head Offsets" and "GPS Antenna Offsets". The antenna's yaw turns the heading the GPS
// reports (a two-antenna baseline that is not parallel to the keel); its pitch and roll do not
// enter: a position has no attitude.
struct VesselMounting {
    DeviceOffsets sonar;
    DeviceOffsets antenna;
};

// The navigation of one ping.
struct VesselState {
    bool position_valid = false;
    double latitude_deg = 0.0;  // of the GPS antenna, negative south
    double longitude_deg = 0.0;
    bool heading_valid = false;  // a true heading from the GPS; without it the course is taken
    double heading_deg = 0.0;
    double course_deg = 0.0;  // over ground, true
    double speed_knots = 0.0;
    double pitch_deg = 0.0;
    double roll_deg = 0.0;
};

// A sounding from the sonar head: starboard, forward and down in metres, levelled (the head's
// mounting angles and the vessel's pitch and roll applied, the heading not).
struct SonarRelative {
    double starboard_m = 0.0;
    double forward_m = 0.0;
    double down_m = 0.0;
};

struct MapSounding {
    double latitude_deg = 0.0;
    double longitude_deg = 0.0;
    double easting_m = 0.0;
    double northing_m = 0.0;
    int zone = 0;
    bool north = true;
    double depth_m = 0.0;  // below the vessel's reference point
};

// The head's range window is defined for this speed of sound.
inline constexpr double kRangeWindowSoundVelocity = 1500.0;

// Slant range in water of the given speed of sound (m/s) from a range of the head's window;
// an implausible velocity (outside 1400..1600) leaves the range as it is.
double TrueRange(double window_range_m, double sound_velocity);

// The sounding at `range_m` along a beam `beam_angle_deg`, from the sonar head.
SonarRelative SoundingFromSonar(double range_m, double beam_angle_deg, const DeviceOffsets& sonar,
                                double vessel_pitch_deg, double vessel_roll_deg);

// The sounding's depth below the vessel's reference point; needs no position.
double SoundingDepth(const VesselMounting& m, double range_m, double beam_angle_deg,
                     double vessel_pitch_deg, double vessel_roll_deg);

// The bow's heading: the GPS heading less the antenna's yaw when the GPS gives one, else the
// course over ground.
double VesselHeading(const VesselState& v, const DeviceOffsets& antenna);

// A position moved by metres north and east on the WGS-84 ellipsoid (distances of a ship's
// length or a swath: the error stays below a millimetre up to a kilometre).
void MovePosition(double latitude_deg, double longitude_deg, double north_m, double east_m,
                  double& out_latitude_deg, double& out_longitude_deg);

// The sounding at slant range `range_m` (see TrueRange) on the map. The antenna's fix is first
// carried along the course over the time the two latencies differ (antenna latency − sonar
// latency), since the fix and the ping were taken at different moments. zone 0 gives the sounding's
// own UTM zone; 1..60 puts it on that zone's grid. Needs v.position_valid; the position fields are
// meaningless otherwise.
MapSounding Georeference(const VesselState& v, const VesselMounting& m, double range_m,
                         double beam_angle_deg, int zone = 0);

}  // namespace vq
