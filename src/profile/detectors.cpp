// The three profile detectors: First Return, Maximum Return and Bottom Following.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "profile/profile_kernels.h"

namespace vq {

namespace {

// One run measurement of First Return, continuing the scan from `i`.
struct RunMeasure {
    int mid = 0;
    int width = 0;
    int peak = 0;
    bool found = false;
};

// First index j >= `from` with j >= end or a[j] not at or below `thr`: where a search loop
// "step on while at or below the threshold and before the end" stops. Most of a beam is water
// below the threshold, so blocks of eight samples are tested at once where the CPU allows.
int SkipAtOrBelow(const float* a, int from, int end, float thr) {
    int j = from;
#if defined(__SSE2__)
    const __m128 t = _mm_set1_ps(thr);
    while (j + 8 <= end) {
        const __m128 lo = _mm_cmpnle_ps(_mm_loadu_ps(a + j), t);
        const __m128 hi = _mm_cmpnle_ps(_mm_loadu_ps(a + j + 4), t);
        if (_mm_movemask_ps(_mm_or_ps(lo, hi)) != 0) break;
        j += 8;
    }
#endif
    while (j < end && a[j] <= thr) ++j;
    return j;
}

RunMeasure MeasureRun(const float* a, int& i, int ns, int hi, float thr) {
    i = SkipAtOrBelow(a, i + 1, std::min(ns, hi), thr);
    int lead = 0;
    int trail = 0;
    float peak = 0.0f;
    if (i < ns - 1 && i < hi - 1) {
        lead = i;
        peak = a[i];
        do {
            ++i;
            peak = std::max(peak, a[i]);
        } while (a[i] >= thr && i < ns);
        if (i < ns - 1) trail = i;
    }
    return {(lead + trail) / 2, trail - lead, TruncToInt(peak), lead > 0};
}

// Neighbour jump test of First Return and Maximum Return over beams 1 .. nbf-2.
void ApplyJumpTest(ProfileArrays& a, int nbf, int jump) {
    for (int b = 1; b <= nbf - 2; ++b) {
        const float m = a.chosen_mid[b];
        a.range[b] = m;
        a.intensity[b] = TruncToInt(a.chosen_peak[b]);
        if (std::fabs(m - a.chosen_mid[b - 1]) >= static_cast<float>(jump) ||
            std::fabs(m - a.chosen_mid[b + 1]) >= static_cast<float>(jump)) {
            a.range[b] = 0.0f;
            a.intensity[b] = 0;
        }
    }
}

void ComputeGeometry(ProfileArrays& a, const ProfileContext& ctx) {
    for (int b = 0; b < ctx.nbf; ++b) {
        const float th = ctx.Angle(b);
        a.angle[b] = th;
        a.across[b] = std::sin(th) * a.range[b];
        a.depth[b] = std::cos(th) * a.range[b];
    }
}

}  // namespace

void BuildEchoRuns(const float* row, int ns, float threshold, int s0, int start_limit,
                   bool trail_always, EchoRuns& runs) {
    runs.sum.fill(0.0f);
    runs.peak.fill(0.0f);
    runs.count.fill(1.0f);
    runs.middle.fill(0.0f);
    int lead = 0;
    int trail = 0;
    int i = s0;
    for (int k = 0; k < kEchoRunSlots; ++k) {
        i = SkipAtOrBelow(row, i + 1, ns, threshold);
        if (i < start_limit) {
            lead = i;
            runs.sum[k] = row[i];
            runs.peak[k] = row[i];
            runs.count[k] = 1.0f;
        }
        do {
            ++i;
            runs.sum[k] += row[i];
            runs.count[k] += 1.0f;
            runs.peak[k] = std::max(runs.peak[k], row[i]);
        } while (row[i] >= threshold && i < ns);
        if (trail_always || i < ns - 1) trail = i;
        runs.middle[k] = static_cast<float>((lead + trail) / 2);
        if (i >= ns) break;
    }
}

void ShiftToKeptBeams(ProfileArrays& a, int nb, int off) {
    for (int i = 0; i < nb; ++i) {
        a.range[i] = a.range[i + off];
        a.intensity[i] = a.intensity[i + off];
    }
}

void DetectFirstReturn(const BeamData& data, const ProfileContext& ctx, int s0, ProfileArrays& a) {
    a.Clear();
    const int ns = ctx.ns;
    const float thr = ctx.threshold;
    for (int b = 0; b < ctx.nbf; ++b) {
        const float* row = data.Row(b);
        const float c = std::cos(ctx.Angle(b));
        int lo = 0;
        int hi = 0;
        if (c > 0.0f) {
            lo = TruncToInt((ctx.dmin + 0.5f) / c);
            hi = TruncToInt((ctx.dmax + 0.5f) / c);
        } else {
            lo = TruncToInt(ctx.dmin + 0.5f);
            hi = TruncToInt(ctx.dmax + 0.5f);
        }
        lo = std::max(lo, s0);
        hi = std::max(hi, s0);
        lo = std::min(lo, ns - 1);  // a start past the beam finds nothing; never read past it
        int i = lo;
        RunMeasure first = MeasureRun(row, i, ns, hi, thr);
        const RunMeasure second = MeasureRun(row, i, ns, hi, 0.5f * thr);
        const int p = b == 0 ? 0 : TruncToInt(a.chosen_mid[b - 1]);
        // A run reaching the end of the beam has a negative width; an absent second run must
        // not replace it, so the width rule needs a second run.
        if ((second.mid > 0 && std::abs(p - first.mid) >= std::abs(p - second.mid)) ||
            (second.found && second.width > first.width)) {
            first.mid = second.mid;
            first.peak = second.peak;
            first.width = second.width;
        }
        a.chosen_mid[b] = static_cast<float>(first.mid);
        a.chosen_peak[b] = static_cast<float>(std::min(first.peak, 255));
        a.chosen_width[b] = static_cast<float>(first.width);
    }
    ApplyJumpTest(a, ctx.nbf, ctx.jump);
    ShiftToKeptBeams(a, ctx.nb, ctx.off);
}

void DetectMaximumReturn(const BeamData& data, const ProfileContext& ctx, int s0,
                         const FilterOptions& opt, ProfileArrays& a, SegmentState& seg) {
    a.Clear();
    a.removed_pos.fill(0);
    const int ns = ctx.ns;
    EchoRuns runs;
    for (int b = 0; b < ctx.nbf; ++b) {
        BuildEchoRuns(data.Row(b), ns, ctx.threshold, s0, ns - 1, false, runs);
        const float c = std::cos(ctx.Angle(b));
        float best = ctx.threshold;
        for (int k = 0; k < kEchoRunSlots; ++k) {
            const float d = c * runs.middle[k];
            if (runs.sum[k] >= best && ctx.dmin + 0.5f <= d && d <= ctx.dmax + 0.5f) {
                a.chosen_mid[b] = runs.middle[k];
                a.chosen_peak[b] = runs.peak[k];
                best = runs.sum[k];
            }
        }
    }
    ApplyJumpTest(a, ctx.nbf, ctx.jump);
    ComputeGeometry(a, ctx);
    FilterSegmentOutliers(a, seg, ns, ctx.nbf, opt);
    const float far_limit = static_cast<float>(TruncToInt(0.95f * static_cast<float>(ns)));
    for (int b = 0; b < ctx.nbf; ++b) {
        if (a.range[b] > far_limit) a.range[b] = 0.0f;
        if (a.range[b] <= 0.0f) {
            a.range[b] = 0.0f;
            a.intensity[b] = 0;
        }
        if (a.intensity[b] > 255) a.intensity[b] = 255;
    }
    ShiftToKeptBeams(a, ctx.nb, ctx.off);
}

void DetectBottomFollowing(const BeamData& data, const ProfileContext& ctx, int s0,
                           const float* follow_limit, const FilterOptions& opt, ProfileArrays& a,
                           SegmentState& seg, float* bf_prev_range, float* work) {
    a.Clear();
    a.removed_pos.fill(0);
    const int ns = ctx.ns;
    const int nbf = ctx.nbf;
    EchoRuns runs;
    for (int b = 1; b < nbf; ++b) {
        float limit = 499.0f;
        if (b >= ctx.off && b < nbf - ctx.off) limit = follow_limit[b + ctx.off];
        if (ns == 1000 && limit == 499.0f) limit = 998.0f;
        const float upper = std::min(limit, ctx.dmax);
        BuildEchoRuns(data.Row(b), ns, ctx.threshold, s0, ns - 2, true, runs);
        const float c = std::cos(ctx.Angle(b));
        float best = ctx.threshold;
        for (int k = 0; k < kEchoRunSlots - 1; ++k) {
            const float d = c * runs.middle[k];
            if (runs.sum[k] >= best && ctx.dmin <= d && d <= upper) {
                a.chosen_mid[b] = runs.middle[k];
                a.chosen_peak[b] = runs.peak[k];
                best = runs.sum[k];
            }
        }
    }
    for (int b = 0; b < nbf; ++b) {
        a.range[b] = a.chosen_mid[b];
        a.intensity[b] = TruncToInt(a.chosen_peak[b]);
    }
    ComputeGeometry(a, ctx);
    FilterSegmentOutliers(a, seg, ns, nbf, opt);
    if (opt.flat_bottom) FlatBottomFilter(a, seg, ns, nbf, ctx.step_size, work);
    if (opt.main_filter) MainFilter(a, ns, nbf, ctx.step_size, opt.max_points, work);
    if (opt.fill_beams) FillBetweenBeams(a, ns, nbf, ctx.half_sector, ctx.step_size);
    for (int b = 0; b < nbf; ++b) {
        if (a.range[b] > static_cast<float>(ns - 1)) a.range[b] = 0.0f;
        if (a.range[b] == 0.0f) a.intensity[b] = 0;
        if (a.intensity[b] > 255) a.intensity[b] = 255;
        bf_prev_range[b] = a.range[b];
    }
    ShiftToKeptBeams(a, ctx.nb, ctx.off);
}

}  // namespace vq
