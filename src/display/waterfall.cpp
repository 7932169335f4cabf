#include "display/waterfall.h"

#include <algorithm>
#include <cstring>

#include "display/display_params.h"

namespace vq {

namespace {

constexpr int kSearchLeft = 256;  // column of the picture searched for waterfall column 0
constexpr int kColumns = 499;     // waterfall columns 0..498
constexpr int kCarryColumns = 10;

void Mark(std::uint8_t* display, int x, int y, std::uint8_t v) {
    if (x < 0 || x >= kImageWidth || y < 0 || y >= kImageHeight) return;
    std::uint8_t& px = display[y * kImageWidth + x];
    if (px != kOverlayValue) px = v;
}

void DrawBand(int top, int height, int bottom, std::uint8_t* display) {
    for (int x = 110; x <= 911; ++x) {
        Mark(display, x, top, kWaterfallMarkValue);
        Mark(display, x, bottom, kWaterfallMarkValue);
    }
    for (int y = top; y <= bottom; ++y) {
        Mark(display, kSearchLeft, y, kWaterfallMarkValue);
        Mark(display, kSearchLeft + 500, y, kWaterfallMarkValue);
    }
    for (int y = top; y < top + height && y < kImageHeight; ++y) {
        const auto key = static_cast<std::uint8_t>(254 - (y - top) * 254 / height);
        for (int x = 100; x <= 109; ++x) Mark(display, x, y, key);
    }
}

int HeightCode(int y, int top, int height) {
    return std::clamp(254 - ((y - top) * 254) / height, 0, 254);
}

int FindEcho(const WaterfallInput& in, int column, int top, int bottom) {
    const int x = kSearchLeft + column;
    for (int y = std::max(1, top + 1); y < bottom && y <= kImageHeight - 2; ++y) {
        const int i = y * kImageWidth + x;
        const float v = in.persist != nullptr ? in.persist[i] : static_cast<float>(in.clean[i]);
        if (v >= static_cast<float>(in.threshold)) return y;
    }
    return 0;
}

}  // namespace

void UpdateWaterfall(const WaterfallInput& in, std::uint8_t* display, std::uint8_t* image,
                     std::int32_t* profile) {
    const int top = std::clamp(in.top, 0, kImageHeight - 1);
    const int height = std::max(1, in.height);  // a zero span would divide by zero
    const int bottom = std::min(top + height, 500);
    std::memset(image, 0, static_cast<std::size_t>(kWaterfallFirstScrollRow) * kWaterfallWidth);
    for (int r = kWaterfallHeight - 2; r >= kWaterfallFirstScrollRow; --r) {
        std::memcpy(image + (r + 1) * kWaterfallWidth, image + r * kWaterfallWidth,
                    kWaterfallWidth);
    }
    std::fill(profile, profile + kWaterfallWidth, 0);
    DrawBand(top, height, bottom, display);
    if (in.persist == nullptr && in.clean == nullptr) return;
    std::uint8_t* row = image + kWaterfallFirstScrollRow * kWaterfallWidth;
    int carry_y = 0;
    int carried = 0;
    for (int c = 0; c < kColumns; ++c) {
        row[c] = 0;
        const int y = FindEcho(in, c, top, bottom);
        if (c == 0) continue;
        if (y > 0) {
            const int u = HeightCode(y, top, height);
            profile[c] = y;
            row[c] = static_cast<std::uint8_t>(u);
            if (u > 0) image[(118 - std::min(u / 2, 118)) * kWaterfallWidth + c] = 216;
            carry_y = y;
            carried = 0;
        } else if (carry_y > 0 && carried < kCarryColumns) {
            ++carried;
            const int u = HeightCode(carry_y, top, height);
            profile[c] = carry_y;
            if (u > 0 && u < 254) {
                row[c] = static_cast<std::uint8_t>(u);
                image[(118 - std::min(u / 2, 118)) * kWaterfallWidth + c] = 216;
            }
        }
    }
}

}  // namespace vq
