// Averaging of beam intensities over consecutive pings ("shots").
#pragma once

#include <vector>

#include "dsp/beam_data.h"

namespace vq {

inline constexpr int kAvgFrames = 10;  // history frames; limits the shot count to 9

// Shot count N from the AvgFilterIndex setting: at most 9 (the history holds 10 frames).
inline int ShotCount(int avg_filter_index) {
    return avg_filter_index < 1 ? 1 : avg_filter_index > 9 ? 9 : avg_filter_index;
}

class ShotAverager {
  public:
    ShotAverager();

    // Zeroes the history, the running sum and the ring positions.
    void Clear();

    // Sliding window for beams formed here: each value becomes the mean of the current ping
    // and the n-1 previous ones (zeros before the first pings after Clear). n is 3 .. 9.
    void AverageFormed(BeamData& beams, int rows, int samples, int shots);

    // AverageFormed in parts, for rows shared among threads: the frames of this ping (the
    // history advanced by one; once per ping), then rows [row_begin, row_end) of the average
    // (any split of the rows gives the same floats).
    struct FormedFrames {
        int n = 3;
        float inv = 1.0f / 3.0f;
        float* store = nullptr;     // the newest frame: this ping's values go here
        const float* past[9] = {};  // past[k]: k pings before (past[0] unused)
    };
    FormedFrames BeginFormed(int shots);
    void AverageRows(BeamData& beams, int row_begin, int row_end, int samples,
                     const FormedFrames& frames);
    // The same, sample by sample (the first form, kept as the yardstick of tests and
    // benchmarks): the same floats.
    void AverageFormedReference(BeamData& beams, int rows, int samples, int shots);

    // Running sum for beams formed by the head: values are first scaled by G * 0.02, then
    // replaced by the mean of the last n (1 .. 9) pings.
    void AverageHeadFormed(BeamData& beams, int rows, int samples, int shots, float display_gain);

  private:
    float* Frame(int k) { return history_.data() + static_cast<std::size_t>(k) * kFrameFloats; }
    static constexpr std::size_t kFrameFloats =
        static_cast<std::size_t>(kMaxBeams) * kBeamRowLength;
    std::vector<float> history_;  // kAvgFrames frames laid out like BeamData
    std::vector<float> sum_;      // running sum of the head-formed form
    int newest_ = 0;              // ring slot of the newest frame (formed form)
    int avg_index_ = 0;           // ring slot of the head-formed form
    int last_form_ = 0;           // 0 none, 1 formed, 2 head-formed: a switch clears
};

}  // namespace vq
