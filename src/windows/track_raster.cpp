// Lines, dots and the saved marker pixels of the track plotter, drawn into memory.
#include "windows/track_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vq {
namespace {

// Liang-Barsky: cuts the line to the client area plus a margin of a few pixels, so a segment
// to a fix far outside the view walks only its visible part. False when nothing is visible.
bool ClipToView(int& x0, int& y0, int& x1, int& y1, int width, int height) {
    constexpr double kMargin = 4.0;
    const double xmin = -kMargin, ymin = -kMargin;
    const double xmax = width - 1 + kMargin, ymax = height - 1 + kMargin;
    const double ax = x0, ay = y0, dx = double(x1) - x0, dy = double(y1) - y0;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - xmin, xmax - ax, ay - ymin, ymax - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    if (t0 > 0.0) {
        x0 = static_cast<int>(std::lround(ax + t0 * dx));
        y0 = static_cast<int>(std::lround(ay + t0 * dy));
    }
    if (t1 < 1.0) {
        x1 = static_cast<int>(std::lround(ax + t1 * dx));
        y1 = static_cast<int>(std::lround(ay + t1 * dy));
    }
    return true;
}

}  // namespace

void TrackRaster::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    label_count_ = 0;
    ++version_;
}

void TrackRaster::Fill(TrackColour colour) {
    std::fill(pixels_.begin(), pixels_.end(), PackColour(colour));
    label_count_ = 0;
    ++version_;
}

void TrackRaster::Plot(int x, int y, std::uint32_t rgb, int pen_width) {
    // A pen of width w covers the w x w square around the point, as a round pen nearly does.
    const int lo = -(pen_width - 1) / 2;
    const int hi = pen_width / 2;
    for (int dy = lo; dy <= hi; ++dy) {
        const int py = y + dy;
        if (py < 0 || py >= height_) continue;
        for (int dx = lo; dx <= hi; ++dx) {
            const int px = x + dx;
            if (px >= 0 && px < width_) pixels_[static_cast<std::size_t>(py) * width_ + px] = rgb;
        }
    }
}

// Bresenham from (x0, y0) to (x1, y1), the end point included; a dotted pen draws every other
// pixel.
void TrackRaster::Line(int x0, int y0, int x1, int y1, TrackColour colour, int pen_width,
                       bool dotted) {
    ++version_;
    if (width_ == 0 || height_ == 0) return;
    if (!ClipToView(x0, y0, x1, y1, width_, height_)) return;
    const std::uint32_t rgb = PackColour(colour);
    const int w = std::max(pen_width, 1);
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (int step = 0;; ++step) {
        if (!dotted || step % 2 == 0) Plot(x0, y0, rgb, w);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void TrackRaster::Text(int x, int y, std::string_view text, TrackColour fg, TrackColour bg) {
    ++version_;
    int slot = 0;
    while (slot < label_count_ && (labels_[slot].x != x || labels_[slot].y != y)) ++slot;
    if (slot == kMaxLabels) return;
    if (slot == label_count_) ++label_count_;
    Label& l = labels_[static_cast<std::size_t>(slot)];
    l.x = x;
    l.y = y;
    l.fg = fg;
    l.bg = bg;
    const std::size_t n = std::min<std::size_t>(text.size(), kMaxLabelLength);
    std::copy_n(text.data(), n, l.text.data());
    l.text[n] = '\0';
}

TrackColour TrackRaster::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kTrackBlack;
    const std::uint32_t v = pixels_[static_cast<std::size_t>(y) * width_ + x];
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

void TrackRaster::SetPixel(int x, int y, TrackColour colour) {
    ++version_;
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[static_cast<std::size_t>(y) * width_ + x] = PackColour(colour);
    }
}

}  // namespace vq
