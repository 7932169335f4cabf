// Profile points as comma-separated text: one line per point with a header line first, made
// from the same values as the point record of the ping so both files agree.
#pragma once

#include <span>
#include <string>

#include "recording/point_record.h"

namespace vq {

inline constexpr const char* kCsvHeaderLine =
    "ping,date,time,angle_deg,range_m,depth_m,across_m,intensity,latitude,longitude\n";

class CsvWriter {
  public:
    CsvWriter();
    void StartFile() { header_pending_ = true; }
    // The text to append for this ping: the header line first in a new file, then one line per
    // beam that has a point (range value not 0), in the point record's order.
    std::span<const std::uint8_t> FormatPing(const PointRecordInputs& in);

  private:
    std::string text_;
    bool header_pending_ = true;
};

}  // namespace vq
