#include "net/control_datagram.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/byte_order.h"

namespace vq {
namespace {

constexpr ControlFieldInfo kFields[] = {
    {"id", "three characters shown by the program (default VQR)"},
    {"control", "on|off: external control active (default on)"},
    {"xmit", "on|off: transmit enabled (default on)"},
    {"hide", "yes|no: hide the main window (default no)"},
    {"range", "range index, within the head's allowed indices (live only)"},
    {"gain", "receiver gain in dB, 0..head maximum (live only)"},
    {"dgain", "display gain in percent, 1..100"},
    {"gaineq", "on|off: gain equalization"},
    {"sector", "sector size index 0..5 (30, 60, 90, 120, 100, 110 deg)"},
    {"processing", "processing mode 0..3"},
    {"step", "step size 0..2 (480, 240, 120 beams)"},
    {"avg", "averaging: off, or 3|5|7|9 shots"},
    {"persistence", "persistence in seconds, 0..600 (not in profile mode)"},
    {"sv", "sound velocity in m/s, 1400.0..1600.0"},
    {"mode", "display type: sector|linear|perspective|profile|beamtest or 0..4"},
    {"output", "points|beams: data output"},
    {"detection", "on|off: profile point detection"},
    {"blanking", "profile blanking in metres, 0..100 (0 means 0.1)"},
    {"threshold", "profile threshold in percent, 10..90"},
    {"xdcr", "up|down: transducer orientation"},
    {"tilt", "tilt angle in degrees: -90, 90 or -45..45"},
    {"units", "m|ft|yd or 0..2"},
    {"record", "on|off: start (automatic Date-Time names) or stop recording (live only)"},
    {"trigger", "external trigger control 0..3"},
    {"trigdelay", "external trigger transmit delay, 0..10000 (0.1 ms units)"},
    {"filter", "profile point filter 0..2"},
    {"x", "sonar X offset in metres, -100..100"},
    {"y", "sonar Y offset in metres, -100..100"},
    {"depth", "sonar depth in metres, -100..6000"},
};

struct Word {
    const char* text;
    int value;
};
constexpr Word kOnOff[] = {{"on", 1}, {"off", 0}, {"yes", 1}, {"no", 0}, {"1", 1}, {"0", 0}};
constexpr Word kModes[] = {
    {"sector", 0}, {"linear", 1}, {"perspective", 2}, {"profile", 3}, {"beamtest", 4}};
constexpr Word kOutputs[] = {{"points", 0}, {"point", 0}, {"beams", 1}, {"beam", 1}};
constexpr Word kUnits[] = {{"m", 0}, {"ft", 1}, {"yd", 2}};
constexpr Word kXdcr[] = {{"down", 0}, {"up", 1}};

template <std::size_t N>
bool Lookup(const Word (&words)[N], std::string_view v, int& out) {
    for (const Word& w : words) {
        if (v == w.text) {
            out = w.value;
            return true;
        }
    }
    return false;
}

bool ParseInt(std::string_view v, int lo, int hi, int& out) {
    int x = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || p != v.data() + v.size() || x < lo || x > hi) return false;
    out = x;
    return true;
}

bool ParseFloat(std::string_view v, double lo, double hi, double& out) {
    std::string s(v);
    char* end = nullptr;
    double x = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !(x >= lo && x <= hi)) return false;
    out = x;
    return true;
}

bool IntOrWord(std::string_view v, int lo, int hi, std::span<const Word> words, int& out) {
    for (const Word& w : words) {
        if (v == w.text) {
            out = w.value;
            return true;
        }
    }
    return ParseInt(v, lo, hi, out);
}

}  // namespace

std::span<const ControlFieldInfo> ControlFields() {
    return kFields;
}

