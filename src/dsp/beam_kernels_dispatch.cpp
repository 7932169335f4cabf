#include "dsp/beam_kernels.h"

namespace vq::dsp {

BeamKernel SelectBeamKernel(KernelIsa isa) {
#if defined(VQ_HAVE_X86_KERNELS)
    __builtin_cpu_init();
    const bool avx512 = __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if ((isa == KernelIsa::kBest || isa == KernelIsa::kAvx512) && avx512)
        return {BeamKernelAvx512, "avx512"};
    if ((isa == KernelIsa::kBest || isa == KernelIsa::kAvx2) && avx2)
        return {BeamKernelAvx2, "avx2"};
#else
    (void)isa;
#endif
    return {BeamKernelGeneric, "generic"};
}

}  // namespace vq::dsp
