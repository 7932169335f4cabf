#include "dsp/shot_average.h"

#include <algorithm>
#include <cstring>

namespace vq {

ShotAverager::ShotAverager()
    : history_(kFrameFloats * kAvgFrames, 0.0f), sum_(kFrameFloats, 0.0f) {}

void ShotAverager::Clear() {
    std::fill(history_.begin(), history_.end(), 0.0f);
    std::fill(sum_.begin(), sum_.end(), 0.0f);
    newest_ = 0;
    avg_index_ = 0;
}

namespace {

constexpr int kAvgBlock = 16;

// kM samples: the row goes into the history frame `out`, and becomes the mean of itself and
// the n - 1 previous frames, summed newest first from 0 as the reference sums them.
template <int kM>
inline void AverageBlock(float* row, float* __restrict out, const float* const* past,
                         std::size_t at, int n, float inv) {
    float sum[kM];
    for (int j = 0; j < kM; ++j) {
        const float x = row[j];
        out[j] = x;
        sum[j] = 0.0f + x;
    }
    for (int k = 1; k < n; ++k) {
        const float* __restrict p = past[k] + at;
        for (int j = 0; j < kM; ++j) sum[j] += p[j];
    }
    for (int j = 0; j < kM; ++j) row[j] = inv * sum[j];
}

}  // namespace

// The sum runs over the frames newest first, as in the reference below, 16 samples at a time;
// the newest frame is the row itself (stored into the history in the same pass).
void ShotAverager::AverageFormed(BeamData& beams, int rows, int samples, int shots) {
    // The two forms share the history; data from the other form would be wrong here.
    if (last_form_ != 1) Clear();
    last_form_ = 1;
    const int n = std::clamp(shots, 3, 9);
    rows = std::clamp(rows, 0, kMaxBeams);
    samples = std::clamp(samples, 0, kBeamRowLength);
    newest_ = (newest_ + 1) % kAvgFrames;
    const float inv = 1.0f / static_cast<float>(n);
    const float* past[9];
    for (int k = 0; k < n; ++k) past[k] = Frame((newest_ - k + kAvgFrames) % kAvgFrames);
    float* store = Frame(newest_);
    for (int b = 0; b < rows; ++b) {
        float* row = beams.Row(b);
        const std::size_t off = static_cast<std::size_t>(b) * kBeamRowLength;
        int s0 = 0;
        for (; s0 + kAvgBlock <= samples; s0 += kAvgBlock)
            AverageBlock<kAvgBlock>(row + s0, store + off + s0, past, off + s0, n, inv);
        for (; s0 < samples; ++s0)
            AverageBlock<1>(row + s0, store + off + s0, past, off + s0, n, inv);
    }
}

void ShotAverager::AverageFormedReference(BeamData& beams, int rows, int samples, int shots) {
    if (last_form_ != 1) Clear();
    last_form_ = 1;
    const int n = std::clamp(shots, 3, 9);
    rows = std::clamp(rows, 0, kMaxBeams);
    samples = std::clamp(samples, 0, kBeamRowLength);
    newest_ = (newest_ + 1) % kAvgFrames;
    const float inv = 1.0f / static_cast<float>(n);
    const float* past[9];
    for (int k = 0; k < n; ++k) past[k] = Frame((newest_ - k + kAvgFrames) % kAvgFrames);
    float* store = Frame(newest_);
    for (int b = 0; b < rows; ++b) {
        float* row = beams.Row(b);
        const std::size_t off = static_cast<std::size_t>(b) * kBeamRowLength;
        std::memcpy(store + off, row, sizeof(float) * static_cast<std::size_t>(samples));
        for (int s = 0; s < samples; ++s) {
            float sum = 0.0f;
            for (int k = 0; k < n; ++k) sum += past[k][off + s];
            row[s] = inv * sum;
        }
    }
}

void ShotAverager::AverageHeadFormed(BeamData& beams, int rows, int samples, int shots,
                                     float display_gain) {
    if (last_form_ != 2) Clear();
    last_form_ = 2;
    const int n = std::clamp(shots, 1, 9);
    rows = std::clamp(rows, 0, kMaxBeams);
    samples = std::clamp(samples, 0, kBeamRowLength);
    if (avg_index_ >= n) avg_index_ = 0;  // the count may have shrunk since the last ping
    const float scale = display_gain * 0.02f;
    const float inv = 1.0f / static_cast<float>(n);
    float* hist = Frame(avg_index_);
    for (int b = 0; b < rows; ++b) {
        float* row = beams.Row(b);
        const std::size_t off = static_cast<std::size_t>(b) * kBeamRowLength;
        for (int s = 0; s < samples; ++s) {
            const float v = row[s] * scale;
            float acc = sum_[off + s] - hist[off + s];
            if (acc < 0.0f) acc = 0.0f;
            hist[off + s] = v;
            acc += v;
            sum_[off + s] = acc;
            const float out = inv * acc;
            row[s] = out < 0.0f ? 0.0f : out;
        }
    }
    avg_index_ = avg_index_ + 1 >= n ? 0 : avg_index_ + 1;
}

}  // namespace vq