ControlDatagram::ControlDatagram(bool keep_unnamed) {
    std::memcpy(b_.data(), "VQR", 3);
    b_[ctl::kFlags] = 1;
    if (keep_unnamed) {
        // Values the program ignores as out of range, so the named fields alone take effect.
        for (std::size_t at :
             {ctl::kRange, ctl::kGain, ctl::kGainEq, ctl::kSector, ctl::kProcessing, ctl::kStepSize,
              ctl::kAveraging, ctl::kDisplayType, ctl::kDataOutput, ctl::kDetection, ctl::kBlanking,
              ctl::kXdcr, ctl::kUnits, ctl::kRecording, ctl::kTrigger, ctl::kPointFilter})
            PutU8(at, 255);
        PutU8(ctl::kDisplayGain, 0);
        PutU8(ctl::kThreshold, 0);
        PutU8(ctl::kTilt, 240);
        PutU16(ctl::kPersistence, 0xFFFF);
        PutU16(ctl::kSoundVelocity, 0);
        PutU16(ctl::kTriggerDelay, 0xFFFF);
        for (std::size_t at : {ctl::kXOffset, ctl::kYOffset, ctl::kDepth}) PutF32(at, 1.0e9f);
        return;
    }
    const Settings s;  // the program's built-in settings
    const int fields[][2] = {{int(ctl::kRange), s.Range},
                             {int(ctl::kGain), s.Gain},
                             {int(ctl::kDisplayGain), s.DisplayGain},
                             {int(ctl::kGainEq), s.GainEqualization},
                             {int(ctl::kSector), s.SectorSize},
                             {int(ctl::kProcessing), s.ProcessingMode},
                             {int(ctl::kStepSize), s.StepSize},
                             {int(ctl::kAveraging), s.AvgFilter ? s.AvgFilterIndex : 0},
                             {int(ctl::kDisplayType), s.DisplayType},
                             {int(ctl::kDataOutput), s.DataOutputType == 2 ? 1 : 0},
                             {int(ctl::kDetection), s.ProfilePointDetection},
                             {int(ctl::kBlanking), 0},
                             {int(ctl::kThreshold), ctl::kDefaultThreshold},
                             {int(ctl::kXdcr), s.Xdcr},
                             {int(ctl::kTilt), 180},
                             {int(ctl::kUnits), s.Units},
                             {int(ctl::kRecording), 255},
                             {int(ctl::kTrigger), s.ExternalTriggerControl},
                             {int(ctl::kPointFilter), s.ProfilePointFilter}};
    for (const auto& f : fields) PutU8(static_cast<std::size_t>(f[0]), f[1]);
    PutU16(ctl::kPersistence, s.Persistence);
    PutU16(ctl::kSoundVelocity, static_cast<int>(std::lround(s.SoundVelocityMeters * 10.0)));
    PutU16(ctl::kTriggerDelay, s.ExternalTriggerXmitDelay);
}

void ControlDatagram::PutU16(std::size_t at, int v) {
    byte_order::PutU16Be(b_.data() + at, static_cast<std::uint16_t>(v & 0xFFFF));
}

void ControlDatagram::PutF32(std::size_t at, float v) {
    byte_order::PutF32Le(b_.data() + at, v);
}

bool ControlDatagram::SetAssignment(std::string_view a, std::string* error) {
    auto eq = a.find('=');
    if (eq == std::string_view::npos) {
        if (error) *error = "expected name=value: " + std::string(a);
        return false;
    }
    return Set(a.substr(0, eq), a.substr(eq + 1), error);
}

}  // namespace vq

