// Sidescan pings in the published XTF layout: a 1024-byte file header before the first ping,
// then per ping a 256-byte ping header and two channels (port, starboard) of S bytes, each
// after its 64-byte channel header. Little-endian throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "recording/time_stamp.h"

namespace vq {

inline constexpr std::size_t kXtfFileHeaderBytes = 1024;
inline std::size_t XtfPingBytes(int samples) {
    return 384 + 2 * static_cast<std::size_t>(samples);
}

struct XtfPingInputs {
    PingTimeStamp ts;
    std::uint32_t ping_number = 0;
    float sound_velocity = 1500.0f;
    float speed_kn = 0.0f;
    float heading_deg = 0.0f;
    float lat_deg = 0.0f;  // kept in single precision, widened in the file
    float lon_deg = 0.0f;
    float heave_m = 0.0f;
    float range_m = 50.0f;
    int samples = 500;  // S, 500 or 1000
};

// The day of the year written as JulianDay: outside 1..366 (a bad date) it is 1.
int XtfJulianDay(int year, int month, int day);

class XtfBuilder {
  public:
    XtfBuilder();
    // A new file: the next ping carries the file header first.
    void StartFile() { header_pending_ = true; }
    bool header_pending() const { return header_pending_; }
    // The bytes to append for this ping. sidescan_line has 2 S entries: port from the farthest
    // sample to the nearest, then starboard from the nearest to the farthest; the low byte of
    // each entry is written. A shorter line is padded with zeros.
    std::span<const std::uint8_t> BuildPing(const XtfPingInputs& in,
                                            std::span<const std::int32_t> sidescan_line);

  private:
    std::vector<std::uint8_t> buf_;
    bool header_pending_ = true;
};

}  // namespace vq
