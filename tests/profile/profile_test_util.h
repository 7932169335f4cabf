// Hand-built beam geometries, settings and beam rows for the profile tests.
#pragma once

#include <cmath>

#include "core/settings.h"
#include "dsp/beam_data.h"

namespace vq::test {

constexpr double kPi = 3.14159265358979323846;

// Nine beams, no guard beams, 0.0625 rad apart: beam 4 points exactly along broadside.
inline BeamGeometry NineBeams(int ns = 500) {
    BeamGeometry g;
    g.NumBeams = 9;
    g.NumBeamsFormed = 9;
    g.GuardOffset = 0;
    g.NumSamples = ns;
    g.BeamSpacing = 0.0625f;
    g.FormedHalfSector = 0.28125f;
    g.SectorDeg = 30.0f;
    g.StepSize = 2;
    return g;
}

// 120 kept beams of 1 degree, 126 formed, three guard beams on each side.
inline BeamGeometry Beams120() {
    BeamGeometry g;
    g.NumBeams = 120;
    g.NumBeamsFormed = 126;
    g.GuardOffset = 3;
    g.NumSamples = 500;
    g.FormedHalfSector = static_cast<float>(63.0 * kPi / 180.0);
    g.BeamSpacing = static_cast<float>(kPi / 180.0);
    g.FormedSectorDeg = 126.0f;
    g.SectorDeg = 120.0f;
    g.StepSize = 2;
    return g;
}

// Detection on with the given detector; every optional filter off, so that a test sees the
// detector alone unless it switches a filter on.
inline Settings DetectorOnly(int detector) {
    Settings s;
    s.ProfilePointDetection = 1;
    s.ProfilePointFilter = detector;
    s.ProfileMinDepthBelowSonar = 0.1f;
    s.ProfileMaxDepthBelowSonar = 100.0f;
    s.StepSize = 2;
    s.ProfilePointFilter_g_short_outliers_sw = 0;
    s.ProfilePointFilter_g_pre_filter_sw = 0;
    s.ProfilePointFilter_g_main_filter_sw = 0;
    s.ProfilePointFilter_g_fill_beams_sw = 0;
    s.ProfilePointFilter_g_along_track_avg_sw = 0;
    s.ProfilePointFilter_g_show_outliers_sw = 0;
    s.ProfilePointType = 0;
    return s;
}

inline void FillRun(BeamData& d, int beam, int first, int last, float v) {
    for (int s = first; s <= last; ++s) d.At(beam, s) = v;
}

inline void FillRunAllBeams(BeamData& d, int nbf, int first, int last, float v) {
    for (int b = 0; b < nbf; ++b) FillRun(d, b, first, last, v);
}

}  // namespace vq::test
