#include "display/pixel_tables.h"

#include <algorithm>

#include "dsp/beam_data.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vq {

const std::array<AngleWeight, 20>& AngleWeights() {
    static const std::array<AngleWeight, 20> table = [] {
        std::array<AngleWeight, 20> t{};
        for (int r = 0; r < 20; ++r) {
            t[static_cast<std::size_t>(r)] = {static_cast<std::uint8_t>(95 - 5 * r), 105,
                                              static_cast<std::uint8_t>(5 * r)};
        }
        return t;
    }();
    return table;
}

PixelTables::PixelTables()
    : PixelStep(kImagePixels),
      PixelBeam(kImagePixels),
      PixelCell(kImagePixels),
      PixelW0(kImagePixels),
      PixelW1(kImagePixels),
      PixelW2(kImagePixels),
      packed(kImagePixels) {}

void PixelTables::Clear() {
    std::fill(PixelStep.begin(), PixelStep.end(), 0);
    std::fill(PixelBeam.begin(), PixelBeam.end(), 0);
    std::fill(PixelCell.begin(), PixelCell.end(), 0);
    std::fill(PixelW0.begin(), PixelW0.end(), 0);
    std::fill(PixelW1.begin(), PixelW1.end(), 0);
    std::fill(PixelW2.begin(), PixelW2.end(), 0);
    std::fill(packed.begin(), packed.end(), PackedPixel{0});
    weight_sets.fill(WeightSet{0, 0, 0});
    num_weight_sets = 1;  // set 0: all weights 0
    RowStart.fill(0);
    RowEnd.fill(0);
}

void PixelTables::Pack(int num_beams) {
    // Rows outside 0..num_beams-1 are 0 in the beam columns, so the weights stay as built.
    (void)num_beams;
    int last_set = 0;
    for (int i = 0; i < kImagePixels; ++i) {
        const int a =
            std::clamp(static_cast<int>(PixelBeam[static_cast<std::size_t>(i)]), 0, kMaxBeams - 1);
        const int cell = std::clamp(static_cast<int>(PixelCell[static_cast<std::size_t>(i)]), 0,
                                    kColumnCells - 1);
        const int w[3] = {PixelW0[static_cast<std::size_t>(i)],
                          PixelW1[static_cast<std::size_t>(i)],
                          PixelW2[static_cast<std::size_t>(i)]};
        const int first = a;  // row a - 1 sits at column position a
        const WeightSet ws{static_cast<std::uint16_t>(w[0]), static_cast<std::uint16_t>(w[1]),
                           static_cast<std::uint16_t>(w[2])};
        int set = last_set;  // neighbours mostly share a triple
        if (!(weight_sets[static_cast<std::size_t>(set)].w0 == ws.w0 &&
              weight_sets[static_cast<std::size_t>(set)].w1 == ws.w1 &&
              weight_sets[static_cast<std::size_t>(set)].w2 == ws.w2)) {
            set = 0;
        }
        while (set < num_weight_sets && !(weight_sets[static_cast<std::size_t>(set)].w0 == ws.w0 &&
                                          weight_sets[static_cast<std::size_t>(set)].w1 == ws.w1 &&
                                          weight_sets[static_cast<std::size_t>(set)].w2 == ws.w2)) {
            ++set;
        }
        if (set == num_weight_sets) {
            if (num_weight_sets == static_cast<int>(weight_sets.size())) {
                set = 0;  // cannot happen with the builders' weights; show 0 rather than garbage
            } else {
                weight_sets[static_cast<std::size_t>(set)] = ws;
                ++num_weight_sets;
            }
        }
        last_set = set;
        const auto offset = static_cast<std::uint32_t>(cell * kColumnStride + first);
        packed[static_cast<std::size_t>(i)] =
            offset | (static_cast<std::uint32_t>(set) << kPackedOffsetBits);
    }
}

void TransposeBeamsReference(const std::uint8_t* byte_image, int num_beams, std::uint8_t* columns) {
    const int nb = std::clamp(num_beams, 0, kMaxBeams);
    constexpr int kBlock = 64;  // cells per block: the written lines stay in cache across rows
    for (int c0 = 0; c0 < kColumnCells; c0 += kBlock) {
        const int c1 = std::min(c0 + kBlock, kColumnCells);
        for (int r = 0; r < nb; ++r) {
            const std::uint8_t* src = byte_image + r * kByteImageCells;
            std::uint8_t* dst = columns + r + 1;
            for (int c = c0; c < c1; ++c) dst[c * kColumnStride] = src[c];
        }
    }
}

namespace {

#if defined(__SSE2__)
// Rows r .. r+15, cells c .. c+15 of the byte image into columns c .. c+15 (16 bytes each):
// four rounds of interleaving bytes, pairs, quads and halves.
void Transpose16(const std::uint8_t* src, std::uint8_t* dst) {
    __m128i a[16], b[16];
    for (int i = 0; i < 16; ++i)
        a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * kByteImageCells));
    for (int i = 0; i < 16; i += 2) {
        b[i] = _mm_unpacklo_epi8(a[i], a[i + 1]);
        b[i + 1] = _mm_unpackhi_epi8(a[i], a[i + 1]);
    }
    for (int g = 0; g < 16; g += 4) {  // rows g .. g+3
        a[g] = _mm_unpacklo_epi16(b[g], b[g + 2]);
        a[g + 1] = _mm_unpackhi_epi16(b[g], b[g + 2]);
        a[g + 2] = _mm_unpacklo_epi16(b[g + 1], b[g + 3]);
        a[g + 3] = _mm_unpackhi_epi16(b[g + 1], b[g + 3]);
    }
    for (int g = 0; g < 16; g += 8)  // rows g .. g+7
        for (int j = 0; j < 4; ++j) {
            b[g + 2 * j] = _mm_unpacklo_epi32(a[g + j], a[g + 4 + j]);
            b[g + 2 * j + 1] = _mm_unpackhi_epi32(a[g + j], a[g + 4 + j]);
        }
    for (int j = 0; j < 8; ++j) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + (2 * j) * kColumnStride),
                         _mm_unpacklo_epi64(b[j], b[j + 8]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + (2 * j + 1) * kColumnStride),
                         _mm_unpackhi_epi64(b[j], b[j + 8]));
    }
}
#endif

}  // namespace

void TransposeBeams(const std::uint8_t* byte_image, int num_beams, std::uint8_t* columns) {
    const int nb = std::clamp(num_beams, 0, kMaxBeams);
    int r0 = 0;
#if defined(__SSE2__)
    constexpr int kFullCells = kColumnCells / 16 * 16;
    for (; r0 + 16 <= nb; r0 += 16) {
        for (int c = 0; c < kFullCells; c += 16)
            Transpose16(byte_image + r0 * kByteImageCells + c,
                        columns + c * kColumnStride + r0 + 1);
        for (int r = r0; r < r0 + 16; ++r)
            for (int c = kFullCells; c < kColumnCells; ++c)
                columns[c * kColumnStride + r + 1] = byte_image[r * kByteImageCells + c];
    }
#endif
    for (int r = r0; r < nb; ++r)
        for (int c = 0; c < kColumnCells; ++c)
            columns[c * kColumnStride + r + 1] = byte_image[r * kByteImageCells + c];
}

}  // namespace vq
