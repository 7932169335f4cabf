// The one-pass scan conversion with AVX-512: per 16 pixels one gather brings the three
// neighbouring beam rows of each pixel, two permutes pick its weight triple from the 64 sets,
// and the clean, shown and persistence values are written without a second pass. Built with
// AVX-512 flags on x86 (see CMakeLists.txt) and called only after FusedScanAvailable().
#include <algorithm>

#include "display/scan_rows.h"

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512VL__)
#include <immintrin.h>

namespace vq {

namespace {

struct WeightTables {
    __m512i lo0, lo1, hi0, hi1;  // sets 0..15, 16..31, 32..47, 48..63
};

// The packed triple w0 | w1 << 8 | w2 << 16 of each pixel's weight set (6 bits).
inline __m512i Weights(const WeightTables& t, __m512i set) {
    const __m512i lo = _mm512_permutex2var_epi32(t.lo0, set, t.lo1);
    const __m512i hi = _mm512_permutex2var_epi32(t.hi0, set, t.hi1);
    const __mmask16 upper = _mm512_test_epi32_mask(set, _mm512_set1_epi32(32));
    return _mm512_mask_blend_epi32(upper, lo, hi);
}

// (w0 b0 + w1 b1 + w2 b2) >> 8, at most 254, for the 16 pixels of `p` (lanes outside k: 0).
inline __m512i Interpolate(const WeightTables& t, const std::uint8_t* columns, __m512i p,
                           __mmask16 k) {
    const __m512i off = _mm512_and_si512(p, _mm512_set1_epi32(static_cast<int>(kPackedOffsetMask)));
    const __m512i set =
        _mm512_and_si512(_mm512_srli_epi32(p, kPackedOffsetBits), _mm512_set1_epi32(63));
    const __m512i u = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), k, off, columns, 1);
    const __m512i w = Weights(t, set);
    const __m512i pairs = _mm512_set1_epi32(0x00ff00ff);
    const __m512i b02 = _mm512_and_si512(u, pairs);
    const __m512i b13 = _mm512_and_si512(_mm512_srli_epi32(u, 8), pairs);
    const __m512i w02 = _mm512_and_si512(w, pairs);
    const __m512i w1 = _mm512_and_si512(_mm512_srli_epi32(w, 8), _mm512_set1_epi32(0xff));
    const __m512i v = _mm512_add_epi32(_mm512_madd_epi16(b02, w02), _mm512_madd_epi16(b13, w1));
    return _mm512_min_epu32(_mm512_srli_epi32(v, 8), _mm512_set1_epi32(kMaxDataValue));
}

template <bool kPersist>
void FusedRows(const PixelTables& t, const RowWeights& rw, const std::uint8_t* columns,
               std::uint8_t* clean, std::uint8_t* display, float* persist, float decay) {
    const WeightTables wt{_mm512_loadu_si512(rw.w012), _mm512_loadu_si512(rw.w012 + 16),
                          _mm512_loadu_si512(rw.w012 + 32), _mm512_loadu_si512(rw.w012 + 48)};
    const __m128i overlay = _mm_set1_epi8(static_cast<char>(kOverlayValue));
    const __m512 d = _mm512_set1_ps(decay);
    const __m512 zero = _mm512_setzero_ps();
    for (int y = 0; y < kImageHeight - 1; ++y) {
        const int x0 = std::max(0, static_cast<int>(t.RowStart[static_cast<std::size_t>(y)]));
        const int x1 =
            std::min(kImageWidth, static_cast<int>(t.RowEnd[static_cast<std::size_t>(y)]));
        for (int x = x0; x < x1; x += 16) {
            const int i = y * kImageWidth + x;
            const __mmask16 k = x1 - x >= 16 ? static_cast<__mmask16>(0xffff)
                                             : static_cast<__mmask16>((1u << (x1 - x)) - 1);
            const __m512i p = _mm512_maskz_loadu_epi32(k, t.packed.data() + i);
            const __m512i v = Interpolate(wt, columns, p, k);
            const __m128i bytes = _mm512_cvtepi32_epi8(v);
            _mm_mask_storeu_epi8(clean + i, k, bytes);
            const __m128i shown_before = _mm_maskz_loadu_epi8(k, display + i);
            const __mmask16 data = k & ~_mm_cmpeq_epi8_mask(shown_before, overlay);
            if constexpr (kPersist) {
                // PersistImage = max(PersistImage, CleanImage); show trunc; decay, not below 0.
                const __m512 c = _mm512_cvtepi32_ps(v);
                const __m512 p_old = _mm512_maskz_loadu_ps(k, persist + i);
                const __m512 m = _mm512_max_ps(p_old, c);  // p_old > c ? p_old : c
                _mm_mask_storeu_epi8(display + i, data,
                                     _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(m)));
                _mm512_mask_storeu_ps(persist + i, k, _mm512_max_ps(_mm512_sub_ps(m, d), zero));
            } else {
                _mm_mask_storeu_epi8(display + i, data, bytes);
            }
        }
    }
}

}  // namespace

void FusedScanAvx512(const PixelTables& t, const RowWeights& w, const std::uint8_t* columns,
                     std::uint8_t* clean, std::uint8_t* display, float* persist, float decay) {
    if (persist)
        FusedRows<true>(t, w, columns, clean, display, persist, decay);
    else
        FusedRows<false>(t, w, columns, clean, display, nullptr, 0.0f);
}

}  // namespace vq

#else

namespace vq {

void FusedScanAvx512(const PixelTables&, const RowWeights&, const std::uint8_t*, std::uint8_t*,
                     std::uint8_t*, float*, float) {}

}  // namespace vq

#endif
