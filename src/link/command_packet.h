// The command packet sent to the head for every return packet wanted: a 128-byte request
// header, followed for packet 0 of a ping by the 1024-byte switch block carrying all sonar
// settings. Little-endian, IEEE single-precision floats. Also the rule that sizes the return
// (packet size and number of packets per ping) from the data format and data points.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/settings_store.h"

namespace vq {

inline constexpr std::size_t kRequestHeaderSize = 128;
inline constexpr std::size_t kSwitchBlockSize = 1024;
inline constexpr std::size_t kCommandPacketSize = kRequestHeaderSize + kSwitchBlockSize;  // 1152
inline constexpr std::uint32_t kFullPacketSize = 8676;
inline constexpr std::uint32_t kReducedPacketSize = 2892;
inline constexpr int kHeadId = 77;
inline constexpr int kHeadElements = 16;

// Offsets of the fields of the request header (from the packet start) and of the switch
// block (from the block start, i.e. packet offset = 128 + offset).
namespace request_header {
inline constexpr std::size_t kMagic = 0;         // "TMND"
inline constexpr std::size_t kTypeMajor = 4;     // u16, 1
inline constexpr std::size_t kTypeMinor = 6;     // u16, 0
inline constexpr std::size_t kPacketNumber = 8;  // u16
inline constexpr std::size_t kPacketSize = 12;   // u32
inline constexpr std::size_t kDataFormat = 16;   // u16
}  // namespace request_header

namespace switch_block {
inline constexpr std::size_t kFlags = 0;          // u32: bit 2 transmit off, bits 4-5 trigger
inline constexpr std::size_t kRangeSpan = 8;      // f32, m
inline constexpr std::size_t kRangeOffset = 12;   // f32, m
inline constexpr std::size_t kFrequency = 16;     // f32, Hz
inline constexpr std::size_t kAbsorption = 20;    // f32, dB/m one-way
inline constexpr std::size_t kPulseLength = 24;   // f32, s
inline constexpr std::size_t kDataPoints = 32;    // u16
inline constexpr std::size_t kDataBits = 34;      // u8
inline constexpr std::size_t kFilter = 36;        // u32, FIR filter index + 1
inline constexpr std::size_t kResolution = 40;    // f32, m
inline constexpr std::size_t kGain = 44;          // u16, dB
inline constexpr std::size_t kTriggerDelay = 48;  // f32, s
}  // namespace switch_block

// What the head will return for a ping: every packet is packet_size bytes, the packets are
// numbered 0..last_packet.
struct ReturnSizing {
    std::uint32_t packet_size = kFullPacketSize;
    int last_packet = 3;
    int head_id = kHeadId;
    int elements = kHeadElements;
    bool operator==(const ReturnSizing&) const = default;
};

// Data points per element per ping for a data-points switch value (0 = 500, 1 = 1000).
int DataPointsFromSwitch(int data_points_switch);

// The return sizing for data format 10 with 8 data bits or data format 11; any other
// combination keeps `previous` (the sizing in force).
ReturnSizing ComputeReturnSizing(const Settings& s, int data_bits,
                                 const ReturnSizing& previous = ReturnSizing{});

// Fills the 1152-byte command for `packet_number` from the settings as they are now and
// returns the return sizing it announced. Pure: reads only its arguments. The caller sends
// all 1152 bytes for packet 0 and the first 128 otherwise.
ReturnSizing BuildCommandPacket(const SettingsState& state, int packet_number,
                                std::uint8_t out[kCommandPacketSize],
                                const ReturnSizing& previous = ReturnSizing{});

// Heads with serial numbers 9903, 9904 and 10093 run only at 2300 kHz: forces the frequency
// setting there. True when it changed something; the caller then applies the operating point.
bool EnforceSerialFrequency(SettingsState& state);

}  // namespace vq
