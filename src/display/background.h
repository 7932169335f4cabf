// Background removal kernels: build a reference of the empty scene, then show only what
// rises above it, with a fading trail kept in PersistImage.
#pragma once

#include <cstdint>

#include "display/pixel_tables.h"

namespace vq {

// Raises the reference with the current picture and its 3 x 3 neighbourhood; shows it.
void BackgroundBuildStep(const PixelTables& t, const std::uint8_t* clean, std::uint8_t* ref,
                         std::uint8_t* display);

// Decay factor f = 1 - 3 / (T * 1000 / p), T below 1 counts as 1, f not below 0.5; the previous
// factor stays unless 0 < p < 1000.
float BackgroundDecayFactor(int persistence_s, double ping_interval_ms, float previous);

struct BackgroundImages {
    const std::uint8_t* clean;
    const std::uint8_t* ref;
    std::uint8_t* change;
    float* persist;
    std::uint8_t* trail;
    std::uint8_t* display;
};

// ChangeImage = max(clean - ref, 0); trail = max(trail, change) shown, then decayed by f.
void BackgroundRemoveStep(const PixelTables& t, const BackgroundImages& im, float f);

}  // namespace vq
