// Synthesis of the element I/Q samples of one ping from a scene in the fan plane.
//
// Geometry: sample s lies at range S + s*R/N (S = range offset, R = range span, N = data
// points). Angles are measured in the fan plane from broadside (straight down when the head
// looks down); a point at across-track x and depth z lies at range sqrt(x^2 + z^2) and angle
// atan2(x, z). The seabed lies at depth D + x*tan(slope).
//
// Sign convention: element record k (k = 0..15, in the order the records are sent) of a plane
// wave arriving from angle theta carries the phase -(k - 8) * sin(theta) * (d/c) * 2*pi*f.
// A beam former that sums x_k * exp(+j*(k - 8) * sin(theta_b) * (d/c) * 2*pi*f) with record k
// in row k therefore shows a target at +theta in the beam steered to +theta: positive angles
// lie toward the end of the array that sends the last element record.
//
// Amplitudes: 16-bit data is raw (two-way spreading 1/r^2, the commanded two-way absorption
// and a fixed head gain; no start gain, the receiving program applies its own gain curve).
// 8-bit data has the head's own gain curve (20log10 r + two-way absorption + start gain)
// applied so that the small signed bytes carry the echo. Both clip at the sample width.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/head_profile.h"
#include "sim/ping_protocol.h"
#include "sim/sim_head.h"

namespace vq::sim {

class EchoSynth {
  public:
    EchoSynth(const HeadProfile& profile, float sound_velocity, std::uint64_t seed);

    // Writes the sample array of one ping (s.sample_bytes() bytes, sample-major, 16 element
    // records of I then Q) to `out`. Deterministic for a given seed, scene and ping index.
    void Synthesize(const PingSettings& s, const Scene& scene, std::uint64_t ping_index,
                    std::uint8_t* out);

  private:
    struct Ping;  // per-ping geometry, derived from the settings
    void AddScatterer(const Ping& p, float range, float sin_t, float cos_t, float amp, float phase);
    void AddSeabed(const Ping& p, const Scene& scene);
    void AddTargets(const Ping& p, const Scene& scene);
    void AddCylinder(const Ping& p, const Scene& scene);
    void AddWaterColumn(const Ping& p, const Scene& scene);
    void AddReceiverNoise(const Ping& p, const Scene& scene);
    void Quantize(const Ping& p, int bits, std::uint8_t* out) const;

    HeadProfile profile_;
    float sound_velocity_;
    std::uint64_t seed_;
    std::vector<float> acc_;    // [sample][element][I,Q], preallocated for 1000 samples
    std::vector<float> gain8_;  // the head's gain curve for 8-bit data, per sample
    std::uint64_t noise_state_ = 1;
};

}  // namespace vq::sim
