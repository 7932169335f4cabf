// The point record (.Q4P file and point datagram) and the beam record (.Q4B file and beam
// datagram): big-endian integers, little-endian floats, a 256-byte header shared by both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/profile_point.h"
#include "recording/time_stamp.h"
#include "recording/vqs_format.h"

namespace vq {

// One entry of the profile output table (range in decimetres within the span plus the range
// start, beam angle in degrees, intensity 0..255); entry 0 is the last kept beam.
using PointRecordEntry = ProfilePointRecord;

// What both records take from the ping and the settings.
struct OutputRecordHeader {
    PingTimeStamp ts;  // of the ping now output
    bool live = true;  // "." before the hundredths live, "," in playback
    RecordNav nav;
    int num_beams = 120;  // B: 120, 240 or 480
    int samples_per_beam = 500;
    float sector_deg = 120.0f;
    int nominal_range_m = 50;  // of the range setting, whole metres
    float range_m = 50.0f;     // range span used for the resolution field
    bool fine_resolution = false;
    int frequency_khz = 260;
    float sound_velocity = 1500.0f;
    int pulse_length_us = 180;
    float tilt_deg = 0.0f;
    int ping_interval_ms = 0;
    std::uint32_t output_ping_number = 0;
    int range_offset_m = 0;
    float sonar_x_offset_m = 0.0f;
    float sonar_y_offset_m = 0.0f;
    float sonar_depth_m = 0.0f;
    std::uint16_t head_value16 = 0;  // copied from the parsed ping
    std::uint32_t head_value32 = 0;  // copied from the parsed ping
};

struct PointRecordInputs {
    OutputRecordHeader h;
    std::span<const std::int32_t> range_tenths;  // B entries, tenths of a sample
    std::span<const PointRecordEntry> points;    // B entries (angle of entry 0, intensities)
    bool with_intensities = false;               // "ProfilePointIntensityOutput"
    int resolution_mode = 0;                     // 0 or 1
    int detection_flags = 0;                     // bits 0 and 1
    bool pipelined = false;
    int avg_filter_length = 0;  // 0 when the averaging filter is off
    double latency_ms = 0.0;    // T2
    double lag_ms = 0.0;        // T3
    std::uint8_t status = 0;    // status byte (bit 3: heave valid)
    std::uint8_t status2 = 0;
    float image_value = 0.0f;
    bool external_event = false;
};

// Pitch and roll code: round half away from zero of degrees x 10, + 900, limited to 0..1800,
// with bit 15 set.
std::uint16_t AttitudeCode(float degrees);
// Heading code: truncate(h x 10 + 0.5) limited to 0..3599, with bit 15 set.
std::uint16_t HeadingCode(float degrees);
// Point record length: 256 + 2 B, or 256 + 4 B with intensities.
inline std::size_t PointRecordLength(int beams, bool with_intensities) {
    return 256 + static_cast<std::size_t>(beams) * (with_intensities ? 4 : 2);
}
// Range value of output index i (the record's u16), as both the record and the CSV use it.
std::uint16_t PointRangeValue(const PointRecordInputs& in, int i);

// Builds the point record at most once per ping: the file writer and the datagram sender
// both call build(); the second call returns the same bytes.
class PointRecordBuilder {
  public:
    PointRecordBuilder();
    void NewPing() { built_ = false; }  // the pipeline calls this at the start of each ping
    bool built_this_ping() const { return built_; }
    std::span<const std::uint8_t> Build(const PointRecordInputs& in);
    std::span<const std::uint8_t> bytes() const { return {buf_.data(), len_}; }

  private:
    std::vector<std::uint8_t> buf_;
    std::size_t len_ = 0;
    bool built_ = false;
};

struct BeamRecordInputs {
    OutputRecordHeader h;
    int display_type = 0;                // 3 = profile display
    float first_point_angle_deg = 0.0f;  // angle of profile output entry 0 (profile display)
    int step_size = 2;                   // "StepSize" 0, 1, 2
    // B rows of S bytes, row k at rows + k x stride; row 0 is the last displayed beam.
    const std::uint8_t* rows = nullptr;
    std::size_t stride = 0;
};

inline std::size_t BeamRecordLength(int beams, int samples) {
    return 256 + static_cast<std::size_t>(beams) * static_cast<std::size_t>(samples);
}

// Builds beam records into one buffer sized once for the largest record (480 x 1000).
class BeamRecordBuilder {
  public:
    BeamRecordBuilder();
    std::span<const std::uint8_t> Build(const BeamRecordInputs& in);

  private:
    std::vector<std::uint8_t> buf_;
};

}  // namespace vq
