#include "sensors/nmea_fields.h"

#include <charconv>
#include <cstdio>

namespace vq::nmea {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

Fields::Fields(std::string_view data) {
    std::size_t start = 0;
    while (count_ < kMaxFields) {
        std::size_t comma = data.find(',', start);
        fields_[static_cast<std::size_t>(count_++)] = data.substr(start, comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

std::optional<double> Number(std::string_view field, bool allow_minus, std::size_t max_chars) {
    std::array<char, 16> kept{};
    std::size_t n = 0;
    bool has_digit = false;
    for (char c : field) {
        if (!(IsDigit(c) || c == '.' || (allow_minus && c == '-'))) continue;
        if (n >= max_chars || n >= kept.size()) break;
        has_digit = has_digit || IsDigit(c);
        kept[n++] = c;
    }
    if (!has_digit) return std::nullopt;
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(kept.data(), kept.data() + n, v);
    if (ec != std::errc()) return std::nullopt;
    return v;
}

std::optional<int> Integer(std::string_view field) {
    auto v = Number(field, false, 10);
    if (!v || *v > 1e9) return std::nullopt;
    return static_cast<int>(*v);
}

double Coordinate::decimal_minutes() const {
    int frac = 0;
    for (int i = 0; i < 5; ++i)
        frac = frac * 10 + (minute_fraction[static_cast<std::size_t>(i)] - '0');
    return minutes + frac / 100000.0;
}

std::optional<Coordinate> ParseCoordinate(std::string_view field, int max_degrees) {
    Coordinate c;
    c.minute_fraction.fill('0');
    c.minute_fraction[5] = '\0';
    long whole = 0;
    int whole_digits = 0;
    int frac_digits = 0;
    bool in_fraction = false;
    for (char ch : field) {
        if (ch == '.') {
            if (in_fraction) return std::nullopt;
            in_fraction = true;
        } else if (IsDigit(ch)) {
            if (!in_fraction) {
                if (++whole_digits > 5) return std::nullopt;
                whole = whole * 10 + (ch - '0');
            } else if (frac_digits < 5) {
                c.minute_fraction[static_cast<std::size_t>(frac_digits++)] = ch;
            }
        }
    }
    if (whole_digits == 0) return std::nullopt;
    c.degrees = static_cast<int>(whole / 100);
    c.minutes = static_cast<int>(whole % 100);
    if (c.minutes >= 60 || c.degrees > max_degrees ||
        (c.degrees == max_degrees && c.decimal_minutes() > 0.0))
        return std::nullopt;
    return c;
}

std::optional<UtcTime> ParseUtcTime(std::string_view field) {
    std::array<int, 6> hms{};
    int digits = 0;
    std::size_t i = 0;
    for (; i < field.size() && digits < 6; ++i) {
        if (!IsDigit(field[i])) return std::nullopt;
        hms[static_cast<std::size_t>(digits++)] = field[i] - '0';
    }
    if (digits < 6) return std::nullopt;
    int ms = 0;
    if (i < field.size() && field[i] == '.') {
        int scale = 100;
        for (++i; i < field.size() && IsDigit(field[i]) && scale > 0; ++i, scale /= 10)
            ms += (field[i] - '0') * scale;
    }
    int hh = hms[0] * 10 + hms[1];
    int mm = hms[2] * 10 + hms[3];
    int ss = hms[4] * 10 + hms[5];
    if (hh > 23 || mm > 59 || ss > 60) return std::nullopt;
    UtcTime t;
    t.text = {char('0' + hms[0]), char('0' + hms[1]), ':',
              char('0' + hms[2]), char('0' + hms[3]), ':',
              char('0' + hms[4]), char('0' + hms[5]), '\0'};
    t.millis = {'.', char('0' + ms / 100), char('0' + ms / 10 % 10), char('0' + ms % 10), '\0'};
    return t;
}

std::optional<std::array<char, 12>> DateText(std::string_view day, std::string_view month,
                                             std::string_view year) {
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    auto d = Integer(day);
    auto m = Integer(month);
    auto y = Integer(year);
    if (!d || !m || !y || *d < 1 || *d > 31 || *m < 1 || *m > 12 || *y > 9999) return std::nullopt;
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%02d-%s-%04d", *d % 100,
                  kMonths[static_cast<std::size_t>(*m - 1)], *y % 10000);
    return text;
}

}  // namespace vq::nmea
