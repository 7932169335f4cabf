// Geographic position to Universal Transverse Mercator on the WGS-84 ellipsoid.
#pragma once

namespace vq {

struct UtmPosition {
    double easting = 0.0;   // metres, false easting 500000
    double northing = 0.0;  // metres, false northing 10000000 south of the equator
    int zone = 0;           // 1..60
    bool north = true;
};

// The standard 6-degree zone with the Norway (zone 32 widened over 56..64 N, 3..12 E) and
// Svalbard (zones 31, 33, 35, 37 over 72..84 N) exceptions. Longitude in any range.
int UtmZone(double latitude_deg, double longitude_deg);

// Transverse Mercator series in powers of the longitude difference from the zone's central
// meridian; accurate to well below a metre inside a zone (latitudes -80 .. 84).
UtmPosition ToUtm(double latitude_deg, double longitude_deg);

// The same projection with the exact WGS-84 constants, onto the grid of a chosen zone: the
// position of a sounding to the centimetre, also a few degrees beyond the zone's edge, so that
// the soundings of one line can stay on one grid.
UtmPosition ToUtmInZone(double latitude_deg, double longitude_deg, int zone);

}  // namespace vq
