#include "display/table_builders.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "dsp/beam_data.h"

namespace vq {

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
constexpr int kCells = kByteImageCells;

bool Inside(int x, int y) {
    return x >= 0 && x < kImageWidth && y >= 0 && y < kImageHeight;
}

void Plot(std::uint8_t* img, int x, int y) {
    if (Inside(x, y)) img[y * kImageWidth + x] = kOverlayValue;
}

// Where one fan point of radius r (from the apex) at angle theta lands in Sector or Profile mode.
struct FanFrame {
    bool profile = false;
    double cx = kApexX;
    int sp = 0;
    void Point(double r, double c, double s, int& x, int& y) const {
        x = static_cast<int>(cx + r * c + 0.5);
        y = profile ? static_cast<int>(r * s + 0.5 - sp)
                    : static_cast<int>(kApexY + r * s + 0.5 + sp);
    }
};

// Angle of fine step k: evenly spaced, or restarting at each head-formed beam's own angle.
struct StepAngles {
    double theta0 = 0.0;
    double step = 0.0;
    int m = 2;
    const DisplayParams* p = nullptr;
    double shift = 0.0;  // the profile-mode turn, applied to head-formed angles too
    double At(int k) const {
        if (!p->head_formed) return theta0 + k * step;
        const int b = std::min(k / m, kHeadFormedBeams - 1);
        return p->head_angles[static_cast<std::size_t>(b)] - std::numbers::pi / 2.0 - shift +
               (k % m) * step;
    }
};

StepAngles MakeAngles(const DisplayParams& p, int m, int total) {
    StepAngles a;
    a.theta0 = FirstStepAngle(p);
    a.step = p.sector_deg / total * kDeg;
    a.m = m;
    a.p = &p;
    if (p.mode == DisplayMode::Profile) a.shift = std::numbers::pi + p.tilt_deg * kDeg;
    return a;
}

int BeamCount(const DisplayParams& p) {
    return p.head_formed ? kHeadFormedBeams : std::clamp(p.num_beams, 1, kMaxBeams);
}

void Store(PixelTables& t, int idx, int k, int m, int j) {
    const auto i = static_cast<std::size_t>(idx);
    t.PixelStep[i] = k;
    t.PixelBeam[i] = k / m;
    t.PixelCell[i] = j;
    const int q = k % m;
    const AngleWeight& w = AngleWeights()[static_cast<std::size_t>(q + 10 - m / 2)];
    t.PixelW0[i] = w.w0;
    t.PixelW1[i] = w.w1;
    t.PixelW2[i] = w.w2;
}

// Outline of the fan for the spans: both edges from r0 in `count` steps of `step`, and the far
// arc at `arc_r` in 0.05 degree steps; map(r, cos, sin, x, y) places a point.
template <typename MapFn>
void DrawOutline(double first, double last, double sector_deg, double r0, double step, int count,
                 double arc_r, MapFn map, std::uint8_t* img) {
    std::memset(img, 0, kImagePixels);
    int x = 0;
    int y = 0;
    for (double a : {first, last}) {
        const double c = std::cos(a);
        const double s = std::sin(a);
        for (int i = 0; i < count; ++i) {
            if (map(r0 + i * step, c, s, x, y)) Plot(img, x, y);
        }
    }
    const int n = static_cast<int>(sector_deg * 20.0f);
    for (int i = 0; i <= n; ++i) {
        const double a = first + i * 0.05 * kDeg;
        if (map(arc_r, std::cos(a), std::sin(a), x, y)) Plot(img, x, y);
    }
}

}  // namespace

void SpansFromOutline(const std::uint8_t* outline, PixelTables& t) {
    for (int y = 0; y < kImageHeight; ++y) {
        const std::uint8_t* row = outline + y * kImageWidth;
        int start = kApexX;
        int end = kApexX;
        if (y < kImageHeight - 1) {
            for (int x = 0; x < kImageWidth - 1; ++x) {
                if (row[x] == kOverlayValue) {
                    start = x + 1;
                    break;
                }
            }
            for (int x = kImageWidth - 1; x >= 1; --x) {
                if (row[x] == kOverlayValue) {
                    end = x;
                    break;
                }
            }
        }
        if (end < start) end = start;  // rows without a proper span draw nothing
        t.RowStart[static_cast<std::size_t>(y)] = static_cast<std::int16_t>(start);
        t.RowEnd[static_cast<std::size_t>(y)] = static_cast<std::int16_t>(end);
    }
}

