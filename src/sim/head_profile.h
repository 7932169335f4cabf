// The simulated head models: what each one reports in its information block and the array
// and source properties the echo synthesis uses.
#pragma once

#include <cstdint>

#include "sim/sim_head.h"

namespace vq::sim {

inline constexpr int kSonarInfoBytes = 1024;

struct HeadProfile {
    HeadKind kind;
    const char* model;
    std::int16_t serial;
    std::int16_t rx_serial;
    std::int16_t tx_serial;
    std::uint32_t sonar_code;
    float nominal_hz, min_hz, max_hz;
    float min_range_m, max_range_m;
    std::uint32_t rx_xdcr_type;  // the program's head type index is this minus one
    std::uint32_t tx_xdcr_type;
    float native_resolution_m;
    float element_pitch_m;    // pitch of the 16-element receive line array
    float reference_range_m;  // the seabed range at which the source level is calibrated
    float processor_temp_c;
};

// The profile of a head kind, with the serial number overridden when `serial` >= 0.
HeadProfile ProfileFor(HeadKind kind, int serial = -1);

// Fills the 1024-byte information block a head sends in its first return packet.
// `ip` is the head's own IPv4 address (4 bytes).
void WriteSonarInfoBlock(const HeadProfile& profile, const std::uint8_t ip[4], std::uint8_t* out);

// Writes the processor temperature (degC) into an information block.
void WriteProcessorTemperature(float celsius, std::uint8_t* info);

// Parses a --head name: "standard", "long-range", "675" or "fine". False when unknown.
bool ParseHeadKind(const char* name, HeadKind* kind);
const char* HeadKindName(HeadKind kind);

}  // namespace vq::sim
