#include "display/profile_overlay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "display/table_builders.h"

namespace vq {

namespace {

constexpr std::uint8_t kPointValue = 216;

void Dim(const PixelTables& t, int type, std::uint8_t* display) {
    if (type <= 0) return;
    for (int y = 0; y < kImageHeight - 1; ++y) {
        const int x0 = std::max(0, static_cast<int>(t.RowStart[static_cast<std::size_t>(y)]));
        const int x1 =
            std::min(kImageWidth, static_cast<int>(t.RowEnd[static_cast<std::size_t>(y)]));
        std::uint8_t* row = display + y * kImageWidth;
        for (int x = x0; x < x1; ++x) {
            if (row[x] == kOverlayValue) continue;
            row[x] = type == 1 ? static_cast<std::uint8_t>(row[x] >> 1)
                               : (type == 2 ? static_cast<std::uint8_t>(row[x] >> 2) : 0);
        }
    }
}

void Dot(std::uint8_t* display, int x, int y, bool large) {
    const int r = large ? 1 : 0;
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            std::uint8_t& px = display[(y + dy) * kImageWidth + x + dx];
            if (px != kOverlayValue) px = kPointValue;
        }
    }
}

// Picture position of a point at `r` pixels from the apex along angle `a`.
bool Place(const DisplayParams& p, int sp, double cx, int r, double a, int& x, int& y) {
    if (p.mode == DisplayMode::Perspective) {
        int dx = 0;
        int dy = 0;
        const double px = static_cast<int>(r * std::cos(a) + 0.5);
        const double py = static_cast<int>(r * std::sin(a) + 0.5 + sp);
        if (!PerspectiveProject(px, py, dx, dy)) return false;
        x = kApexX + dx;
        y = kApexY + dy;
        return true;
    }
    x = static_cast<int>(cx + r * std::cos(a) + 0.5);
    y = p.mode == DisplayMode::Profile ? static_cast<int>(r * std::sin(a) + 0.5 - sp)
                                       : static_cast<int>(kApexY + r * std::sin(a) + 0.5 + sp);
    return true;
}

// Columns between points inherit the row of the point to their left across short gaps.
void FillSwath(SwathTrace& s, int lo, int hi, int max_gap) {
    int last_row = s.columns[static_cast<std::size_t>(lo)];
    for (int x = lo + 1; x < hi; ++x) {
        if (s.columns[static_cast<std::size_t>(x)] != 0) {
            last_row = s.columns[static_cast<std::size_t>(x)];
            continue;
        }
        int gap_end = x;
        while (gap_end < hi && s.columns[static_cast<std::size_t>(gap_end)] == 0) ++gap_end;
        if (gap_end - x < max_gap) {
            for (int g = x; g < gap_end; ++g) s.columns[static_cast<std::size_t>(g)] = last_row;
        }
        x = gap_end - 1;
    }
}

}  // namespace

int EffectiveDisplayType(const DisplayParams& p, const OverlayInput& in) {
    if (in.point_type == 1) return 0;
    if (p.mode == DisplayMode::Profile && in.point_filter == 2 && in.show_outliers) return 0;
    return std::clamp(in.display_type, 0, 3);
}

void DrawProfileOverlay(const DisplayParams& p, const PixelTables& t, const OverlayInput& in,
                        std::uint8_t* display, SwathTrace& swath) {
    swath = SwathTrace{};
    Dim(t, EffectiveDisplayType(p, in), display);
    if (in.range_tenths == nullptr || in.count <= 0 || p.num_samples <= 0) return;
    double k = 500.0 / p.num_samples * 0.1;
    if (p.half_range) k *= 2.0;
    const int sp = RangeStartPixels(p);
    const int o = p.mode == DisplayMode::Profile ? ProfileCentring(p.sector_deg, p.tilt_deg) : 0;
    const double cx = kApexX + o;
    const double theta0 = FirstStepAngle(p);
    const double step = p.sector_deg / std::max(1, p.num_beams) * std::numbers::pi / 180.0;
    const int n = std::min(in.count, 600);
    int lo = kImageWidth;
    int hi = -1;
    for (int i = 0; i < n; ++i) {
        const std::int32_t range = in.range_tenths[i];
        if (range <= 0) continue;
        const int r = static_cast<int>(range * k + sp);
        int x = 0;
        int y = 0;
        if (!Place(p, sp, cx, r, theta0 + i * step, x, y)) continue;
        if (x < 1 || x > 1010 || y < 1 || y > 539) continue;
        if (!(t.RowStart[static_cast<std::size_t>(y)] + 3 < x &&
              x < t.RowEnd[static_cast<std::size_t>(y)] - 3))
            continue;
        Dot(display, x, y, in.dot_size == 1);
        swath.columns[static_cast<std::size_t>(x)] = y;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    if (hi < 0) return;
    swath.drawn = true;
    const int gap = p.step_size == 0 ? 6 : (p.step_size == 1 ? 12 : 24);
    FillSwath(swath, lo, hi, gap);
    const int apex = p.mode == DisplayMode::Profile ? kApexX + o : kApexX;
    swath.left = lo - apex;
    swath.right = hi - apex;
}

}  // namespace vq
