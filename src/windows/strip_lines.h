// Line sources of the sidescan and echo-sounder strips: each ping, one six-element sub-array
// beam per side (sidescan) or straight down (echo sounder), formed from the element samples.
#pragma once

#include <array>
#include <cstdint>

#include "core/settings.h"
#include "dsp/beam_data.h"
#include "profile/profile_types.h"

namespace vq {

class StripLines {
  public:
    static constexpr int kMaxSamples = 1000;
    static constexpr float kDefaultSidescanAngle = 22.5f;
    static constexpr float kMinSidescanAngle = 15.0f;
    static constexpr float kMaxSidescanAngle = 75.0f;

    // g_sidescan_line: 2 * ns values 0..255, the port half far range first, the starboard half
    // near range first. With the tilt at 20 degrees or more one side fills the whole line.
    void BuildSidescanLine(const ElementView& view, const BeamGeometry& geom,
                           const Settings& settings);
    // g_echo_line: ns values 0..255 of the beam pointing straight down.
    void BuildEchoLine(const ElementView& view, const BeamGeometry& geom, const Settings& settings);

    const std::int32_t* sidescan_line() const { return sidescan_.data(); }
    int sidescan_length() const { return sidescan_length_; }
    const std::int32_t* echo_line() const { return echo_.data(); }
    int echo_length() const { return echo_length_; }
    // Formed-beam indexes used by the last lines (-1 for a side not formed).
    int port_beam() const { return port_beam_; }
    int starboard_beam() const { return starboard_beam_; }
    int echo_beam() const { return echo_beam_; }

    float sidescan_angle() const { return sidescan_angle_; }
    // Sets g_sidescan_angle, kept within 15 .. 75 degrees.
    void set_sidescan_angle(float degrees);
    // Left click +5, right click -5 degrees, within the same limits.
    void StepSidescanAngle(bool up);

  private:
    // Magnitude of the six-element sub-array beam `beam` into mag_[0 .. ns-1].
    void FormSubArray(const ElementView& view, int beam, int ns);

    std::array<std::int32_t, 2 * kMaxSamples> sidescan_{};
    std::array<std::int32_t, kMaxSamples> echo_{};
    std::array<float, kMaxSamples> re_{};
    std::array<float, kMaxSamples> im_{};
    std::array<float, kMaxSamples> mag_{};
    int sidescan_length_ = 0;
    int echo_length_ = 0;
    int port_beam_ = -1;
    int starboard_beam_ = -1;
    int echo_beam_ = -1;
    float sidescan_angle_ = kDefaultSidescanAngle;
};

}  // namespace vq
