// Bottom shape filters of Bottom Following: flat-bottom smoothing, the main (neighbourhood
// mean) filter and filling of short gaps between beams.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "profile/profile_kernels.h"

namespace vq {

namespace {

int FlatHalfWidth(int step_size) {
    switch (step_size) {
        case 0:
            return 6;
        case 1:
            return 3;
        case 2:
            return 1;
        default:
            return 3;
    }
}

int MainWidth(int step_size, int max_points) {
    if (max_points == 1) return 3;
    switch (step_size) {
        case 0:
            return 12;
        case 1:
            return 6;
        case 2:
            return 3;
        default:
            return 6;
    }
}

int LargestGap(int step_size) {
    switch (step_size) {
        case 0:
            return 40;
        case 1:
            return 20;
        default:
            return 10;
    }
}

// Mean of the ranges at first .. last with 0 < r < ns-1; `count` starts at 1.
float OneSidedMean(const ProfileArrays& a, int nbf, int ns, int first, int last, int& count) {
    count = 1;
    float sum = 0.0f;
    const float top = static_cast<float>(ns - 1);
    for (int j = first; j <= last; ++j) {
        if (j < 0 || j >= nbf) continue;
        const float r = a.range[j];
        if (r > 0.0f && r < top) {
            sum += r;
            ++count;
        }
    }
    return count >= 2 ? sum / static_cast<float>(count - 1) : 0.0f;
}

void FillGap(ProfileArrays& a, int ns, int first, int n, float slope, float delta) {
    const float th = a.angle[first];
    const float za = a.depth[first];
    const float top = static_cast<float>(ns - 1);
    for (int t = 1; t <= n; ++t) {
        const float phi = th + static_cast<float>(t) * delta;
        const float z = za + static_cast<float>(t) * slope;
        const float c = std::cos(phi);
        float r = 0.0f;
        if (!(phi <= -kHalfPi || phi >= kHalfPi || c == 0.0f)) r = z / c;
        if (r >= top) r = top;
        const int k = first + t;
        a.range[k] = r;
        a.depth[k] = z;
        a.across[k] = z <= r ? std::sqrt(r * r - z * z) : 0.0f;
        a.intensity[k] = a.intensity[first];
    }
}

}  // namespace

void FlatBottomFilter(ProfileArrays& a, const SegmentState& seg, int ns, int nbf, int step_size,
                      float* work) {
    const int w = FlatHalfWidth(step_size);
    std::copy(a.range.begin(), a.range.begin() + nbf, work);
    int t = 1;
    for (int b = w; b <= nbf - w - 1; ++b) {
        if (seg.segment_end[t] < b) t = std::min(t + 1, kSegments);
        float sum = 0.0f;
        int n = 0;
        for (int p = b - w; p <= b + w; ++p) {
            const float d = a.depth[VisitedBeam(a, nbf, p)];
            if (d > 0.0f) {
                sum += d;
                ++n;
            }
        }
        const int e = VisitedBeam(a, nbf, b);
        if (seg.segment_flat[t] != 1 || n < 1 || a.depth[e] <= 0.0f) continue;
        const float mu = sum / static_cast<float>(n);
        const float th = a.angle[e];
        const float c = std::cos(th);
        if (th <= -kHalfPi || th >= kHalfPi || std::fabs(mu - a.depth[e]) >= 30.0f || c == 0.0f) {
            work[e] = 0.0f;
            a.depth[e] = 0.0f;
        } else {
            a.depth[e] = mu;
            work[e] = mu / c;
            if (work[e] >= static_cast<float>(ns)) work[e] = static_cast<float>(ns - 1);
        }
    }
    std::copy(work, work + nbf, a.range.begin());
}

void MainFilter(ProfileArrays& a, int ns, int nbf, int step_size, int max_points, float* work) {
    const int wl = MainWidth(step_size, max_points);
    const int wr = wl;
    std::fill(work, work + nbf, 0.0f);
    for (int b = wl / 2; b <= nbf - wr / 2 - 1; ++b) {
        const float th = a.angle[b];
        const float c = std::cos(th);
        const int k = std::max(2, TruncToInt(c * static_cast<float>(wl + wr) * 0.5f));
        int nl = 1;
        int nr = 1;
        float left = OneSidedMean(a, nbf, ns, b - k, b, nl);
        float right = OneSidedMean(a, nbf, ns, b, b + k, nr);
        if ((th < -kQuarterPi || th > kQuarterPi) && std::abs(nl - nr) >= 2) {
            left = 0.0f;
            right = 0.0f;
        }
        const float m = (left > 0.0f && right > 0.0f) ? (left + right) * 0.5f : 0.0f;
        if (std::fabs(a.range[b] - m) < 25.0f) {
            work[b] = m;
            a.depth[b] = c * m;
            a.across[b] = std::sin(th) * m;
        } else {
            work[b] = 0.0f;
            a.depth[b] = 0.0f;
            a.across[b] = 0.0f;
        }
    }
    std::fill(work, work + std::min(wl, nbf), 0.0f);
    std::fill(work + std::max(0, nbf - wr), work + nbf, 0.0f);
    std::copy(work, work + nbf, a.range.begin());
}

void FillBetweenBeams(ProfileArrays& a, int ns, int nbf, float formed_half_sector, int step_size) {
    if (nbf <= 0) return;
    const float delta = 2.0f * formed_half_sector / static_cast<float>(nbf);
    const float g = static_cast<float>(LargestGap(step_size));
    int i = 0;
    for (int pass = 0; pass < nbf; ++pass) {
        while (i < nbf && a.range[i] <= 0.0f) ++i;
        while (i < nbf && a.range[i] > 0.0f) ++i;
        const int first = i - 1;
        while (i < nbf && a.range[i] <= 0.0f) ++i;
        const int next = i;
        i = i - 1;
        if (next >= nbf || first < 0) continue;
        const int n = next - first;
        const float dx = std::fabs(a.across[next] - a.across[first]);
        const float slope = dx > 0.0f ? (a.depth[next] - a.depth[first]) / dx : 0.0f;
        const int largest = std::abs(TruncToInt(std::cos(a.angle[first]) * g));
        if (n >= 1 && n <= largest && std::fabs(slope) <= 1.25f) {
            FillGap(a, ns, first, n, slope, delta);
        }
    }
}

}  // namespace vq
