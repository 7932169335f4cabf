#include "video/synthetic_camera.h"

#include <algorithm>
#include <vector>

namespace vq {
namespace {

constexpr int kCodeBits = 32;
constexpr int kCodeRows = 8;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;

// Colour bars from white to black, as a test card shows them.
constexpr std::uint32_t kBars[8] = {0xFFFFFFFFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFF00FF00u,
                                    0xFFFF00FFu, 0xFFFF0000u, 0xFF0000FFu, 0xFF202020u};

// 5 x 7 digits, one byte per row, bit 4 = leftmost column.
constexpr std::uint8_t kDigits[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}};

void Fill(std::uint32_t* px, int width, int height, int x0, int y0, int w, int h,
          std::uint32_t colour) {
    const int x1 = std::min(width, x0 + w), y1 = std::min(height, y0 + h);
    for (int y = std::max(0, y0); y < y1; ++y) {
        std::uint32_t* row = px + static_cast<std::size_t>(y) * width;
        for (int x = std::max(0, x0); x < x1; ++x) row[x] = colour;
    }
}

int CellLeft(int bit, int width) {
    return bit * width / kCodeBits;
}

// The frame number as eight digits in a black box at the lower left corner.
void DrawNumber(std::uint32_t* px, int width, int height, std::uint64_t n) {
    const int scale = width >= 480 ? 3 : (width >= 240 ? 2 : 1);
    const int digits = 8, cell = 6 * scale;
    const int box_w = digits * cell + 2 * scale, box_h = 9 * scale;
    const int bx = 2 * scale, by = height - box_h - 2 * scale;
    Fill(px, width, height, bx, by, box_w, box_h, kBlack);
    for (int d = digits - 1; d >= 0; --d, n /= 10) {
        const std::uint8_t* glyph = kDigits[n % 10];
        const int gx = bx + scale + d * cell, gy = by + scale;
        for (int r = 0; r < 7; ++r) {
            for (int c = 0; c < 5; ++c) {
                if (glyph[r] & (0x10 >> c)) {
                    Fill(px, width, height, gx + c * scale, gy + r * scale, scale, scale, kWhite);
                }
            }
        }
    }
}

}  // namespace

void RenderTestPattern(std::uint32_t* px, int width, int height, std::uint64_t n) {
    if (px == nullptr || width <= 0 || height <= 0) return;
    // Colour bars scrolling left by 4 pixels a frame.
    const int bar_w = std::max(1, width / 8);
    const int shift = static_cast<int>((n * 4) % static_cast<std::uint64_t>(8 * bar_w));
    for (int x = 0; x < width; ++x) {
        const std::uint32_t c = kBars[((x + shift) / bar_w) % 8];
        for (int y = kCodeRows; y < height; ++y) px[static_cast<std::size_t>(y) * width + x] = c;
    }
    // A square bouncing between the edges.
    const int side = std::max(4, height / 6);
    const int span_x = std::max(1, width - side), span_y = std::max(1, height - kCodeRows - side);
    const int tx = static_cast<int>((n * 5) % static_cast<std::uint64_t>(2 * span_x));
    const int ty = static_cast<int>((n * 3) % static_cast<std::uint64_t>(2 * span_y));
    const int sx = tx < span_x ? tx : 2 * span_x - tx;
    const int sy = kCodeRows + (ty < span_y ? ty : 2 * span_y - ty);
    Fill(px, width, height, sx, sy, side, side, 0xFF808080u);
    // The number as 32 cells along the top edge, most significant bit first.
    const auto code = static_cast<std::uint32_t>(n);
    for (int b = 0; b < kCodeBits; ++b) {
        const bool one = (code >> (kCodeBits - 1 - b)) & 1u;
        const int x0 = CellLeft(b, width);
        Fill(px, width, height, x0, 0, CellLeft(b + 1, width) - x0, kCodeRows,
             one ? kWhite : kBlack);
    }
    DrawNumber(px, width, height, n);
}

std::optional<std::uint32_t> ReadTestPatternNumber(const Rgb32View& p) {
    if (p.pixels == nullptr || p.width < kCodeBits || p.height < kCodeRows) return std::nullopt;
    std::uint32_t code = 0;
    for (int b = 0; b < kCodeBits; ++b) {
        const int x = (CellLeft(b, p.width) + CellLeft(b + 1, p.width)) / 2;
        const std::uint32_t v =
            p.pixels[static_cast<std::size_t>(kCodeRows / 2) * p.stride_pixels + x];
        const int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, bl = v & 0xFF;
        const bool one = r > 200 && g > 200 && bl > 200;
        const bool zero = r < 56 && g < 56 && bl < 56;
        if (!one && !zero) return std::nullopt;
        code = code << 1 | (one ? 1u : 0u);
    }
    return code;
}

void SyntheticCamera::Start(CameraFormat format, std::chrono::milliseconds period) {
    Stop();
    if (!BmpSizeAllowed(format.width, format.height)) return;
    format_ = format;
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
    }
    thread_ = std::thread([this, format, period] { Run(format, period); });
}

void SyntheticCamera::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    feed_.Stop();
}

void SyntheticCamera::Run(CameraFormat format, std::chrono::milliseconds period) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(format.width) * format.height);
    auto next = std::chrono::steady_clock::now();
    for (std::uint64_t n = 1;; ++n) {
        RenderTestPattern(pixels.data(), format.width, format.height, n);
        feed_.Deliver(
            {pixels.data(), format.width, format.height, static_cast<std::size_t>(format.width)});
        next += period;
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, next, [this] { return stop_; })) return;
    }
}

}  // namespace vq
