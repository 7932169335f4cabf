#include "display/background.h"

#include <algorithm>

namespace vq {

namespace {

template <typename Fn>
void ForSpan(const PixelTables& t, int y0, int y1, Fn fn) {
    for (int y = y0; y <= y1; ++y) {
        const int x0 = std::max(0, static_cast<int>(t.RowStart[static_cast<std::size_t>(y)]));
        const int x1 =
            std::min(kImageWidth, static_cast<int>(t.RowEnd[static_cast<std::size_t>(y)]));
        for (int x = x0; x < x1; ++x) fn(y * kImageWidth + x, x);
    }
}

inline void Show(std::uint8_t* display, int i, std::uint8_t v) {
    if (display[i] != kOverlayValue) display[i] = v;
}

}  // namespace

void BackgroundBuildStep(const PixelTables& t, const std::uint8_t* clean, std::uint8_t* ref,
                         std::uint8_t* display) {
    const int last = kImageHeight - 2;
    ForSpan(t, 0, last, [&](int i, int) {
        ref[i] = std::max(ref[i], clean[i]);
        Show(display, i, ref[i]);
    });
    static constexpr int kNeighbours[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                              {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
    for (const auto& n : kNeighbours) {
        const int dx = n[0];
        const int dy = n[1];
        ForSpan(t, 1, last, [&](int i, int x) {
            if (x + dx < 0 || x + dx >= kImageWidth) return;
            ref[i] = std::max(ref[i], clean[i + dy * kImageWidth + dx]);
            Show(display, i, ref[i]);
        });
    }
}

float BackgroundDecayFactor(int persistence_s, double ping_interval_ms, float previous) {
    if (!(ping_interval_ms > 0.0 && ping_interval_ms < 1000.0)) return previous;
    const double T = persistence_s < 1 ? 1.0 : persistence_s;
    const double f = 1.0 - 3.0 / (T * 1000.0 / ping_interval_ms);
    return static_cast<float>(std::max(f, 0.5));
}

void BackgroundRemoveStep(const PixelTables& t, const BackgroundImages& im, float f) {
    ForSpan(t, 0, kImageHeight - 2, [&](int i, int) {
        const int d = static_cast<int>(im.clean[i]) - static_cast<int>(im.ref[i]);
        im.change[i] = static_cast<std::uint8_t>(std::max(d, 0));
        const float p = std::max(im.persist[i], static_cast<float>(im.change[i]));
        im.trail[i] = static_cast<std::uint8_t>(p);
        Show(im.display, i, im.trail[i]);
        im.persist[i] = f * p;
        im.trail[i] = static_cast<std::uint8_t>(im.persist[i]);
    });
}

}  // namespace vq
