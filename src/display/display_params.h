// Picture size, display modes and the settings that shape the sonar picture.
#pragma once

#include <array>
#include <cstdint>

namespace vq {

inline constexpr int kImageWidth = 1012;
inline constexpr int kImageHeight = 542;
inline constexpr int kImagePixels = kImageWidth * kImageHeight;
inline constexpr int kApexX = 505;
inline constexpr int kApexY = 541;
inline constexpr int kFanRadius = 500;
inline constexpr int kHeadFormedBeams = 256;
inline constexpr std::uint8_t kOverlayValue = 255;  // grid, outline, text: never replaced by data
inline constexpr std::uint8_t kMaxDataValue = 254;

enum class DisplayMode : int { Sector = 0, Linear = 1, Perspective = 2, Profile = 3, BeamTest = 4 };

// How beams become bytes / linear columns, chosen by the head id of the return.
enum class ByteRule : int { A = 0, B = 1, C = 2 };

// The display-relevant settings and ping geometry, gathered by the caller.
struct DisplayParams {
    DisplayMode mode = DisplayMode::Sector;
    float sector_deg = 120.0f;
    int num_beams = 120;
    int step_size = 2;      // 0..2
    int num_samples = 500;  // 500 or 1000
    int num_elements = 16;
    float range_span_m = 50.0f;  // R: the range window in metres
    int range_start_m = 0;       // S: whole metres
    float tilt_deg = 0.0f;       // ProfileTiltAngle
    bool half_range = false;
    int units = 0;  // 0 metres, 1 feet, 2 yards
    float sound_velocity = 1500.0f;
    int colors = 0;
    bool grid = true;
    int profile_grid = 1;  // 0 circular, 1 rectangular
    bool profile_waterfall = false;
    int waterfall_offset = 20;
    int waterfall_span = 200;
    int persistence_s = 0;
    bool fine_resolution = false;
    int min_range_index = 2;
    int xdcr = 1;
    ByteRule linear_rule = ByteRule::A;
    bool head_formed = false;
    std::array<float, kHeadFormedBeams> head_angles{};  // radians, head-formed beams only
};

// Range start in pixels: Sp = trunc(S * 500 / R).
int RangeStartPixels(const DisplayParams& p);

// Fine angular steps per beam (even, 2..20; 20 for head-formed beams).
int FineStepsPerBeam(float sector_deg, int num_beams, bool head_formed);

// Horizontal centring o of the tilted profile fan.
int ProfileCentring(float sector_deg, float tilt_deg);

// Angle (radians) of the fan's first fine step, including the profile-mode turn.
double FirstStepAngle(const DisplayParams& p);

// Where the GUI paints the pictures, in main-window client coordinates.
struct PicturePlacement {
    int dest_x = 2;
    int dest_y = 61;
    int dest_w = kImageWidth;
    int dest_h = kImageHeight;
    int src_x = 0;
    int src_w = kImageWidth;
    bool waterfall_shown = false;
    int waterfall_x = 431;
    int waterfall_y = 62;
};
PicturePlacement PlacePicture(const DisplayParams& p, double zoom);

}  // namespace vq
