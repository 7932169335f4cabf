#include "sensors/gps_parser.h"

#include "core/utm.h"
#include "sensors/nmea_fields.h"

namespace vq {

namespace {

// Digit value of an upper-case hexadecimal checksum character, or -1.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 55;
    return -1;
}

// The fields of a position sentence, by sentence type.
struct PositionLayout {
    int time = -1;
    int lat = 0;
    int speed = -1;
};

struct ParsedPosition {
    std::optional<nmea::UtcTime> time;
    std::optional<nmea::Coordinate> lat;
    std::optional<nmea::Coordinate> lon;
    char ns = 0;
    char ew = 0;
    std::optional<double> speed;
    std::optional<double> course;
};

ParsedPosition ParsePosition(const nmea::Fields& f, const PositionLayout& layout) {
    ParsedPosition p;
    if (layout.time >= 0) p.time = nmea::ParseUtcTime(f[layout.time]);
    p.lat = nmea::ParseCoordinate(f[layout.lat], 90);
    p.lon = nmea::ParseCoordinate(f[layout.lat + 2], 180);
    std::string_view ns = f[layout.lat + 1];
    std::string_view ew = f[layout.lat + 3];
    p.ns = ns.size() == 1 ? ns[0] : 0;
    p.ew = ew.size() == 1 ? ew[0] : 0;
    if (layout.speed >= 0) {
        p.speed = nmea::Number(f[layout.speed], false, 10);
        p.course = nmea::Number(f[layout.speed + 1], false, 10);
    }
    return p;
}

bool HemispheresValid(const ParsedPosition& p) {
    return (p.ns == 'N' || p.ns == 'S') && (p.ew == 'E' || p.ew == 'W');
}

// " dd.mm.mmmmm N" (latitude) or "ddd.mm.mmmmm E" (longitude).
std::array<char, 15> PositionText(const nmea::Coordinate& c, char hemisphere, bool latitude) {
    std::array<char, 15> t{};
    std::size_t n = 0;
    if (latitude) {
        t[n++] = ' ';
    } else {
        t[n++] = static_cast<char>('0' + c.degrees / 100 % 10);
    }
    t[n++] = static_cast<char>('0' + c.degrees / 10 % 10);
    t[n++] = static_cast<char>('0' + c.degrees % 10);
    t[n++] = '.';
    t[n++] = static_cast<char>('0' + c.minutes / 10 % 10);
    t[n++] = static_cast<char>('0' + c.minutes % 10);
    t[n++] = '.';
    for (std::size_t i = 0; i < 5; ++i) t[n++] = c.minute_fraction[i];
    t[n++] = ' ';
    t[n++] = hemisphere;
    return t;
}

}  // namespace

void GpsParser::set_position_sentence(int gps_heading_type) {
    if (gps_heading_type < 0 || gps_heading_type > 2) gps_heading_type = 1;
    position_sentence_.store(gps_heading_type, std::memory_order_relaxed);
}

void GpsParser::StartSentence() {
    stage_ = Stage::Address;
    running_xor_ = 0;
    address_len_ = 0;
    data_len_ = 0;
    checksum_digits_ = 0;
    checksum_value_ = 0;
}

void GpsParser::Feed(char c) {
    // A "$" always starts a new sentence, so a line cut short cannot swallow the next one.
    if (c == '$') {
        StartSentence();
        return;
    }
    switch (stage_) {
        case Stage::Idle:
            return;
        case Stage::Address:
            if (c == ',' || c == '*') {
                if (c == ',') running_xor_ ^= static_cast<std::uint8_t>(c);
                stage_ = c == ',' ? Stage::Data : Stage::Checksum;
            } else if (c == '\r' || c == '\n' || address_len_ >= kMaxAddress - 1) {
                stage_ = Stage::Idle;
            } else {
                running_xor_ ^= static_cast<std::uint8_t>(c);
                address_[static_cast<std::size_t>(address_len_++)] = c;
            }
            return;
        case Stage::Data:
            if (c == '*') {
                stage_ = Stage::Checksum;
            } else if (c == '\r') {
                stage_ = Stage::Idle;
                HandleSentence({address_.data(), static_cast<std::size_t>(address_len_)},
                               {data_.data(), static_cast<std::size_t>(data_len_)}, -1);
            } else if (data_len_ >= kMaxData) {
                stage_ = Stage::Idle;
            } else {
                running_xor_ ^= static_cast<std::uint8_t>(c);
                data_[static_cast<std::size_t>(data_len_++)] = c;
            }
            return;
        case Stage::Checksum:
            FeedChecksumDigit(c);
            return;
    }
}

