// Profile points as comma-separated text: one line per point with a header line first, made
// from the same values as the point record of the ping so both files agree, and each point as
// a sounding on the map.
#pragma once

#include <span>
#include <string>

#include "recording/soundings.h"

namespace vq {

// The columns marked "_if_fix" are empty on the lines of pings without a GPS fix.
inline constexpr const char* kCsvHeaderLine =
    "ping,date,time,angle_deg,range_m,depth_m,across_m,intensity,latitude_if_fix,"
    "longitude_if_fix,easting_m_if_fix,northing_m_if_fix,utm_zone_if_fix,sounding_depth_m\n";

class CsvWriter {
  public:
    CsvWriter();
    void StartFile() { header_pending_ = true; }
    // The text to append for this ping: the header line first in a new file, then one line per
    // beam that has a point (range value not 0), in the point record's order. angle, range,
    // depth and across are from the sonar as the point record holds them (the head's 1500 m/s
    // range window); the sounding columns use the ping's speed of sound, the mounting and the
    // attitude, and put each sounding in its own UTM zone.
    std::span<const std::uint8_t> FormatPing(const PointRecordInputs& in,
                                             const VesselMounting& m = {});

  private:
    std::string text_;
    bool header_pending_ = true;
};

}  // namespace vq
