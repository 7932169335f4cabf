#include "core/settings_file.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>

#include "core/range_table.h"

namespace vq {
namespace {

// How a key's text becomes a value beyond the plain "min..max, else fallback".
enum class Rule : unsigned char {
    Range,           // min..max, else the fallback
    NoCheck,         // stored as read
    Odd,             // odd values in min..max
    FirFilter,       // min..max or 11 (10 is a filter the head refuses)
    Frequency1,      // first read: only 120 matters (it selects the 120 kHz head defaults)
    Frequency2,      // operating frequency: within the frequency limits, rounded to 5 kHz
    ProcessingMode,  // 0..3 else 0, then 1..3 else 1
    MinDepth,        // profile depth window, bounded by the maximum depth and the range span
    MaxDepth,
    Ignored,     // SignalLevel: read, the display always starts off
    Forced,      // SonarMode: read, then always the fallback value
    DataPoints,  // the value read only seeds the switches dialog; 500 points at start
    DataFormat,  // validated, then always 16-bit
};
// What reading a key also sets.
enum class After : unsigned char { None, RememberApplied, ProfileDepth, SoundVelocity };
enum class Fmt : unsigned char { Int, Text, F6, F3_1, F4_2, F5_3, F06_1 };

struct KeyDef {
    const char* key;
    Fmt fmt;
    int Settings::*i = nullptr;
    float Settings::*f = nullptr;
    std::string Settings::*t = nullptr;
    const char* def = nullptr;  // nullptr: the value held before reading (the built-in default)
    double lo = 0, hi = 0, fb = 0;
    bool fb_builtin = false;  // fallback is the value held before reading
    Rule rule = Rule::Range;
    After after = After::None;
};

constexpr KeyDef Int(const char* key, int Settings::*m, const char* def, int lo, int hi, int fb) {
    return {key, Fmt::Int, m, nullptr, nullptr, def, double(lo), double(hi), double(fb)};
}
constexpr KeyDef Flt(const char* key, float Settings::*m, const char* def, double lo, double hi,
                     double fb, Fmt fmt) {
    return {key, fmt, nullptr, m, nullptr, def, lo, hi, fb};
}
constexpr KeyDef Txt(const char* key, std::string Settings::*m) {
    return {key, Fmt::Text, nullptr, nullptr, m};
}
constexpr KeyDef Rul(KeyDef k, Rule r) {
    return k.rule = r, k;
}
constexpr KeyDef Aft(KeyDef k, After a) {
    return k.after = a, k;
}
constexpr KeyDef BuiltinFallback(KeyDef k) {
    return k.fb_builtin = true, k;
}

using S = Settings;
constexpr const char* kB = nullptr;  // default: the built-in value

// Every key in file order. "Filter Settings" keys are those starting "ProfilePointFilter_g_".
constexpr std::array kKeys{
    Int("Grid", &S::Grid, "1", 0, 1, 1),
    Int("Colors", &S::Colors, "0", 0, 8, 0),
    BuiltinFallback(Int("Xdcr", &S::Xdcr, kB, 0, 1, 0)),
    Int("Units", &S::Units, "0", 0, 2, 0),
    Rul(Int("Frequency", &S::Frequency, kB, 0, 0, 0), Rule::Frequency1),
    // An index outside the range table would read past it: the built-in index is kept instead.
    BuiltinFallback(Int("Range", &S::Range, kB, 0, kNumRangeIndexes - 1, 0)),
    Int("RunMode", &S::RunMode, "0", 0, 1, 0),
    BuiltinFallback(Int("Gain", &S::Gain, kB, 0, 20, 0)),
    Int("ComPortGPSEnable", &S::ComPortGPSEnable, "1", 0, 1, 1),
    Int("ComPortGPS", &S::ComPortGPS, "0", 0, 31, 0),
    Int("ComPortGPS_bits_per_second", &S::ComPortGPS_bits_per_second, "0", 0, 5, 0),
    Int("ComPortGPS_data_bits", &S::ComPortGPS_data_bits, "3", 0, 3, 3),
    Int("ComPortGPS_parity", &S::ComPortGPS_parity, "2", 0, 2, 2),
    Int("ComPortGPS_stop_bits", &S::ComPortGPS_stop_bits, "0", 0, 1, 0),
    Int("GPSHeadingType", &S::GPSHeadingType, "1", 0, 2, 1),
    Int("ComPortSVEnable", &S::ComPortSVEnable, "1", 0, 1, 1),
    Int("ComPortSV", &S::ComPortSV, "2", 0, 31, 2),
    Int("ComPortSV_bits_per_second", &S::ComPortSV_bits_per_second, "2", 0, 5, 2),
    Int("ComPortSV_data_bits", &S::ComPortSV_data_bits, "3", 0, 3, 3),
    Int("ComPortSV_parity", &S::ComPortSV_parity, "2", 0, 2, 2),
    Int("ComPortSV_stop_bits", &S::ComPortSV_stop_bits, "0", 0, 1, 0),
    Int("SVDeviceType", &S::SVDeviceType, "0", 0, 1, 0),
    Int("PulseLength", &S::PulseLength, "180", 30, 2000, 180),
    Aft(Int("SwitchDelay", &S::SwitchDelay, "0", 0, 500, 0), After::RememberApplied),
    Int("DisplayType", &S::DisplayType, "0", 0, 4, 0),
    Int("DiagnosticsWindow", &S::DiagnosticsWindow, "0", 0, 1, 0),
    Int("TrackPlotterWindow", &S::TrackPlotterWindow, "0", 0, 1, 0),
    Int("AltitudeWindow", &S::AltitudeWindow, "0", 0, 1, 0),
    Int("AvgFilter", &S::AvgFilter, "1", 0, 1, 1),
    Rul(Int("AvgFilterIndex", &S::AvgFilterIndex, kB, 3, 25, 3), Rule::Odd),
    Rul(Int("Frequency", &S::Frequency, kB, 0, 0, 0), Rule::Frequency2),
    Rul(Int("ProcessingMode", &S::ProcessingMode, "1", 1, 3, 1), Rule::ProcessingMode),
    Int("RecordVideo", &S::RecordVideo, "1", 0, 1, 1),
    Flt("RecordVideoRate", &S::RecordVideoRate, "3.0", 0.1, 20.0, 3.0, Fmt::F6),
    Int("AutoFilename", &S::AutoFilename, "1", 0, 1, 1),
    Int("HalfRange", &S::HalfRange, "0", 0, 1, 0),
    Int("DisplayGain", &S::DisplayGain, kB, 1, 100, 25),
    Int("ProfileWaterfall", &S::ProfileWaterfall, "0", 0, 1, 0),
    Int("ProfileWaterfallOffset", &S::ProfileWaterfallOffset, "20", 0, 500, 20),
    Int("ProfileWaterfallSpan", &S::ProfileWaterfallSpan, "200", 0, 500, 200),
    Int("RealtimePlayback", &S::RealtimePlayback, "1", 0, 1, 1),
    Int("PlaybackDelay", &S::PlaybackDelay, "0", 0, 2000, 0),
    Int("PlaybackDelayX", &S::PlaybackDelayX, "1000", 0, 1000, 1000),
    Txt("IPAddress_Sonar1", &S::IPAddress_Sonar1),
    Txt("IPAddress_Output1", &S::IPAddress_Output1),
    // Not a port number at all: the built-in port is kept instead.
    BuiltinFallback(Int("RemotePort_Output1", &S::RemotePort_Output1, kB, 0, 65535, 0)),
    Flt("ProfileTiltAngle", &S::ProfileTiltAngle, "0.0", -90.0, 90.0, 0.0, Fmt::F6),
    Int("ProfilePointDetection", &S::ProfilePointDetection, "0", 0, 1, 0),
    Int("ProfilePointType", &S::ProfilePointType, "0", 0, 1, 0),
    Aft(Int("ProfilePointDotSize", &S::ProfilePointDotSize, "0", 0, 1, 0), After::ProfileDepth),
    Rul(Flt("ProfileMinDepthBelowSonar", &S::ProfileMinDepthBelowSonar, "0.1", 0.1, 0, 0.2,
            Fmt::F6),
        Rule::MinDepth),
    Rul(Flt("ProfileMaxDepthBelowSonar", &S::ProfileMaxDepthBelowSonar, kB, 0, 0, 0, Fmt::F6),
        Rule::MaxDepth),
    Int("ProfileDisplayType", &S::ProfileDisplayType, "0", 0, 3, 2),
    Aft(Flt("SoundVelocityMeters", &S::SoundVelocityMeters, "1500.0", 1400.0, 1600.0, 1500.0,
            Fmt::F06_1),
        After::SoundVelocity),
    Flt("SonarXOffsetMeters", &S::SonarXOffsetMeters, "0.0", -100.0, 100.0, 0.0, Fmt::F5_3),
    Flt("SonarYOffsetMeters", &S::SonarYOffsetMeters, "0.0", -100.0, 100.0, 0.0, Fmt::F5_3),
    Flt("SonarDepthMeters", &S::SonarDepthMeters, "0.0", -100.0, 6000.0, 0.0, Fmt::F5_3),
    Int("StepSize", &S::StepSize, kB, 0, 2, 2),
    Int("SectorSize", &S::SectorSize, "3", 0, 7, 3),
    Rul(Int("SignalLevel", &S::SignalLevel, "0", 0, 1, 0), Rule::Ignored),
    Int("Persistence", &S::Persistence, "0", 0, 600, 3),
    Int("ProfileGrid", &S::ProfileGrid, "1", 0, 1, 1),
    Int("GainEqualization", &S::GainEqualization, "0", 0, 1, 0),
    Flt("PitchOffset", &S::PitchOffset, "0.0", -30.0, 30.0, 0.0, Fmt::F3_1),
    Flt("RollOffset", &S::RollOffset, "0.0", -30.0, 30.0, 0.0, Fmt::F3_1),
    Flt("HeadingOffset", &S::HeadingOffset, "0.0", -180.0, 180.0, 0.0, Fmt::F3_1),
    Int("AutoFilenameType", &S::AutoFilenameType, "0", 0, 1, 0),
    Int("DataOutputType", &S::DataOutputType, kB, 0, 2, 0),
    Int("ExternalTriggerControl", &S::ExternalTriggerControl, "0", 0, 3, 0),
    Int("ExternalTriggerXmitDelay", &S::ExternalTriggerXmitDelay, "0", 0, 10000, 0),
    Int("ProfilePointFilter", &S::ProfilePointFilter, "2", 0, 2, 2),
    Int("ProfilePointIntensityOutput", &S::ProfilePointIntensityOutput, "0", 0, 1, 1),
    Int("ProfilePointFilter_g_ol_fil_val", &S::ProfilePointFilter_g_ol_fil_val, "50", 10, 500, 50),
    Int("ProfilePointFilter_g_pre_filter_sw", &S::ProfilePointFilter_g_pre_filter_sw, "1", 0, 1, 1),
    Int("ProfilePointFilter_g_main_filter_sw", &S::ProfilePointFilter_g_main_filter_sw, "1", 0, 1,
        1),
    Int("ProfilePointFilter_g_short_outliers_sw", &S::ProfilePointFilter_g_short_outliers_sw, "1",
        0, 1, 1),
    Int("ProfilePointFilter_g_show_outliers_sw", &S::ProfilePointFilter_g_show_outliers_sw, "0", 0,
        1, 0),
    Int("ProfilePointFilter_g_fill_beams_sw", &S::ProfilePointFilter_g_fill_beams_sw, "1", 0, 1, 1),
    Int("ProfilePointFilter_g_along_track_avg_sw", &S::ProfilePointFilter_g_along_track_avg_sw, "0",
        0, 1, 0),
    Flt("ProfilePointFilter_g_bgd_lev", &S::ProfilePointFilter_g_bgd_lev, "0.10", 0.1, 1.000001,
        0.1, Fmt::F4_2),
    Rul(Int("AltitudeWindowX", &S::AltitudeWindowX, "10", 0, 0, 0), Rule::NoCheck),
    Rul(Int("AltitudeWindowY", &S::AltitudeWindowY, "62", 0, 0, 0), Rule::NoCheck),
    Rul(Int("TrackPlotterWindowX", &S::TrackPlotterWindowX, "754", 0, 0, 0), Rule::NoCheck),
    Rul(Int("TrackPlotterWindowY", &S::TrackPlotterWindowY, "390", 0, 0, 0), Rule::NoCheck),
    Int("DisplaySwathCoverage", &S::DisplaySwathCoverage, "0", 0, 1, 0),
    Int("SwathCoverageHeading", &S::SwathCoverageHeading, "1", 0, 1, 1),
    Int("IntegratedRoll", &S::IntegratedRoll, "0", 0, 1, 0),
    Int("TrackPlotterZoom", &S::TrackPlotterZoom, "5", 0, 11, 5),
    Int("MaximumFilesize", &S::MaximumFilesize, "1000", 100, 1000, 1000),
    Rul(Int("FIRFilter", &S::FIRFilter, "0", 0, 9, 0), Rule::FirFilter),
    Rul(Int("SonarMode", &S::SonarMode, "0", 0, 0, 3), Rule::Forced),
    Rul(Int("DataPointsSwitch", &S::DataPointsSwitch, "0", 0, 1, 0), Rule::DataPoints),
    Rul(Int("DataFormat", &S::DataFormat, "10", 10, 11, 10), Rule::DataFormat),
    Int("RangeBin", &S::RangeBin, "0", 0, 499, 0),
    Int("ReducedEthernetThroughputEnable", &S::ReducedEthernetThroughputEnable, "0", 0, 1, 0),
    Txt("ComPortGPSDevice", &S::ComPortGPSDevice),
    Txt("ComPortSVDevice", &S::ComPortSVDevice),
    Flt("SonarLatencySeconds", &S::SonarLatencySeconds, "0.00", -5.0, 5.0, 0.0, Fmt::F4_2),
    Flt("GPSXOffsetMeters", &S::GPSXOffsetMeters, "0.000", -100.0, 100.0, 0.0, Fmt::F5_3),
    Flt("GPSYOffsetMeters", &S::GPSYOffsetMeters, "0.000", -100.0, 100.0, 0.0, Fmt::F5_3),
    Flt("GPSDepthMeters", &S::GPSDepthMeters, "0.000", -100.0, 100.0, 0.0, Fmt::F5_3),
    Flt("GPSHeadingOffset", &S::GPSHeadingOffset, "0.00", -45.0, 45.0, 0.0, Fmt::F4_2),
    Flt("GPSPitchOffset", &S::GPSPitchOffset, "0.00", -45.0, 45.0, 0.0, Fmt::F4_2),
    Flt("GPSRollOffset", &S::GPSRollOffset, "0.00", -45.0, 45.0, 0.0, Fmt::F4_2),
    Flt("GPSLatencySeconds", &S::GPSLatencySeconds, "0.00", -5.0, 5.0, 0.0, Fmt::F4_2),
};

const char* SectionOf(std::string_view key) {
    return key.starts_with("ProfilePointFilter_g_") ? kFilterSettingsSection : kSettingsSection;
}

bool InRange(double v, double lo, double hi) {
    return v >= lo && v <= hi;
}  // false for NaN

// Maximum profile depth and the margin the depth window keeps (5 % of the range span).
double MaxDepth(const SettingsState& st) {
    return st.work.profile_max_depth_limit_m;
}
double DepthMargin(const SettingsState& st) {
    return 0.05 * RangeSpanMeters(st.s.Range, st.head.fine_resolution);
}

std::string DefaultText(const KeyDef& k, const SettingsState& st) {
    if (k.def) return k.def;
    if (k.rule == Rule::Frequency2) return std::to_string(st.head.nominal_frequency_khz);
    if (k.rule == Rule::MaxDepth) return FormatFixed(MaxDepth(st), 1, 3);
    if (k.t) return st.s.*k.t;
    if (k.f) return FormatFixed(st.s.*k.f, 6);
    return std::to_string(st.s.*k.i);
}

void LoadInt(const KeyDef& k, int v, SettingsState& st) {
    int& m = st.s.*k.i;
    const int fb = k.fb_builtin ? m : static_cast<int>(k.fb);
    const bool ok = InRange(v, k.lo, k.hi);
    switch (k.rule) {
        case Rule::Range:
            m = ok ? v : fb;
            break;
        case Rule::NoCheck:
            m = v;
            break;
        case Rule::Odd:
            m = (ok && v % 2 != 0) ? v : fb;
            break;
        case Rule::FirFilter:
            m = (ok || v == 11) ? v : fb;
            break;
        case Rule::Frequency1:
            if (v == 120) {
                st.head.nominal_frequency_khz = 120;
                st.head.nominal_frequency_f = 120.0f;
                st.head.max_range_index = 14;
                st.head.absorption_code = 3;
            }
            break;
        case Rule::Frequency2:
            if (v < st.head.min_frequency_khz || v > st.head.max_frequency_khz)
                v = st.head.nominal_frequency_khz;
            m = RoundFrequencyKhz(v);
            break;
        case Rule::ProcessingMode:
            m = InRange(v, 0, 3) && v != 0 ? v : 1;
            break;
        case Rule::Ignored:
            m = 0;
            st.work.signal_level_display = 0;
            st.work.signal_level_display2 = 0;
            break;
        case Rule::Forced:
            m = static_cast<int>(k.fb);
            break;
        case Rule::DataPoints:
            st.work.data_points_switch_initial = ok ? v : fb;
            m = 0;
            break;
        case Rule::DataFormat:
            m = 11;
            st.work.data_bits = 16;
            break;
        case Rule::MinDepth:
        case Rule::MaxDepth:
            break;
    }
}

void LoadFloat(const KeyDef& k, double v, SettingsState& st) {
    float& m = st.s.*k.f;
    double lo = k.lo, hi = k.hi, fb = k.fb;
    if (k.rule == Rule::MinDepth) {
        hi = MaxDepth(st) - DepthMargin(st);
    } else if (k.rule == Rule::MaxDepth) {
        lo = st.s.ProfileMinDepthBelowSonar + DepthMargin(st);
        hi = fb = MaxDepth(st);
    }
    m = static_cast<float>(InRange(v, lo, hi) ? v : fb);
}

void RunAfter(After a, SettingsState& st) {
    switch (a) {
        case After::None:
            break;
        case After::RememberApplied:
            st.work.applied_range_offset_m = st.work.range_offset_m;
            st.work.applied_absorption_code = st.head.absorption_code;
            break;
        case After::ProfileDepth:
            st.work.profile_dot_spacing_m = 0.1f;
            st.work.profile_max_depth_limit_m = MaxProfileDepthMeters(st.head.max_range_index);
            break;
        case After::SoundVelocity:
            st.work.sound_velocity_manual = st.s.SoundVelocityMeters;
            st.work.sound_velocity_current = st.s.SoundVelocityMeters;
            break;
    }
}

std::string ValueText(const KeyDef& k, const SettingsState& st) {
    switch (k.fmt) {
        case Fmt::Text:
            return st.s.*k.t;
        case Fmt::F6:
            return FormatFixed(st.s.*k.f, 6);
        case Fmt::F3_1:
            return FormatFixed(st.s.*k.f, 1, 3);
        case Fmt::F4_2:
            return FormatFixed(st.s.*k.f, 2, 4);
        case Fmt::F5_3:
            return FormatFixed(st.s.*k.f, 3, 5);
        case Fmt::F06_1:
            return FormatFixed(st.s.*k.f, 1, 6, true);
        case Fmt::Int:
            break;
    }
    if (k.rule == Rule::Ignored)  // SignalLevel: 1 only when both signal-level displays are on
        return (st.work.signal_level_display && st.work.signal_level_display2) ? "1" : "0";
    return std::to_string(st.s.*k.i);
}

// Index of the first character that is not a blank (as the C library's isspace counts them).
std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    return i;
}

}  // namespace