void GpsParser::FeedChecksumDigit(char c) {
    int digit = HexDigit(c);
    if (digit < 0) {
        bad_checksums_.fetch_add(1, std::memory_order_relaxed);
        stage_ = Stage::Idle;
        return;
    }
    checksum_value_ = checksum_value_ * 16 + digit;
    if (++checksum_digits_ < 2) return;
    stage_ = Stage::Idle;
    if (checksum_value_ != running_xor_) {
        bad_checksums_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    HandleSentence({address_.data(), static_cast<std::size_t>(address_len_)},
                   {data_.data(), static_cast<std::size_t>(data_len_)}, checksum_value_);
}

void GpsParser::HandleSentence(std::string_view address, std::string_view data, int checksum) {
    (void)checksum;  // already verified by the framer when present
    if (hold_.load(std::memory_order_relaxed) || address.size() < 5) return;
    handled_.fetch_add(1, std::memory_order_relaxed);
    nav_.Update([](NavSnapshot& s) { s.data_arrived = true; });
    std::string_view type = address.substr(2, 3);  // the talker is not checked
    auto position =
        static_cast<PositionSentence>(position_sentence_.load(std::memory_order_relaxed));
    if (type == "ZDA") {
        HandleZda(data);
    } else if ((type == "GLL" && position == PositionSentence::GLL) ||
               (type == "GGA" && position == PositionSentence::GGA) ||
               (type == "RMC" && position == PositionSentence::RMC)) {
        HandlePosition(type, data);
    } else if (type == "VTG" && position != PositionSentence::RMC) {
        HandleVtg(data);
    } else if (type == "HDT") {
        HandleHdt(data);
    }
}

void GpsParser::HandlePosition(std::string_view type, std::string_view data) {
    nmea::Fields f(data);
    PositionLayout layout;
    if (type == "GGA") layout = {0, 1, -1};
    if (type == "RMC") layout = {0, 2, 6};
    ParsedPosition p = ParsePosition(f, layout);
    bool valid = p.lat && p.lon && HemispheresValid(p);
    GpsFix fix;
    if (valid) {
        fix.latitude_deg = p.lat->degrees + p.lat->decimal_minutes() / 60.0;
        fix.longitude_deg = p.lon->degrees + p.lon->decimal_minutes() / 60.0;
        if (p.ns == 'S') fix.latitude_deg = -fix.latitude_deg;
        if (p.ew == 'W') fix.longitude_deg = -fix.longitude_deg;
        UtmPosition utm = ToUtm(fix.latitude_deg, fix.longitude_deg);
        fix.easting = utm.easting;
        fix.northing = utm.northing;
        fix.zone = utm.zone;
    }
    bool gga = type == "GGA";
    nav_.Update([&](NavSnapshot& s) {
        if (p.time) {
            s.utc_time_text = p.time->text;
            s.utc_millis_text = p.time->millis;
        }
        if (gga) {
            if (auto q = nmea::Integer(f[5])) s.fix_quality = *q;
            if (auto n = nmea::Integer(f[6])) s.satellites = *n;
            if (auto h = nmea::Number(f[7], true, 10)) s.hdop = static_cast<float>(*h);
            if (auto a = nmea::Number(f[8], true, 12)) s.altitude_m = static_cast<float>(*a);
            if (auto g = nmea::Number(f[10], true, 12))
                s.geoid_separation_m = static_cast<float>(*g);
        }
        if (p.speed) s.speed_knots = static_cast<float>(*p.speed);
        if (p.course) s.course_deg = static_cast<float>(*p.course);
        if (!valid) return;
        s.position_valid = true;
        s.lat_hemisphere = p.ns;
        s.lon_hemisphere = p.ew;
        s.latitude_text = PositionText(*p.lat, p.ns, true);
        s.longitude_text = PositionText(*p.lon, p.ew, false);
        s.latitude_deg = fix.latitude_deg;
        s.longitude_deg = fix.longitude_deg;
        s.utm_easting = fix.easting;
        s.utm_northing = fix.northing;
        s.utm_zone = fix.zone;
        ++s.position_count;
        if (p.speed || p.course) ++s.speed_course_count;
        fix.fix_quality = s.fix_quality;
        fix.speed_knots = s.speed_knots;
        fix.course_deg = s.course_deg;
        fix.heading_deg = s.heading_deg;
    });
    if (!valid || listener_ == nullptr) return;
    listener_->OnPosition(fix);
    if (type == "RMC") listener_->OnSpeedCourse(fix.speed_knots, fix.course_deg);
}

void GpsParser::HandleVtg(std::string_view data) {
    nmea::Fields f(data);
    std::optional<double> course;
    std::optional<double> speed;
    if (f[1] == "T") course = nmea::Number(f[0], false, 10);
    if (f[5] == "N") speed = nmea::Number(f[4], false, 10);
    float s_knots = 0.0f;
    float c_deg = 0.0f;
    nav_.Update([&](NavSnapshot& s) {
        if (course) s.course_deg = static_cast<float>(*course);
        if (speed) s.speed_knots = static_cast<float>(*speed);
        if (course && speed) s.position_valid = true;
        if (course || speed) ++s.speed_course_count;
        s_knots = s.speed_knots;
        c_deg = s.course_deg;
    });
    if (listener_ != nullptr && (course || speed)) listener_->OnSpeedCourse(s_knots, c_deg);
}

void GpsParser::HandleHdt(std::string_view data) {
    nmea::Fields f(data);
    auto heading = nmea::Number(f[0], false, 10);
    if (!heading || *heading < 0.0 || *heading >= 360.0) return;
    nav_.Update([&](NavSnapshot& s) {
        s.heading_deg = static_cast<float>(*heading);
        s.heading_valid = true;
    });
}

void GpsParser::HandleZda(std::string_view data) {
    nmea::Fields f(data);
    auto time = nmea::ParseUtcTime(f[0]);
    auto date = nmea::DateText(f[1], f[2], f[3]);
    nav_.Update([&](NavSnapshot& s) {
        if (time) {
            s.utc_time_text = time->text;
            s.utc_millis_text = time->millis;
        }
        if (date) s.gps_date_text = *date;
    });
}

}  // namespace vq
