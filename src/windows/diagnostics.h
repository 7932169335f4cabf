// What the "Diagnostics" window shows for the last ping: the header bytes the ping was checked
// with, the link and processing times, the operating point, attitude, addresses, the last UDP
// send and the head's own values. Plain numbers, copied per ping; texts are made only when the
// window is refreshed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vq {

struct DiagnosticsValues {
    std::array<std::uint8_t, 12> header{};  // the check header: 'T', head id, 'N', 16, 64, ...
    bool header_valid = false;
    int head_type = -1;             // head type index adopted
    double sonar_time_ms = 0.0;     // packet-0 request to its answer
    double packet_time_ms = 0.0;    // packet-0 request to the last packet
    double proc_time_ms = 0.0;      // beam forming and detection
    double plot_time_ms = 0.0;      // image formation
    double ping_interval_ms = 0.0;  // 1/PRF
    int display_gain = 0;
    int pulse_length_us = 0;
    int frequency_khz = 0;
    int average_shots = 1;  // 1 = averaging off
    float beamwidth_deg = 0.0f;
    int beams = 0;
    float sound_velocity = 0.0f;
    float pitch_deg = 0.0f, roll_deg = 0.0f, heading_deg = 0.0f, depth_m = 0.0f, heave_m = 0.0f;
    std::array<char, 16> ip_sonar{};  // NUL-terminated dotted address
    std::array<char, 16> ip_output{};
    std::int64_t bytes_out = 0;  // result of the last UDP send (negative: failed)
    int cursor_level = 0;        // picture value under the pointer (the window fills it in)
    float temperature_c = 0.0f;  // processor temperature as reported
    int xdcr_type = 0;           // receiver transducer type
    float resolution_m = 0.0f;   // native range resolution
    int data_bits = 0;
    bool ext_trigger = false;  // the head supports an external trigger
    bool transmit_disabled = false;
    bool status_bit3 = false;  // bit 3 of the head's first status byte
};

// Copies a text into a fixed address field, cutting it to fit.
void SetAddressText(std::array<char, 16>& field, const std::string& text);

struct DiagnosticsLine {
    const char* label;
    std::string text;
};

// The window's labels in order ("Header" .. "Ext Trigger") with their texts.
std::vector<DiagnosticsLine> DiagnosticsLines(const DiagnosticsValues& v);

// The connection status box under the picture: "Header OK" or "Bad Header".
const char* HeaderStatusText(bool header_valid);
inline constexpr const char* kTransmitDisabledText = "XMIT Disabled";

}  // namespace vq
