#include "recording/time_stamp.h"

#include <algorithm>

namespace vq {
namespace {

constexpr std::array<const char*, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Writes value (clamped to 0..10^n - 1) as n digits with leading zeros.
char* PutDigits(char* p, int value, int n) {
    int limit = 1;
    for (int i = 0; i < n; ++i) limit *= 10;
    value = std::clamp(value, 0, limit - 1);
    for (int i = n - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + n;
}

// Reads up to n decimal digits; stops at the first non-digit.
int Digits(std::string_view s, std::size_t pos, std::size_t n) {
    int v = 0;
    for (std::size_t i = pos; i < pos + n && i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') break;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

PingTimeStamp PingTimeStamp::FromFields(int year, int month, int day, int hour, int minute,
                                        int second, int millisecond) {
    PingTimeStamp ts;
    char* d = PutDigits(ts.date.data(), day, 2);  // DD-MMM-YYYY
    *d++ = '-';
    std::string_view m = MonthName(month);
    std::copy(m.begin(), m.end(), d);
    d += 3;
    *d++ = '-';
    PutDigits(d, year, 4);
    char* t = PutDigits(ts.time.data(), hour, 2);  // HH:MM:SS
    *t++ = ':';
    t = PutDigits(t, minute, 2);
    *t++ = ':';
    PutDigits(t, second, 2);
    millisecond = std::clamp(millisecond, 0, 999);
    ts.hundredths[0] = '.';
    PutDigits(ts.hundredths.data() + 1, millisecond / 10, 2);
    ts.millis[0] = '.';
    PutDigits(ts.millis.data() + 1, millisecond, 3);
    return ts;
}

CalendarTime ParseTimeStamp(const PingTimeStamp& ts) {
    CalendarTime c;
    std::string_view d = ts.DateText();
    c.day = Digits(d, 0, 2);
    c.month = d.size() >= 6 ? MonthNumber(d.substr(3, 3)) : 0;
    c.month_known = c.month != 0;
    c.year = Digits(d, 7, 4);
    std::string_view t = ts.time_text();
    c.hour = Digits(t, 0, 2);
    c.minute = Digits(t, 3, 2);
    c.second = Digits(t, 6, 2);
    c.hundredths = Digits(ts.hundredths_text(), 1, 2);
    c.millis = Digits(ts.millis_text(), 1, 3);
    return c;
}

int MonthNumber(std::string_view name) {
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (name == kMonths[i]) return static_cast<int>(i) + 1;
    return 0;
}

std::string_view MonthName(int month) {
    if (month < 1 || month > 12) return kMonths[0];
    return kMonths[static_cast<std::size_t>(month - 1)];
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DayOfYear(int year, int month, int day) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return 0;
    int month_len =
        kDays[static_cast<std::size_t>(month - 1)] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > month_len) return 0;
    int n = day;
    for (int m = 1; m < month; ++m)
        n += kDays[static_cast<std::size_t>(m - 1)] + (m == 2 && IsLeapYear(year) ? 1 : 0);
    return n;
}

void TimeStampHistory::Push(const PingTimeStamp& ts) {
    std::move_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = ts;
    count_ = std::min(count_ + 1, kSize);
}

const PingTimeStamp& TimeStampHistory::At(int i) const {
    const int oldest = std::max(count_ - 1, 0);
    return entries_[static_cast<std::size_t>(std::clamp(i, 0, oldest))];
}

int DisplayDelayIndex(bool averaging_on, int averaging_length, bool profile_filter_type2,
                      bool pipelined) {
    int k = averaging_on && averaging_length > 0 ? (averaging_length - 1) / 2 : 0;
    if (profile_filter_type2) ++k;
    if (pipelined) ++k;
    return std::clamp(k, 0, TimeStampHistory::kSize - 1);
}

}  // namespace vq
