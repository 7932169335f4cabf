#include "recording/bmp_image.h"

#include <cstring>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/byte_order.h"

namespace vq {
namespace {

using namespace vq::byte_order;

bool Valid(const Rgb32View& p) {
    return p.pixels != nullptr && BmpSizeAllowed(p.width, p.height) &&
           p.stride_pixels >= static_cast<std::size_t>(p.width);
}

}  // namespace

void PutBmpHeaders(std::uint8_t* out, int width, int height) {
    std::memset(out, 0, kBmpHeaderBytes);
    const auto image = static_cast<std::uint32_t>(BmpImageBytes(width, height));
    out[0] = 'B';
    out[1] = 'M';
    PutU32Le(out + 2, image + static_cast<std::uint32_t>(kBmpHeaderBytes));
    PutU32Le(out + 10, static_cast<std::uint32_t>(kBmpHeaderBytes));
    std::uint8_t* info = out + kBmpFileHeaderBytes;
    PutU32Le(info + 0, static_cast<std::uint32_t>(kBmpInfoHeaderBytes));
    PutU32Le(info + 4, static_cast<std::uint32_t>(width));
    PutU32Le(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    PutU16Le(info + 12, 1);                                  // planes
    PutU16Le(info + 14, 24);                                 // bits per pixel
    PutU32Le(info + 20, image);  // compression (offset 16) stays 0: uncompressed
}

std::size_t EncodeBmp24(const Rgb32View& p, std::span<std::uint8_t> out) {
    if (!Valid(p)) return 0;
    const std::size_t total = BmpFileBytes(p.width, p.height);
    if (out.size() < total) return 0;
    std::uint8_t* dst = out.data();
    PutBmpHeaders(dst, p.width, p.height);
    dst += kBmpHeaderBytes;
    const std::size_t row_bytes = BmpRowBytes(p.width);
    const std::size_t pad = row_bytes - 3 * static_cast<std::size_t>(p.width);
    // The first stored row is the bottom row of the picture.
    for (int y = p.height - 1; y >= 0; --y) {
        const std::uint32_t* src = p.pixels + static_cast<std::size_t>(y) * p.stride_pixels;
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t v = src[x];
            dst[0] = static_cast<std::uint8_t>(v);        // blue
            dst[1] = static_cast<std::uint8_t>(v >> 8);   // green
            dst[2] = static_cast<std::uint8_t>(v >> 16);  // red
            dst += 3;
        }
        for (std::size_t k = 0; k < pad; ++k) *dst++ = 0;
    }
    return total;
}

bool EncodeBmp24(const Rgb32View& p, std::vector<std::uint8_t>& out) {
    if (!Valid(p)) {
        out.clear();
        return false;
    }
    out.resize(BmpFileBytes(p.width, p.height));
    return EncodeBmp24(p, std::span<std::uint8_t>(out)) == out.size();
}

std::optional<BmpLayout> ParseBmp24(std::span<const std::uint8_t> b) {
    if (b.size() < kBmpHeaderBytes || b[0] != 'B' || b[1] != 'M') return std::nullopt;
    const std::uint8_t* info = b.data() + kBmpFileHeaderBytes;
    BmpLayout l;
    l.file_size = GetU32Le(b.data() + 2);
    l.pixel_offset = GetU32Le(b.data() + 10);
    const std::uint32_t info_size = GetU32Le(info);
    const std::int32_t w = GetLe<std::int32_t>(info + 4);
    const std::int32_t h = GetLe<std::int32_t>(info + 8);
    if (info_size < kBmpInfoHeaderBytes || GetU16Le(info + 12) != 1 || GetU16Le(info + 14) != 24 ||
        GetU32Le(info + 16) != 0) {
        return std::nullopt;
    }
    if (h == INT32_MIN) return std::nullopt;
    l.width = w;
    l.height = h < 0 ? -h : h;
    l.bottom_up = h > 0;
    if (!BmpSizeAllowed(l.width, l.height)) return std::nullopt;
    const std::uint64_t end = std::uint64_t{l.pixel_offset} + BmpImageBytes(l.width, l.height);
    if (l.pixel_offset < kBmpFileHeaderBytes + info_size || end > b.size()) return std::nullopt;
    return l;
}

std::optional<BmpLayout> DecodeBmp24(std::span<const std::uint8_t> b,
                                     std::vector<std::uint32_t>& out) {
    const std::optional<BmpLayout> l = ParseBmp24(b);
    if (!l) return std::nullopt;
    out.resize(static_cast<std::size_t>(l->width) * static_cast<std::size_t>(l->height));
    const std::size_t row_bytes = BmpRowBytes(l->width);
    for (int y = 0; y < l->height; ++y) {
        const int stored = l->bottom_up ? l->height - 1 - y : y;
        const std::uint8_t* src =
            b.data() + l->pixel_offset + static_cast<std::size_t>(stored) * row_bytes;
        std::uint32_t* dst = out.data() + static_cast<std::size_t>(y) * l->width;
        for (int x = 0; x < l->width; ++x, src += 3) {
            dst[x] =
                0xFF000000u | std::uint32_t{src[2]} << 16 | std::uint32_t{src[1]} << 8 | src[0];
        }
    }
    return l;
}

bool WriteBmpFile(const std::filesystem::path& path, const Rgb32View& picture, std::string* error) {
    if (!Valid(picture)) {
        if (error) *error = "the picture is empty or larger than 4096 x 4096 pixels";
        return false;
    }
    std::string bytes(BmpFileBytes(picture.width, picture.height), '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    EncodeBmp24(picture, std::span<std::uint8_t>(p, bytes.size()));
    return WriteFileAtomically(path, bytes, error);
}

}  // namespace vq
