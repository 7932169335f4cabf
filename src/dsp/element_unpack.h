// Unpacking of the sample array of a ping (sample-major element records of I and Q) into
// element rows of floats, and the per-element magnitudes of the Beam Test display.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/beam_data.h"

namespace vq {

struct SampleLayout {
    int num_samples = 500;
    int num_elements = 16;
    int bits = 16;            // 8 or 16 per I or Q value
    bool extra_byte = false;  // data formats 2 and 3: one more byte after Q
    int record_bytes() const { return (bits == 8 ? 2 : 4) + (extra_byte ? 1 : 0); }
};

// Row of element record k: NumElements-1-k when xdcr is 0, k when xdcr is 1.
inline int ElementRow(int k, int num_elements, int xdcr) {
    return xdcr == 1 ? k : num_elements - 1 - k;
}

// Fills rows 0 .. num_elements-1 (stride floats apart) of elem_i/elem_q, samples
// 0 .. num_samples-1, with raw counts. Samples that the array does not fully hold are set to
// 0. Returns the number of samples that were complete.
int UnpackElements(const std::uint8_t* data, std::size_t size, const SampleLayout& layout, int xdcr,
                   float* elem_i, float* elem_q, int stride);

// Writes trunc(sqrt(I^2+Q^2))*2, limited to 0..255, of each element into row
// (first_row + element row) of the byte image at column s (s < 500).
void BeamTestMagnitudes(const std::uint8_t* data, std::size_t size, const SampleLayout& layout,
                        int xdcr, int first_row, BeamByteImage& image);

}  // namespace vq
