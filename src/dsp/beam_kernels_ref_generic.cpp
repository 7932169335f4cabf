// The reference beam-forming kernel for the generic instruction set (see beam_kernel_ref.inc).
#include <cstddef>

#include "dsp/beam_kernels.h"

namespace vq::dsp {
namespace kernel_ref_generic {
#define VQ_LANES 4
#define VQ_MB 2
#define VQ_NV 1
#define VQ_CHUNK 128
#include "dsp/beam_kernel_ref.inc"
#undef VQ_LANES
#undef VQ_MB
#undef VQ_NV
#undef VQ_CHUNK
}  // namespace kernel_ref_generic

void BeamKernelRefGeneric(const KernelArgs& a) {
    kernel_ref_generic::RunKernel(a);
}

}  // namespace vq::dsp
