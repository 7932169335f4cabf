#include "dsp/byte_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vq {

ByteImageRule ByteImageRuleFor(int head_id, bool head_formed) {
    switch (head_id) {
        case 85:
        case 90:
            return ByteImageRule::kA;
        case 86:
            return ByteImageRule::kB;
        case 87:
        case 89:
            return ByteImageRule::kC;
        default:
            return head_formed ? ByteImageRule::kA : ByteImageRule::kC;
    }
}

namespace {

inline std::uint8_t ClipByte(float v) {
    // Values are >= 0 from beam forming; anything else (or NaN) becomes 0.
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<std::uint8_t>(static_cast<int>(v));
}

void FillRow(const float* v, int num_samples, ByteImageRule rule, std::uint8_t* out) {
    const bool pairs = num_samples >= 2 * kByteImageCells;
    if (rule == ByteImageRule::kB && pairs) {
        for (int k = 0; k < kByteImageCells; ++k)
            out[k] = ClipByte(std::max(v[2 * k], v[2 * k + 1]));
    } else if (rule == ByteImageRule::kB) {
        // Pairs only exist with 1000 samples; shorter pings are taken cell by cell.
        const int n = std::min(num_samples, kByteImageCells);
        for (int k = 0; k < n; ++k) out[k] = ClipByte(v[k]);
    } else if (rule == ByteImageRule::kC && pairs) {
        for (int k = 0; k < kByteImageCells; ++k)
            out[k] = ClipByte(std::max(v[2 * k] + 0.5f, v[2 * k + 1] + 0.5f));
    } else {
        // Rule A, and rule C with 500 samples; the row holds at most 500 cells.
        const int n = std::min(num_samples, kByteImageCells);
        for (int k = 0; k < n; ++k) out[k] = ClipByte(v[k] + 0.5f);
    }
}

// 16 cells at a time, the same comparisons as ClipByte and std::max: built for AVX-512, AVX2
// and the baseline, chosen when the program starts.
typedef float V16 __attribute__((vector_size(64)));
typedef int I16 __attribute__((vector_size(64)));
typedef std::uint8_t B16 __attribute__((vector_size(16)));

inline V16 LoadV(const float* p) {
    V16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The bytes of ClipByte: 0 unless v > 0 (NaN too), 255 from 255 on, else trunc(v).
inline B16 ClipBytes(V16 v) {
    const V16 zero{};
    v = v > zero ? v : zero;
    v = v >= 255.0f ? zero + 255.0f : v;
    return __builtin_convertvector(__builtin_convertvector(v, I16), B16);
}

// std::max(a, b) lane by lane: b where a < b, else a.
inline V16 MaxV(V16 a, V16 b) {
    return a < b ? b : a;
}

template <ByteImageRule kRule, bool kPairs>
__attribute__((target_clones("avx512f", "avx2", "default"))) void FillRowFast(const float* v, int n,
                                                                              std::uint8_t* out) {
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        V16 x;
        if constexpr (kPairs) {
            const V16 a = LoadV(v + 2 * k), b = LoadV(v + 2 * k + 16);
            V16 even = __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24,
                                               26, 28, 30);
            V16 odd = __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25,
                                              27, 29, 31);
            if constexpr (kRule == ByteImageRule::kC) {
                even = even + 0.5f;
                odd = odd + 0.5f;
            }
            x = MaxV(even, odd);
        } else {
            x = LoadV(v + k);
            if constexpr (kRule != ByteImageRule::kB) x = x + 0.5f;
        }
        const B16 bytes = ClipBytes(x);
        std::memcpy(out + k, &bytes, sizeof bytes);
    }
    for (; k < n; ++k) {
        if constexpr (kPairs && kRule == ByteImageRule::kC)
            out[k] = ClipByte(std::max(v[2 * k] + 0.5f, v[2 * k + 1] + 0.5f));
        else if constexpr (kPairs)
            out[k] = ClipByte(std::max(v[2 * k], v[2 * k + 1]));
        else if constexpr (kRule == ByteImageRule::kB)
            out[k] = ClipByte(v[k]);
        else
            out[k] = ClipByte(v[k] + 0.5f);
    }
}

void FillRowFast(const float* v, int num_samples, ByteImageRule rule, std::uint8_t* out) {
    const bool pairs = num_samples >= 2 * kByteImageCells;
    const int n = pairs ? kByteImageCells : std::min(num_samples, kByteImageCells);
    if (rule == ByteImageRule::kB && pairs) {
        FillRowFast<ByteImageRule::kB, true>(v, n, out);
    } else if (rule == ByteImageRule::kB) {
        FillRowFast<ByteImageRule::kB, false>(v, n, out);
    } else if (rule == ByteImageRule::kC && pairs) {
        FillRowFast<ByteImageRule::kC, true>(v, n, out);
    } else {
        FillRowFast<ByteImageRule::kA, false>(v, n, out);
    }
}

}  // namespace

void FillBeamByteImage(const BeamData& beams, int num_beams, int num_samples, ByteImageRule rule,
                       BeamByteImage& image) {
    num_beams = std::clamp(num_beams, 0, kMaxBeams);
    num_samples = std::clamp(num_samples, 0, kBeamRowLength);
    for (int b = 0; b < num_beams; ++b)
        FillRowFast(beams.Row(b), num_samples, rule, image.Row(num_beams - 1 - b));
}

void FillBeamByteImageReference(const BeamData& beams, int num_beams, int num_samples,
                                ByteImageRule rule, BeamByteImage& image) {
    num_beams = std::clamp(num_beams, 0, kMaxBeams);
    num_samples = std::clamp(num_samples, 0, kBeamRowLength);
    for (int b = 0; b < num_beams; ++b)
        FillRow(beams.Row(b), num_samples, rule, image.Row(num_beams - 1 - b));
}

void StretchHalfRange(BeamByteImage& image) {
    for (int r = 0; r < kMaxBeams; ++r) {
        std::uint8_t* row = image.Row(r);
        // From the far end down, so every source cell is read before it is overwritten.
        for (int k = kByteImageCells / 2 - 1; k >= 0; --k) row[2 * k] = row[2 * k + 1] = row[k];
    }
}

void ConvertBeamsToBytes(const BeamData& beams, int num_beams, int num_samples, ByteImageRule rule,
                         const ByteImageOptions& options, BeamByteImage& image, WorkSplit* split) {
    // While the threads form the next ping's beams (an open round), this thread fills alone.
    if (!options.skip_fill && split != nullptr && split->threads() > 1 && !split->open()) {
        const int nb = std::clamp(num_beams, 0, kMaxBeams);
        const int ns = std::clamp(num_samples, 0, kBeamRowLength);
        constexpr int kRowsPerChunk = 64;
        const int chunks = (nb + kRowsPerChunk - 1) / kRowsPerChunk;
        auto rows = [&](int c) {
            const int end = std::min((c + 1) * kRowsPerChunk, nb);
            for (int b = c * kRowsPerChunk; b < end; ++b)
                FillRowFast(beams.Row(b), ns, rule, image.Row(nb - 1 - b));
        };
        split->RunChunks(chunks, rows);
    } else if (!options.skip_fill) {
        FillBeamByteImage(beams, num_beams, num_samples, rule, image);
    }
    if (options.half_range) StretchHalfRange(image);
}

}  // namespace vq
