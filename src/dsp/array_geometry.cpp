#include "dsp/array_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vq {

ArrayModel ArrayModelFor(int model_code) {
    switch (model_code) {
        case 5:
            return {0.006223f, false};
        case 11:
            return {0.0010922f, true};
        case 12:
            return {0.00254f, true};
        case 14:
            return {0.004445f, false};
        case 15:
            return {0.00035166304f, false};
        case 16:
            return {0.001136314f, false};
        case 17:
            return {0.0010895263f, false};
        case 4:
        default:
            return {0.0028702f, false};
    }
}

float SectorFromSize(int sector_size) {
    static constexpr float kSectors[] = {30.0f,  60.0f,  90.0f,  120.0f,
                                         100.0f, 110.0f, 130.0f, 140.0f};
    if (sector_size < 0 || sector_size > 7) return 120.0f;
    return kSectors[sector_size];
}

namespace {
float GratingX(float sound_velocity, float frequency_hz, float pitch_m) {
    if (!(frequency_hz > 0.0f) || !(pitch_m > 0.0f)) return 0.866025f;
    float x = 0.5f * sound_velocity / (frequency_hz * pitch_m);
    return std::min(x, 0.866025f);
}
}  // namespace

float GratingLobeSectorDeg(float sound_velocity, float frequency_hz, float pitch_m) {
    const float x = GratingX(sound_velocity, frequency_hz, pitch_m);
    return static_cast<float>(2.0 * std::asin(static_cast<double>(x)) * 180.0 / std::numbers::pi);
}

int NumBeamsFor(float sector_deg, int step_size) {
    const int per120 = step_size == 0 ? 480 : step_size == 1 ? 240 : 120;
    const int n = static_cast<int>(static_cast<float>(per120) * sector_deg / 120.0f);
    return std::clamp(n, 1, 600);
}

float HeadFormedBeamAngle(int i, const ArrayModel& model, float sound_velocity,
                          float frequency_hz) {
    const float x =
        model.grating_limited ? GratingX(sound_velocity, frequency_hz, model.pitch_m) : 1.0f;
    const float v = std::clamp(static_cast<float>(i - 128) * x / 128.0f, -1.0f, 1.0f);
    return std::asin(v);
}

}  // namespace vq
