// Our UTM conversion against GeographicLib's exact transverse Mercator.
#include "core/utm.h"

#include <gtest/gtest.h>
#include <GeographicLib/UTMUPS.hpp>

#include <cmath>

namespace vq {
namespace {

struct Worst {
    double error = 0.0;
    double lat = 0.0;
    double lon = 0.0;
};

// Compares zone and coordinates at every grid point; returns the largest distance in metres.
Worst CompareGrid(double lat0, double lat1, double dlat, double lon0, double lon1, double dlon,
                  int* zone_mismatches) {
    Worst w;
    for (double lat = lat0; lat <= lat1; lat += dlat) {
        for (double lon = lon0; lon <= lon1; lon += dlon) {
            int zone = GeographicLib::UTMUPS::StandardZone(lat, lon);
            UtmPosition ours = ToUtm(lat, lon);
            if (ours.zone != zone) {
                ++*zone_mismatches;
                continue;
            }
            bool northp = false;
            double x = 0.0, y = 0.0;
            GeographicLib::UTMUPS::Forward(lat, lon, zone, northp, x, y, zone);
            EXPECT_EQ(ours.north, northp) << lat << " " << lon;
            double e = std::hypot(ours.easting - x, ours.northing - y);
            if (e > w.error) w = {e, lat, lon};
        }
    }
    return w;
}

TEST(Utm, AgreesWithGeographicLibAcrossAllZonesAndBothHemispheres) {
    int mismatches = 0;
    Worst w = CompareGrid(-80.0, 83.9, 0.7, -180.0, 179.9, 0.45, &mismatches);
    EXPECT_EQ(mismatches, 0);
    EXPECT_LT(w.error, 1.0) << "at " << w.lat << ", " << w.lon;
}

TEST(Utm, FollowsTheNorwayAndSvalbardExceptions) {
    int mismatches = 0;
    Worst norway = CompareGrid(55.5, 64.5, 0.25, 2.0, 13.0, 0.25, &mismatches);
    Worst svalbard = CompareGrid(71.5, 83.75, 0.25, -1.0, 43.0, 0.25, &mismatches);
    EXPECT_EQ(mismatches, 0);
    EXPECT_LT(norway.error, 1.0) << "at " << norway.lat << ", " << norway.lon;
    EXPECT_LT(svalbard.error, 1.0) << "at " << svalbard.lat << ", " << svalbard.lon;
    // Boundaries, read by hand from the zone rules.
    EXPECT_EQ(UtmZone(56.0, 3.0), 32);
    EXPECT_EQ(UtmZone(55.99, 3.0), 31);
    EXPECT_EQ(UtmZone(63.99, 11.99), 32);
    EXPECT_EQ(UtmZone(64.0, 3.0), 31);
    EXPECT_EQ(UtmZone(72.0, 8.99), 31);
    EXPECT_EQ(UtmZone(72.0, 9.0), 33);
    EXPECT_EQ(UtmZone(78.0, 21.0), 35);
    EXPECT_EQ(UtmZone(80.0, 33.0), 37);
    EXPECT_EQ(UtmZone(80.0, 42.0), 38);
    EXPECT_EQ(UtmZone(0.0, 180.0), 1);
    EXPECT_EQ(UtmZone(0.0, -180.0), 1);
    EXPECT_EQ(UtmZone(0.0, 179.99), 60);
    // The central meridian of zone 31 at the equator: easting exactly the false easting.
    UtmPosition p = ToUtm(0.0, 3.0);
    EXPECT_NEAR(p.easting, 500000.0, 1e-6);
    EXPECT_NEAR(p.northing, 0.0, 1e-6);
    EXPECT_NEAR(ToUtm(-1e-9, 3.0).northing, 10000000.0, 1e-3);
}

}  // namespace
}  // namespace vq
