#include "core/utm.h"

#include <cmath>

namespace vq {

namespace {

constexpr double kSemiMajor = 6378137.0;
constexpr double kEccSquared = 0.00669438;
constexpr double kScale = 0.9996;
constexpr double kDegToRad = 0.017453292;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
// WGS-84: e^2 = f (2 - f) with f = 1 / 298.257223563.
constexpr double kExactEccSquared = 0.0066943799901413165;
constexpr double kExactDegToRad = 0.017453292519943295;

// Longitude brought into [-180, 180).
double NormaliseLongitude(double lon) {
    double l = std::fmod(lon + 180.0, 360.0);
    if (l < 0.0) l += 360.0;
    return l - 180.0;
}

}  // namespace

int UtmZone(double latitude_deg, double longitude_deg) {
    double lon = NormaliseLongitude(longitude_deg);
    int ilon = static_cast<int>(std::floor(lon));
    int zone = (ilon + 186) / 6;
    if (zone > 60) zone = 60;
    int ilat = static_cast<int>(std::floor(latitude_deg));
    if (ilat >= 56 && ilat < 64 && ilon >= 3 && ilon < 12) return 32;
    if (ilat >= 72 && ilon >= 0 && ilon < 42) return 2 * ((ilon + 183) / 12) + 1;
    return zone;
}

namespace {

// The transverse Mercator series for the given ellipsoid eccentricity and degree factor.
UtmPosition Project(double latitude_deg, double longitude_deg, int zone, double ecc_squared,
                    double deg_to_rad) {
    UtmPosition out;
    out.zone = zone;
    out.north = latitude_deg >= 0.0;
    double lon = NormaliseLongitude(longitude_deg);
    double lon_origin = (out.zone - 1) * 6 - 180 + 3;
    double dlon = lon - lon_origin;
    if (dlon < -180.0) dlon += 360.0;  // zone 1 and 60 across the antimeridian
    if (dlon > 180.0) dlon -= 360.0;

    const double e2 = ecc_squared;
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    const double ep2 = e2 / (1.0 - e2);
    double phi = latitude_deg * deg_to_rad;
    double sin_phi = std::sin(phi);
    double cos_phi = std::cos(phi);
    double tan_phi = std::tan(phi);

    double n = kSemiMajor / std::sqrt(1.0 - e2 * sin_phi * sin_phi);
    double t = tan_phi * tan_phi;
    double c = ep2 * cos_phi * cos_phi;
    double a = cos_phi * dlon * deg_to_rad;
    double m = kSemiMajor *
               ((1.0 - e2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0) * phi -
                (3.0 * e2 / 8.0 + 3.0 * e4 / 32.0 + 45.0 * e6 / 1024.0) * std::sin(2.0 * phi) +
                (15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0) * std::sin(4.0 * phi) -
                (35.0 * e6 / 3072.0) * std::sin(6.0 * phi));

    double a2 = a * a;
    double a3 = a2 * a;
    double a4 = a3 * a;
    double a5 = a4 * a;
    double a6 = a5 * a;
    out.easting = kScale * n *
                      (a + (1.0 - t + c) * a3 / 6.0 +
                       (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * ep2) * a5 / 120.0) +
                  kFalseEasting;
    out.northing =
        kScale * (m + n * tan_phi *
                          (a2 / 2.0 + (5.0 - t + 9.0 * c + 4.0 * c * c) * a4 / 24.0 +
                           (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * ep2) * a6 / 720.0));
    if (!out.north) out.northing += kFalseNorthingSouth;
    return out;
}

}  // namespace

UtmPosition ToUtm(double latitude_deg, double longitude_deg) {
    return Project(latitude_deg, longitude_deg, UtmZone(latitude_deg, longitude_deg), kEccSquared,
                   kDegToRad);
}

UtmPosition ToUtmInZone(double latitude_deg, double longitude_deg, int zone) {
    if (zone < 1 || zone > 60) zone = UtmZone(latitude_deg, longitude_deg);
    return Project(latitude_deg, longitude_deg, zone, kExactEccSquared, kExactDegToRad);
}

}  // namespace vq
