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
#include <vector>

#include "core/settings_store.h"
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
    void set_kernel(dsp::KernelIsa isa) { kernel_ = dsp::SelectBeamKernel(isa); }
    const char* kernel_isa() const { return kernel_.isa; }

    const BeamGeometry& geometry() const { return geo_; }
    BeamData& Beams() { return beams_; }
    const BeamData& Beams() const { return beams_; }
    BeamByteImage& ByteImage() { return byte_image_; }
    const BeamByteImage& ByteImage() const { return byte_image_; }
    const float* tvg_curve() const { return tvg_.data(); }
    ElementView element_view() const;
    // The unpacked raw element samples (counts), row e at element_i() + e * kBeamRowLength.
    const float* element_i() const { return element_i_.data(); }
    const float* element_q() const { return element_q_.data(); }
    int bottom_window_start() const { return bottom_window_start_; }

  private:
    void ComputeSteering(int num_elements);
    void ComputeTvg(const SettingsState& st, const PingFormat& format);
    void ScaleInput(const PingFormat& format);
    void CheckAveragingSettings(const SettingsState& st);
    void RunMode0(float display_gain);
    void RunCoherence(float scale);
    void RunPolynomialMode(int mode, float display_gain);
    void RunBottomWindow(float display_gain);
    void Centre();
    dsp::KernelArgs BaseArgs() const;
    float* ElemI(int e) { return element_i_.data() + static_cast<std::size_t>(e) * kBeamRowLength; }
    float* ElemQ(int e) { return element_q_.data() + static_cast<std::size_t>(e) * kBeamRowLength; }

    BeamGeometry geo_;
    dsp::BeamKernel kernel_;
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
    TvgParams tvg_params_;
    bool tvg_valid_ = false;
};

}  // namespace vq
