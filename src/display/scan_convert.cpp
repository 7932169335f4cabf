#include "display/scan_convert.h"

#include <algorithm>
#include <cmath>

#include "display/scan_rows.h"
#include "display/table_builders.h"
#include "dsp/beam_data.h"

namespace vq {

namespace {

constexpr int kCells = kByteImageCells;

inline void Span(const PixelTables& t, int y, int& x0, int& x1) {
    x0 = std::max(0, static_cast<int>(t.RowStart[static_cast<std::size_t>(y)]));
    x1 = std::min(kImageWidth, static_cast<int>(t.RowEnd[static_cast<std::size_t>(y)]));
}

// Copies a row into the shown picture except over overlay pixels; branch-free.
inline void ShowRow(const std::uint8_t* __restrict clean, std::uint8_t* __restrict display, int n) {
    for (int i = 0; i < n; ++i) {
        const auto keep = static_cast<std::uint8_t>(display[i] == kOverlayValue ? 0xff : 0);
        display[i] = static_cast<std::uint8_t>((display[i] & keep) | (clean[i] & ~keep));
    }
}

// One row of persistence: max with the new picture, show, decay. Branch-free so it vectorises.
inline void PersistRow(const std::uint8_t* __restrict clean, float* __restrict persist,
                       std::uint8_t* __restrict display, int n, float decay) {
    for (int i = 0; i < n; ++i) {
        const float c = static_cast<float>(clean[i]);
        const float p = persist[i] > c ? persist[i] : c;
        const auto shown = static_cast<std::uint8_t>(static_cast<int>(p));
        display[i] = display[i] == kOverlayValue ? kOverlayValue : shown;
        const float q = p - decay;
        persist[i] = q > 0.0f ? q : 0.0f;
    }
}

// Calls fn(offset of the span's first pixel, span length) for rows 0..540.
template <typename Fn>
void ForSpanRows(const PixelTables& t, Fn fn) {
    for (int y = 0; y < kImageHeight - 1; ++y) {
        int x0 = 0;
        int x1 = 0;
        Span(t, y, x0, x1);
        if (x1 > x0) fn(y * kImageWidth + x0, x1 - x0);
    }
}

}  // namespace

void ScanConvertReference(const PixelTables& t, const std::uint8_t* beam_columns,
                          std::uint8_t* clean, std::uint8_t* display) {
    const PackedPixel* packed = t.packed.data();
    const RowWeights w(t);
    ForSpanRows(t, [&](int i, int n) {
        ScanRow(packed + i, w, beam_columns, clean + i, n);
        ShowRow(clean + i, display + i, n);
    });
}

void ScanConvert(const PixelTables& t, const std::uint8_t* beam_columns, std::uint8_t* clean,
                 std::uint8_t* display) {
    if (!FusedScanAvailable()) {
        ScanConvertReference(t, beam_columns, clean, display);
        return;
    }
    FusedScanAvx512(t, RowWeights(t), beam_columns, clean, display, nullptr, 0.0f);
}

float PersistenceDecay(int persistence_s, double ping_interval_ms, float previous) {
    if (persistence_s > 0 && ping_interval_ms > 0.0 && ping_interval_ms < 1000.0) {
        return static_cast<float>(80.0 / (persistence_s * 1000.0 / ping_interval_ms));
    }
    return previous;
}

void ApplyPersistence(const PixelTables& t, const std::uint8_t* clean, float* persist,
                      std::uint8_t* display, float decay) {
    ForSpanRows(t,
                [&](int i, int n) { PersistRow(clean + i, persist + i, display + i, n, decay); });
}

void ScanConvertPersistReference(const PixelTables& t, const std::uint8_t* beam_columns,
                                 std::uint8_t* clean, float* persist, std::uint8_t* display,
                                 float decay) {
    const PackedPixel* packed = t.packed.data();
    const RowWeights w(t);
    ForSpanRows(t, [&](int i, int n) {
        ScanRow(packed + i, w, beam_columns, clean + i, n);
        PersistRow(clean + i, persist + i, display + i, n, decay);
    });
}

void ScanConvertPersist(const PixelTables& t, const std::uint8_t* beam_columns, std::uint8_t* clean,
                        float* persist, std::uint8_t* display, float decay) {
    if (!FusedScanAvailable()) {
        ScanConvertPersistReference(t, beam_columns, clean, persist, display, decay);
        return;
    }
    FusedScanAvx512(t, RowWeights(t), beam_columns, clean, display, persist, decay);
}

void DrawBeamTest(const PixelTables& t, const std::uint8_t* byte_image, std::uint8_t* clean,
                  std::uint8_t* display) {
    for (int y = 0; y < kImageHeight; ++y) {
        int x0 = 0;
        int x1 = 0;
        Span(t, y, x0, x1);
        for (int x = x0; x < x1; ++x) {
            const auto i = static_cast<std::size_t>(y * kImageWidth + x);
            const int a = std::clamp(static_cast<int>(t.PixelBeam[i]), 0, 63);
            const int cell = std::clamp(static_cast<int>(t.PixelCell[i]), 0, kCells - 1);
            std::uint8_t v = byte_image[(kBeamTestFirstRow + a) * kCells + cell];
            if (v > kMaxDataValue) v = kMaxDataValue;
            clean[i] = v;
            if (display[i] != kOverlayValue) display[i] = v;
        }
    }
}

namespace {

inline void PutLinear(std::uint8_t* display, int x, int y, float v) {
    if (x < 0 || x >= kImageWidth || y < 0 || y >= kImageHeight) return;
    std::uint8_t& px = display[y * kImageWidth + x];
    if (px == kOverlayValue) return;
    const float c = v >= 0.0f ? std::min(v, static_cast<float>(kMaxDataValue)) : 0.0f;  // NaN -> 0
    px = static_cast<std::uint8_t>(c);
}

}  // namespace

void DrawLinear(const BeamData& beams, int num_beams, int num_samples, ByteRule rule,
                std::uint8_t* display) {
    const int nb = std::clamp(num_beams, 0, kMaxBeams);
    const int ns = std::clamp(num_samples, 0, kBeamRowLength);
    const int h = nb / 2;
    const bool pairs = ns > kCells;
    const int n = pairs ? ns / 2 : ns;
    for (int col = 0; col < nb; ++col) {
        const int x = h + kApexX - col;
        // Rules A and B: beam `col`, range upward; rule C: beam nb-1-col, range downward.
        const float* v = beams.Row(rule == ByteRule::C ? nb - 1 - col : col);
        for (int k = 0; k < n; ++k) {
            float value = v[k];
            if (pairs && rule == ByteRule::C)
                value = std::max(v[2 * k] + 0.5f, v[2 * k + 1] + 0.5f);
            else if (pairs)
                value = std::max(v[2 * k], v[2 * k + 1]);
            PutLinear(display, x, rule == ByteRule::C ? k : kImageHeight - k, value);
        }
    }
}

}  // namespace vq
