// The range-dependent gain (TVG) applied to 16-bit element data.
#pragma once

namespace vq {

struct TvgParams {
    float range_span_m = 50.0f;  // R
    float range_start_m = 0.0f;  // S, whole metres
    int num_samples = 500;
    float absorption_db_per_m = 0.065f;  // one-way
    float start_gain_db = 6.0f;
    bool special_gain_curve = false;  // heads with their own fixed gain constant
    bool operator==(const TvgParams&) const = default;
};

// Fills curve[0 .. 1009] with the linear gain per range sample; scratch holds 1010 floats.
// Samples past num_samples get 1.0.
void BuildTvgCurve(const TvgParams& p, float* curve, float* scratch);

}  // namespace vq
