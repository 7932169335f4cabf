// Beam forming of one ping: the owner of the element rows, steering tables, TVG curve, beam
// data, byte image and averaging history, all allocated once here. The per-ping work is
// Unpack (or LoadHeadFormed) followed by Form.
//
// Element rows, aperture window and steering tables are sized for 64 elements, so a recorded
// 64-element return is formed over all 64 (halves of 32 for the split aperture). Such pings
// carry fewer sample bytes than 64 elements need: only the samples the gathered array holds
// completely are unpacked, the rest are zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/settings_store.h"
#include "core/work_split.h"
#include "dsp/beam_data.h"
#include "dsp/beam_kernels.h"
#include "dsp/shot_average.h"
#include "dsp/tvg.h"

namespace vq {

// Called by Form after averaging and before the kept beams are centred: rows
// 0 .. NumBeamsFormed-1 of the beam data hold all formed beams. Profile detection runs here.
class FormedBeamsHook {
  public:
    virtual ~FormedBeamsHook() = default;
    virtual void OnFormed(BeamData& beams, const BeamGeometry& geometry) = 0;
    // The geometry or the averaging/profile settings changed: detection state is stale.
    virtual void OnReset() {}
};

// Read-only view of the scaled element rows and steering weights of the last ping, for code
// that forms beams of its own (intensities, sidescan lines).
struct ElementView {
    const float* scaled_i;  // row e at scaled_i + e * row_stride
    const float* scaled_q;
    int row_stride;
    int num_elements;
    int num_samples;
    const float* steer_cos;  // formed beam b, element e at steer_cos[b * steer_stride + e]
    const float* steer_sin;
    int steer_stride;
};

// What the header check learnt about the samples of this ping.
struct PingFormat {
    int data_format = 11;  // data format code of the return header
    int bits = 16;         // 8 or 16 per I or Q value
    int num_elements = 16;
    int num_samples = 500;
    bool special_gain_curve = false;
    bool head_formed() const { return data_format == 4; }
    bool extra_byte() const { return data_format == 2 || data_format == 3; }
};

class BeamFormer {
  public:
    BeamFormer();
    ~BeamFormer();
    BeamFormer(const BeamFormer&) = delete;
    BeamFormer& operator=(const BeamFormer&) = delete;

    // Geometry set-up after a change of sector, beams, frequency, sound velocity, head type,
    // range or data points: sector, beam counts, steering tables and TVG; clears the
    // averaging history and (through the hook) the profile detection state.
    void Setup(const SettingsState& st, const PingFormat& format);

    // Unpacks the sample array of a ping into the element rows, or, in the Beam Test display,
    // writes the element magnitudes into the byte image instead.
    void Unpack(const std::uint8_t* samples, std::size_t size, const PingFormat& format, int xdcr,
                bool beam_test);

    // Forms, detects, averages and centres the beams of the unpacked ping.
    void Form(const SettingsState& st, const PingFormat& format);

    // Head-formed beams (data format 4): fills rows 0 .. 255 from the sample array.
    void LoadHeadFormed(const std::uint8_t* samples, std::size_t size, const PingFormat& format);
    // Running-sum averaging of head-formed beams (when AvgFilter is on).
    void AverageHeadFormed(const SettingsState& st);

    void ClearAveraging();
    void set_hook(FormedBeamsHook* hook) { hook_ = hook; }
    // The kernel for an instruction set; kReference also forms the beams the first way
    // (clearing every row, then centring by copy), for tests and benchmarks.
    void set_kernel(dsp::KernelIsa isa, dsp::KernelVariant variant = dsp::KernelVariant::kFast) {
        kernel_ = dsp::SelectBeamKernel(isa, variant);
        variant_ = variant;
    }
    const char* kernel_isa() const { return kernel_.isa; }
    // Threads to share the steering sums and the averaging of a ping with (nullptr: this
    // thread alone). The beams come out the same whatever the split.
    void set_work_split(WorkSplit* split) { split_ = split; }

    // For a conversion that knows the next ping: its samples (valid until Form returns). Form
    // then, right after this ping's steering sums, starts forming the beams that ping would
    // give with this ping's geometry and settings on the helper threads of the work split,
    // while this ping is averaged and detected and its outputs written (the next call of
    // Form, Setup or Speculate waits for them). Form of the next ping takes those beams only
    // when its own kernel inputs (scaled element rows, steering tables, processing mode,
    // scale, fan) turn out the same, so the beams are always those it would form itself.
    // Needs a work split of 2 or more threads.
    void SetNextPing(const std::uint8_t* samples, std::size_t size, int xdcr) {
        next_samples_ = samples;
        next_size_ = size;
        next_xdcr_ = xdcr;
    }
    void Speculate(const std::uint8_t* samples, std::size_t size, const PingFormat& format,
                   int xdcr, const SettingsState& st);
    // Pings whose beams came from a speculation, and speculations not used.
    std::uint64_t speculations_used() const { return spec_used_; }
    std::uint64_t speculations_dropped() const { return spec_dropped_; }

