// Along-track averaging of the kept ranges and the profile marks drawn into the beam rows.
#include <algorithm>
#include <array>

#include "profile/profile_kernels.h"

namespace vq {

namespace {
constexpr float kBottomMark = 14211288.0f;
constexpr float kRemovedMark = 500.0f;
constexpr float kDimming = 0.05f;
constexpr float kSpreadLimit = 20.0f;
constexpr int kRemovedMarkLength = 21;
}  // namespace

void AverageAlongTrack(float* range, int nb, float* history, int depth) {
    std::array<float, 32> sorted{};
    depth = std::clamp(depth, 1, 29);  // the history holds 30 rows
    for (int i = 0; i < nb; ++i) {
        for (int k = depth; k >= 1; --k) {
            history[k * kProfileCapacity + i] = history[(k - 1) * kProfileCapacity + i];
        }
        history[i] = range[i];
        // Sorted on the side, so row 0 stays the newest ping.
        for (int k = 0; k < depth; ++k) sorted[k] = history[k * kProfileCapacity + i];
        std::sort(sorted.begin(), sorted.begin() + depth);
        if (sorted[depth - 1] - sorted[0] >= kSpreadLimit) range[i] = 0.0f;
        if (range[i] > 0.0f) {
            float sum = 0.0f;
            int n = 0;
            for (int k = 0; k < depth; ++k) {
                const float v = history[k * kProfileCapacity + i];
                if (v > 0.0f) {
                    sum += v;
                    ++n;
                }
            }
            range[i] = sum / static_cast<float>(n);
        }
    }
}

void MarkArtificialBottom(BeamData& data, const float* range, int nb, int ns, float background) {
    for (int i = 0; i < nb; ++i) {
        float* row = data.Row(i);
        for (int s = 0; s < ns; ++s) row[s] *= background;
        if (range[i] > 0.0f) {
            const int a = TruncToInt(range[i] + 1.0f);
            const int b = TruncToInt(range[i] + 2.0f);
            if (a >= 0 && a < kBeamRowLength) row[a] = kBottomMark;
            if (b >= 0 && b < kBeamRowLength) row[b] = kBottomMark;
        }
    }
}

void MarkRemovedPoints(BeamData& data, const std::int32_t* removed_pos, int nbf, int ns,
                       bool artificial_bottom) {
    for (int b = 1; b < nbf; ++b) {
        float* row = data.Row(b);
        if (!artificial_bottom) {
            for (int s = 0; s < ns; ++s) row[s] *= kDimming;
        }
        const int p = removed_pos[b];
        if (p < 994 && p > 10) {
            const int end = std::min(p + kRemovedMarkLength, kBeamRowLength);
            for (int s = p; s < end; ++s) row[s] = kRemovedMark;
        }
    }
}

}  // namespace vq
