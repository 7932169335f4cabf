// Altitude of the sonar above the bottom from the profile points of the beams that look
// straight down, smoothed over three pings, and its read-out text.
#pragma once

#include <array>
#include <string>

#include "profile/profile_types.h"

namespace vq {

class AltitudeEstimator {
  public:
    static constexpr int kCandidates = 9;
    static constexpr int kRing = 3;
    static constexpr int kMaxFailures = 10;

    // One ping: reads nine records of the output table around the beam that points down at
    // the tilt `tilt_deg`; the nine are moved inward where they would leave the table.
    // Returns the altitude in metres (0 = none).
    float Update(const ProfilePointRecord* table, int count, int num_beams, float tilt_deg,
                 float sound_velocity);
    void Reset();

    float altitude() const { return altitude_; }
    float held() const { return held_; }
    int failures() const { return failures_; }
    int first_record() const { return first_record_; }
    const std::array<float, kCandidates>& candidates() const { return candidates_; }

    // True when the window's background must be cleared before drawing (the value changed or
    // detection is off); remembers the value drawn.
    bool TakeBackgroundClear(bool detection_on);

  private:
    std::array<float, kCandidates> candidates_{};
    std::array<float, kRing> ring_{};
    int ring_index_ = 0;
    float held_ = 0.0f;
    int failures_ = 0;
    float altitude_ = 0.0f;
    float last_drawn_ = -1.0f;
    int first_record_ = 0;
};

// "%3.1f" of the altitude in the display unit (0 metres, 1 feet, 2 yards), or "n/a".
std::string AltitudeText(float altitude_m, int units, bool detection_on);

}  // namespace vq
