// The local date and time of a ping as the texts every file format takes its time from,
// and the history of the last ten pings (newest first).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vq {

struct PingTimeStamp {
    std::array<char, 12> date{};       // "DD-MMM-YYYY"
    std::array<char, 9> time{};        // "HH:MM:SS"
    std::array<char, 4> hundredths{};  // ".hh"
    std::array<char, 5> millis{};      // ".mmm"

    // Builds the texts from calendar fields (month 1..12; other months give "JAN").
    static PingTimeStamp FromFields(int year, int month, int day, int hour, int minute, int second,
                                    int millisecond);
    std::string_view DateText() const { return std::string_view(date.data()); }
    std::string_view time_text() const { return std::string_view(time.data()); }
    std::string_view hundredths_text() const { return std::string_view(hundredths.data()); }
    std::string_view millis_text() const { return std::string_view(millis.data()); }
};

// The time stamp texts parsed back into numbers (fields that do not parse are 0).
struct CalendarTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int hundredths = 0, millis = 0;
    bool month_known = false;  // the month name was one of "JAN".."DEC"
};
CalendarTime ParseTimeStamp(const PingTimeStamp& ts);

// "JAN".."DEC" -> 1..12 (upper case, as written); 0 when the name matches none.
int MonthNumber(std::string_view name);
// 1..12 -> "JAN".."DEC"; any other number gives "JAN".
std::string_view MonthName(int month);

// Gregorian leap-year rule (every fourth year, not centuries unless divisible by 400).
bool IsLeapYear(int year);
// Day of the year 1..366, or 0 when month or day are out of range.
int DayOfYear(int year, int month, int day);

class TimeStampHistory {
  public:
    static constexpr int kSize = 10;
    // Shifts the history and makes ts entry 0.
    void Push(const PingTimeStamp& ts);
    // Entry i (0 = newest); indices outside 0..9 are clamped, and an index beyond the pings
    // pushed so far gives the oldest one: the first pings after a start never read a blank.
    const PingTimeStamp& At(int i) const;
    int size() const { return count_; }

  private:
    std::array<PingTimeStamp, kSize> entries_{};
    int count_ = 0;
};

// The history entry whose ping is on display now: (L - 1) / 2 with the averaging filter of
// length L on, plus one with profile point filter type 2, plus one in pipelined ping mode.
int DisplayDelayIndex(bool averaging_on, int averaging_length, bool profile_filter_type2,
                      bool pipelined);

}  // namespace vq
