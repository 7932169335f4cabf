// Ping buffers built without sockets, and the demonstration scene.
#include <algorithm>
#include <cstring>

#include "sim/head_engine.h"
#include "sim/le_bytes.h"
#include "sim/sim_head.h"

namespace vq::sim {

namespace {

constexpr std::size_t kPingBufferCapacity = 75000;

void Append(std::vector<std::uint8_t>& buf, const std::uint8_t* p, std::size_t n) {
    const std::size_t room = kPingBufferCapacity - std::min(buf.size(), kPingBufferCapacity);
    buf.insert(buf.end(), p, p + std::min(n, room));
}

}  // namespace

std::vector<std::uint8_t> BuildPingBufferOffline(const Options& options,
                                                 const std::vector<std::uint8_t>& command1152,
                                                 std::uint64_t ping_index,
                                                 std::vector<std::uint8_t>* samples) {
    std::vector<std::uint8_t> buf;
    if (command1152.size() < static_cast<std::size_t>(kCommandBytes)) return buf;
    Request request;
    if (!ParseRequestHeader(command1152.data(), &request)) return buf;
    HeadEngine engine(options);
    engine.BeginPing(command1152.data(), options.scene, ping_index);
    const int last = engine.LastPacket(request);
    std::vector<std::uint8_t> packet(request.packet_size);
    std::uint8_t header[kRequestHeaderBytes];
    std::memcpy(header, command1152.data(), kRequestHeaderBytes);

    buf.reserve(kPingBufferCapacity);
    Append(buf, command1152.data(), kCommandBytes);
    for (int n = 0; n <= last; ++n) {
        request.packet_number = static_cast<std::uint16_t>(n);
        if (n > 0) {
            PutU16(header + 8, static_cast<std::uint16_t>(n));
            Append(buf, header, kRequestHeaderBytes);
        }
        engine.BuildPacket(request, packet.data());
        Append(buf, packet.data(), packet.size());
    }
    if (samples) samples->assign(engine.samples(), engine.samples() + engine.sample_bytes());
    return buf;
}

Scene DemoScene(HeadKind head) {
    Scene s;
    switch (head) {
        case HeadKind::Standard260:
            s.seabed_depth_m = 20.0f;
            break;
        case HeadKind::LongRange120:
            s.seabed_depth_m = 35.0f;
            break;
        case HeadKind::HighFreq675:
            s.seabed_depth_m = 10.0f;
            break;
        case HeadKind::FineResolution:
            s.seabed_depth_m = 3.0f;
            break;
    }
    const float d = s.seabed_depth_m;
    s.slope_deg = 3.0f;
    s.roughness_m = 0.0025f * d;
    s.drift_m_per_ping = 0.001f * d;
    s.targets = {{-30.0f, 0.6f * d, 10.0f}, {10.0f, 0.45f * d, 8.0f}, {45.0f, 0.9f * d, 15.0f}};
    return s;
}

}  // namespace vq::sim
