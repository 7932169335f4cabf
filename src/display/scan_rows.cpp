#include "display/scan_rows.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VQ_HAVE_AVX2_KERNEL 1
#endif

namespace vq {

#if defined(VQ_FUSED_SCAN)
constexpr bool kFusedScanBuilt = true;
#else
constexpr bool kFusedScanBuilt = false;
#endif

RowWeights::RowWeights(const PixelTables& t) {
    for (std::size_t i = 0; i < 64; ++i) {
        const WeightSet& s = t.weight_sets[i];
        w0w2[i] = static_cast<std::int32_t>(s.w0 | (static_cast<std::uint32_t>(s.w2) << 16));
        w1[i] = s.w1;
        // The weights are bytes (AngleWeights and the builders' copies of them).
        w012[i] = static_cast<std::int32_t>((s.w0 & 0xffu) | ((s.w1 & 0xffu) << 8) |
                                            ((s.w2 & 0xffu) << 16));
    }
}

void ScanRowScalar(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
                   std::uint8_t* clean, int n) {
    for (int i = 0; i < n; ++i) {
        const PackedPixel p = packed[i];
        const std::uint8_t* s = columns + (p & kPackedOffsetMask);
        const unsigned set = (p >> kPackedOffsetBits) & 63u;
        const auto ww = static_cast<std::uint32_t>(w.w0w2[set]);
        const unsigned v =
            ((ww & 0xffffu) * s[0] + static_cast<unsigned>(w.w1[set]) * s[1] + (ww >> 16) * s[2]) >>
            8;
        clean[i] = static_cast<std::uint8_t>(v > 254u ? 254u : v);
    }
}

#ifdef VQ_HAVE_AVX2_KERNEL

namespace {

// Eight pixels at a time: one gather brings the three neighbouring rows of each pixel, two
// more its weights; madd forms w0*b0 + w2*b2 and w1*b1 in 32-bit lanes.
__attribute__((target("avx2"))) void ScanRowAvx2(const PackedPixel* packed, const RowWeights& w,
                                                 const std::uint8_t* columns, std::uint8_t* clean,
                                                 int n) {
    const __m256i offset_mask = _mm256_set1_epi32(static_cast<int>(kPackedOffsetMask));
    const __m256i set_mask = _mm256_set1_epi32(63);
    const __m256i byte_pairs = _mm256_set1_epi32(0x00ff00ff);
    const __m256i limit = _mm256_set1_epi32(254);
    const auto* base = reinterpret_cast<const int*>(columns);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + i));
        const __m256i off = _mm256_and_si256(p, offset_mask);
        const __m256i set = _mm256_and_si256(_mm256_srli_epi32(p, kPackedOffsetBits), set_mask);
        const __m256i u = _mm256_i32gather_epi32(base, off, 1);
        const __m256i wa = _mm256_i32gather_epi32(w.w0w2, set, 4);
        const __m256i wb = _mm256_i32gather_epi32(w.w1, set, 4);
        const __m256i b02 = _mm256_and_si256(u, byte_pairs);
        const __m256i b13 = _mm256_and_si256(_mm256_srli_epi32(u, 8), byte_pairs);
        __m256i v = _mm256_add_epi32(_mm256_madd_epi16(b02, wa), _mm256_madd_epi16(b13, wb));
        v = _mm256_min_epi32(_mm256_srli_epi32(v, 8), limit);
        const __m128i lo = _mm256_castsi256_si128(v);
        const __m128i hi = _mm256_extracti128_si256(v, 1);
        const __m128i words = _mm_packus_epi32(lo, hi);
        const __m128i bytes = _mm_packus_epi16(words, words);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(clean + i), bytes);
    }
    ScanRowScalar(packed + i, w, columns, clean + i, n - i);
}

}  // namespace

bool FusedScanAvailable() {
    static const bool ok = kFusedScanBuilt && __builtin_cpu_supports("avx512f") &&
                           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    return ok;
}

void ScanRow(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
             std::uint8_t* clean, int n) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        ScanRowAvx2(packed, w, columns, clean, n);
    } else {
        ScanRowScalar(packed, w, columns, clean, n);
    }
}

#else

bool FusedScanAvailable() {
    return false;
}

void ScanRow(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
             std::uint8_t* clean, int n) {
    ScanRowScalar(packed, w, columns, clean, n);
}

#endif

}  // namespace vq
