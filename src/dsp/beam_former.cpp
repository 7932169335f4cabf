#include "dsp/beam_former.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "core/range_table.h"
#include "dsp/array_geometry.h"
#include "dsp/element_unpack.h"
#include "dsp/tvg.h"
#include "platform/byte_order.h"

namespace vq {

namespace {
constexpr int kSteerStride = kMaxElements;
constexpr int kProductRows = 8;  // beams per kernel call when products are kept
constexpr float kPi = std::numbers::pi_v<float>;

int ClampSamples(int n) {
    return n >= 1000 ? 1000 : 500;
}
int ClampElements(int n) {
    return std::clamp(n & ~1, 2, kMaxElements);
}
}  // namespace

BeamFormer::BeamFormer()
    : kernel_(dsp::SelectBeamKernel()),
      element_i_(static_cast<std::size_t>(kMaxElements) * kBeamRowLength, 0.0f),
      element_q_(element_i_.size(), 0.0f),
      scaled_i_(static_cast<std::size_t>(kMaxElements) * dsp::kScaledStride, 0.0f),
      scaled_q_(scaled_i_.size(), 0.0f),
      steer_cos_(static_cast<std::size_t>(kMaxBeamsFormed) * kSteerStride, 0.0f),
      steer_sin_(steer_cos_.size(), 0.0f),
      gain_eq_(kMaxBeamsFormed, 1.0f),
      tvg_(kBeamRowLength, 1.0f),
      tvg_scratch_(kBeamRowLength, 1.0f),
      prod_re_(static_cast<std::size_t>(kProductRows) * dsp::kScaledStride, 0.0f),
      prod_im_(prod_re_.size(), 0.0f) {}

void BeamFormer::Setup(const SettingsState& st, const PingFormat& format) {
    FinishSpeculation();  // its kernel reads the tables rebuilt here
    const ArrayModel model = ArrayModelFor(st.head.model_code);
    const float c =
        st.work.sound_velocity_current > 0.0f ? st.work.sound_velocity_current : 1500.0f;
    const float f = static_cast<float>(st.s.Frequency * 1000);
    geo_.ModelCode = st.head.model_code;
    geo_.ElementPitch = model.pitch_m;
    geo_.CarrierHz = f;
    geo_.SoundVelocity = c;
    geo_.GratingLimited = model.grating_limited;
    gain_equalization_ = st.s.GainEqualization != 0;
    geo_.StepSize = st.s.StepSize;
    geo_.NumSamples = ClampSamples(format.num_samples);
    geo_.NumElements = ClampElements(format.num_elements);
    geo_.head_formed = format.head_formed();
    geo_.SectorDeg = model.grating_limited ? GratingLobeSectorDeg(c, f, model.pitch_m)
                                           : SectorFromSize(st.s.SectorSize);
    if (geo_.head_formed) {
        geo_.NumBeams = geo_.NumBeamsFormed = kHeadFormedBeams;
        geo_.GuardOffset = 0;
    } else {
        geo_.NumBeams = NumBeamsFor(geo_.SectorDeg, st.s.StepSize);
        geo_.NumBeamsFormed = geo_.NumBeams / 20 + geo_.NumBeams;  // G3
        geo_.GuardOffset = (geo_.NumBeamsFormed - geo_.NumBeams) / 2;
    }
    geo_.FormedSectorDeg = geo_.SectorDeg * 0.05f + geo_.SectorDeg;               // G1
    geo_.FormedHalfSector = (1.0f / 180.0f) * 0.5f * geo_.FormedSectorDeg * kPi;  // G2
    ComputeSteering(geo_.NumElements);
    ComputeTvg(st, format);
    ClearAveraging();
}

void BeamFormer::ClearAveraging() {
    averager_.Clear();
    if (hook_) hook_->OnReset();
}

void BeamFormer::ComputeSteering(int num_elements) {
    const int n = ClampElements(num_elements);
    geo_.NumElements = n;
    // The tables depend only on these values: rebuild them when one of them changed.
    const SteeringKey key{n,
                          geo_.NumBeamsFormed,
                          geo_.FormedHalfSector,
                          geo_.FormedSectorDeg,
                          geo_.ElementPitch,
                          geo_.SoundVelocity,
                          geo_.CarrierHz,
                          gain_equalization_};
    if (key == steering_key_) return;
    steering_key_ = key;
    geo_.BeamSpacing = 2.0f * geo_.FormedHalfSector / static_cast<float>(geo_.NumBeamsFormed);
    // Profile search step: later tests override earlier ones.
    const float deg = kPi / 180.0f;
    if (geo_.BeamSpacing > 0.23f * deg) geo_.ProfileSearchStep = 0.25f;
    if (geo_.BeamSpacing > 0.48f * deg) geo_.ProfileSearchStep = 0.5f;
    if (geo_.BeamSpacing > 0.98f * deg) geo_.ProfileSearchStep = 1.0f;
    float window[kMaxElements];
    for (int e = 0; e < n; ++e)  // Hamming window scaled by 1.3
        window[e] = 1.3f * (0.54f - 0.46f * std::cos(2.0f * kPi * static_cast<float>(e) /
                                                     static_cast<float>(n - 1)));
    const float theta0 = -geo_.FormedHalfSector + 0.5f * geo_.BeamSpacing;
    const float k = (geo_.ElementPitch / geo_.SoundVelocity) * 2.0f * kPi * geo_.CarrierHz;
    const int nbf = std::min(geo_.NumBeamsFormed, kMaxBeamsFormed);
    for (int b = 0; b < nbf; ++b) {
        const float theta = theta0 + static_cast<float>(b) * geo_.BeamSpacing;
        const float st = std::sin(theta);
        for (int e = 0; e < n; ++e) {
            const float phi = (static_cast<float>(e) - static_cast<float>(n) * 0.5f) * st * k;
            steer_cos_[b * kSteerStride + e] = std::cos(phi) * window[e];
            steer_sin_[b * kSteerStride + e] = std::sin(phi) * window[e];
        }
        const float psi = (kPi / 180.0f) * (static_cast<float>(b) * geo_.FormedSectorDeg /
                                                static_cast<float>(geo_.NumBeamsFormed) -
                                            0.5f * geo_.FormedSectorDeg);
        const float cs = std::cos(psi);
        gain_eq_[b] = gain_equalization_ ? 1.0f / (cs * cs) : 1.0f;
    }
}

void BeamFormer::ComputeTvg(const SettingsState& st, const PingFormat& format) {
    TvgParams p;
    p.range_span_m = RangeSpanMeters(st.s.Range, st.head.fine_resolution);
    p.range_start_m = static_cast<float>(st.work.range_offset_m);
    p.num_samples = ClampSamples(format.num_samples);
    p.absorption_db_per_m = static_cast<float>(st.head.absorption_code) * 0.5f * 0.01f;
    p.start_gain_db = static_cast<float>(st.s.Gain);
    p.special_gain_curve = format.special_gain_curve;
    if (tvg_valid_ && p == tvg_params_) return;
    tvg_params_ = p;
    tvg_valid_ = true;
    BuildTvgCurve(p, tvg_.data(), tvg_scratch_.data());
}

void BeamFormer::Unpack(const std::uint8_t* samples, std::size_t size, const PingFormat& format,
                        int xdcr, bool beam_test) {
    SampleLayout layout;
    layout.num_samples = ClampSamples(format.num_samples);
    layout.num_elements = ClampElements(format.num_elements);
    layout.bits = format.bits == 8 ? 8 : 16;
    layout.extra_byte = format.extra_byte();
    if (beam_test) {
        // The Beam Test bars show byte-image rows 68 .. 83 (columns 24 .. 39). A 16-element
        // head's magnitudes go there in every data format, so its bars show its own elements
        // instead of staying empty; 64-element heads keep rows 44 on (central elements shown).
        const bool sixteen = layout.num_elements == 16;
        BeamTestMagnitudes(samples, size, layout, xdcr, format.extra_byte() || sixteen ? 68 : 44,
                           byte_image_);
        return;
    }
    UnpackElements(samples, size, layout, xdcr, element_i_.data(), element_q_.data(),
                   kBeamRowLength);
    unpacked_elements_ = layout.num_elements;
}

void BeamFormer::LoadHeadFormed(const std::uint8_t* samples, std::size_t size,
                                const PingFormat& format) {
    const int ns = ClampSamples(format.num_samples);
    const int width = format.bits == 8 ? 1 : 2;
    const std::size_t per_sample = static_cast<std::size_t>(kHeadFormedBeams) * width;
    const int complete =
        samples ? static_cast<int>(std::min<std::size_t>(size / per_sample, ns)) : 0;
    geo_.head_formed = true;
    geo_.NumBeams = geo_.NumBeamsFormed = kHeadFormedBeams;
    geo_.GuardOffset = 0;
    geo_.NumSamples = ns;
    for (int s = 0; s < complete; ++s) {
        const std::uint8_t* p = samples + static_cast<std::size_t>(s) * per_sample;
        for (int j = 0; j < kHeadFormedBeams; ++j) {
            // The two halves of each sample's values are exchanged.
            const int k = (j + kHeadFormedBeams / 2) % kHeadFormedBeams;
            float v;
            if (width == 1) {
                v = static_cast<float>(p[j]);
            } else {
                v = static_cast<float>(byte_order::GetI16Le(p + 2 * j));
            }
            beams_.At(k, s) = v;
        }
    }
    for (int k = 0; k < kHeadFormedBeams; ++k)
        std::fill(beams_.Row(k) + complete, beams_.Row(k) + ns, 0.0f);
}

void BeamFormer::AverageHeadFormed(const SettingsState& st) {
    averager_.AverageHeadFormed(beams_, geo_.NumBeams, geo_.NumSamples,
                                ShotCount(st.s.AvgFilterIndex),
                                static_cast<float>(st.s.DisplayGain));
}

ElementView BeamFormer::element_view() const {
    return {scaled_i_.data(), scaled_q_.data(),  dsp::kScaledStride, geo_.NumElements,
            geo_.NumSamples,  steer_cos_.data(), steer_sin_.data(),  kSteerStride};
}

}  // namespace vq