int ReadIntText(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 1LL + INT_MAX) v = 1LL + INT_MAX;
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

double ReadFloatText(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    if (i < text.size() && text[i] == '+' && (i + 1 == text.size() || text[i + 1] != '-')) ++i;
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ec == std::errc::invalid_argument) return 0.0;
    if (ec == std::errc::result_out_of_range) {
        std::string_view num = text.substr(i, static_cast<std::size_t>(ptr - text.data()) - i);
        std::size_t e = num.find_first_of("eE");
        if (e != std::string_view::npos && num.substr(e + 1).starts_with('-')) return 0.0;
        return num.starts_with('-') ? -HUGE_VAL : HUGE_VAL;
    }
    return v;
}

std::string FormatFixed(double value, int precision, int width, bool zero_pad) {
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    std::string s(buf, res.ec == std::errc() ? res.ptr : buf);
    if (static_cast<int>(s.size()) < width) {
        std::size_t pad = static_cast<std::size_t>(width) - s.size();
        bool digits = std::isfinite(value);
        if (zero_pad && digits)
            s.insert(s.starts_with('-') ? 1 : 0, pad, '0');
        else
            s.insert(0, pad, ' ');
    }
    return s;
}

void LoadSettings(const IniFile& ini, SettingsState& st) {
    for (const KeyDef& k : kKeys) {
        std::string text = ini.Get(SectionOf(k.key), k.key, DefaultText(k, st));
        if (k.t)
            st.s.*k.t = std::move(text);
        else if (k.f)
            LoadFloat(k, ReadFloatText(text), st);
        else
            LoadInt(k, ReadIntText(text), st);
        RunAfter(k.after, st);
    }
}

