#include "display/cursor_readout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/range_table.h"
#include "display/readouts.h"

namespace vq {
namespace {

constexpr double kFeetPerMetre = 3.280839895013123;
constexpr double kYardsPerMetre = 1.0936132983377076;
constexpr double kDegPerRad = 57.29577951;
constexpr double kPixelsPerSpan = 500.0;

// The apex of the sector and Beam Test pictures in client coordinates (before the range start).
constexpr int kApexClientX = kPictureLeft + kApexX;  // 507
constexpr int kApexClientY = kPictureTop + kApexY;   // 602
// The profile waterfall's picture: columns 21 .. 429 and rows 60 .. 330 carry the read-out.
constexpr int kWaterfallLeft = 21, kWaterfallRight = 429, kWaterfallTop = 60,
              kWaterfallBottom = 330;
// Beam Test bars: 9 pixels wide, column k = 0 .. 575 at picture column 217 + k.
constexpr int kBarWidth = 9;
constexpr int kBarColumns = 576;
constexpr int kFirstBarClientX = kPictureLeft + kApexX - kBarColumns / 2;  // 219

std::string Format(const char* format, double v, const char* suffix = "") {
    char buf[48];
    std::snprintf(buf, sizeof buf, format, v);
    return std::string(buf) + suffix;
}

bool ProfileWaterfall(const DisplayParams& p) {
    return p.mode == DisplayMode::Profile && p.profile_waterfall;
}

double UnitFactor(int units) {
    return units == 1 ? kFeetPerMetre : (units == 2 ? kYardsPerMetre : 1.0);
}

// Metres per pixel, before the unit conversion.
double MetresPerPixel(const DisplayParams& p) {
    double m = static_cast<double>(p.range_span_m) / kPixelsPerSpan;
    if (ProfileWaterfall(p)) m *= 2.0;
    if (p.half_range) m *= 0.5;
    return m * static_cast<double>(p.sound_velocity) / 1500.0;
}

struct Origin {
    int x;
    int y;
};

Origin OriginOf(const DisplayParams& p) {
    const int sp = RangeStartPixels(p);
    if (p.mode != DisplayMode::Profile) return {kApexClientX, kApexClientY + sp};
    const int o = ProfileCentring(p.sector_deg, p.tilt_deg);
    if (!p.profile_waterfall) return {o + kApexClientX, kPictureTop - 1 - sp};
    return {static_cast<int>((o + kApexX) * 0.5 - 28), static_cast<int>(kPictureTop - sp * 0.5)};
}

// Bearing of an offset from the origin, 0 .. 360 degrees clockwise from straight up.
double Bearing(double dx, double dy) {
    double r = std::sqrt(dx * dx + dy * dy);
    if (r <= 0.0) r = 0.000001;
    const double a = std::asin(std::min(std::fabs(dx) / r, 1.0)) * kDegPerRad;
    const bool above = dy < 0.0;
    double b = 0.0;
    if (dx > 0.0) {
        b = above ? a : 180.0 - a;
    } else {
        b = above ? 360.0 - a : 180.0 + a;
    }
    return b >= 360.0 ? 0.0 : b;
}

int ClampBin(double cell, int num_samples) {
    const int last = std::max(num_samples, 1) - 1;
    if (!(cell >= 0.0)) return 0;
    return cell >= last ? last : static_cast<int>(cell);
}

// Range cell at `r_px` picture pixels from the origin (the range start included).
int BinAt(const DisplayParams& p, double r_px) {
    const double wf = ProfileWaterfall(p) ? 2.0 : 1.0;
    const double half = p.half_range ? 0.5 : 1.0;
    const double cells = (r_px * wf - RangeStartPixels(p)) * half * p.num_samples / kPixelsPerSpan;
    return ClampBin(cells, p.num_samples);
}

CursorReadout ReadPolar(const DisplayParams& p, int x, int y) {
    const Origin o = OriginOf(p);
    const double dx = x - o.x;
    const double dy = y - o.y;
    const double k = UnitsPerPixel(p);
    const char* suffix = UnitSuffix(p.units);
    CursorReadout r;
    r.range_bin = BinAt(p, std::sqrt(dx * dx + dy * dy));
    const bool rectangular = p.mode == DisplayMode::Profile && p.profile_grid == 1;
    if (rectangular) {
        const double vertical = p.profile_waterfall ? o.y - y : o.y - y + 1;
        r.first = Format("%5.2f", dx * k, suffix);
        r.second = Format("%5.2f", vertical * k, suffix);
        return r;
    }
    r.first = Format("%3.2f", std::sqrt(dx * dx + dy * dy) * k, suffix);
    double b = Bearing(dx, dy);
    if (p.mode == DisplayMode::Profile) {
        b = 540.0 - b;
        while (b > 180.0) b -= 360.0;
        while (b <= -180.0) b += 360.0;
    }
    r.second = Format("%05.1f Deg", b);
    return r;
}

CursorReadout ReadBeamTest(const DisplayParams& p, int x, int y) {
    CursorReadout r;
    int k = x - kFirstBarClientX;
    if (p.xdcr == 1) k = kBarColumns - k;
    int first = 216, last = 359, top = 40;  // 16 elements
    if (p.num_elements == 32) {
        first = 144, last = 431, top = 48;
    } else if (p.num_elements == 64) {
        first = 0, last = kBarColumns - 1, top = 64;
    }
    if (k < first || k > last) return r;
    const Origin o = OriginOf(p);
    r.first = Format("%5.2f", (o.y - y) * UnitsPerPixel(p), UnitSuffix(p.units));
    char buf[24];
    std::snprintf(buf, sizeof buf, "Beam %d", top - k / kBarWidth);
    r.second = buf;
    r.range_bin = BinAt(p, o.y - y);
    return r;
}

// The linear mode: columns are beams across the sector, rows are range cells (upward from the
// bottom edge, or downward from the top for head-formed beams).
CursorReadout ReadLinear(const DisplayParams& p, int x, int y) {
    CursorReadout r;
    const int nb = std::max(p.num_beams, 1);
    const int centre = kApexClientX;
    const int h = nb / 2;
    if (x > centre + h || x < centre + h - (nb - 1)) return r;
    const bool down = p.linear_rule == ByteRule::C;
    const int rows = down ? y - kPictureTop : kPictureTop + kImageHeight - y;
    // One row per sample, except 1000-sample beams drawn one sample per row (rule A).
    const double per_row = (p.linear_rule == ByteRule::A && p.num_samples > 500) ? 0.5 : 1.0;
    const double metres = p.range_start_m + rows * per_row * p.range_span_m / kPixelsPerSpan;
    const double k = UnitFactor(p.units) * p.sound_velocity / 1500.0;
    r.first = Format("%3.2f", metres * k, UnitSuffix(p.units));
    const double a = std::abs(x - centre) * static_cast<double>(p.sector_deg) / nb;
    const double b = x >= centre ? a : 360.0 - a;
    r.second = Format("%05.1f Deg", b >= 360.0 ? 0.0 : b);
    r.range_bin = ClampBin(rows * per_row * p.num_samples / kPixelsPerSpan, p.num_samples);
    return r;
}

// The perspective mode: the pointer is traced back through the fixed camera onto the fan's
// plane; the boxes give the distance across and ahead of the sonar.
CursorReadout ReadPerspective(const DisplayParams& p, int x, int y) {
    static const double cc = std::cos(0.867198), sc = std::sin(0.867198);
    const double xp = x - kApexClientX;  // picture offsets from the apex, as projected
    const double yp = y - kApexClientY;
    CursorReadout r;
    const double den = 1000.0 * cc + sc * yp;
    if (den <= 0.0) return r;
    const double py = 350.0 * yp / den;
    const double px = xp * (350.0 - sc * py) / 630.0;
    const double sp = RangeStartPixels(p);
    const double ahead = sp - py;
    const double k = UnitsPerPixel(p);
    r.first = Format("%5.2f", px * k, UnitSuffix(p.units));
    r.second = Format("%5.2f", ahead * k, UnitSuffix(p.units));
    r.range_bin = BinAt(p, std::sqrt(px * px + ahead * ahead));
    return r;
}

}  // namespace

CursorLabels CursorLabelsFor(const DisplayParams& p) {
    const bool hv = p.mode == DisplayMode::Perspective ||
                    (p.mode == DisplayMode::Profile && p.profile_grid == 1);
    return hv ? CursorLabels{"HOR:", "VER:"} : CursorLabels{"RNG:", "BRG:"};
}

const char* UnitSuffix(int units) {
    return units == 1 ? " FT" : (units == 2 ? " YDS" : " M");
}

double UnitsPerPixel(const DisplayParams& p) {
    return MetresPerPixel(p) * UnitFactor(p.units);
}

CursorReadout ReadCursor(const DisplayParams& p, int x, int y) {
    if (ProfileWaterfall(p) &&
        (x < kWaterfallLeft || x > kWaterfallRight || y < kWaterfallTop || y > kWaterfallBottom)) {
        return {kNotAvailable, kNotAvailable, -1};
    }
    switch (p.mode) {
        case DisplayMode::BeamTest:
            return ReadBeamTest(p, x, y);
        case DisplayMode::Linear:
            return ReadLinear(p, x, y);
        case DisplayMode::Perspective:
            return ReadPerspective(p, x, y);
        case DisplayMode::Sector:
        case DisplayMode::Profile:
            break;
    }
    return ReadPolar(p, x, y);
}

std::string MeasureText(const DisplayParams& p, int anchor_x, int anchor_y, int x, int y) {
    const double dx = x - anchor_x;
    const double dy = y - anchor_y;
    return Format("%3.2f", std::sqrt(dx * dx + dy * dy) * UnitsPerPixel(p), UnitSuffix(p.units));
}

int MeasureLabelTop(int anchor_y, int pointer_y, int text_height) {
    return pointer_y > anchor_y ? pointer_y + 26 - text_height : pointer_y - 25;
}

std::string RangeLabel(const RangeLabelInputs& in) {
    const int i = ClampRangeIndex(in.range_index);
    const int u = std::clamp(in.units, 0, 2);
    const bool half = in.half_range && i == in.min_range_index;
    const float span = RangeSpanMeters(i, in.fine_resolution);
    char buf[48];
    if (in.range_start_m > 0) {
        if (half) {
            std::snprintf(buf, sizeof buf, "%d to %4.2f M", in.range_start_m,
                          in.range_start_m + span * 0.5);
        } else if (in.fine_resolution && i == in.min_range_index) {
            std::snprintf(buf, sizeof buf, "%d to %3.1f M", in.range_start_m,
                          in.range_start_m + static_cast<double>(span));
        } else {
            const int n = in.fine_resolution ? WholeMetreSpan(i) / 10 : WholeMetreSpan(i);
            std::snprintf(buf, sizeof buf, "%d to %d M", in.range_start_m, in.range_start_m + n);
        }
        return buf;
    }
    if (!in.fine_resolution && !half) return RangeReadoutName(i, u);
    // A fine-resolution head names its own (tenfold shorter) spans, and half-range mode names
    // the half window the picture shows, with the same unit words.
    const char* name = RangeReadoutName(i, u);
    double number = std::strtod(name, nullptr);
    if (in.fine_resolution) number *= 0.1;
    if (half) number *= 0.5;
    static constexpr std::array<const char*, 3> kWords = {" M", " FT", " YDS"};
    std::snprintf(buf, sizeof buf, "%g%s", number, kWords[static_cast<std::size_t>(u)]);
    return buf;
}

double ProfileDepthAtRow(const DisplayParams& p, int y) {
    DisplayParams q = p;
    q.mode = DisplayMode::Profile;
    return (y - OriginOf(q).y) * MetresPerPixel(q);
}

int ProfileRowOfDepth(const DisplayParams& p, double depth_m) {
    DisplayParams q = p;
    q.mode = DisplayMode::Profile;
    const double m = MetresPerPixel(q);
    return OriginOf(q).y + (m > 0.0 ? static_cast<int>(std::lround(depth_m / m)) : 0);
}

double LimitMinDepth(double depth_m, double max_depth_m, double range_m) {
    const double d = std::clamp(depth_m, 0.1, std::max(0.1, 0.9 * range_m));
    return std::min(d, max_depth_m - 0.05 * range_m);
}

double LimitMaxDepth(double depth_m, double min_depth_m, double range_m) {
    const double d = std::clamp(depth_m, 0.1 * range_m, 0.95 * range_m);
    return std::max(d, min_depth_m + 0.05 * range_m);
}

}  // namespace vq
