#include "sensors/gps_parser.h"

#include "sensors/nmea_fields.h"
#include "sensors/utm.h"

namespace vq {

namespace {

// Digit value of an upper-case hexadecimal checksum character, or -1.
int hex_digit(char c) {
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

ParsedPosition parse_position(const nmea::Fields& f, const PositionLayout& layout) {
    ParsedPosition p;
    if (layout.time >= 0) p.time = nmea::utc_time(f[layout.time]);
    p.lat = nmea::coordinate(f[layout.lat], 90);
    p.lon = nmea::coordinate(f[layout.lat + 2], 180);
    std::string_view ns = f[layout.lat + 1];
    std::string_view ew = f[layout.lat + 3];
    p.ns = ns.size() == 1 ? ns[0] : 0;
    p.ew = ew.size() == 1 ? ew[0] : 0;
    if (layout.speed >= 0) {
        p.speed = nmea::number(f[layout.speed], false, 10);
        p.course = nmea::number(f[layout.speed + 1], false, 10);
    }
    return p;
}

bool hemispheres_valid(const ParsedPosition& p) {
    return (p.ns == 'N' || p.ns == 'S') && (p.ew == 'E' || p.ew == 'W');
}

// " dd.mm.mmmmm N" (latitude) or "ddd.mm.mmmmm E" (longitude).
std::array<char, 15> position_text(const nmea::Coordinate& c, char hemisphere, bool latitude) {
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

void GpsParser::start_sentence() {
    stage_ = Stage::Address;
    running_xor_ = 0;
    address_len_ = 0;
    data_len_ = 0;
    checksum_digits_ = 0;
    checksum_value_ = 0;
}

void GpsParser::feed(char c) {
    // A "$" always starts a new sentence, so a line cut short cannot swallow the next one.
    if (c == '$') {
        start_sentence();
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
                handle_sentence({address_.data(), static_cast<std::size_t>(address_len_)},
                                {data_.data(), static_cast<std::size_t>(data_len_)}, -1);
            } else if (data_len_ >= kMaxData) {
                stage_ = Stage::Idle;
            } else {
                running_xor_ ^= static_cast<std::uint8_t>(c);
                data_[static_cast<std::size_t>(data_len_++)] = c;
            }
            return;
        case Stage::Checksum:
            feed_checksum_digit(c);
            return;
    }
}

void GpsParser::feed_checksum_digit(char c) {
    int digit = hex_digit(c);
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
    handle_sentence({address_.data(), static_cast<std::size_t>(address_len_)},
                    {data_.data(), static_cast<std::size_t>(data_len_)}, checksum_value_);
}

void GpsParser::handle_sentence(std::string_view address, std::string_view data, int checksum) {
    (void)checksum;  // already verified by the framer when present
    if (hold_.load(std::memory_order_relaxed) || address.size() < 5) return;
    handled_.fetch_add(1, std::memory_order_relaxed);
    nav_.update([](NavSnapshot& s) { s.data_arrived = true; });
    std::string_view type = address.substr(2, 3);  // the talker is not checked
    auto position =
        static_cast<PositionSentence>(position_sentence_.load(std::memory_order_relaxed));
    if (type == "ZDA") {
        handle_zda(data);
    } else if ((type == "GLL" && position == PositionSentence::GLL) ||
               (type == "GGA" && position == PositionSentence::GGA) ||
               (type == "RMC" && position == PositionSentence::RMC)) {
        handle_position(type, data);
    } else if (type == "VTG" && position != PositionSentence::RMC) {
        handle_vtg(data);
    } else if (type == "HDT") {
        handle_hdt(data);
    }
}

void GpsParser::handle_position(std::string_view type, std::string_view data) {
    nmea::Fields f(data);
    PositionLayout layout;
    if (type == "GGA") layout = {0, 1, -1};
    if (type == "RMC") layout = {0, 2, 6};
    ParsedPosition p = parse_position(f, layout);
    bool valid = p.lat && p.lon && hemispheres_valid(p);
    GpsFix fix;
    if (valid) {
        fix.latitude_deg = p.lat->degrees + p.lat->decimal_minutes() / 60.0;
        fix.longitude_deg = p.lon->degrees + p.lon->decimal_minutes() / 60.0;
        if (p.ns == 'S') fix.latitude_deg = -fix.latitude_deg;
        if (p.ew == 'W') fix.longitude_deg = -fix.longitude_deg;
        UtmPosition utm = to_utm(fix.latitude_deg, fix.longitude_deg);
        fix.easting = utm.easting;
        fix.northing = utm.northing;
        fix.zone = utm.zone;
    }
    bool gga = type == "GGA";
    nav_.update([&](NavSnapshot& s) {
        if (p.time) {
            s.utc_time_text = p.time->text;
            s.utc_millis_text = p.time->millis;
        }
        if (gga) {
            if (auto q = nmea::integer(f[5])) s.fix_quality = *q;
            if (auto n = nmea::integer(f[6])) s.satellites = *n;
            if (auto h = nmea::number(f[7], true, 10)) s.hdop = static_cast<float>(*h);
            if (auto a = nmea::number(f[8], true, 12)) s.altitude_m = static_cast<float>(*a);
            if (auto g = nmea::number(f[10], true, 12))
                s.geoid_separation_m = static_cast<float>(*g);
        }
        if (p.speed) s.speed_knots = static_cast<float>(*p.speed);
        if (p.course) s.course_deg = static_cast<float>(*p.course);
        if (!valid) return;
        s.position_valid = true;
        s.lat_hemisphere = p.ns;
        s.lon_hemisphere = p.ew;
        s.latitude_text = position_text(*p.lat, p.ns, true);
        s.longitude_text = position_text(*p.lon, p.ew, false);
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
    listener_->on_position(fix);
    if (type == "RMC") listener_->on_speed_course(fix.speed_knots, fix.course_deg);
}

void GpsParser::handle_vtg(std::string_view data) {
    nmea::Fields f(data);
    std::optional<double> course;
    std::optional<double> speed;
    if (f[1] == "T") course = nmea::number(f[0], false, 10);
    if (f[5] == "N") speed = nmea::number(f[4], false, 10);
    float s_knots = 0.0f;
    float c_deg = 0.0f;
    nav_.update([&](NavSnapshot& s) {
        if (course) s.course_deg = static_cast<float>(*course);
        if (speed) s.speed_knots = static_cast<float>(*speed);
        if (course && speed) s.position_valid = true;
        if (course || speed) ++s.speed_course_count;
        s_knots = s.speed_knots;
        c_deg = s.course_deg;
    });
    if (listener_ != nullptr && (course || speed)) listener_->on_speed_course(s_knots, c_deg);
}

void GpsParser::handle_hdt(std::string_view data) {
    nmea::Fields f(data);
    auto heading = nmea::number(f[0], false, 10);
    if (!heading || *heading < 0.0 || *heading >= 360.0) return;
    nav_.update([&](NavSnapshot& s) {
        s.heading_deg = static_cast<float>(*heading);
        s.heading_valid = true;
    });
}

void GpsParser::handle_zda(std::string_view data) {
    nmea::Fields f(data);
    auto time = nmea::utc_time(f[0]);
    auto date = nmea::date_text(f[1], f[2], f[3]);
    nav_.update([&](NavSnapshot& s) {
        if (time) {
            s.utc_time_text = time->text;
            s.utc_millis_text = time->millis;
        }
        if (date) s.gps_date_text = *date;
    });
}

}  // namespace vq
