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
};

void ScanRowScalar(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
                   std::uint8_t* clean, int n);

// Uses AVX2 gathers when the processor has them, the scalar kernel otherwise.
void ScanRow(const PackedPixel* packed, const RowWeights& w, const std::uint8_t* columns,
             std::uint8_t* clean, int n);

}  // namespace vq
