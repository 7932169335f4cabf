// The receive array by model code and the fan of beams it gives: element pitch, sector and
// beam counts.
#pragma once

namespace vq {

inline constexpr int kMaxBeamsFormed = 630;  // 600 kept + 600/20 guard beams
inline constexpr int kHeadFormedBeams = 256;

struct ArrayModel {
    float pitch_m = 0.0028702f;    // element pitch
    bool grating_limited = false;  // sector limited by grating lobes instead of SectorSize
};

// Element pitch and sector rule of a model code; unknown codes fall back to model 4.
ArrayModel ArrayModelFor(int model_code);

// 0 -> 30, 1 -> 60, 2 -> 90, 3 -> 120, 4 -> 100, 5 -> 110, 6 -> 130, 7 -> 140, else 120 degrees.
float SectorFromSize(int sector_size);

// 2 asin(x) in degrees with x = 0.5 c / (f d) limited to 0.866025.
float GratingLobeSectorDeg(float sound_velocity, float frequency_hz, float pitch_m);

// trunc(B * sector / 120), B = 480, 240, 120 for step size 0, 1, 2; at most 600.
int NumBeamsFor(float sector_deg, int step_size);

// Steering angle (radians) of head-formed beam i (0 .. 255).
float HeadFormedBeamAngle(int i, const ArrayModel& model, float sound_velocity, float frequency_hz);

}  // namespace vq
