// Forming the next ping's beams ahead, on the helper threads, while this ping's detection and
// outputs run; used only when the next ping's kernel inputs turn out to be the same.
#include <algorithm>
#include <cstring>

#include "dsp/beam_former.h"
#include "dsp/element_unpack.h"

namespace vq {

namespace {
constexpr int kBeamsPerChunk = 32;  // as the kernel chunks of Form
}  // namespace

BeamFormer::Speculation::Speculation()
    : element_i(static_cast<std::size_t>(kMaxElements) * kBeamRowLength, 0.0f),
      element_q(element_i.size(), 0.0f),
      scaled_i(static_cast<std::size_t>(kMaxElements) * dsp::kScaledStride, 0.0f),
      scaled_q(scaled_i.size(), 0.0f) {}

void BeamFormer::Speculation::Chunk(void* context, int c) {
    const Speculation& sp = *static_cast<const Speculation*>(context);
    dsp::KernelArgs p = sp.args;
    p.beam_begin = sp.args.beam_begin + c * kBeamsPerChunk;
    p.beam_end = std::min(p.beam_begin + kBeamsPerChunk, sp.args.beam_end);
    p.out_a = sp.args.out_a +
              static_cast<std::ptrdiff_t>(p.beam_begin - sp.args.beam_begin) * p.out_stride;
    sp.fn(p);
}

BeamFormer::~BeamFormer() {
    FinishSpeculation();
}

void BeamFormer::Speculate(const std::uint8_t* samples, std::size_t size, const PingFormat& format,
                           int xdcr, const SettingsState& st) {
    FinishSpeculation();
    if (spec_) spec_->ready = false;
    if (!split_ || split_->threads() < 2 || variant_ != dsp::KernelVariant::kFast) return;
    const int mode = st.s.ProcessingMode >= 0 && st.s.ProcessingMode <= 3 ? st.s.ProcessingMode : 1;
    if (geo_.head_formed || format.head_formed() || (mode == 1 && geo_.ModelCode == 5)) return;
    if (geo_.GuardOffset < 0 || geo_.GuardOffset >= BeamData::kGuardRows) return;
    if (!spec_) spec_ = std::make_unique<Speculation>();
    Speculation& sp = *spec_;
    SampleLayout layout;
    layout.num_samples = geo_.NumSamples;
    layout.num_elements = std::clamp(format.num_elements & ~1, 2, kMaxElements);
    layout.bits = format.bits == 8 ? 8 : 16;
    layout.extra_byte = format.extra_byte();
    UnpackElements(samples, size, layout, xdcr, sp.element_i.data(), sp.element_q.data(),
                   kBeamRowLength);
    ScaleRows(sp.element_i.data(), sp.element_q.data(), sp.scaled_i.data(), sp.scaled_q.data(),
              format);
    sp.beams.FormedView(geo_.GuardOffset);
    const int nbf = std::min(geo_.NumBeamsFormed, kMaxBeams);
    ClearUnformedSamples(sp.beams, mode, nbf, geo_.NumSamples);
    sp.args = ModeArgs(mode, static_cast<float>(st.s.DisplayGain), sp.scaled_i.data(),
                       sp.scaled_q.data(), sp.beams);
    sp.out_offset = sp.args.out_a - sp.beams.Row(0);
    sp.fn = kernel_.fn;
    sp.key = steering_key_;
    sp.guard = geo_.GuardOffset;
    sp.mode = mode;
    sp.chunks = (sp.args.beam_end - sp.args.beam_begin + kBeamsPerChunk - 1) / kBeamsPerChunk;
    split_->Start(sp.chunks, &Speculation::Chunk, &sp);
    sp.started = true;
}

void BeamFormer::FinishSpeculation() {
    if (!spec_ || !spec_->started) return;
    split_->Finish();
    spec_->started = false;
    spec_->ready = true;
}

// True (and the speculated beams swapped in) when the kernel call Form is about to make reads
// exactly what the speculation read: the same scaled rows, steering tables and call.
bool BeamFormer::TakeSpeculation(const dsp::KernelArgs& want, int mode) {
    if (!spec_ || !spec_->ready) return false;
    Speculation& sp = *spec_;
    sp.ready = false;
    const dsp::KernelArgs& a = sp.args;
    const std::size_t row_bytes = sizeof(float) * static_cast<std::size_t>(a.row_stride);
    const std::size_t rows_bytes = row_bytes * static_cast<std::size_t>(a.num_elements);
    const bool same = sp.mode == mode && sp.guard == geo_.GuardOffset && sp.key == steering_key_ &&
                      sp.fn == kernel_.fn && a.output == want.output &&
                      a.num_elements == want.num_elements && a.row_stride == want.row_stride &&
                      a.steer_stride == want.steer_stride && a.beam_begin == want.beam_begin &&
                      a.beam_end == want.beam_end && a.s_begin == want.s_begin &&
                      a.s_end == want.s_end && a.out_stride == want.out_stride &&
                      std::memcmp(&a.coherence_scale, &want.coherence_scale, sizeof(float)) == 0 &&
                      sp.out_offset == want.out_a - beams_.Row(0) &&
                      std::memcmp(sp.scaled_i.data(), want.scaled_i, rows_bytes) == 0 &&
                      std::memcmp(sp.scaled_q.data(), want.scaled_q, rows_bytes) == 0;
    if (!same) {
        ++spec_dropped_;
        return false;
    }
    std::swap(beams_, sp.beams);
    ++spec_used_;
    return true;
}

}  // namespace vq
