// The inner kernel of beam forming: complex steering sums over the element rows for a block
// of beams and a range of samples, with the reductions the processing modes need. One
// implementation is compiled per instruction set and picked once at run time.
#pragma once

namespace vq::dsp {

// Rows of ScaledI/ScaledQ are padded to this stride (zeros past NumSamples) so a kernel can
// read whole vectors past the last sample without leaving the row.
inline constexpr int kScaledStride = 1088;

// With F the full-aperture sum and P = A conj(B) * gain_eq (A, B the left and right half
// apertures), Re + j Im = P, and scale = coherence_scale:
enum class KernelOutput {
    kFullPower,      // out_a = |F|^2
    kMagnitude,      // out_a = min(max(sqrt|F|^2 * 256 * gain_eq * 0.01 * scale, 0), 254)
    kSplitProducts,  // out_a = Re, out_b = Im
    kCoherence,      // out_a = max(0, scale * W * Re), W = Re^2 / (Im^2 + Re^2 + 1e-4)
    kPoly2,          // out_a = max(0, scale * p2(W) * Re), W as above, p2 in double
    kPoly3,          // out_a = max(0, scale * p3(W) * Re), W with 1e-5, p3 in double
};

struct KernelArgs {
    const float* scaled_i = nullptr;  // element row e at scaled_i + e * row_stride
    const float* scaled_q = nullptr;
    int row_stride = kScaledStride;
    int num_elements = 16;             // even; halves are 0 .. N/2-1 and N/2 .. N-1
    const float* steer_cos = nullptr;  // beam b, element e at steer_cos[b * steer_stride + e]
    const float* steer_sin = nullptr;
    int steer_stride = 64;
    const float* gain_eq = nullptr;  // per beam, indexed like the steering rows
    int beam_begin = 0;
    int beam_end = 0;
    int s_begin = 0;  // samples [s_begin, s_end); reads may run up to one vector past s_end
    int s_end = 0;
    KernelOutput output = KernelOutput::kCoherence;
    float coherence_scale = 1.0f;
    // Outputs: beam b, sample s at out[(b - beam_begin) * out_stride + (s - s_begin)]. Only
    // the samples inside [s_begin, s_end) are written.
    float* out_a = nullptr;
    float* out_b = nullptr;
    int out_stride = 0;
};

using BeamKernelFn = void (*)(const KernelArgs&);

struct BeamKernel {
    BeamKernelFn fn = nullptr;
    const char* isa = "";
};

enum class KernelIsa { kBest, kGeneric, kAvx2, kAvx512 };

// kFast: the kernels in use. kReference: the first kernels, kept as the yardstick the fast
// ones are tested and measured against; both give the same bits for the same instruction set.
enum class KernelVariant { kFast, kReference };

// The fastest kernel this processor runs (kBest), or a given one when it is available
// (falls back to the generic kernel otherwise).
BeamKernel SelectBeamKernel(KernelIsa isa = KernelIsa::kBest,
                            KernelVariant variant = KernelVariant::kFast);

void BeamKernelGeneric(const KernelArgs& a);
void BeamKernelRefGeneric(const KernelArgs& a);
#if defined(VQ_HAVE_X86_KERNELS)
void BeamKernelAvx2(const KernelArgs& a);
void BeamKernelAvx512(const KernelArgs& a);
void BeamKernelRefAvx2(const KernelArgs& a);
void BeamKernelRefAvx512(const KernelArgs& a);
#endif

}  // namespace vq::dsp
