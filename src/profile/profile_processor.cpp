// Per-ping driver of profile detection: the common quantities, the detector choice, the
// follow-limit rings and the histories.
#include "profile/profile_processor.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "dsp/beam_former.h"

#include "profile/profile_kernels.h"

namespace vq {

struct ProfileProcessor::State {
    ProfileArrays arrays;
    SegmentState segments;
    ProfileContext ctx;
    std::array<float, kProfileCapacity> follow_limit{};
    std::array<float, kProfileCapacity> bf_prev_range{};
    std::array<float, kProfileCapacity * kFollowRingSlots> follow_ring{};
    int ring_slot = 0;
    std::array<float, kProfileCapacity * kAlongTrackRows> along_history{};
    std::array<float, kProfileCapacity> work{};
    std::array<std::int32_t, kProfileCapacity> out_intensity{};
    std::array<ProfilePointRecord, kProfileCapacity> points_out{};
    std::array<std::int32_t, kProfileCapacity> range_tenths{};
    int s0_first = 0;  // first searched sample of First Return
    int s0_runs = 0;   // first searched sample of the echo-run detectors
};

namespace {

int JumpLimit(int step_size) {
    switch (step_size) {
        case 1:
            return 20;
        case 2:
            return 40;
        default:
            return 10;
    }
}

int StartSample(float blanking, int start_m, int k, float range_span, int ns) {
    const float near = std::max(0.0f, blanking - static_cast<float>(start_m));
    const int s0 = TruncToInt(near * static_cast<float>(k) / range_span + 0.5f);
    return std::clamp(s0, 0, ns - 1);
}

// Samples ns .. ns+2 are read by the run searches; keep them cleared so that a longer row of
// an earlier ping never leaks into this one.
void ClearRowTails(BeamData& data, int nbf, int ns) {
    const int end = std::min(ns + 3, kBeamRowLength);
    for (int b = 0; b < nbf; ++b) std::fill(data.Row(b) + ns, data.Row(b) + end, 0.0f);
}

}  // namespace

ProfileProcessor::ProfileProcessor() : s_(std::make_unique<State>()) {
    ResetForGeometry(500);
}

ProfileProcessor::~ProfileProcessor() = default;

void ProfileProcessor::ResetProfileState() {
    s_->along_history.fill(0.0f);
    s_->follow_ring.fill(0.0f);
    s_->ring_slot = 0;
}

void ProfileProcessor::ResetForGeometry(int num_samples) {
    ResetProfileState();
    s_->follow_limit.fill(static_cast<float>(num_samples - 1));
    s_->bf_prev_range.fill(0.0f);
}

bool ProfileProcessor::MakeContext(const BeamGeometry& geom, const Settings& settings,
                                   float range_span_m) {
    ProfileContext& c = s_->ctx;
    c.ns = std::clamp(geom.NumSamples, 2, 1000);
    c.nbf = std::clamp(geom.NumBeamsFormed, 0, kProfileCapacity);
    c.nb = std::clamp(geom.NumBeams, 0, c.nbf);
    c.off = std::clamp(geom.GuardOffset, 0, c.nbf - c.nb);
    c.half_sector = geom.FormedHalfSector;
    c.delta = geom.BeamSpacing;
    if (c.delta == 0.0f && c.nbf > 0) c.delta = 2.0f * c.half_sector / static_cast<float>(c.nbf);
    float tilt = settings.ProfileTiltAngle;
    if (!(tilt >= -90.0f && tilt <= 90.0f)) tilt = 0.0f;
    c.tilt = static_cast<float>(tilt * kDegToRad);
    c.threshold = static_cast<float>(threshold_percent_) * 255.0f * 0.01f;
    c.step_size = settings.StepSize;
    c.jump = JumpLimit(settings.StepSize);
    if (!(range_span_m > 0.0f) || c.nbf < 1) return false;
    const float ns = static_cast<float>(c.ns);
    c.dmin = ns * settings.ProfileMinDepthBelowSonar / range_span_m;
    c.dmax = ns * settings.ProfileMaxDepthBelowSonar / range_span_m;
    return true;
}

bool ProfileProcessor::Process(BeamData& data, const BeamGeometry& geom, const Settings& settings,
                               float range_span_m, int range_start_m) {
    bool reset = false;
    if (settings.ProfilePointFilter != last_filter_) {
        reset = last_filter_ != -1;
        if (reset) ResetProfileState();
        last_filter_ = settings.ProfilePointFilter;
    }
    if (settings.ProfilePointDetection != 1) return reset;
    if (!MakeContext(geom, settings, range_span_m)) {
        s_->arrays.Clear();
        return reset;
    }
    State& st = *s_;
    const ProfileContext& c = st.ctx;
    ClearRowTails(data, c.nbf, c.ns);
    st.s0_first = StartSample(blanking_m_, range_start_m, 500, range_span_m, c.ns);
    st.s0_runs = StartSample(blanking_m_, range_start_m, c.ns, range_span_m, c.ns);

    FilterOptions opt;
    opt.short_outliers = settings.ProfilePointFilter_g_short_outliers_sw == 1;
    opt.long_outliers = advanced_.g_long_outliers_sw == 1;
    opt.ol_fil_val = settings.ProfilePointFilter_g_ol_fil_val;
    opt.flat_bottom = settings.ProfilePointFilter_g_pre_filter_sw == 1;
    opt.main_filter = settings.ProfilePointFilter_g_main_filter_sw == 1;
    opt.fill_beams = settings.ProfilePointFilter_g_fill_beams_sw == 1;
    opt.max_points = advanced_.g_max_points;

    if (settings.ProfilePointFilter == 0) {
        DetectFirstReturn(data, c, st.s0_first, st.arrays);
    } else if (settings.ProfilePointFilter == 1) {
        DetectMaximumReturn(data, c, st.s0_runs, opt, st.arrays, st.segments);
    } else {
        DetectBottomFollowing(data, c, st.s0_runs, st.follow_limit.data(), opt, st.arrays,
                              st.segments, st.bf_prev_range.data(), st.work.data());
        if (settings.ProfilePointFilter_g_show_outliers_sw == 1) {
            MarkRemovedPoints(data, st.arrays.removed_pos.data(), c.nbf, c.ns,
                              settings.ProfilePointType == 1);
        }
    }
    if (settings.ProfilePointFilter_g_along_track_avg_sw == 1) {
        const int depth = settings.AvgFilter == 0 ? 1 : std::clamp(settings.AvgFilterIndex, 3, 9);
        AverageAlongTrack(st.arrays.range.data(), c.nb, st.along_history.data(), depth);
    }
    UpdateFollowLimits();
    if (settings.ProfilePointType == 1) {
        MarkArtificialBottom(data, st.arrays.range.data(), c.nb, c.ns,
                             settings.ProfilePointFilter_g_bgd_lev);
    }
    return reset;
}

void ProfileProcessor::UpdateFollowLimits() {
    State& st = *s_;
    const ProfileContext& c = st.ctx;
    float* slot = st.follow_ring.data() + st.ring_slot * kProfileCapacity;
    std::copy(st.arrays.range.begin(), st.arrays.range.begin() + c.nbf, slot);
    st.ring_slot = (st.ring_slot + 1) % kFollowRingSlots;
    const float top = static_cast<float>(c.ns - 1);
    for (int k = 0; k < c.nbf; ++k) {
        float sum = 0.0f;
        int n = 0;
        for (int r = 0; r < kFollowRingSlots; ++r) {
            const float v = st.follow_ring[r * kProfileCapacity + k];
            if (v > 0.0f) {
                sum += v;
                ++n;
            }
        }
        const float m = n > 0 ? sum / static_cast<float>(n) : 0.0f;
        const float th = c.Angle(k);
        float limit = top;
        if (!(th <= -kHalfPi || th >= kHalfPi || m <= 0.0f)) {
            limit = 1.33f * m;
            if (limit > top || limit < 100.0f) limit = top;
        }
        st.follow_limit[k] = limit;
    }
}

void ProfileProcessor::BuildProfileOutputTable(const BeamGeometry& geom, const Settings& settings,
                                               float range_span_m, int range_start_m) {
    State& st = *s_;
    const int nb = std::clamp(geom.NumBeams, 0, kProfileCapacity);
    const int ns = std::max(1, geom.NumSamples);
    const float sector = geom.SectorDeg;
    float half_spacing = 0.5f;
    if (geom.StepSize == 0) half_spacing = 0.125f;
    if (geom.StepSize == 1) half_spacing = 0.25f;
    output_count_ = nb;
    if (nb == 0) return;
    float tilt = settings.ProfileTiltAngle;
    if (!(tilt >= -90.0f && tilt <= 90.0f)) tilt = 0.0f;
    // Record 0 is the last kept beam, but the angles run from the first one: a point record
    // pairs range value i (beam i) with angle a + i x spacing, the beam's steering angle plus
    // the tilt, so range x cos(angle) of the record is the depth below the sonar.
    float a = -0.5f * sector + half_spacing + tilt;
    const float spacing = sector / static_cast<float>(nb);
    const float* range = st.arrays.range.data();
    for (int i = 0; i < nb; ++i) {
        const int j = nb - 1 - i;
        ProfilePointRecord& rec = st.points_out[i];
        rec.angle_deg = a;
        a += spacing;
        st.range_tenths[i] = TruncToInt(10.0f * range[j] + 0.5f);
        rec.range_dm = 10.0f * range[j] * range_span_m / static_cast<float>(ns) +
                       static_cast<float>(range_start_m);
        rec.intensity = st.out_intensity[j];
    }
}

void ProfileProcessor::ComputeOutputIntensity(const ElementView& view, const BeamGeometry& geom,
                                              const Settings& settings) {
    State& st = *s_;
    const int nb = std::clamp(geom.NumBeams, 0, kProfileCapacity);
    std::fill(st.out_intensity.begin(), st.out_intensity.end(), 0);
    if (view.scaled_i == nullptr || view.scaled_q == nullptr || view.steer_cos == nullptr ||
        view.steer_sin == nullptr || nb == 0) {
        return;
    }
    const int usable = std::min(view.num_samples, view.row_stride);
    const int elements = std::min(view.num_elements, view.steer_stride);
    const float gain = 2.0f * static_cast<float>(settings.DisplayGain);
    const float sector = geom.SectorDeg;
    for (int i = 0; i < nb; ++i) {
        const float r = st.arrays.range[i];
        const int p = TruncToInt(r);
        // Only the sample at the point is read back, so only it is formed.
        if (!(r > 0.0f) || p < 0 || p >= usable) continue;
        const float* wc = view.steer_cos + static_cast<std::ptrdiff_t>(i) * view.steer_stride;
        const float* ws = view.steer_sin + static_cast<std::ptrdiff_t>(i) * view.steer_stride;
        float re = 0.0f;
        float im = 0.0f;
        for (int e = 0; e < elements; ++e) {
            const float si = view.scaled_i[static_cast<std::ptrdiff_t>(e) * view.row_stride + p];
            const float sq = view.scaled_q[static_cast<std::ptrdiff_t>(e) * view.row_stride + p];
            re += si * wc[e] - sq * ws[e];
            im += sq * wc[e] + si * ws[e];
        }
        const float alpha = static_cast<float>(
            (static_cast<float>(i) * sector / static_cast<float>(nb) - 0.5f * sector) * kDegToRad);
        const float ca = std::cos(alpha);
        float v = gain * std::sqrt(re * re + im * im);
        v = ca != 0.0f ? v / ca / ca : 255.0f;
        v = std::min(v, 255.0f);
        st.out_intensity[i] = std::clamp(TruncToInt(v), 0, 255);
    }
}

const ProfileArrays& ProfileProcessor::arrays() const {
    return s_->arrays;
}
const float* ProfileProcessor::profile_range() const {
    return s_->arrays.range.data();
}
const std::int32_t* ProfileProcessor::profile_intensity() const {
    return s_->arrays.intensity.data();
}
const std::int32_t* ProfileProcessor::removed_pos() const {
    return s_->arrays.removed_pos.data();
}
const float* ProfileProcessor::follow_limit() const {
    return s_->follow_limit.data();
}
const float* ProfileProcessor::bf_prev_range() const {
    return s_->bf_prev_range.data();
}
const std::int32_t* ProfileProcessor::profile_out_intensity() const {
    return s_->out_intensity.data();
}
const ProfilePointRecord* ProfileProcessor::profile_points_out() const {
    return s_->points_out.data();
}
const std::int32_t* ProfileProcessor::profile_range_tenths() const {
    return s_->range_tenths.data();
}
const ProfileContext& ProfileProcessor::context() const {
    return s_->ctx;
}
const SegmentState& ProfileProcessor::segments() const {
    return s_->segments;
}

}  // namespace vq
