#include "dsp_peak.h"

#include <algorithm>
#include <ctime>

#if defined(__x86_64__)
#include <immintrin.h>

namespace {

// Enough independent chains to cover latency x throughput, few enough to stay in registers
// (32 vector registers with AVX-512, 16 without).
constexpr int kChains = 16;
constexpr int kChains256 = 12;

__attribute__((target("avx512f"), noinline)) float Fma512(long iters) {
    __m512 acc[kChains];
    for (int i = 0; i < kChains; ++i) acc[i] = _mm512_set1_ps(0.001f * static_cast<float>(i));
    const __m512 m = _mm512_set1_ps(0.999999f), a = _mm512_set1_ps(1e-7f);
    for (long it = 0; it < iters; ++it)
#pragma GCC unroll 16  // the chains must live in registers, not in memory
        for (int i = 0; i < kChains; ++i) acc[i] = _mm512_fmadd_ps(acc[i], m, a);
    __m512 sum = acc[0];
    for (int i = 1; i < kChains; ++i) sum = _mm512_add_ps(sum, acc[i]);
    float out[16];
    _mm512_storeu_ps(out, sum);
    return out[0] + out[15];
}

__attribute__((target("avx2,fma"), noinline)) float Fma256(long iters) {
    __m256 acc[kChains256];
    for (int i = 0; i < kChains256; ++i) acc[i] = _mm256_set1_ps(0.001f * static_cast<float>(i));
    const __m256 m = _mm256_set1_ps(0.999999f), a = _mm256_set1_ps(1e-7f);
    for (long it = 0; it < iters; ++it)
#pragma GCC unroll 16
        for (int i = 0; i < kChains256; ++i) acc[i] = _mm256_fmadd_ps(acc[i], m, a);
    __m256 sum = acc[0];
    for (int i = 1; i < kChains256; ++i) sum = _mm256_add_ps(sum, acc[i]);
    float out[8];
    _mm256_storeu_ps(out, sum);
    return out[0] + out[7];
}

// CPU time of this thread: the machine may be shared, and the beam-forming figures are per
// CPU second as well.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

template <class F>
double BestGflops(F f, int lanes, int chains) {
    constexpr long kIters = 2000000;
    double best = 0.0;
    volatile float sink = 0.0f;
    for (int rep = 0; rep < 7; ++rep) {
        const double t0 = ThreadSeconds();
        sink = sink + f(kIters);
        const double s = ThreadSeconds() - t0;
        best = std::max(best, 2.0 * lanes * chains * static_cast<double>(kIters) / s * 1e-9);
    }
    return best;
}

}  // namespace

FmaPeak MeasureFmaPeak() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return {BestGflops(Fma512, 16, kChains), "avx512"};
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return {BestGflops(Fma256, 8, kChains256), "avx2"};
    return {0.0, "none"};
}

#else
FmaPeak MeasureFmaPeak() {
    return {0.0, "none"};
}
#endif
