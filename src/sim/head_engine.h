// The head's protocol state without sockets: the settings of the current ping, its sample
// array, and the return packets built from them. Used by the server and by the offline
// ping builder.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/echo_synth.h"
#include "sim/head_profile.h"
#include "sim/ping_protocol.h"
#include "sim/sim_head.h"

namespace vq::sim {

class HeadEngine {
  public:
    explicit HeadEngine(const Options& options);

    // Starts a ping from the 1152-byte command of packet 0: decodes the settings, builds the
    // settings echo and synthesises the samples. Nothing is allocated here.
    void BeginPing(const std::uint8_t* command, const Scene& scene, std::uint64_t ping_index);

    // Writes return packet request.packet_number (request.packet_size bytes) of the current
    // ping. Before the first ping the samples are zeros and the echo shows the defaults.
    void BuildPacket(const Request& request, std::uint8_t* out) const;

    // The last packet number of the current ping, as the link requests it.
    int LastPacket(const Request& request) const;

    const PingSettings& settings() const { return settings_; }
    const std::uint8_t* samples() const { return samples_.data(); }
    std::size_t sample_bytes() const { return sample_bytes_; }
    const HeadProfile& Profile() const { return profile_; }

  private:
    HeadProfile profile_;
    EchoSynth synth_;
    PingSettings settings_;
    std::array<std::uint8_t, kSettingsEchoBytes> echo_{};
    std::array<std::uint8_t, kSonarInfoBytes> info_{};
    std::vector<std::uint8_t> samples_;
    std::size_t sample_bytes_ = 0;
};

// The IPv4 address of a bind text ("localhost" is 127.0.0.1). False when it is not one.
bool ParseIPv4(const std::string& text, std::uint8_t out[4]);
inline bool IsLoopback(const std::uint8_t ip[4]) {
    return ip[0] == 127;
}

}  // namespace vq::sim
