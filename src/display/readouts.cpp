#include "display/readouts.h"

#include <cmath>
#include <cstdio>

#include "sensors/nav_state.h"

namespace vq {

namespace {

constexpr float kTemperatureWarning = 70.0f;
constexpr int kActivitySteps = 7;
constexpr int kNeedleLength = 8;
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

std::string FormatFloat(const char* format, double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

}  // namespace

Lamp SatellitesLamp(int satellites) {
    if (satellites < 5) return Lamp::Red;
    if (satellites < 7) return Lamp::YellowGreen;
    return Lamp::Green;
}

Lamp HdopLamp(float hdop) {
    if (hdop > 5.0f) return Lamp::Red;
    if (hdop > 2.5f) return Lamp::YellowGreen;
    return Lamp::Green;
}

ReadoutColour LampColour(Lamp lamp) {
    switch (lamp) {
        case Lamp::Red:
            return kReadoutRed;
        case Lamp::YellowGreen:
            return kReadoutYellowGreen;
        case Lamp::Green:
            return kReadoutGreen;
        case Lamp::Off:
            break;
    }
    return kReadoutDimGrey;
}

ReadoutColour ValueColour(bool reverse_grey) {
    return reverse_grey ? kReadoutDimGrey : kReadoutValueGrey;
}

std::optional<ReadoutText> StatusLine::AfterPing(bool playback, bool connected, bool recording,
                                                 bool disk_full) {
    if (playback) return ReadoutText{"File Playback", kReadoutDimGrey};
    if (!connected) return std::nullopt;
    activity_ = activity_ >= kActivitySteps ? 0 : activity_ + 1;
    ReadoutText t;
    if (!recording) {
        t = {"Not Logging ", kReadoutRed};
    } else if (disk_full) {
        t = {"Disk Full ", kReadoutRed};
    } else {
        t = {"Logging ", kReadoutGreen};
    }
    t.text.append(static_cast<std::size_t>(activity_), '.');
    return t;
}

TemperatureWarning::Result TemperatureWarning::OnSecond(float temperature_c, int second) {
    float t = std::fmin(std::fmax(temperature_c, 0.0f), 200.0f);
    Result r;
    if (t < kTemperatureWarning) {
        if (active_) r.action = Action::Clear;  // once, when it drops below
        active_ = false;
        return r;
    }
    active_ = true;
    if (second % 2 == 0) {
        r.action = Action::Clear;
        return r;
    }
    r.action = Action::Draw;
    r.label = {"CPU Temperature:", kReadoutValueGrey};
    r.value = {FormatFloat("%4.1f C", t), kReadoutRed};
    return r;
}

FixQualityReadout ReadFixQuality(int fix_quality, bool reverse_grey) {
    static constexpr std::array<const char*, 6> kLabels = {"Invalid", "GPS (SPS)",   "DGPS",
                                                           "PPS",     "RTK (Fixed)", "RTK (Float)"};
    FixQualityReadout r;
    r.number = {std::to_string(fix_quality), ValueColour(reverse_grey)};
    if (fix_quality >= 0 && fix_quality < static_cast<int>(kLabels.size())) {
        r.label = {kLabels[static_cast<std::size_t>(fix_quality)],
                   fix_quality == 0 ? kReadoutRed : ValueColour(reverse_grey)};
    }
    return r;
}

std::string SpeedText(float knots) {
    return FormatFloat("%3.1f  KTS", knots);
}

std::array<int, 2> CourseNeedleEnd(int cx, int cy, float course_deg) {
    double c = course_deg * kDegToRad;
    return {cx + static_cast<int>(kNeedleLength * std::sin(c) + 0.5),
            cy - static_cast<int>(kNeedleLength * std::cos(c) + 0.5)};
}

GpsPanel::Position GpsPanel::OnPosition(std::string_view latitude_text,
                                        std::string_view longitude_text, bool reverse_grey) {
    steps_.store(0, std::memory_order_relaxed);
    blink_ = !blink_;
    ReadoutColour c = ValueColour(reverse_grey);
    return {{std::string(latitude_text), c}, {std::string(longitude_text), c}, blink_};
}

ReadoutText GpsPanel::Speed(float knots, bool reverse_grey) const {
    return {SpeedText(knots), ValueColour(reverse_grey)};
}

GpsPanel::Quality GpsPanel::ReadQuality(int satellites, float hdop, int fix_quality,
                                        bool reverse_grey) {
    Quality q;
    ReadoutColour c = ValueColour(reverse_grey);
    if (satellites != last_satellites_) {
        q.satellites = ReadoutText{std::to_string(satellites), c};
        q.satellites_lamp = SatellitesLamp(satellites);
        last_satellites_ = satellites;
    }
    if (hdop != last_hdop_) {
        q.hdop = ReadoutText{FormatFloat("%3.1f", hdop), c};
        q.hdop_lamp = HdopLamp(hdop);
        last_hdop_ = hdop;
    }
    if (fix_quality != last_fix_quality_) {
        q.fix_quality = ReadFixQuality(fix_quality, reverse_grey);
        last_fix_quality_ = fix_quality;
    }
    return q;
}

std::optional<GpsPanel::TimedOut> GpsPanel::Tick(NavState& nav) {
    // Already shown: wait for a position (or a repaint, which steps back once).
    if (steps_.load(std::memory_order_relaxed) >= kTimeoutSteps) return std::nullopt;
    if (steps_.fetch_add(1, std::memory_order_relaxed) + 1 != kTimeoutSteps) return std::nullopt;
    nav.ClearPositionTexts();
    nav.Update([](NavSnapshot& s) { s.speed_knots = 0.0f; });
    last_satellites_ = -1;
    last_hdop_ = -1.0f;
    last_fix_quality_ = -1;
    return TimedOut{};
}

void GpsPanel::OnRepaint() {
    int running = steps_.load(std::memory_order_relaxed);
    if (running != 0) steps_.compare_exchange_strong(running, kTimeoutSteps - 1);
}

}  // namespace vq