namespace vq {
namespace {

// Plain one-byte and two-byte integer fields: name, offset, size, smallest, largest value.
struct IntField {
    const char* name;
    std::size_t at;
    int size;
    int lo, hi;
};
constexpr IntField kIntFields[] = {
    {"range", ctl::kRange, 1, 0, 16},
    {"gain", ctl::kGain, 1, 0, 255},
    {"dgain", ctl::kDisplayGain, 1, 1, 100},
    {"sector", ctl::kSector, 1, 0, 5},
    {"processing", ctl::kProcessing, 1, 0, 3},
    {"step", ctl::kStepSize, 1, 0, 2},
    {"persistence", ctl::kPersistence, 2, 0, 600},
    {"blanking", ctl::kBlanking, 1, 0, 100},
    {"threshold", ctl::kThreshold, 1, 10, 90},
    {"trigger", ctl::kTrigger, 1, 0, 3},
    {"trigdelay", ctl::kTriggerDelay, 2, 0, 10000},
    {"filter", ctl::kPointFilter, 1, 0, 2},
};

// One-byte fields given as words (or their numbers).
struct WordField {
    const char* name;
    std::size_t at;
    std::span<const Word> words;
    int hi;  // largest number accepted
};
const WordField kWordFields[] = {
    {"gaineq", ctl::kGainEq, kOnOff, 1},
    {"mode", ctl::kDisplayType, kModes, 4},
    {"output", ctl::kDataOutput, kOutputs, 1},
    {"detection", ctl::kDetection, kOnOff, 1},
    {"xdcr", ctl::kXdcr, kXdcr, 1},
    {"units", ctl::kUnits, kUnits, 2},
    {"record", ctl::kRecording, kOnOff, 1},
};

}  // namespace

bool ControlDatagram::Set(std::string_view name, std::string_view v, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = std::string(name) + "=" + std::string(v) + ": " + why;
        return false;
    };
    int n = 0;
    for (const IntField& f : kIntFields) {
        if (name != f.name) continue;
        if (!ParseInt(v, f.lo, f.hi, n)) return fail("value out of range");
        if (f.size == 1)
            PutU8(f.at, n);
        else
            PutU16(f.at, n);
        return true;
    }
    for (const WordField& f : kWordFields) {
        if (name != f.name) continue;
        if (!IntOrWord(v, 0, f.hi, f.words, n)) return fail("value not accepted");
        PutU8(f.at, n);
        return true;
    }
    double x = 0.0;
    if (name == "id") {
        if (v.size() != 3) return fail("three characters expected");
        std::memcpy(b_.data(), v.data(), 3);
    } else if (name == "control" || name == "xmit" || name == "hide") {
        if (!Lookup(kOnOff, v, n)) return fail("on or off expected");
        if (name == "control")
            PutU8(ctl::kFlags, n);
        else if (name == "xmit")
            PutU8(ctl::kXmit, (b_[ctl::kXmit] & ~1) | (n ? 0 : 1));
        else
            PutU8(ctl::kXmit, (b_[ctl::kXmit] & ~2) | (n ? 2 : 0));
    } else if (name == "avg") {
        if (v == "off")
            n = 0;
        else if (!ParseInt(v, 3, 9, n) || n % 2 == 0)
            return fail("off, 3, 5, 7 or 9 expected");
        PutU8(ctl::kAveraging, n);
    } else if (name == "sv") {
        if (!ParseFloat(v, 1400.0, 1600.0, x)) return fail("1400.0 to 1600.0 expected");
        PutU16(ctl::kSoundVelocity, static_cast<int>(std::lround(x * 10.0)));
    } else if (name == "tilt") {
        if (!ParseInt(v, -90, 90, n) || (n != -90 && n != 90 && (n < -45 || n > 45)))
            return fail("-90, 90 or -45..45 expected");
        PutU8(ctl::kTilt, n == -90 ? 50 : n == 90 ? 51 : n + 180);
    } else if (name == "x" || name == "y" || name == "depth") {
        double hi = name == "depth" ? 6000.0 : 100.0;
        if (!ParseFloat(v, -100.0, hi, x)) return fail("value out of range");
        PutF32(name == "x"   ? ctl::kXOffset
               : name == "y" ? ctl::kYOffset
                             : ctl::kDepth,
               static_cast<float>(x));
    } else {
        return fail("unknown field (see --help)");
    }
    return true;
}

}  // namespace vq
