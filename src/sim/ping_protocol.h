// The head's side of the link protocol: decoding requests and commands, and laying out the
// return packets (header, settings echo, information block, sample bytes).
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/head_profile.h"

namespace vq::sim {

inline constexpr int kRequestHeaderBytes = 128;
inline constexpr int kSwitchBlockBytes = 1024;
inline constexpr int kCommandBytes = kRequestHeaderBytes + kSwitchBlockBytes;  // 1152
inline constexpr int kReturnHeaderBytes = 128;
inline constexpr int kSettingsEchoBytes = 1024;
inline constexpr int kPacket0SampleOffset = 2176;  // header + echo + information block
inline constexpr int kElements = 16;
inline constexpr std::uint8_t kHeadId = 77;
inline constexpr int kMaxPoints = 1000;
inline constexpr int kMaxSampleBytes = kMaxPoints * kElements * 4;
// Packet sizes the head accepts; others are refused by closing the connection.
inline constexpr std::uint32_t kMinPacketSize = kPacket0SampleOffset + 4;
inline constexpr std::uint32_t kMaxPacketSize = 65536;
inline constexpr std::uint16_t kFormat8Bit = 10;
inline constexpr std::uint16_t kFormat16Bit = 11;

struct Request {
    std::uint16_t major = 0, minor = 0;
    std::uint16_t packet_number = 0;
    std::uint32_t packet_size = 0;
    std::uint16_t format = 0;
};

// Reads a 128-byte request header. False when the magic is not "TMND" or the announced
// packet size is outside [kMinPacketSize, kMaxPacketSize].
bool ParseRequestHeader(const std::uint8_t* header, Request* out);

// The settings a ping is made with: the commanded values, made safe (out-of-range or
// non-finite values are limited to what the head can do).
struct PingSettings {
    std::uint16_t format = kFormat16Bit;
    std::uint16_t major = 1, minor = 0;
    std::uint32_t flags = 0;
    float range_span_m = 50.0f;
    float range_offset_m = 0.0f;
    float frequency_hz = 260000.0f;
    float absorption_db_per_m = 0.065f;  // one-way
    float pulse_s = 300e-6f;
    float tx_delay_s = 0.0f;
    float resolution_m = 0.01f;
    int points = 500;
    int bits = 16;
    std::uint32_t filter = 9;
    int gain_db = 6;

    bool transmit() const { return (flags & 0x4u) == 0; }
    int bytes_per_value() const { return bits == 8 ? 1 : 2; }
    int sample_bytes() const { return points * kElements * 2 * bytes_per_value(); }
};

// Decodes the 1152-byte command of packet 0 for a head with the given profile.
PingSettings DecodeCommand(const std::uint8_t* command, const HeadProfile& profile);

// The settings echo: the switch block as received, with the values actually used written
// over it (transmit delay at 28, data points at 32, data bits at 34).
void WriteSettingsEcho(const PingSettings& s, const std::uint8_t* switch_block, std::uint8_t* out);

// Number of the last packet of a ping, as the link requests it: the fixed table for formats
// 10 and 11 (500/1000 points, 8676- or 2892-byte packets), otherwise as many packets as the
// sample bytes need.
int LastPacketNumber(std::uint16_t format, int bits, int points, std::uint32_t packet_size);

// Sample bytes carried by packet n of size P: packet 0 carries P - 2176 bytes, every later
// packet the next P - 128. Returns the offset into the sample array and the capacity.
std::size_t PacketSampleOffset(int n, std::uint32_t packet_size);
std::size_t PacketSampleCapacity(int n, std::uint32_t packet_size);

void WriteReturnHeader(const Request& request, std::uint16_t packet_number, std::uint8_t* out);

// Builds return packet n (packet_size bytes) of a ping. `echo` and `info` are only read for
// packet 0. Sample bytes beyond `sample_bytes` are sent as zeros.
void BuildReturnPacket(const Request& request, const std::uint8_t* echo, const std::uint8_t* info,
                       const std::uint8_t* samples, std::size_t sample_bytes, std::uint8_t* out);

}  // namespace vq::sim
