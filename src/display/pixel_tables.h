// Per-pixel lookup tables of the scan conversion, rebuilt on every geometry change.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "display/display_params.h"

namespace vq {

// AngleWeights row r = (95 - 5r, 105, 5r); every row sums to 200.
struct AngleWeight {
    std::uint8_t w0, w1, w2;
};
const std::array<AngleWeight, 20>& AngleWeights();

// The per-ping scan conversion reads a cell-major copy of BeamByteImage ("beam columns"):
// cell c holds beams -1 .. 602 at c * kColumnStride + row + 1, rows outside the beams 0, so a
// pixel's three neighbouring rows are three adjacent bytes.
inline constexpr int kColumnStride = 608;
inline constexpr int kColumnCells = 500;
inline constexpr int kColumnsSize = kColumnCells * kColumnStride + 16;

// Fills `columns` (kColumnsSize bytes) from rows 0..num_beams-1 of the byte image; every other
// byte of `columns` must already be 0 (clear it once when the beam count changes). Blocks of
// 16 beams by 16 cells are transposed in registers.
void TransposeBeams(const std::uint8_t* byte_image, int num_beams, std::uint8_t* columns);
// The same, byte by byte (the first form, kept as the yardstick of tests and benchmarks).
void TransposeBeamsReference(const std::uint8_t* byte_image, int num_beams, std::uint8_t* columns);

// The fast form of one pixel, 4 bytes: the beam-column offset of the first of three
// consecutive rows (low 19 bits) and the index of its weight triple (high bits).
using PackedPixel = std::uint32_t;
inline constexpr int kPackedOffsetBits = 19;
inline constexpr std::uint32_t kPackedOffsetMask = (1u << kPackedOffsetBits) - 1;
inline constexpr int kMaxWeightSets = 1 << (32 - kPackedOffsetBits);

struct WeightSet {
    std::uint16_t w0, w1, w2;
};

struct PixelTables {
    PixelTables();
    void Clear();
    // Derives the packed form from beam/cell/weights once building is done.
    void Pack(int num_beams);
    int Index(int x, int y) const { return y * kImageWidth + x; }

    std::vector<std::int32_t> PixelStep, PixelBeam, PixelCell;
    std::vector<std::uint8_t> PixelW0, PixelW1, PixelW2;
    std::vector<PackedPixel> packed;
    std::array<WeightSet, 64> weight_sets{};  // the distinct triples used by `packed`
    int num_weight_sets = 0;
    std::array<std::int16_t, kImageHeight> RowStart{}, RowEnd{};
};

}  // namespace vq
