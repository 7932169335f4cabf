// Row kernels of the scan conversion: clean[i] = interpolated beam-column value of packed[i].
#pragma once

#include <cstdint>

#include "display/pixel_tables.h"

namespace vq {

// Weight triples as the row kernels read them.
struct RowWeights {
    explicit RowWeights(const PixelTables& t);
    std::int32_t w0w2[64];  // w0 | w2 << 16
    std::int32_t w1[64];
    std::int32_t w012[64];  // w0 | w1 << 8 | w2 << 16
};

void ScanRowScalar(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
                   std::uint8_t* clean, int n);

// Uses AVX2 gathers when the processor has them, the scalar kernel otherwise.
void ScanRow(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
             std::uint8_t* clean, int n);

// The whole picture in one pass over the spans of rows 0..540, 16 pixels at a time: clean,
// the shown picture (overlay pixels kept) and, with `persist`, the persistence (max with the
// new picture, shown truncated, then decayed by `decay`, not below 0). Gives the same bytes
// and floats as ScanRow followed by the show or persistence row. Only on processors with
// AVX-512 (F, BW, VL): FusedScanAvailable() says whether it may be called.
bool FusedScanAvailable();
void FusedScanAvx512(const PixelTables& t, const RowWeights& w, const std::uint8_t* columns,
                     std::uint8_t* clean, std::uint8_t* display, float* persist, float decay);

}  // namespace vq
