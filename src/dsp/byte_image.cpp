#include "dsp/byte_image.h"

#include <algorithm>

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

}  // namespace

void FillBeamByteImage(const BeamData& beams, int num_beams, int num_samples, ByteImageRule rule,
                       BeamByteImage& image) {
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
                         const ByteImageOptions& options, BeamByteImage& image) {
    if (!options.skip_fill) FillBeamByteImage(beams, num_beams, num_samples, rule, image);
    if (options.half_range) StretchHalfRange(image);
}

}  // namespace vq