    const BeamGeometry& geometry() const { return geo_; }
    BeamData& Beams() { return beams_; }
    const BeamData& Beams() const { return beams_; }
    BeamByteImage& ByteImage() { return byte_image_; }
    const BeamByteImage& ByteImage() const { return byte_image_; }
    const float* tvg_curve() const { return tvg_.data(); }
    ElementView element_view() const;
    int bottom_window_start() const { return bottom_window_start_; }

  private:
    void ComputeSteering(int num_elements);
    void ComputeTvg(const SettingsState& st, const PingFormat& format);
    void ScaleInput(const PingFormat& format);
    void CheckAveragingSettings(const SettingsState& st);
    void RunCoherence(float scale);
    void RunBottomWindow(float display_gain);
    void Centre();
    void RunKernel(const dsp::KernelArgs& a);
    static void ClearUnformedSamples(BeamData& beams, int mode, int nbf, int ns);
    void KeepCentralBeams();
    dsp::KernelArgs ModeArgs(int mode, float display_gain, const float* scaled_i,
                             const float* scaled_q, BeamData& out) const;
    void ScaleRows(const float* element_i, const float* element_q, float* scaled_i, float* scaled_q,
                   const PingFormat& format) const;
    void FinishSpeculation();
    bool TakeSpeculation(const dsp::KernelArgs& want, int mode);
    dsp::KernelArgs BaseArgs() const;
    float* ElemI(int e) { return element_i_.data() + static_cast<std::size_t>(e) * kBeamRowLength; }
    float* ElemQ(int e) { return element_q_.data() + static_cast<std::size_t>(e) * kBeamRowLength; }

    BeamGeometry geo_;
    dsp::BeamKernel kernel_;
    dsp::KernelVariant variant_ = dsp::KernelVariant::kFast;
    WorkSplit* split_ = nullptr;
    FormedBeamsHook* hook_ = nullptr;
    std::vector<float> element_i_, element_q_;  // [kMaxElements][1010], raw counts
    std::vector<float> scaled_i_, scaled_q_;    // [kMaxElements][kScaledStride]
    std::vector<float> steer_cos_, steer_sin_;  // [kMaxBeamsFormed][kMaxElements]
    std::vector<float> gain_eq_;                // [kMaxBeamsFormed]
    std::vector<float> tvg_, tvg_scratch_;      // [1010]
    std::vector<float> prod_re_, prod_im_;      // [kProductRows][kScaledStride]
    BeamData beams_;
    BeamByteImage byte_image_;
    ShotAverager averager_;
    int peak_history_[7] = {};
    int bottom_window_start_ = 0;
    int last_avg_index_ = -1, last_detection_ = -1, last_filter_ = -1;
    int unpacked_elements_ = 16;
    bool gain_equalization_ = false;
    struct SteeringKey {
        int elements = 0, beams_formed = 0;
        float half_sector = 0, sector_deg = 0, pitch = 0, sound_velocity = 0, carrier = 0;
        bool gain_eq = false;
        bool operator==(const SteeringKey&) const = default;
    };
    SteeringKey steering_key_;
    // Everything the kernel of a speculation reads and writes, apart from the steering tables
    // (which nothing changes before FinishSpeculation), with what Form compares.
    struct Speculation {
        Speculation();
        static void Chunk(void* context, int chunk);
        std::vector<float> element_i, element_q;  // [kMaxElements][1010]
        std::vector<float> scaled_i, scaled_q;    // [kMaxElements][kScaledStride]
        BeamData beams;
        dsp::KernelArgs args;
        dsp::BeamKernelFn fn = nullptr;
        SteeringKey key;
        std::ptrdiff_t out_offset = 0;  // args.out_a - beams.Row(0)
        int guard = 0, mode = 0, chunks = 0;
        bool started = false, ready = false;
    };
    std::unique_ptr<Speculation> spec_;           // allocated at the first speculation
    const std::uint8_t* next_samples_ = nullptr;  // SetNextPing, for this Form only
    std::size_t next_size_ = 0;
    int next_xdcr_ = 0;
    std::uint64_t spec_used_ = 0, spec_dropped_ = 0;
    TvgParams tvg_params_;
    bool tvg_valid_ = false;
};

}  // namespace vq
