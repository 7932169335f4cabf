// Beam-forming kernel built for the avx512 instruction set (see beam_kernel_impl.inc).
#include <immintrin.h>
#include <cstddef>

#include "dsp/beam_kernels.h"

namespace vq::dsp {
namespace kernel_avx512 {
#define VQ_LANES 16
#define VQ_MB 4
#define VQ_NV 1
#define VQ_CHUNK 128
#define VQ_ISA 2
#include "dsp/beam_kernel_impl.inc"
#undef VQ_LANES
#undef VQ_MB
#undef VQ_NV
#undef VQ_CHUNK
#undef VQ_ISA
}  // namespace kernel_avx512

void BeamKernelAvx512(const KernelArgs& a) {
    kernel_avx512::RunKernel(a);
}

}  // namespace vq::dsp
