#include "dsp/beam_kernels.h"

namespace vq::dsp {

BeamKernel SelectBeamKernel(KernelIsa isa, KernelVariant variant) {
    const bool ref = variant == KernelVariant::kReference;
#if defined(VQ_HAVE_X86_KERNELS)
    __builtin_cpu_init();
    const bool avx512 = __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if ((isa == KernelIsa::kBest || isa == KernelIsa::kAvx512) && avx512)
        return ref ? BeamKernel{BeamKernelRefAvx512, "avx512-ref"}
                   : BeamKernel{BeamKernelAvx512, "avx512"};
    if ((isa == KernelIsa::kBest || isa == KernelIsa::kAvx2) && avx2)
        return ref ? BeamKernel{BeamKernelRefAvx2, "avx2-ref"} : BeamKernel{BeamKernelAvx2, "avx2"};
#else
    (void)isa;
#endif
    return ref ? BeamKernel{BeamKernelRefGeneric, "generic-ref"}
               : BeamKernel{BeamKernelGeneric, "generic"};
}

}  // namespace vq::dsp
