// Beam-forming kernel built for the avx2 instruction set (see beam_kernel_impl.inc).
#include <immintrin.h>
#include <cstddef>

#include "dsp/beam_kernels.h"

namespace vq::dsp {
namespace kernel_avx2 {
#define VQ_LANES 8
#define VQ_MB 2
#define VQ_NV 1
#define VQ_CHUNK 128
#define VQ_ISA 1
#include "dsp/beam_kernel_impl.inc"
#undef VQ_LANES
#undef VQ_MB
#undef VQ_NV
#undef VQ_CHUNK
#undef VQ_ISA
}  // namespace kernel_avx2

void BeamKernelAvx2(const KernelArgs& a) {
    kernel_avx2::RunKernel(a);
}

}  // namespace vq::dsp
