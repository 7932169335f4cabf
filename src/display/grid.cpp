#include "display/grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "display/grid_font.h"
#include "display/palette.h"
#include "display/table_builders.h"

namespace vq {

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

void Put(std::uint8_t* img, int x, int y, std::uint8_t v) {
    if (x >= 0 && x < kImageWidth && y >= 0 && y < kImageHeight) img[y * kImageWidth + x] = v;
}

std::uint8_t GridValue(const DisplayParams& p) {
    return p.grid ? kOverlayValue : 0;
}

// Horizontal line over the row's span (or the given columns), used by the rectangular grids.
void Hline(std::uint8_t* img, int y, int x0, int x1, std::uint8_t v) {
    if (y < 0 || y >= kImageHeight) return;
    for (int x = std::max(0, x0); x < std::min(kImageWidth, x1); ++x) img[y * kImageWidth + x] = v;
}

// Labels right of nothing: right-aligned, vertically centred on the line at row y.
void SideLabel(const DisplayParams& p, std::uint8_t* img, int x, int y, double value) {
    DrawText(img, x, y - 8, TextAlign::Right, LabelText(value, p.half_range), LabelValue(p, true));
}

void DrawLinearGrid(const DisplayParams& p, const PixelTables& t, std::uint8_t* img) {
    const std::uint8_t g = GridValue(p);
    const double P = RingSpacing(p);
    const double L = LabelStep(p);
    const bool down = p.linear_rule == ByteRule::C;
    int x0 = kApexX;
    int x1 = kApexX;
    for (int y = 0; y < kImageHeight; ++y) {
        if (t.RowEnd[static_cast<std::size_t>(y)] > t.RowStart[static_cast<std::size_t>(y)]) {
            x0 = t.RowStart[static_cast<std::size_t>(y)];
            x1 = t.RowEnd[static_cast<std::size_t>(y)];
            break;
        }
    }
    for (int i = 1; i <= 5; ++i) {
        const int off = static_cast<int>(i * P + 0.5);
        const int y = down ? off : kImageHeight - off;  // the row of range cell `off`
        Hline(img, y, x0, x1, g);
        SideLabel(p, img, x0 - 4, y, p.range_start_m + i * L);
    }
    for (int y = 0; y < kImageHeight; ++y) {
        Put(img, x0 - 1, y, g);
        Put(img, x1, y, g);
    }
}

void DrawBeamTestGrid(const DisplayParams& p, std::uint8_t* img) {
    const std::uint8_t g = GridValue(p);
    const double P = RingSpacing(p);
    const double L = LabelStep(p);
    for (int i = 1; i <= 5; ++i) {
        const int y = static_cast<int>(kApexY - i * P + 0.5);
        Hline(img, y, kBeamTestSpanStart, kBeamTestSpanEnd, g);
        SideLabel(p, img, kBeamTestSpanStart - 4, y, p.range_start_m + i * L);
    }
}

// Rings and edges of the fan pushed through a point mapping (profile or perspective).
template <typename MapFn>
void DrawFanGrid(const DisplayParams& p, std::uint8_t* img, double first, MapFn map) {
    const std::uint8_t g = GridValue(p);
    const double P = RingSpacing(p);
    const double L = LabelStep(p);
    const int sp = RangeStartPixels(p);
    const int i0 = p.range_start_m == 0 ? 1 : 0;
    const double last = first + p.sector_deg * kDeg;
    int x = 0;
    int y = 0;
    for (double a : {first, first + 0.5 * p.sector_deg * kDeg, last}) {
        for (int r = sp; r < sp + 5 * P; ++r) {
            if (map(r, a, x, y)) Put(img, x, y, g);
        }
    }
    const int n = static_cast<int>(20.0f * p.sector_deg);
    for (int k = 0; k <= n; ++k) {
        const double a = first + k * 0.05 * kDeg;
        for (int i = i0; i <= 5; ++i) {
            if (map(i * P + sp, a, x, y)) Put(img, x, y, g);
        }
    }
    // Labels along the edge that points more downward, outside the fan.
    const double edge = std::sin(first) >= std::sin(last) ? first : last;
    const bool right_side = std::cos(edge) > 0.0;
    for (int i = i0; i <= 5; ++i) {
        if (map(i * P + sp, edge, x, y)) {
            DrawText(img, right_side ? x + 4 : x - 4, y - 8,
                     right_side ? TextAlign::Left : TextAlign::Right,
                     LabelText(p.range_start_m + i * L, p.half_range), LabelValue(p, true));
        }
    }
}

void DrawProfileRectGrid(const DisplayParams& p, const PixelTables& t, std::uint8_t* img) {
    const std::uint8_t g = GridValue(p);
    const double P = RingSpacing(p);
    const double L = LabelStep(p);
    const int sp = RangeStartPixels(p);
    const int cx = kApexX + ProfileCentring(p.sector_deg, p.tilt_deg);
    for (int i = 1; i <= 60; ++i) {  // depth lines below the head
        const int y = static_cast<int>(i * P + 0.5) - sp;
        if (y >= kImageHeight) break;
        if (y < 0) continue;
        const int s = t.RowStart[static_cast<std::size_t>(y)];
        const int e = t.RowEnd[static_cast<std::size_t>(y)];
        if (e <= s) continue;
        Hline(img, y, s, e, g);
        SideLabel(p, img, s - 4, y, i * L);
    }
    for (int i = -5; i <= 5; ++i) {  // across-track lines
        const int x = static_cast<int>(cx + i * P + (i < 0 ? -0.5 : 0.5));
        for (int y = 0; y < kImageHeight; ++y) {
            if (x >= t.RowStart[static_cast<std::size_t>(y)] &&
                x < t.RowEnd[static_cast<std::size_t>(y)]) {
                Put(img, x, y, g);
            }
        }
    }
}

}  // namespace

