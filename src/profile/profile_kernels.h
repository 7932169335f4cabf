// Pure kernels of seabed profile detection: the three detectors, the segment outlier filter,
// the bottom shape filters and the along-track and image steps. No state of their own.
#pragma once

#include <array>

#include "dsp/beam_data.h"
#include "profile/profile_types.h"

namespace vq {

// Up to 41 echo runs of one beam.
struct EchoRuns {
    std::array<float, kEchoRunSlots> sum{};
    std::array<float, kEchoRunSlots> count{};
    std::array<float, kEchoRunSlots> peak{};
    std::array<float, kEchoRunSlots> middle{};
};

// Switches of the outlier and shape filters, taken from the settings each ping.
struct FilterOptions {
    bool short_outliers = true;
    bool long_outliers = true;
    int ol_fil_val = 50;
    bool flat_bottom = true;
    bool main_filter = true;
    bool fill_beams = true;
    int max_points = 10;
};

// Splits row[s0+1 ..] into echo runs above `threshold`. `start_limit` is the first sample that
// may no longer start a run (ns-1 or ns-2); `trail_always` gives the Bottom Following rule.
// Reads samples up to row[ns + 1], which the caller keeps defined.
void BuildEchoRuns(const float* row, int ns, float threshold, int s0, int start_limit,
                   bool trail_always, EchoRuns& runs);

// Entries 0 .. nb-1 of range and intensity take the values of formed beam i + off.
void ShiftToKeptBeams(ProfileArrays& a, int nb, int off);

void DetectFirstReturn(const BeamData& data, const ProfileContext& ctx, int s0, ProfileArrays& a);
void DetectMaximumReturn(const BeamData& data, const ProfileContext& ctx, int s0,
                         const FilterOptions& opt, ProfileArrays& a, SegmentState& seg);
// `follow_limit` is indexed like the shifted range table; `bf_prev_range` receives the ranges by
// formed beam before the shift; `work` holds at least kProfileCapacity floats.
void DetectBottomFollowing(const BeamData& data, const ProfileContext& ctx, int s0,
                           const float* follow_limit, const FilterOptions& opt, ProfileArrays& a,
                           SegmentState& seg, float* bf_prev_range, float* work);

// Segment outlier filter over formed beams 0 .. nbf-1.
void FilterSegmentOutliers(ProfileArrays& a, SegmentState& seg, int ns, int nbf,
                           const FilterOptions& opt);
// The beam visited at position p in the segment filter's order.
int VisitedBeam(const ProfileArrays& a, int nbf, int p);

void FlatBottomFilter(ProfileArrays& a, const SegmentState& seg, int ns, int nbf, int step_size,
                      float* work);
void MainFilter(ProfileArrays& a, int ns, int nbf, int step_size, int max_points, float* work);
void FillBetweenBeams(ProfileArrays& a, int ns, int nbf, float formed_half_sector, int step_size);

// Along-track averaging of kept beams 0 .. nb-1 over the last `depth` pings. `history` holds
// 30 rows of kProfileCapacity floats, row 0 the newest; depth is at most 29.
void AverageAlongTrack(float* range, int nb, float* history, int depth);
// Dims rows 0 .. nb-1 by `background` and draws the bottom line two samples beyond each range.
void MarkArtificialBottom(BeamData& data, const float* range, int nb, int ns, float background);
// Marks the points removed by the outlier filter in formed rows 1 .. nbf-1; the marks never
// leave their row.
void MarkRemovedPoints(BeamData& data, const std::int32_t* removed_pos, int nbf, int ns,
                       bool artificial_bottom);

}  // namespace vq