void BuildSectorTables(const DisplayParams& p, PixelTables& t, std::uint8_t* scratch) {
    t.Clear();
    const int nb = BeamCount(p);
    const int m = FineStepsPerBeam(p.sector_deg, nb, p.head_formed);
    const int total = nb * m;
    const StepAngles ang = MakeAngles(p, m, total);
    FanFrame f;
    f.profile = p.mode == DisplayMode::Profile;
    f.sp = RangeStartPixels(p);
    if (f.profile) f.cx = kApexX + ProfileCentring(p.sector_deg, p.tilt_deg);
    int x = 0;
    int y = 0;
    for (int k = 0; k < total; ++k) {
        const double a = ang.At(k);
        const double c = std::cos(a);
        const double s = std::sin(a);
        for (int j = 0; j < kCells; ++j) {
            f.Point(f.sp + j, c, s, x, y);
            if (Inside(x, y)) Store(t, t.Index(x, y), k, m, j);
        }
    }
    DrawOutline(
        ang.At(0), ang.At(total - 1), p.sector_deg, 0.0, 1.0, f.sp + kFanRadius, f.sp + kFanRadius,
        [&](double r, double c, double s, int& ox, int& oy) {
            f.Point(r, c, s, ox, oy);
            return true;
        },
        scratch);
    SpansFromOutline(scratch, t);
    std::memset(scratch, 0, kImagePixels);
    t.Pack(nb);
}

bool PerspectiveProject(double px, double py, int& dx, int& dy) {
    static const double ca = std::cos(std::numbers::pi), sa = std::sin(std::numbers::pi);
    static const double cc = std::cos(0.867198), sc = std::sin(0.867198);
    const double z = 0.0;
    const double x1 = -0.63 * px;
    const double y1 = py;
    const double u = ca * x1 - sa * z;
    const double w = ca * z + sa * x1;
    const double v = ca * y1 - sa * u;  // angle b equals angle a (pi)
    const double big_x = sa * y1 + ca * u;
    const double big_y = cc * v + sc * w;
    const double big_z = cc * w - sc * v - 350.0;
    if (big_z > -1e-6) return false;
    dx = static_cast<int>(1000.0 * big_x / big_z);
    dy = static_cast<int>(1000.0 * big_y / big_z);
    return true;
}

namespace {

bool ProjectFanPoint(double r, double c, double s, int sp, int& x, int& y) {
    const double px = static_cast<int>(r * c + 0.5);
    const double py = static_cast<int>(r * s + 0.5 + sp);
    int dx = 0;
    int dy = 0;
    if (!PerspectiveProject(px, py, dx, dy)) return false;
    x = kApexX + dx;
    y = kApexY + dy;
    return true;
}

void CopyPixel(PixelTables& t, int to, int from) {
    const auto a = static_cast<std::size_t>(to);
    const auto b = static_cast<std::size_t>(from);
    t.PixelStep[a] = t.PixelStep[b];
    t.PixelBeam[a] = t.PixelBeam[b];
    t.PixelCell[a] = t.PixelCell[b];
    t.PixelW0[a] = t.PixelW0[b];
    t.PixelW1[a] = t.PixelW1[b];
    t.PixelW2[a] = t.PixelW2[b];
}

// Closes the holes left by the projection: from below in the near rows, then from the right.
// Walking against the copy direction lets a hole up to kMaxFill pixels wide fill from its
// filled neighbour, without smearing the fan's edge into the empty picture.
void CloseGaps(PixelTables& t) {
    constexpr int kMaxFill = 4;
    std::vector<int> runs(kImageWidth, 0);
    for (int y = kImageHeight - 2; y > 200; --y) {
        for (int x = 0; x < kImageWidth; ++x) {
            const int i = t.Index(x, y);
            int& run = runs[static_cast<std::size_t>(x)];
            if (t.PixelCell[static_cast<std::size_t>(i)] != 0) {
                run = 0;
            } else if (run < kMaxFill) {
                CopyPixel(t, i, i + kImageWidth);
                ++run;
            }
        }
    }
    // Then from the right: the far rows, and what is left between near-range steps.
    for (int y = 0; y < kImageHeight - 1; ++y) {
        int run = 0;
        for (int x = kImageWidth - 2; x >= 0; --x) {
            const int i = t.Index(x, y);
            if (t.PixelCell[static_cast<std::size_t>(i)] != 0) {
                run = 0;
            } else if (run < kMaxFill) {
                CopyPixel(t, i, i + 1);
                ++run;
            }
        }
    }
}

}  // namespace

