// The sonar recording file (.VQS): one self-describing record per ping (a 2048-byte header,
// a 1024-byte reserved block, then the ping bytes exactly as exchanged with the head),
// optionally followed by a video frame stored as a complete BMP image ("BM" block).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recording/bmp_image.h"
#include "recording/time_stamp.h"

namespace vq {

inline constexpr std::size_t kVqsHeaderBytes = 2048;
inline constexpr std::size_t kVqsBlock1Bytes = 1024;
inline constexpr std::size_t kVqsPingOffset = kVqsHeaderBytes + kVqsBlock1Bytes;  // 3072
inline constexpr std::size_t kMaxPingBytes = 75000;  // capacity of the ping buffer
inline constexpr std::uint32_t kVqsV5RecordLength = 74528;
inline constexpr std::uint32_t kVqsV5PingLength = 71456;
// The largest video frame block accepted when reading (a 1920 x 1080 24-bit frame fits).
inline constexpr std::size_t kMaxVideoFrameBytes = 1920u * 1080u * 3u + kBmpHeaderBytes;
inline constexpr const char* kProgramVersionText = "Version 0.1.0";

// Navigation and attitude of a ping as the records carry them.
struct RecordNav {
    std::array<char, 15> lat_text{};  // " DD.MM.MMMMM N" (14 characters)
    std::array<char, 15> lon_text{};  // "DDD.MM.MMMMM E" (14 characters)
    double lat_deg = 0.0;             // negative south
    double lon_deg = 0.0;             // negative west
    float speed_kn = 0.0f;
    float course_deg = 0.0f;
    float heading_deg = 0.0f;
    float heave_m = 0.0f;
    float pitch_deg = 0.0f;
    float roll_deg = 0.0f;
    bool position_valid = false;
    bool heading_valid = false;
};

// Fills a RecordNav from the GPS state's snapshot (fields latitude_deg, longitude_deg,
// latitude_text, longitude_text, speed_knots, course_deg, heading_deg, position_valid,
// heading_valid) and the attitude of the ping.
template <class GpsSnapshot>
RecordNav RecordNavFrom(const GpsSnapshot& g, float pitch_deg, float roll_deg, float heave_m) {
    RecordNav n;
    n.lat_text = g.latitude_text;
    n.lon_text = g.longitude_text;
    n.lat_deg = g.latitude_deg;
    n.lon_deg = g.longitude_deg;
    n.speed_kn = g.speed_knots;
    n.course_deg = g.course_deg;
    n.heading_deg = g.heading_deg;
    n.position_valid = g.position_valid;
    n.heading_valid = g.heading_valid;
    n.pitch_deg = pitch_deg;
    n.roll_deg = roll_deg;
    n.heave_m = heave_m;
    return n;
}

// The sonar and processing values a record header carries.
struct RecordSettings {
    int xdcr = 1;            // 1 = up, 0 = down
    bool pipelined = false;  // request of the next ping precedes the return of this one
    int gain = 6;
    float tilt_deg = 0.0f;
    int range_offset_m = 0;
    int absorption_code = 13;   // dB/m = code x 0.005
    int avg_filter_length = 3;  // 0 when the averaging filter is off
    int pulse_length_us = 180;
    float sound_velocity = 1500.0f;
    int frequency_khz = 260;
    int ping_interval_ms = 0;
    int display_gain = 50;
    int num_beams = 120;
    int samples_per_beam = 500;
    float sector_deg = 120.0f;
    float range_m = 50.0f;  // nominal range of the range setting
    std::uint32_t output_ping_number = 0;
    float sonar_depth_m = 0.0f;
    float sonar_x_offset_m = 0.0f;
    float sonar_y_offset_m = 0.0f;
};

// Builds records into one buffer reused for every ping.
class VqsRecordBuilder {
  public:
    VqsRecordBuilder();
    // The record for this ping; ping is at most kMaxPingBytes long (longer input is cut there).
    // frame_length is the length of the video frame block that will follow, 0 for none.
    std::span<const std::uint8_t> Build(std::span<const std::uint8_t> ping, const PingTimeStamp& ts,
                                        const RecordSettings& s, const RecordNav& nav,
                                        std::uint32_t previous_length, std::uint32_t frame_length);
    void set_version_text(std::string text) { version_text_ = std::move(text); }

  private:
    std::vector<std::uint8_t> buf_;
    std::string version_text_ = kProgramVersionText;
};

// What playback takes from a record header: the settings restored and the layout read.
struct RecordedValues {
    PingTimeStamp ts;
    int xdcr = 1;
    bool pipelined = false;
    int gain = 6;
    float tilt_deg = 0.0f;
    bool tilt_changed_by_operator = false;  // an operator's tilt wins over the recorded one
    int range_offset_m = 0;
    int absorption_code = 13;
    int avg_filter_length = 3;
    int pulse_length_us = 180;
    float sound_velocity = 1500.0f;
    int frequency_khz = 260;
    int ping_interval_ms = 0;
    int display_gain = 50;
    int samples_per_beam = 500;
    float range_m = 50.0f;
    float sonar_x_offset_m = 0.0f;
    float sonar_y_offset_m = 0.0f;
    float sonar_depth_m = 0.0f;
    bool position_valid = false;
    double lat_deg = 0.0, lon_deg = 0.0;
    float speed_kn = 0.0f, course_deg = 0.0f;
    bool heading_valid = false;
    float heading_deg = 0.0f;
    float pitch_deg = 0.0f, roll_deg = 0.0f;
};

// Restores the values of a 2048-byte header into v, keeping the current value wherever the
// recorded one is outside its accepted range. measured_period_ms replaces a recorded
// ping interval of 0.
void RestoreRecordedValues(const std::uint8_t* header, RecordedValues& v, int measured_period_ms);

// How many pings apart video frames are stored: truncate(1 / (rate x T) + 0.5) in 1..100,
// T = measured period in seconds (1.0 when none was measured yet).
int VideoFrameInterval(float frames_per_second, int measured_period_ms);

// Counts records and says which one carries a video frame.
class VideoFrameSchedule {
  public:
    bool NextRecordCarriesFrame(float frames_per_second, int measured_period_ms);
    void Reset() { counter_ = 0; }

  private:
    int counter_ = 0;
};

}  // namespace vq