double RingSpacing(const DisplayParams& p) {
    const double b = p.units == 0 ? 100.0 : 91.44;
    const double c = p.sound_velocity > 0.0f ? p.sound_velocity : 1500.0;
    return b * 1500.0 / c;
}

double LabelStep(const DisplayParams& p) {
    const bool feet = p.units == 1;
    if (p.half_range) {
        if (feet) return p.min_range_index == 0 ? 0.45 : 1.5;
        if (p.min_range_index == 0) return 0.15;
        return p.fine_resolution ? 0.05 : 0.5;
    }
    return feet ? 3.0 * p.range_span_m * 0.2 : p.range_span_m * 0.2;
}

std::string LabelText(double value, bool half_range) {
    char buf[32];
    std::snprintf(buf, sizeof buf, half_range ? "%4.2f" : "%4.1f", value);
    return buf;
}

std::uint8_t LabelValue(const DisplayParams& p, bool visible) {
    if (!p.grid || !visible) return 0;
    if (p.range_start_m != 0) return kOverlayValue;
    return p.colors == kRevGreyTable ? 72 : 216;
}

void DrawSectorGrid(const DisplayParams& p, std::uint8_t* img) {
    const std::uint8_t g = GridValue(p);
    const double P = RingSpacing(p);
    const double L = LabelStep(p);
    const int sp = RangeStartPixels(p);
    const int S = p.range_start_m;
    const int i0 = S == 0 ? 1 : 0;
    const double half = 0.5 * p.sector_deg;
    for (int y = kApexY; y > kApexY - 5 * P; --y) Put(img, kApexX, y, g);
    for (double a : {(90.0 - half) * kDeg + std::numbers::pi / 2,
                     (90.0 + half) * kDeg + std::numbers::pi / 2}) {
        for (int r = sp; r < sp + 5 * P; ++r) {
            Put(img, static_cast<int>(kApexX + r * std::sin(a) + 0.5),
                static_cast<int>(kApexY + r * std::cos(a) + 0.5 + sp), g);
        }
    }
    double a = (90.0 - half) * kDeg + std::numbers::pi / 2;
    for (int n = 0; n < static_cast<int>(20.0f * p.sector_deg); ++n) {
        a += 0.0008726645;
        for (int i = i0; i <= 5; ++i) {
            const double r = i * P + sp;
            Put(img, static_cast<int>(kApexX + r * std::sin(a) + 0.5),
                static_cast<int>(kApexY + r * std::cos(a) + 0.5 + sp), g);
        }
    }
    const std::uint8_t tv = LabelValue(p, true);
    const int shift = S != 0 ? 4 : 0;  // labels on the centre line sit off the line
    const double left = S == 0 ? (half + 90.0) * kDeg + std::numbers::pi / 2 : std::numbers::pi;
    for (int i = i0; i <= 5; ++i) {
        DrawText(img, static_cast<int>(std::sin(left) * i * P + kApexX + 0.5) - shift,
                 static_cast<int>(std::cos(left) * i * P + kApexY + 0.5) + shift, TextAlign::Right,
                 LabelText(S + i * L, p.half_range), tv);
    }
    if (S != 0) return;
    const double right = (90.0 - half) * kDeg + std::numbers::pi / 2;
    for (int i = 1; i <= 5; ++i) {
        DrawText(img, static_cast<int>(std::sin(right) * i * P + kApexX + 0.5),
                 static_cast<int>(std::cos(right) * i * P + kApexY + 0.5), TextAlign::Left,
                 LabelText(i * L, p.half_range), tv);
    }
}

void DrawGrid(const DisplayParams& p, const PixelTables& t, std::uint8_t* display) {
    const int sp = RangeStartPixels(p);
    switch (p.mode) {
        case DisplayMode::Sector:
            DrawSectorGrid(p, display);
            break;
        case DisplayMode::Linear:
            DrawLinearGrid(p, t, display);
            break;
        case DisplayMode::BeamTest:
            DrawBeamTestGrid(p, display);
            break;
        case DisplayMode::Profile: {
            if (p.profile_grid == 1) {
                DrawProfileRectGrid(p, t, display);
                break;
            }
            const double cx = kApexX + ProfileCentring(p.sector_deg, p.tilt_deg);
            DrawFanGrid(p, display, FirstStepAngle(p), [&](double r, double a, int& x, int& y) {
                x = static_cast<int>(cx + r * std::cos(a) + 0.5);
                y = static_cast<int>(r * std::sin(a) + 0.5 - sp);
                return true;
            });
            break;
        }
        case DisplayMode::Perspective: {
            DrawFanGrid(p, display, FirstStepAngle(p), [&](double r, double a, int& x, int& y) {
                const double px = static_cast<int>(r * std::cos(a) + 0.5);
                const double py = static_cast<int>(r * std::sin(a) + 0.5 + sp);
                if (!PerspectiveProject(px, py, x, y)) return false;
                x += kApexX;
                y += kApexY;
                return true;
            });
            break;
        }
    }
}

}  // namespace vq
