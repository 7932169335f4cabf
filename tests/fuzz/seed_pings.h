// Ping buffers for seed corpora: the command the program builds for the settings, answered
// by the simulated head exactly as the link would assemble it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/settings_store.h"
#include "link/command_packet.h"
#include "sim/sim_head.h"

namespace vq::fuzz {

struct PingConfig {
    int data_format = 11;        // 10 = 8-bit, 11 = 16-bit
    int data_points_switch = 0;  // 0 = 500 points, 1 = 1000
    bool reduced = false;        // 2892-byte return packets
    sim::HeadKind head = sim::HeadKind::Standard260;
};

inline SettingsState SeedSettings(const PingConfig& c) {
    SettingsState st;
    st.s.DataFormat = c.data_format;
    st.work.data_bits = c.data_format == 10 ? 8 : 16;
    st.s.DataPointsSwitch = c.data_points_switch;
    st.s.ReducedEthernetThroughputEnable = c.reduced ? 1 : 0;
    return st;
}

inline std::vector<std::uint8_t> SeedPing(const PingConfig& c, std::uint64_t index = 0) {
    std::vector<std::uint8_t> command(kCommandPacketSize);
    BuildCommandPacket(SeedSettings(c), 0, command.data());
    sim::Options o;
    o.head = c.head;
    o.scene = sim::DemoScene(c.head);
    return sim::BuildPingBufferOffline(o, command, index);
}

}  // namespace vq::fuzz
