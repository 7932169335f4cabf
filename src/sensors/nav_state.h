// Navigation values from the GPS receiver, shared between the GPS reader thread (the only
// writer) and the threads that read them once per ping or per read-out update.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace vq {

struct NavSnapshot {
    double latitude_deg = 0.0;   // negative south
    double longitude_deg = 0.0;  // negative west
    // " dd.mm.mmmmm N" and "ddd.mm.mmmmm E" (14 characters each, NUL-terminated).
    std::array<char, 15> latitude_text{};
    std::array<char, 15> longitude_text{};
    char lat_hemisphere = 0;  // 'N' or 'S' of the last position
    char lon_hemisphere = 0;  // 'E' or 'W'
    float speed_knots = 0.0f;
    float course_deg = 0.0f;
    float heading_deg = 0.0f;  // 0 <= h < 360
    bool heading_valid = false;
    bool position_valid = false;  // set by every parsed position or course sentence
    bool data_arrived = false;    // some GPS sentence was handled since start
    int fix_quality = 0;
    int satellites = 0;
    float hdop = 0.0f;
    float altitude_m = 0.0f;
    float geoid_separation_m = 0.0f;
    std::array<char, 9> utc_time_text{};    // "hh:mm:ss"
    std::array<char, 5> utc_millis_text{};  // ".mmm"
    std::array<char, 12> gps_date_text{};   // "dd-Mon-yyyy"
    double utm_easting = 0.0;
    double utm_northing = 0.0;
    int utm_zone = 0;
    std::uint32_t position_count = 0;      // advanced by every accepted position
    std::uint32_t speed_course_count = 0;  // advanced by every new speed and course
};

// The shared state. Every read is a whole snapshot taken under a small lock, so a reader never
// sees half of an old and half of a new position (the two position texts always belong to the
// same fix); the writer commits a parsed sentence in one locked step. The lock is held only for
// a copy of about 150 bytes, never while parsing or drawing.
class NavState {
  public:
    NavSnapshot snapshot() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return state_;
    }
    // Runs `change` on the state under the lock (the GPS parser's commit).
    template <typename F>
    void Update(F&& change) {
        std::lock_guard<std::mutex> lock(mutex_);
        change(state_);
    }
    // Blanks both position texts together (the read-outs' GPS time-out).
    void ClearPositionTexts() {
        std::lock_guard<std::mutex> lock(mutex_);
        state_.latitude_text.fill('\0');
        state_.longitude_text.fill('\0');
    }

  private:
    mutable std::mutex mutex_;
    NavSnapshot state_;
};

}  // namespace vq
