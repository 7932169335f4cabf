// Quantising the beam intensities to the byte image that feeds the sector, perspective and
// profile pictures.
#pragma once

#include "core/work_split.h"
#include "dsp/beam_data.h"

namespace vq {

enum class ByteImageRule { kA, kB, kC };

// Rule by the head id of the return header: 77 gives A for head-formed beams (data format 4)
// and C for element data; 85 A, 86 B, 87 C, 89 C, 90 A. Other ids are treated like 77.
ByteImageRule ByteImageRuleFor(int head_id, bool head_formed);

struct ByteImageOptions {
    bool half_range = false;  // HalfRange: show the first half of the window at twice the scale
    bool skip_fill = false;   // keep the previous image (profile "Points Only" display)
};

// Convert: fill by the rule (unless skipped), then the half-range stretch when on. Row r of
// the image holds beam num_beams-1-r. With `split` (not busy with a round of its own), its
// threads share the rows (the same bytes).
void ConvertBeamsToBytes(const BeamData& beams, int num_beams, int num_samples, ByteImageRule rule,
                         const ByteImageOptions& options, BeamByteImage& image,
                         WorkSplit* split = nullptr);

// The skip applies when profile detection is on and ProfileDisplayType is 3.
inline bool SkipByteImageFill(int profile_point_detection, int profile_display_type) {
    return profile_point_detection != 0 && profile_display_type == 3;
}

void FillBeamByteImage(const BeamData& beams, int num_beams, int num_samples, ByteImageRule rule,
                       BeamByteImage& image);
// The same bytes, cell by cell (the first form, kept as the yardstick of tests and benchmarks).
void FillBeamByteImageReference(const BeamData& beams, int num_beams, int num_samples,
                                ByteImageRule rule, BeamByteImage& image);
void StretchHalfRange(BeamByteImage& image);

}  // namespace vq
