// Beam-forming kernel built for the generic instruction set (see beam_kernel_impl.inc).
#include <cstddef>

#include "dsp/beam_kernels.h"

namespace vq::dsp {
namespace kernel_generic {
#define VQ_LANES 4
#define VQ_MB 2
#define VQ_NV 1
#define VQ_CHUNK 128
#define VQ_ISA 0
#include "dsp/beam_kernel_impl.inc"
#undef VQ_LANES
#undef VQ_MB
#undef VQ_NV
#undef VQ_CHUNK
#undef VQ_ISA
}  // namespace kernel_generic

void BeamKernelGeneric(const KernelArgs& a) {
    kernel_generic::RunKernel(a);
}

}  // namespace vq::dsp
