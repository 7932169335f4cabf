// A recording of simulated pings written offline (no live engine): 480 beams of `points`
// samples, a seabed, targets and noise; with `corrupt`, the magic of the middle record is
// broken, so playback skips to the next record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/command_packet.h"
#include "recording/time_stamp.h"
#include "recording/vqs_format.h"
#include "sim/sim_head.h"

namespace vq::test {

inline std::string MakeSimRecording(int pings, int points, bool corrupt) {
    SettingsState st;
    st.s.StepSize = 0;
    st.s.DataPointsSwitch = points == 1000 ? 1 : 0;
    st.s.DataFormat = 11;
    std::vector<std::uint8_t> command(kCommandPacketSize);
    BuildCommandPacket(st, 0, command.data());
    sim::Options so;
    so.scene = sim::DemoScene(so.head);
    RecordSettings rs;
    rs.num_beams = 480;
    rs.samples_per_beam = points;
    rs.ping_interval_ms = 100;
    VqsRecordBuilder builder;
    std::string out;
    std::uint32_t previous = 0;
    for (int k = 0; k < pings; ++k) {
        const auto ping = sim::BuildPingBufferOffline(so, command, static_cast<std::uint64_t>(k));
        const auto ts = PingTimeStamp::FromFields(2026, 12, 8, 5, 0, k / 10, k % 10 * 100);
        const auto rec = builder.Build(ping, ts, rs, RecordNav{}, previous, 0);
        const std::size_t at = out.size();
        out.append(reinterpret_cast<const char*>(rec.data()), rec.size());
        if (corrupt && k == pings / 2) out.replace(at, 3, "XYZ");
        previous = static_cast<std::uint32_t>(rec.size());
    }
    return out;
}

}  // namespace vq::test
