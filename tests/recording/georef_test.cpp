// Soundings on the map, against cases worked by hand and against GeographicLib's geodesics and
// transverse Mercator.
#include "recording/georef.h"

#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <cmath>
#include <ostream>
#include <string>

#include "core/utm.h"

namespace vq {
namespace {

constexpr double kDeg = 0.017453292519943295;

// The reference: the antenna's fix moved north and east along a geodesic, then projected by
// GeographicLib (zone -1: the position's own zone).
struct Reference {
    double lat, lon, easting, northing;
    int zone;
};
Reference Expected(double lat, double lon, double north_m, double east_m, int zone = -1) {
    Reference r{lat, lon, 0, 0, 0};
    const double dist = std::hypot(north_m, east_m);
    if (dist > 0.0) {
        GeographicLib::Geodesic::WGS84().Direct(lat, lon, std::atan2(east_m, north_m) / kDeg, dist,
                                                r.lat, r.lon);
    }
    bool northp = false;
    GeographicLib::UTMUPS::Forward(r.lat, r.lon, r.zone, northp, r.easting, r.northing, zone);
    return r;
}

struct Case {
    const char* name;
    VesselState vessel;
    VesselMounting mounting;
    double range_m, angle_deg;
    double north_m, east_m, depth_m;  // worked by hand, from the antenna's fix
};

VesselState At(double heading, double pitch = 0, double roll = 0) {
    VesselState v;
    v.position_valid = true;
    v.latitude_deg = 43.6536;
    v.longitude_deg = -70.3909;
    v.heading_valid = true;
    v.heading_deg = heading;
    v.pitch_deg = pitch;
    v.roll_deg = roll;
    return v;
}
VesselMounting Sonar(double starboard, double forward, double vertical, double yaw = 0,
                     double pitch = 0, double roll = 0) {
    VesselMounting m;
    m.sonar = {starboard, forward, vertical, yaw, pitch, roll, 0.0};
    return m;
}
VesselMounting Antenna(double starboard, double forward, double vertical, double yaw = 0) {
    VesselMounting m;
    m.antenna = {starboard, forward, vertical, yaw, 0.0, 0.0, 0.0};
    return m;
}
VesselMounting Latency(double antenna_s, double sonar_s) {
    VesselMounting m;
    m.antenna.latency_s = antenna_s;
    m.sonar.latency_s = sonar_s;
    return m;
}
VesselState Moving(double knots, double course) {
    VesselState v = At(0.0);
    v.speed_knots = knots;
    v.course_deg = course;
    return v;
}
VesselState CourseOnly(double course) {
    VesselState v = At(0.0);
    v.heading_valid = false;
    v.heading_deg = 123.0;  // not valid: ignored
    v.course_deg = course;
    return v;
}

const double k10kn1s = 10.0 * 1852.0 / 3600.0;  // 5.144 m

const Case kCases[] = {
    {"StraightDownWithZeroOffsetsLiesAtTheAntenna", At(0), {}, 20, 0, 0, 0, 20},
    {"TenMetresStarboardAtHeading90LiesTenMetresSouth", At(90), Sonar(10, 0, 0), 20, 0, -10, 0, 20},
    {"Beam30DegToStarboardAt20mHeadingNorth", At(0), {}, 20, 30, 0, 10, 17.320508},
    {"SameBeamHeadingSouthLiesWest", At(180), {}, 20, 30, 0, -10, 17.320508},
    {"SonarForwardAndDeepAtHeading45", At(45), Sonar(0, 10, 1.5), 20, 0, 7.0710678, 7.0710678,
     21.5},
    {"AntennaForwardPutsTheSoundingBehindIt", At(0), Antenna(0, 5, -3), 20, 0, -5, 0, 20},
    {"AntennaStarboardAtHeading180PutsTheSoundingEast", At(180), Antenna(2, 0, 0), 20, 0, 0, 2, 20},
    {"AntennaYawTurnsTheGpsHeading", At(90),
     [] {
         VesselMounting m = Sonar(10, 0, 0);
         m.antenna.yaw_deg = 90;
         return m;
     }(),
     20, 0, 0, 10, 20},
    {"WithoutAHeadingTheCourseIsTaken", CourseOnly(90), Sonar(10, 0, 0), 20, 0, -10, 0, 20},
    {"AntennaLatencyCarriesTheFixAhead", Moving(10, 90), Latency(1, 0), 20, 0, 0, k10kn1s, 20},
    {"SonarLatencyCarriesItBack", Moving(10, 90), Latency(0, 1), 20, 0, 0, -k10kn1s, 20},
    {"EqualLatenciesCancel", Moving(10, 90), Latency(0.5, 0.5), 20, 0, 0, 0, 20},
    {"RollStarboardDownTurnsTheDownBeamToPort", At(0, 0, 10), {}, 20, 0, 0, -3.4729636, 19.6961551},
    {"PitchBowUpTurnsTheDownBeamForward", At(0, 10, 0), Sonar(0, 0, 2), 20, 0, 3.8202965, 0,
     21.6657706},
    {"HeadRollCancelsVesselRoll", At(0, 0, -20), Sonar(0, 0, 0, 0, 0, 20), 20, 0, 0, 0, 20},
    // Turned clockwise, the head's starboard side faces aft.
    {"HeadYaw90TurnsTheSwathAlongTheKeel", At(0), Sonar(0, 0, 0, 90), 20, 30, -10, 0, 17.320508},
    {"HeadPitchTiltsTheFanForward", At(0), Sonar(0, 0, 0, 0, 30), 20, 0, 10, 0, 17.320508},
    // The antenna 3 m above the reference point swings 0.52 m to starboard at 10 degrees of
    // roll, while the down beam swings 3.47 m to port.
    {"AntennaHeightIsALeverArmUnderRoll", At(0, 0, 10), Antenna(0, 0, -3), 20, 0, 0, -3.9939082,
     19.6961551},
};

// Test names and failures show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Georef : public ::testing::TestWithParam<Case> {};

TEST_P(Georef, SoundingLiesWhereWorkedByHand) {
    const Case& c = GetParam();
    const MapSounding s = Georeference(c.vessel, c.mounting, c.range_m, c.angle_deg);
    const Reference r =
        Expected(c.vessel.latitude_deg, c.vessel.longitude_deg, c.north_m, c.east_m);
    EXPECT_NEAR(s.depth_m, c.depth_m, 1e-6);
    EXPECT_EQ(s.zone, r.zone);
    EXPECT_TRUE(s.north);
    EXPECT_NEAR(s.easting_m, r.easting, 0.005);
    EXPECT_NEAR(s.northing_m, r.northing, 0.005);
    EXPECT_NEAR(s.latitude_deg, r.lat, 1e-7);
    EXPECT_NEAR(s.longitude_deg, r.lon, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(HandWorked, Georef, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& p) {
                             return std::string(p.param.name);
                         });

TEST(Georef, SoundingAcrossAZoneEdgeTakesItsOwnZoneOrStaysOnTheChosenGrid) {
    // The antenna 7 m west of 6 degrees east (the edge of zones 31 and 32), the sonar 20 m to
    // starboard, heading north: the sounding lies 13 m inside zone 32.
    VesselState v = At(0);
    v.latitude_deg = 50.0;
    v.longitude_deg = 5.9999;
    const VesselMounting m = Sonar(20, 0, 0);
    const MapSounding own = Georeference(v, m, 10, 0);
    const Reference r32 = Expected(v.latitude_deg, v.longitude_deg, 0, 20);
    ASSERT_EQ(r32.zone, 32);
    EXPECT_EQ(own.zone, 32);
    EXPECT_NEAR(own.easting_m, r32.easting, 0.005);
    EXPECT_NEAR(own.northing_m, r32.northing, 0.005);
    // On the grid of zone 31, as a line started there keeps it.
    const MapSounding kept = Georeference(v, m, 10, 0, 31);
    const Reference r31 = Expected(v.latitude_deg, v.longitude_deg, 0, 20, 31);
    EXPECT_EQ(kept.zone, 31);
    EXPECT_NEAR(kept.easting_m, r31.easting, 0.005);
    EXPECT_NEAR(kept.northing_m, r31.northing, 0.005);
    // Both grids name the same spot: 20 m east of the antenna on either.
    const UtmPosition a31 = ToUtmInZone(v.latitude_deg, v.longitude_deg, 31);
    EXPECT_NEAR(std::hypot(kept.easting_m - a31.easting, kept.northing_m - a31.northing), 20.0,
                0.02);
}

TEST(Georef, ChosenGridAgreesWithGeographicLibWellBeyondTheZone) {
    // Lines that start near an edge keep their grid for tens of kilometres past it.
    for (double lat : {-60.0, -33.0, 0.5, 45.0, 71.0}) {
        for (double dlon : {-3.6, -3.0, 0.0, 2.0, 3.0, 3.6}) {
            const double lon = 3.0 + dlon;  // zone 31's central meridian is 3 degrees east
            bool northp = false;
            int zone = 0;
            double x = 0, y = 0;
            GeographicLib::UTMUPS::Forward(lat, lon, zone, northp, x, y, 31);
            const UtmPosition ours = ToUtmInZone(lat, lon, 31);
            EXPECT_EQ(ours.zone, 31);
            EXPECT_EQ(ours.north, northp);
            EXPECT_NEAR(ours.easting, x, 0.02) << lat << " " << lon;
            EXPECT_NEAR(ours.northing, y, 0.02) << lat << " " << lon;
        }
    }
}

TEST(Georef, RangeFollowsTheSpeedOfSound) {
    EXPECT_DOUBLE_EQ(TrueRange(20.0, 1500.0), 20.0);
    EXPECT_NEAR(TrueRange(20.0, 1530.0), 20.4, 1e-12);
    EXPECT_NEAR(TrueRange(20.0, 1400.0), 18.666666666666668, 1e-12);
    EXPECT_DOUBLE_EQ(TrueRange(20.0, 0.0), 20.0);  // no velocity known
    EXPECT_DOUBLE_EQ(TrueRange(20.0, NAN), 20.0);
}

TEST(Georef, SoundingFromTheSonarIsLevelledButNotTurnedToTheHeading) {
    DeviceOffsets head{5, 5, 5, 0, 0, 0, 0};  // its position does not matter here
    SonarRelative s = SoundingFromSonar(20, 30, head, 0, 0);
    EXPECT_NEAR(s.starboard_m, 10, 1e-9);
    EXPECT_NEAR(s.forward_m, 0, 1e-9);
    EXPECT_NEAR(s.down_m, 17.320508, 1e-6);
    s = SoundingFromSonar(20, 0, head, 0, 10);  // rolled starboard down: to port
    EXPECT_NEAR(s.starboard_m, -3.4729636, 1e-6);
    head.yaw_deg = 90;  // a head turned clockwise: its starboard side faces aft
    s = SoundingFromSonar(20, 30, head, 0, 0);
    EXPECT_NEAR(s.forward_m, -10, 1e-9);
    EXPECT_NEAR(s.starboard_m, 0, 1e-9);
}

TEST(Georef, MovingAcrossTheAntimeridianWrapsTheLongitude) {
    double lat = 0, lon = 0;
    MovePosition(-16.0, 179.9999, 0, 50, lat, lon);
    EXPECT_LT(lon, -179.999);
    MovePosition(-16.0, -179.9999, 0, -50, lat, lon);
    EXPECT_GT(lon, 179.999);
}

}  // namespace
}  // namespace vq
