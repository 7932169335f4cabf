// Seabed profile of each ping: one detected range per beam, the filter chain, the output table
// for the writers and the intensities at the points. One object per engine; all storage is
// allocated once at construction.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/settings.h"
#include "dsp/beam_data.h"
#include "profile/profile_types.h"

namespace vq {

class ProfileProcessor {
  public:
    static constexpr int kDefaultThreshold = 25;     // percent of full scale
    static constexpr float kDefaultBlanking = 0.1f;  // metres
    static constexpr int kFollowRingSlots = 5;
    static constexpr int kAlongTrackRows = 30;

    ProfileProcessor();
    ~ProfileProcessor();
    ProfileProcessor(const ProfileProcessor&) = delete;
    ProfileProcessor& operator=(const ProfileProcessor&) = delete;

    // Runs detection on the formed beams (after averaging, before the rows are narrowed to the
    // kept beams). Returns true when the histories were reset because the detector changed:
    // the caller then clears the shot-averaging history too.
    bool Process(BeamData& data, const BeamGeometry& geom, const Settings& settings,
                 float range_span_m, int range_start_m);

    // Fills the output table (records in reverse beam order) and the ranges in tenths.
    void BuildProfileOutputTable(const BeamGeometry& geom, const Settings& settings,
                                 float range_span_m, int range_start_m);

    // Re-forms each kept beam at its point from the element samples of the same ping.
    void ComputeOutputIntensity(const ElementView& view, const BeamGeometry& geom,
                                const Settings& settings);

    // Clears the along-track history and the follow-limit rings.
    void ResetProfileState();
    // Geometry set-up: the above, plus full-depth follow limits and no previous ranges.
    void ResetForGeometry(int num_samples);

    void set_profile_threshold(int percent) { threshold_percent_ = percent; }
    int profile_threshold() const { return threshold_percent_; }
    void set_profile_blanking(float metres) { blanking_m_ = metres; }
    float profile_blanking() const { return blanking_m_; }

    AdvancedFilterValues& AdvancedFilter() { return advanced_; }
    const AdvancedFilterValues& AdvancedFilter() const { return advanced_; }

    // g_profile_range and companions (kept beams 0 .. nb-1 after process()).
    const ProfileArrays& arrays() const;
    const float* profile_range() const;
    const std::int32_t* profile_intensity() const;
    const std::int32_t* removed_pos() const;
    const float* follow_limit() const;
    const float* bf_prev_range() const;
    const std::int32_t* profile_out_intensity() const;
    const ProfilePointRecord* profile_points_out() const;
    const std::int32_t* profile_range_tenths() const;
    // Number of valid entries of the output table and intensities (NumBeams of the last table).
    int output_count() const { return output_count_; }
    // The detector's per-ping quantities, as last computed.
    const ProfileContext& context() const;
    // Segment filter state (g_segment_end, g_segment_flat) of the last ping.
    const SegmentState& segments() const;

  private:
    struct State;
    void UpdateFollowLimits();
    bool MakeContext(const BeamGeometry& geom, const Settings& settings, float range_span_m);

    std::unique_ptr<State> s_;
    int threshold_percent_ = kDefaultThreshold;
    float blanking_m_ = kDefaultBlanking;
    AdvancedFilterValues advanced_;
    int last_filter_ = -1;
    int output_count_ = 0;
};

}  // namespace vq
