// The per-ping stage of beam forming: input scaling, the processing modes, averaging and
// centring (the set-up stage is in beam_former.cpp).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/array_geometry.h"
#include "dsp/beam_former.h"

namespace vq {

namespace {
constexpr int kProductRows = 8;
// Beams (or rows) per chunk of the work shared among threads: a multiple of the kernels'
// blocks of beams.
constexpr int kBeamsPerChunk = 32;
int ClampSamples(int n) {
    return n >= 1000 ? 1000 : 500;
}
}  // namespace

dsp::KernelArgs BeamFormer::BaseArgs() const {
    dsp::KernelArgs a;
    a.scaled_i = scaled_i_.data();
    a.scaled_q = scaled_q_.data();
    a.row_stride = dsp::kScaledStride;
    a.num_elements = geo_.NumElements;
    a.steer_cos = steer_cos_.data();
    a.steer_sin = steer_sin_.data();
    a.steer_stride = kMaxElements;
    a.gain_eq = gain_eq_.data();
    a.beam_begin = 0;
    a.beam_end = std::min(geo_.NumBeamsFormed, kMaxBeams);  // rows of BeamData
    return a;
}

void BeamFormer::CheckAveragingSettings(const SettingsState& st) {
    if (st.s.AvgFilterIndex != last_avg_index_ || st.s.ProfilePointDetection != last_detection_ ||
        st.s.ProfilePointFilter != last_filter_) {
        last_avg_index_ = st.s.AvgFilterIndex;
        last_detection_ = st.s.ProfilePointDetection;
        last_filter_ = st.s.ProfilePointFilter;
        ClearAveraging();
    }
}

void BeamFormer::ScaleRows(const float* element_i, const float* element_q, float* scaled_i,
                           float* scaled_q, const PingFormat& format) const {
    const int ns = geo_.NumSamples;
    const bool wide = format.bits != 8;
    for (int e = 0; e < geo_.NumElements; ++e) {
        const float* ei = element_i + static_cast<std::size_t>(e) * kBeamRowLength;
        const float* eq = element_q + static_cast<std::size_t>(e) * kBeamRowLength;
        float* si = scaled_i + static_cast<std::size_t>(e) * dsp::kScaledStride;
        float* sq = scaled_q + static_cast<std::size_t>(e) * dsp::kScaledStride;
        if (wide) {
            for (int s = 0; s < ns; ++s) {
                const float g = tvg_[s] * 1.25e-6f;
                si[s] = g * ei[s];
                sq[s] = g * eq[s];
            }
        } else {
            for (int s = 0; s < ns; ++s) {
                si[s] = 0.01f * ei[s];
                sq[s] = 0.01f * eq[s];
            }
        }
        std::fill(si + ns, si + dsp::kScaledStride, 0.0f);
        std::fill(sq + ns, sq + dsp::kScaledStride, 0.0f);
    }
}

void BeamFormer::ScaleInput(const PingFormat& format) {
    ScaleRows(element_i_.data(), element_q_.data(), scaled_i_.data(), scaled_q_.data(), format);
}

void BeamFormer::Form(const SettingsState& st, const PingFormat& format) {
    FinishSpeculation();
    if (format.head_formed() != geo_.head_formed) Setup(st, format);
    if (geo_.head_formed) return;
    const int ns = ClampSamples(format.num_samples);
    geo_.NumSamples = ns;
    const int nbf = std::min(geo_.NumBeamsFormed, kMaxBeams);
    // The fast path forms the beams where the kept ones belong (no centring copy) and clears
    // only the samples the processing mode leaves at 0; the reference path clears and copies.
    const bool fast = variant_ == dsp::KernelVariant::kFast;
    const bool in_place = fast && geo_.GuardOffset >= 0 && geo_.GuardOffset < BeamData::kGuardRows;
    if (in_place) {
        beams_.FormedView(geo_.GuardOffset);
    } else {
        for (int b = 0; b < nbf; ++b) std::fill(beams_.Row(b), beams_.Row(b) + ns, 0.0f);  // P1
    }
    CheckAveragingSettings(st);  // P2
    // P3: a new sound velocity or frequency takes effect on this ping.
    geo_.SoundVelocity =
        st.work.sound_velocity_current > 0.0f ? st.work.sound_velocity_current : 1500.0f;
    geo_.CarrierHz = static_cast<float>(st.s.Frequency * 1000);
    gain_equalization_ = st.s.GainEqualization != 0;
    ComputeSteering(std::min(unpacked_elements_, format.num_elements));
    ComputeTvg(st, format);
    ScaleInput(format);  // P4
    const float g = static_cast<float>(st.s.DisplayGain);
    const int mode = st.s.ProcessingMode >= 0 && st.s.ProcessingMode <= 3 ? st.s.ProcessingMode : 1;
    if (mode == 1 && geo_.ModelCode == 5) {
        if (in_place) ClearUnformedSamples(beams_, mode, nbf, ns);
        RunBottomWindow(g);
    } else {
        const dsp::KernelArgs a = ModeArgs(mode, g, scaled_i_.data(), scaled_q_.data(), beams_);
        if (!(in_place && TakeSpeculation(a, mode))) {
            if (in_place) ClearUnformedSamples(beams_, mode, nbf, ns);
            RunKernel(a);
        }
    }
    // The next ping's sums go on the helper threads while this ping is averaged and detected.
    if (next_samples_ != nullptr) Speculate(next_samples_, next_size_, format, next_xdcr_, st);
    next_samples_ = nullptr;
    if (st.s.AvgFilter && fast) {  // P6, in chunks of rows the threads share
        const ShotAverager::FormedFrames frames =
            averager_.BeginFormed(ShotCount(st.s.AvgFilterIndex));
        const int chunks = (nbf + kBeamsPerChunk - 1) / kBeamsPerChunk;
        auto rows = [&](int c) {
            averager_.AverageRows(beams_, c * kBeamsPerChunk,
                                  std::min((c + 1) * kBeamsPerChunk, nbf), ns, frames);
        };
        if (split_ && !split_->open()) {
            split_->RunChunks(chunks, rows);
        } else {  // this thread alone (the helpers, if any, form the next ping)
            averager_.AverageRows(beams_, 0, nbf, ns, frames);
        }
    } else if (st.s.AvgFilter) {
        averager_.AverageFormedReference(beams_, nbf, ns, ShotCount(st.s.AvgFilterIndex));
    }
    if (st.s.ProfilePointDetection && hook_) hook_->OnFormed(beams_, geo_);  // P7
    if (in_place) {
        KeepCentralBeams();  // P8
    } else {
        Centre();  // P8
    }
}

// Samples 0 .. NumSamples-1 of every formed beam that the processing mode does not write:
// the first sample in modes 1 to 3, the last one in modes 0 and 3.
void BeamFormer::ClearUnformedSamples(BeamData& beams, int mode, int nbf, int ns) {
    for (int b = 0; b < nbf; ++b) {
        float* row = beams.Row(b);
        if (mode != 0) row[0] = 0.0f;
        if (mode == 0 || mode == 3) row[ns - 1] = 0.0f;
    }
}

// P8 on beams formed in place: Row(k) becomes formed beam k + GuardOffset. When the fan is
// so wide that formed beams would lie past the last row, the kept rows past that point hold
// the formed beam of their own index, as a centring copy leaves them.
void BeamFormer::KeepCentralBeams() {
    const int g = geo_.GuardOffset;
    const int kept = std::min(geo_.NumBeams, kMaxBeams - g);
    const int last = std::min(geo_.NumBeams, std::min(geo_.NumBeamsFormed, kMaxBeams));
    for (int k = kept; k < last && g > 0; ++k)  // formed view: Row(k) is formed beam k
        std::memcpy(beams_.Row(k + g), beams_.Row(k), sizeof(float) * kBeamRowLength);
    beams_.KeptView();
}

// The kernel over the beams of `a`, in chunks of beams that the threads share (every beam's
// output depends on that beam alone, so who forms which chunk changes nothing).
void BeamFormer::RunKernel(const dsp::KernelArgs& a) {
    const int n = a.beam_end - a.beam_begin;
    if (!split_ || split_->threads() == 1 || variant_ != dsp::KernelVariant::kFast) {
        kernel_.fn(a);
        return;
    }
    const int chunks = (n + kBeamsPerChunk - 1) / kBeamsPerChunk;
    auto chunk = [&](int c) {
        dsp::KernelArgs p = a;
        p.beam_begin = a.beam_begin + c * kBeamsPerChunk;
        p.beam_end = std::min(p.beam_begin + kBeamsPerChunk, a.beam_end);
        const std::ptrdiff_t rows = static_cast<std::ptrdiff_t>(p.beam_begin - a.beam_begin);
        p.out_a = a.out_a + rows * a.out_stride;
        if (a.out_b) p.out_b = a.out_b + rows * a.out_stride;
        kernel_.fn(p);
    };
    split_->RunChunks(chunks, chunk);
}

// The kernel call of processing mode 0 .. 3 (mode 1 without the bottom window) reading the
// given scaled rows and writing the formed beams of `out`: mode 0 writes samples 0 .. ns-2,
// the others output k = s + 1 (sample 0 stays 0, and in mode 3 the last sample as well).
dsp::KernelArgs BeamFormer::ModeArgs(int mode, float display_gain, const float* scaled_i,
                                     const float* scaled_q, BeamData& out) const {
    dsp::KernelArgs a = BaseArgs();
    a.scaled_i = scaled_i;
    a.scaled_q = scaled_q;
    a.s_begin = 0;
    a.out_stride = kBeamRowLength;
    if (mode == 0) {
        a.s_end = geo_.NumSamples - 1;
        a.output = dsp::KernelOutput::kMagnitude;
        a.coherence_scale = display_gain;
        a.out_a = out.Row(0);
    } else if (mode == 1) {
        a.s_end = geo_.NumSamples - 1;
        a.output = dsp::KernelOutput::kCoherence;
        a.coherence_scale = display_gain * 30.0f;
        a.out_a = out.Row(0) + 1;
    } else {
        a.s_end = mode == 3 ? geo_.NumSamples - 2 : geo_.NumSamples - 1;
        a.output = mode == 3 ? dsp::KernelOutput::kPoly3 : dsp::KernelOutput::kPoly2;
        a.coherence_scale = mode == 3 ? display_gain * 6.0f : display_gain * 0.6f;
        a.out_a = out.Row(0) + 1;
    }
    return a;
}

void BeamFormer::RunCoherence(float scale) {
    dsp::KernelArgs a = BaseArgs();
    a.s_begin = 0;
    a.s_end = geo_.NumSamples - 1;  // output k = s + 1; sample 0 stays 0
    a.output = dsp::KernelOutput::kCoherence;
    a.coherence_scale = scale;
    a.out_a = beams_.Row(0) + 1;
    a.out_stride = kBeamRowLength;
    RunKernel(a);
}

void BeamFormer::RunBottomWindow(float display_gain) {
    const int ns = geo_.NumSamples;
    const int nbf = std::min(geo_.NumBeamsFormed, kMaxBeams);
    RunCoherence(display_gain * 6.0f);
    float peak = 0.0f;
    int peak_index = 0;
    for (int b = 101; b <= 159 && b < nbf; ++b)
        for (int k = 481; k < ns; ++k)
            if (beams_.At(b, k) > peak) {
                peak = beams_.At(b, k);
                peak_index = k;
            }
    for (int i = 6; i > 0; --i) peak_history_[i] = peak_history_[i - 1];
    peak_history_[0] = peak_index;
    int sum = 0;
    for (int i = 0; i < 6; ++i) sum += peak_history_[i];
    const float w = std::max(static_cast<float>(sum) / 6.0f - 20.0f, 0.0f);
    const int w0 = std::min(static_cast<int>(w), ns);
    bottom_window_start_ = w0;
    if (w0 >= ns) return;
    dsp::KernelArgs a = BaseArgs();
    a.s_begin = w0;
    a.s_end = ns;
    a.output = dsp::KernelOutput::kSplitProducts;
    a.out_a = prod_re_.data();
    a.out_b = prod_im_.data();
    a.out_stride = dsp::kScaledStride;
    const float scale = display_gain * 6.0f;
    for (int b0 = 0; b0 < nbf; b0 += kProductRows) {
        a.beam_begin = b0;
        a.beam_end = std::min(b0 + kProductRows, nbf);
        kernel_.fn(a);
        for (int b = b0; b < a.beam_end; ++b) {
            const float* re = prod_re_.data() + (b - b0) * dsp::kScaledStride;
            const float* im = prod_im_.data() + (b - b0) * dsp::kScaledStride;
            float* row = beams_.Row(b);
            for (int s = w0; s < ns; ++s) {
                float r = re[s - w0], i = im[s - w0];
                if (std::fabs(r + i) > 0.7f) {
                    r *= 0.025f;
                    i *= 0.025f;
                }
                const float wc = r * r / (i * i + r * r + 0.0001f);
                const float v = scale * wc * r;
                row[s] = v < 0.0f ? 0.0f : v;
            }
        }
    }
}

void BeamFormer::Centre() {
    if (geo_.GuardOffset <= 0) return;
    const int kept = std::min(geo_.NumBeams, kMaxBeams - geo_.GuardOffset);
    for (int b = 0; b < kept; ++b)
        std::memcpy(beams_.Row(b), beams_.Row(b + geo_.GuardOffset),
                    sizeof(float) * kBeamRowLength);
}

}  // namespace vq
