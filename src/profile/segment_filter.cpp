// Segment outlier filter: nine segments across the swath, a reference depth per segment from
// its most common depth band, removal of points far above or below it, and the flatness flags.
#include <algorithm>
#include <cmath>

#include "profile/profile_kernels.h"

namespace vq {

namespace {

// Depth bin of a whole-sample depth, -1 when it falls in none. m = 2 for 1000 samples.
int DepthBin(int d, int m) {
    if (d > 0 && d <= 49 * m) return 0;
    for (int k = 1; k < kDepthBins; ++k) {
        if (d > 50 * k * m && d <= (50 * k + 49) * m) return k;
    }
    return -1;
}

void RemovePoint(ProfileArrays& a, int e) {
    a.removed_pos[e] = TruncToInt(a.chosen_mid[e]);
    a.depth[e] = 0.0f;
    a.across[e] = 0.0f;
    a.range[e] = 0.0f;
    a.intensity[e] = 0;
}

// Bins the depths segment by segment and sets segment ends and reference depths.
void BuildSegments(const ProfileArrays& a, SegmentState& seg, int ns, int nbf) {
    float lo = a.across[0];
    float hi = a.across[0];
    for (int b = 1; b <= nbf - 2; ++b) {
        lo = std::min(lo, a.across[b]);
        hi = std::max(hi, a.across[b]);
    }
    const int x0 = TruncToInt(lo);
    const int x1 = TruncToInt(hi);
    const int width = x1 - x0;
    const int step = width / kSegments;
    const int q = nbf > 0 ? width / nbf : 0;
    const int m = ns >= 1000 ? 2 : 1;
    int p = 0;
    int v = x0;
    std::array<int, kDepthBins> h{};
    for (int s = 1; s <= kSegments; ++s) {
        h.fill(0);
        do {
            const int d = TruncToInt(a.depth[VisitedBeam(a, nbf, p)]);
            v += q;
            const int k = DepthBin(d, m);
            if (k >= 0) {
                ++h[k];
                seg.lists[s][h[k]] = d;
                seg.counts[s] = h[k];
            }
            ++p;
        } while (p < nbf && v < x0 + s * step);
        seg.segment_end[s] = p - 1;
        int best = 0;
        for (int k = 1; k < kDepthBins; ++k) {
            if (h[k] > h[best]) best = k;
        }
        seg.md[s] = static_cast<float>(m * (50 * best + 25));
    }
}

}  // namespace

int VisitedBeam(const ProfileArrays& a, int nbf, int p) {
    if (p >= 0 && p <= nbf - 2 && a.depth[p] > 0.0f) return p;
    return 0;
}

void FilterSegmentOutliers(ProfileArrays& a, SegmentState& seg, int ns, int nbf,
                           const FilterOptions& opt) {
    seg.segment_end.fill(0);
    seg.segment_flat.fill(0);
    seg.md.fill(0.0f);
    seg.counts.fill(0);
    for (auto& list : seg.lists) list.fill(0);
    BuildSegments(a, seg, ns, nbf);

    for (int s = 2; s <= kSegments; ++s) {
        const float md = seg.md[s];
        int limit = TruncToInt(0.33f * md * 0.5f);
        limit = std::min(std::max(limit, 100), 200);
        for (int p = seg.segment_end[s - 1]; p <= seg.segment_end[s]; ++p) {
            const int e = VisitedBeam(a, nbf, p);
            if (a.depth[e] <= 0.0f) continue;
            if (opt.short_outliers && md - a.depth[e] >= static_cast<float>(opt.ol_fil_val)) {
                RemovePoint(a, e);
            }
            if (opt.long_outliers && a.depth[e] > 0.0f &&
                a.depth[e] - md > static_cast<float>(limit)) {
                RemovePoint(a, e);
            }
        }
    }

    for (int j = 0; j < kDepthBins; ++j) {
        float mn = 1000.0f;
        float mx = 0.0f;
        for (int i = 1; i <= seg.counts[j]; ++i) {
            mn = std::min(mn, static_cast<float>(seg.lists[j][i]));
            mx = std::max(mx, static_cast<float>(seg.lists[j][i]));
        }
        const float spread = std::fabs(mx - mn);
        seg.segment_flat[j] = (seg.counts[j] > 20 && spread < 50.0f) ? 1 : 0;
    }
}

}  // namespace vq
