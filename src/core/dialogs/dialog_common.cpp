#include "core/dialogs/dialog_common.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/settings_file.h"

namespace vq {

DialogRect PlaceDialog(const DialogRect& main_window, int width, int height, int screen_width,
                       int screen_height, int caption_height) {
    DialogRect r{0, 0, width, height};
    r.x = main_window.x + (main_window.width - width) / 2;
    r.y = main_window.y + (main_window.height - height) / 2;
    if (r.x + width > screen_width) r.x = screen_width - width - 11;
    if (r.y + height > screen_height) r.y = screen_height - height - caption_height - 10;
    r.x = std::max(r.x, 0);
    r.y = std::max(r.y, 0);
    return r;
}

int ClampUnits(int units) {
    return units == 1 || units == 2 ? units : 0;
}

double MetresToUnits(double metres, int units) {
    switch (ClampUnits(units)) {
        case 1:
            return metres * kFeetPerMetre;
        case 2:
            return metres * kYardsPerMetre;
        default:
            return metres;
    }
}

double UnitsToMetres(double value, int units) {
    switch (ClampUnits(units)) {
        case 1:
            return value * kMetresPerFoot;
        case 2:
            return value * kMetresPerYard;
        default:
            return value;
    }
}

namespace {

std::string_view Trim(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
}

}  // namespace

std::optional<double> ParseTypedNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Only plain decimal numbers: no exponent, no "inf" or "nan".
    for (char c : text) {
        if (!(c == '-' || c == '.' || (c >= '0' && c <= '9'))) return std::nullopt;
    }
    double v = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> ParseTypedInteger(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    int v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

std::string FormatInt(long long value) {
    return std::to_string(value);
}

std::string FormatFloat(double value, int precision, int width, bool zero_pad) {
    return FormatFixed(value, precision, width, zero_pad);
}

double StepAndClamp(double value, double delta, double lo, double hi) {
    if (!std::isfinite(value)) value = lo;
    return std::clamp(value + delta, lo, hi);
}

}  // namespace vq
