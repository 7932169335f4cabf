#include "sim/head_engine.h"

#include <arpa/inet.h>

#include <cstring>

namespace vq::sim {

bool ParseIPv4(const std::string& text, std::uint8_t out[4]) {
    const std::string t = text == "localhost" ? std::string("127.0.0.1") : text;
    in_addr a{};
    if (inet_pton(AF_INET, t.c_str(), &a) != 1) return false;
    std::memcpy(out, &a.s_addr, 4);  // network order: first octet first
    return true;
}

HeadEngine::HeadEngine(const Options& options)
    : profile_(ProfileFor(options.head, options.serial)),
      synth_(profile_, options.sound_velocity, options.seed),
      samples_(kMaxSampleBytes, 0) {
    std::uint8_t ip[4] = {127, 0, 0, 1};
    std::uint8_t parsed[4];
    if (ParseIPv4(options.bind, parsed) && (parsed[0] | parsed[1] | parsed[2] | parsed[3])) {
        std::memcpy(ip, parsed, 4);
    }
    WriteSonarInfoBlock(profile_, ip, info_.data());
    settings_.frequency_hz = profile_.nominal_hz;
    settings_.resolution_m = profile_.native_resolution_m;
    std::array<std::uint8_t, kSwitchBlockBytes> zeros{};
    WriteSettingsEcho(settings_, zeros.data(), echo_.data());
}

void HeadEngine::BeginPing(const std::uint8_t* command, const Scene& scene,
                           std::uint64_t ping_index) {
    settings_ = DecodeCommand(command, profile_);
    WriteSettingsEcho(settings_, command + kRequestHeaderBytes, echo_.data());
    sample_bytes_ = static_cast<std::size_t>(settings_.sample_bytes());
    WriteProcessorTemperature(scene.processor_temp_c.value_or(profile_.processor_temp_c),
                              info_.data());
    synth_.Synthesize(settings_, scene, ping_index, samples_.data());
}

void HeadEngine::BuildPacket(const Request& request, std::uint8_t* out) const {
    BuildReturnPacket(request, echo_.data(), info_.data(), samples_.data(), sample_bytes_, out);
}

int HeadEngine::LastPacket(const Request& request) const {
    return LastPacketNumber(request.format, settings_.bits, settings_.points, request.packet_size);
}

}  // namespace vq::sim
