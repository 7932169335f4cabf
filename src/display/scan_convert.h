// Per-ping picture kernels: table-driven scan conversion, persistence, Beam Test bars and the
// Linear display. They touch only the spans and never replace an overlay pixel (255).
#pragma once

#include <cstdint>

#include "display/display_params.h"
#include "display/pixel_tables.h"

namespace vq {

class BeamData;

// CleanImage and DisplayImage from the beam columns of BeamByteImage (transpose_beams), over
// rows 0..540 inside the spans: v = (W0 img[A-1][B] + W1 img[A][B] + W2 img[A+1][B]) >> 8.
void ScanConvert(const PixelTables& t, const std::uint8_t* beam_columns, std::uint8_t* clean,
                 std::uint8_t* display);

// Decay per ping d = 80 / (T * 1000 / p); the previous value stays unless 0 < p < 1000, T > 0.
float PersistenceDecay(int persistence_s, double ping_interval_ms, float previous);

// PersistImage = max(PersistImage, CleanImage); show trunc; then PersistImage -= decay (>= 0).
void ApplyPersistence(const PixelTables& t, const std::uint8_t* clean, float* persist,
                      std::uint8_t* display, float decay);

// Scan conversion and persistence in one pass (same result as the two calls in a row).
void ScanConvertPersist(const PixelTables& t, const std::uint8_t* beam_columns, std::uint8_t* clean,
                        float* persist, std::uint8_t* display, float decay);

// The first row-by-row forms of ScanConvert and ScanConvertPersist (AVX2 gathers or scalar
// rows, then a second pass per row): the same bytes and floats, kept as the yardstick of the
// one-pass kernels in tests and benchmarks.
void ScanConvertReference(const PixelTables& t, const std::uint8_t* beam_columns,
                          std::uint8_t* clean, std::uint8_t* display);
void ScanConvertPersistReference(const PixelTables& t, const std::uint8_t* beam_columns,
                                 std::uint8_t* clean, float* persist, std::uint8_t* display,
                                 float decay);

// Beam Test bars: byte-image row 44 + column, no interpolation; 255 is shown as 254.
void DrawBeamTest(const PixelTables& t, const std::uint8_t* byte_image, std::uint8_t* clean,
                  std::uint8_t* display);

// Linear display: beams written straight into the picture as columns by rule A, B or C.
void DrawLinear(const BeamData& beams, int num_beams, int num_samples, ByteRule rule,
                std::uint8_t* display);

}  // namespace vq
