// Texts of the "Diagnostics" window.
#include "windows/diagnostics.h"

#include <algorithm>
#include <cstdio>

namespace vq {
namespace {

template <class... Args>
std::string Format(const char* fmt, Args... args) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

char Printable(std::uint8_t b) {
    return b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
}

// The three identification characters, then the other bytes in decimal: "TMN 16 64 3 4 20 7".
std::string HeaderText(const std::array<std::uint8_t, 12>& h) {
    std::string out{Printable(h[0]), Printable(h[1]), Printable(h[2])};
    for (int i = 3; i < 10; ++i) out += Format(" %d", h[static_cast<std::size_t>(i)]);
    return out;
}

std::string Ms(double ms) {
    return Format("%5.2f ms", ms);
}

}  // namespace

void SetAddressText(std::array<char, 16>& field, const std::string& text) {
    const std::size_t n = std::min(text.size(), field.size() - 1);
    std::copy_n(text.data(), n, field.data());
    field[n] = '\0';
}

const char* HeaderStatusText(bool header_valid) {
    return header_valid ? "Header OK" : "Bad Header";
}

std::vector<DiagnosticsLine> DiagnosticsLines(const DiagnosticsValues& v) {
    const double prf_hz = v.ping_interval_ms > 0.0 ? 1000.0 / v.ping_interval_ms : 0.0;
    return {
        {"Header", HeaderText(v.header)},
        {"Type", Format("%d", v.head_type)},
        {"sonar time", Ms(v.sonar_time_ms)},
        {"packet time", Ms(v.packet_time_ms)},
        {"proc time", Ms(v.proc_time_ms)},
        {"plot time", Ms(v.plot_time_ms)},
        {"1/PRF", Format("%5.1f ms (%4.1f Hz)", v.ping_interval_ms, prf_hz)},
        {"display gain", Format("%d", v.display_gain)},
        {"pulse length", Format("%d usec", v.pulse_length_us)},
        {"frequency", Format("%d kHz", v.frequency_khz)},
        {"average", v.average_shots > 1 ? Format("%d", v.average_shots) : std::string("off")},
        {"beamwidth", Format("%4.2f deg", static_cast<double>(v.beamwidth_deg))},
        {"beams", Format("%d", v.beams)},
        {"velocity", Format("%6.1f m/s", static_cast<double>(v.sound_velocity))},
        {"Pitch", Format("%5.1f", static_cast<double>(v.pitch_deg))},
        {"Roll", Format("%5.1f", static_cast<double>(v.roll_deg))},
        {"Heading", Format("%5.1f", static_cast<double>(v.heading_deg))},
        {"Depth", Format("%5.1f m", static_cast<double>(v.depth_m))},
        {"Heave", Format("%5.2f m", static_cast<double>(v.heave_m))},
        {"IP Sonar", std::string(v.ip_sonar.data())},
        {"IP Output", std::string(v.ip_output.data())},
        {"Bytes Out", Format("%lld", static_cast<long long>(v.bytes_out))},
        {"Cursor Level", Format("%d", v.cursor_level)},
        {"Temperature", Format("%3.1f C", static_cast<double>(v.temperature_c))},
        {"xdcr_type", Format("%d", v.xdcr_type)},
        {"Resolution", Format("%5.3f m", static_cast<double>(v.resolution_m))},
        {"Data Bits", Format("%d", v.data_bits)},
        {"Ext Trigger", v.ext_trigger ? "Yes" : "No"},
    };
}

}  // namespace vq
