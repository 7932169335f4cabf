// Field readers for NMEA 0183 sentences: pure functions over the comma-separated data field.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vq::nmea {

// The comma-separated fields of a data field; a missing field reads as empty.
class Fields {
  public:
    explicit Fields(std::string_view data);
    std::string_view operator[](int i) const {
        return i >= 0 && i < count_ ? fields_[static_cast<std::size_t>(i)] : std::string_view{};
    }
    int count() const { return count_; }

  private:
    static constexpr int kMaxFields = 32;
    std::array<std::string_view, kMaxFields> fields_{};
    int count_ = 0;
};

// A number from the digits and "." of a field (and "-" when allowed), at most `max_chars` of
// them; empty when the field holds no digits.
std::optional<double> Number(std::string_view field, bool allow_minus, std::size_t max_chars);
std::optional<int> Integer(std::string_view field);

// Latitude (ddmm.mmmmm) or longitude (dddmm.mmmmm): degrees, whole minutes and five digits of
// decimal minutes (missing digits are 0, further digits dropped).
struct Coordinate {
    int degrees = 0;
    int minutes = 0;
    std::array<char, 6> minute_fraction{};  // five digits, NUL-terminated
    double decimal_minutes() const;
};
std::optional<Coordinate> ParseCoordinate(std::string_view field, int max_degrees);

// hhmmss.sss as "hh:mm:ss" and ".mmm".
struct UtcTime {
    std::array<char, 9> text{};
    std::array<char, 5> millis{};
};
std::optional<UtcTime> ParseUtcTime(std::string_view field);

// "dd-Mon-yyyy" from the ZDA day, month and year fields.
std::optional<std::array<char, 12>> DateText(std::string_view day, std::string_view month,
                                             std::string_view year);

}  // namespace vq::nmea
