// Helpers for the picture tests: parameters, pixel access and angles measured in the picture.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "display/display_params.h"
#include "dsp/beam_data.h"

namespace vq::test {

inline DisplayParams SectorParams(int beams = 120, float sector = 120.0f) {
    DisplayParams p;
    p.mode = DisplayMode::Sector;
    p.num_beams = beams;
    p.sector_deg = sector;
    p.step_size = 2;
    p.range_span_m = 50.0f;
    p.grid = false;
    return p;
}

inline std::uint8_t Px(const std::uint8_t* img, int x, int y) {
    return img[y * 1012 + x];
}

inline void FillRows(BeamByteImage& img, int first, int last, std::uint8_t v) {
    for (int r = first; r <= last; ++r) {
        for (int c = 0; c < kByteImageCells; ++c) img.Row(r)[c] = v;
    }
}

inline double Deg(double rad) {
    return rad * 180.0 / std::numbers::pi;
}

}  // namespace vq::test
