// 24-bit uncompressed bitmaps as the screen capture, the single video frame and the video frame
// blocks of a recording store them: a 14-byte file header ("BM", file size, pixel offset 54),
// a 40-byte information header, then bottom-up rows of blue, green, red bytes, each row padded
// with zeros to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vq {

inline constexpr std::size_t kBmpFileHeaderBytes = 14;
inline constexpr std::size_t kBmpInfoHeaderBytes = 40;
inline constexpr std::size_t kBmpHeaderBytes = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;  // 54
// The largest picture written or read (a 4096 x 4096 window or frame).
inline constexpr int kBmpMaxSide = 4096;

// A picture in memory: top-down rows of 32-bit words 0xXXRRGGBB (the top byte is ignored),
// stride_pixels words from the start of one row to the next.
struct Rgb32View {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride_pixels = 0;
};

// Bytes of one stored row: 3 x width rounded up to a multiple of 4.
constexpr std::size_t BmpRowBytes(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
}
constexpr std::size_t BmpImageBytes(int width, int height) {
    return BmpRowBytes(width) * static_cast<std::size_t>(height);
}
constexpr std::size_t BmpFileBytes(int width, int height) {
    return BmpImageBytes(width, height) + kBmpHeaderBytes;
}
// Whether a picture of this size can be written (both sides 1..kBmpMaxSide).
constexpr bool BmpSizeAllowed(int width, int height) {
    return width >= 1 && height >= 1 && width <= kBmpMaxSide && height <= kBmpMaxSide;
}

// Writes the 54 header bytes of a width x height picture to out.
void PutBmpHeaders(std::uint8_t* out, int width, int height);

// Encodes the picture as a complete BMP file image into out, which must hold
// BmpFileBytes(width, height) bytes. Returns the bytes written, 0 when the picture is empty,
// too large or out is too small. Allocates nothing.
std::size_t EncodeBmp24(const Rgb32View& picture, std::span<std::uint8_t> out);
// The same into a vector sized to fit (its capacity only grows).
bool EncodeBmp24(const Rgb32View& picture, std::vector<std::uint8_t>& out);

// What the headers of a stored bitmap say, after checking that the bytes hold such a picture.
struct BmpLayout {
    int width = 0;
    int height = 0;         // always positive
    bool bottom_up = true;  // false when the stored height was negative
    std::uint32_t file_size = 0;
    std::uint32_t pixel_offset = 0;
};
// Accepts "BM" files of 24 bits per pixel, uncompressed, with a 40-byte (or larger)
// information header, sides within kBmpMaxSide, and every pixel row inside the bytes given.
std::optional<BmpLayout> ParseBmp24(std::span<const std::uint8_t> bytes);
// Decodes such a file into top-down 0xFFRRGGBB words (out is resized to width x height).
std::optional<BmpLayout> DecodeBmp24(std::span<const std::uint8_t> bytes,
                                     std::vector<std::uint32_t>& out);

// Writes the picture as a BMP file at path, replacing an existing file only once the new one
// is complete: a failure (no space, no permission, missing folder) leaves no partial file and
// returns false with a short reason in error.
bool WriteBmpFile(const std::filesystem::path& path, const Rgb32View& picture, std::string* error);

}  // namespace vq