void BuildPerspectiveTables(const DisplayParams& p, PixelTables& t, std::uint8_t* scratch) {
    t.Clear();
    DisplayParams q = p;
    q.mode = DisplayMode::Perspective;
    const int nb = BeamCount(q);
    const int m = FineStepsPerBeam(q.sector_deg, nb, q.head_formed);
    const int total = nb * m;
    const StepAngles ang = MakeAngles(q, m, total);
    const int sp = RangeStartPixels(q);
    int x = 0;
    int y = 0;
    for (int k = 0; k < total; ++k) {
        const double a = ang.At(k);
        const double c = std::cos(a);
        const double s = std::sin(a);
        for (int j = 0; j < kCells; ++j) {
            if (ProjectFanPoint(sp + j, c, s, sp, x, y) && Inside(x, y)) {
                Store(t, t.Index(x, y), k, m, j);
            }
        }
    }
    CloseGaps(t);
    DrawOutline(
        ang.At(0), ang.At(total - 1), q.sector_deg, sp, 0.1, 5000, sp + kFanRadius,
        [&](double r, double c, double s, int& ox, int& oy) {
            // Unrounded fan points, so the 0.1-pixel steps reach every row.
            if (!PerspectiveProject(r * c, r * s + sp, ox, oy)) return false;
            ox = std::clamp(kApexX + ox, 0, kImageWidth - 1);
            oy += kApexY;
            return true;
        },
        scratch);
    SpansFromOutline(scratch, t);
    std::memset(scratch, 0, kImagePixels);
    t.Pack(nb);
}

void BuildBeamTestTables(const DisplayParams& p, PixelTables& t) {
    (void)p;
    t.Clear();
    // Every element row holds 500 cells (1000-sample returns are reduced to 500 by the
    // unpacker), so the bars never read into the next element's row.
    for (int k = 0; k < 64 * kBeamTestColumnWidth; ++k) {
        const int x = kBeamTestFirstX + k;
        for (int j = 0; j < kCells; ++j) {
            const int y = kApexY - j;
            if (!Inside(x, y)) continue;
            const auto i = static_cast<std::size_t>(t.Index(x, y));
            t.PixelStep[i] = k;
            t.PixelBeam[i] = k / kBeamTestColumnWidth;
            t.PixelCell[i] = j;
        }
    }
    t.RowStart.fill(static_cast<std::int16_t>(kBeamTestSpanStart));
    t.RowEnd.fill(static_cast<std::int16_t>(kBeamTestSpanEnd));
}

void BuildLinearTables(const DisplayParams& p, PixelTables& t) {
    t.Clear();
    const int nb = std::clamp(p.num_beams, 1, kMaxBeams);
    const int h = nb / 2;
    const bool down = p.linear_rule == ByteRule::C;  // rule C draws range downward
    // Beam b sits in column h + 505 - b; its byte-image row is nb - 1 - b.
    const int x_lo = std::max(0, h + kApexX - (nb - 1));
    const int x_hi = std::min(kImageWidth, h + kApexX + 1);
    for (int y = 0; y < kImageHeight; ++y) {
        const int cell = down ? y : kImageHeight - y;
        const bool row_used = cell >= 0 && cell < kCells;
        for (int x = x_lo; row_used && x < x_hi; ++x) {
            const int b = h + kApexX - x;
            const auto i = static_cast<std::size_t>(t.Index(x, y));
            t.PixelStep[i] = b;
            t.PixelBeam[i] = nb - 1 - b;
            t.PixelCell[i] = cell;
            t.PixelW1[i] = 255;  // no interpolation across beams
        }
        t.RowStart[static_cast<std::size_t>(y)] =
            static_cast<std::int16_t>(row_used ? x_lo : kApexX);
        t.RowEnd[static_cast<std::size_t>(y)] = static_cast<std::int16_t>(row_used ? x_hi : kApexX);
    }
    t.Pack(nb);
}

void BuildTables(const DisplayParams& p, PixelTables& t, std::uint8_t* scratch) {
    switch (p.mode) {
        case DisplayMode::Perspective:
            BuildPerspectiveTables(p, t, scratch);
            break;
        case DisplayMode::BeamTest:
            BuildBeamTestTables(p, t);
            break;
        case DisplayMode::Linear:
            BuildLinearTables(p, t);
            break;
        default:
            BuildSectorTables(p, t, scratch);
            break;
    }
}

}  // namespace vq