void SaveSettings(IniFile& ini, const SettingsState& st) {
    for (const KeyDef& k : kKeys) ini.Set(SectionOf(k.key), k.key, ValueText(k, st));
    ini.Set(kSettingsSection, "AutoPulseLength", std::to_string(st.work.auto_pulse_length));
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& dir) {
    return dir / kSettingsFileName;
}

bool LoadSettingsFile(const std::filesystem::path& dir, SettingsState& st) {
    IniFile ini;
    bool found = ini.Load(SettingsFilePath(dir));
    LoadSettings(ini, st);  // a missing file or key gives the defaults
    return found;
}

bool SaveSettingsFile(const std::filesystem::path& dir, const SettingsState& st, Operator& op,
                      const AtomicWriteOptions& options) {
    const std::filesystem::path path = SettingsFilePath(dir);
    IniFile ini;
    std::string error;
    // A file that exists but cannot be read is not replaced: its other lines would be lost.
    bool ok = ini.Load(path, &error) || error.empty();
    if (ok) {
        SaveSettings(ini, st);
        ok = WriteFileAtomically(path, ini.serialize(), &error, options);
    }
    if (!ok) op.MessageBox(std::string(kSaveSettingsFailed) + ".\n" + error, kSaveSettingsTitle);
    return ok;
}

}  // namespace vq
