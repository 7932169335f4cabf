#include "dsp/element_unpack.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/byte_order.h"

namespace vq {

namespace {

struct IQ {
    int i;
    int q;
};

inline IQ ReadRecord(const std::uint8_t* p, int bits) {
    if (bits == 8) return {static_cast<std::int8_t>(p[0]), static_cast<std::int8_t>(p[1])};
    return {byte_order::GetI16Le(p), byte_order::GetI16Le(p + 2)};
}

int CompleteSamples(std::size_t size, const SampleLayout& l) {
    const std::size_t per_sample =
        static_cast<std::size_t>(l.record_bytes()) * static_cast<std::size_t>(l.num_elements);
    if (per_sample == 0) return 0;
    return static_cast<int>(
        std::min<std::size_t>(size / per_sample, static_cast<std::size_t>(l.num_samples)));
}

}  // namespace

int UnpackElements(const std::uint8_t* data, std::size_t size, const SampleLayout& layout, int xdcr,
                   float* elem_i, float* elem_q, int stride) {
    const int ne = std::clamp(layout.num_elements, 0, kMaxElements);
    const int ns = std::clamp(layout.num_samples, 0, kBeamRowLength);
    SampleLayout l = layout;
    l.num_elements = ne;
    l.num_samples = ns;
    const int complete = data ? CompleteSamples(size, l) : 0;
    const int rec = l.record_bytes();
    for (int s = 0; s < complete; ++s) {
        const std::uint8_t* p = data + static_cast<std::size_t>(s) * rec * ne;
        for (int k = 0; k < ne; ++k, p += rec) {
            const IQ v = ReadRecord(p, l.bits);
            const int row = ElementRow(k, ne, xdcr);
            elem_i[row * stride + s] = static_cast<float>(v.i);
            elem_q[row * stride + s] = static_cast<float>(v.q);
        }
    }
    for (int row = 0; row < ne; ++row) {
        std::fill(elem_i + row * stride + complete, elem_i + row * stride + ns, 0.0f);
        std::fill(elem_q + row * stride + complete, elem_q + row * stride + ns, 0.0f);
    }
    return complete;
}

void BeamTestMagnitudes(const std::uint8_t* data, std::size_t size, const SampleLayout& layout,
                        int xdcr, int first_row, BeamByteImage& image) {
    const int ne = std::clamp(layout.num_elements, 0, kMaxElements);
    SampleLayout l = layout;
    l.num_elements = ne;
    // The image holds 500 cells per row: later samples of a 1000-sample ping are not shown.
    l.num_samples = std::clamp(layout.num_samples, 0, kByteImageCells);
    const int complete = data ? CompleteSamples(size, l) : 0;
    const int rec = l.record_bytes();
    for (int s = 0; s < complete; ++s) {
        const std::uint8_t* p = data + static_cast<std::size_t>(s) * rec * ne;
        for (int k = 0; k < ne; ++k, p += rec) {
            const int row = first_row + ElementRow(k, ne, xdcr);
            if (row < 0 || row >= BeamByteImage::kRows) continue;
            const IQ v = ReadRecord(p, l.bits);
            const double mag =
                std::sqrt(static_cast<double>(v.i) * v.i + static_cast<double>(v.q) * v.q);
            const int m = static_cast<int>(mag) * 2;
            image.Row(row)[s] = static_cast<std::uint8_t>(std::clamp(m, 0, 255));
        }
    }
}

}  // namespace vq
