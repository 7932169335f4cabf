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

ShotAverager::FormedFrames ShotAverager::BeginFormed(int shots) {
    // The two forms share the history; data from the other form would be wrong here.
    if (last_form_ != 1) Clear();
    last_form_ = 1;
    FormedFrames f;
    f.n = std::clamp(shots, 3, 9);
    f.inv = 1.0f / static_cast<float>(f.n);
    newest_ = (newest_ + 1) % kAvgFrames;
    f.store = Frame(newest_);
    for (int k = 1; k < f.n; ++k) f.past[k] = Frame((newest_ - k + kAvgFrames) % kAvgFrames);
    return f;
}

// The sum runs over the frames newest first, as in the reference below, 16 samples at a time;
// the newest frame is the row itself (stored into the history in the same pass).
void ShotAverager::AverageRows(BeamData& beams, int row_begin, int row_end, int samples,
                               const FormedFrames& f) {
    row_begin = std::clamp(row_begin, 0, kMaxBeams);
    row_end = std::clamp(row_end, row_begin, kMaxBeams);
    samples = std::clamp(samples, 0, kBeamRowLength);
    for (int b = row_begin; b < row_end; ++b) {
        float* row = beams.Row(b);
        const std::size_t off = static_cast<std::size_t>(b) * kBeamRowLength;
        int s = 0;
        for (; s + kAvgBlock <= samples; s += kAvgBlock)
            AverageBlock<kAvgBlock>(row + s, f.store + off + s, f.past, off + s, f.n, f.inv);
        for (; s < samples; ++s)
            AverageBlock<1>(row + s, f.store + off + s, f.past, off + s, f.n, f.inv);
    }
}

void ShotAverager::AverageFormed(BeamData& beams, int rows, int samples, int shots) {
    AverageRows(beams, 0, rows, samples, BeginFormed(shots));
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
