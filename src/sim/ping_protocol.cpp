#include "sim/ping_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim/le_bytes.h"

namespace vq::sim {

namespace {

float Limited(float v, float lo, float hi, float fallback) {
    if (!std::isfinite(v)) return fallback;
    return std::clamp(v, lo, hi);
}

}  // namespace

bool ParseRequestHeader(const std::uint8_t* h, Request* out) {
    if (h[0] != 'T' || h[1] != 'M' || h[2] != 'N' || h[3] != 'D') return false;
    out->major = GetU16(h + 4);
    out->minor = GetU16(h + 6);
    out->packet_number = GetU16(h + 8);
    out->packet_size = GetU32(h + 12);
    out->format = GetU16(h + 16);
    return out->packet_size >= kMinPacketSize && out->packet_size <= kMaxPacketSize;
}

PingSettings DecodeCommand(const std::uint8_t* command, const HeadProfile& profile) {
    PingSettings s;
    s.major = GetU16(command + 4);
    s.minor = GetU16(command + 6);
    s.format = GetU16(command + 16);
    const std::uint8_t* sw = command + kRequestHeaderBytes;
    s.flags = GetU32(sw + 0);
    s.range_span_m = Limited(GetF32(sw + 8), 0.05f, 1000.0f, 50.0f);
    s.range_offset_m = Limited(GetF32(sw + 12), 0.0f, 1000.0f, 0.0f);
    s.frequency_hz = Limited(GetF32(sw + 16), profile.min_hz, profile.max_hz, profile.nominal_hz);
    s.absorption_db_per_m = Limited(GetF32(sw + 20), 0.0f, 5.0f, 0.065f);
    s.pulse_s = Limited(GetF32(sw + 24), 1e-6f, 0.01f, 300e-6f);
    s.points = GetU16(sw + 32) == 1000 ? 1000 : 500;
    const int bits_field = sw[34];
    if (s.format == kFormat8Bit) {
        s.bits = 8;
    } else if (s.format == kFormat16Bit) {
        s.bits = 16;
    } else {
        s.bits = bits_field == 8 ? 8 : 16;
    }
    s.filter = GetU32(sw + 36);
    s.resolution_m = Limited(GetF32(sw + 40), 0.0001f, 1.0f, profile.native_resolution_m);
    s.gain_db = std::min<int>(GetU16(sw + 44), 60);
    s.tx_delay_s = Limited(GetF32(sw + 48), 0.0f, 10.0f, 0.0f);
    return s;
}

void WriteSettingsEcho(const PingSettings& s, const std::uint8_t* switch_block, std::uint8_t* out) {
    std::memcpy(out, switch_block, kSettingsEchoBytes);
    PutU32(out + 0, s.flags);
    PutF32(out + 8, s.range_span_m);
    PutF32(out + 12, s.range_offset_m);
    PutF32(out + 16, s.frequency_hz);
    PutF32(out + 20, s.absorption_db_per_m);
    PutF32(out + 24, s.pulse_s);
    PutF32(out + 28, s.tx_delay_s);
    PutU16(out + 32, static_cast<std::uint16_t>(s.points));
    out[34] = static_cast<std::uint8_t>(s.bits);
    out[35] = 0;
    PutU32(out + 36, s.filter);
    PutF32(out + 40, s.resolution_m);
    PutU16(out + 44, static_cast<std::uint16_t>(s.gain_db));
}

std::size_t PacketSampleOffset(int n, std::uint32_t packet_size) {
    if (n <= 0) return 0;
    return (packet_size - kPacket0SampleOffset) +
           static_cast<std::size_t>(n - 1) * (packet_size - kReturnHeaderBytes);
}

std::size_t PacketSampleCapacity(int n, std::uint32_t packet_size) {
    return n == 0 ? packet_size - kPacket0SampleOffset : packet_size - kReturnHeaderBytes;
}

int LastPacketNumber(std::uint16_t format, int bits, int points, std::uint32_t packet_size) {
    const bool reduced = packet_size == 2892;
    if ((format == kFormat8Bit && bits == 8) || format == kFormat16Bit) {
        const bool eight = format == kFormat8Bit;
        if (points == 500) return eight ? (reduced ? 6 : 2) : (reduced ? 12 : 3);
        if (points == 1000) return eight ? (reduced ? 12 : 3) : (reduced ? 24 : 7);
    }
    const std::size_t bytes =
        static_cast<std::size_t>(points) * kElements * 2 * (bits == 8 ? 1 : 2);
    int n = 0;
    while (PacketSampleOffset(n, packet_size) + PacketSampleCapacity(n, packet_size) < bytes) ++n;
    return n;
}

void WriteReturnHeader(const Request& request, std::uint16_t packet_number, std::uint8_t* out) {
    std::memset(out, 0, kReturnHeaderBytes);
    out[0] = 'T';
    out[1] = kHeadId;
    out[2] = 'N';
    out[3] = 'U';
    PutU16(out + 4, request.major);
    PutU16(out + 6, request.minor);
    PutU16(out + 8, packet_number);
    out[10] = kHeadId;
    PutU32(out + 12, request.packet_size);
    PutU16(out + 16, request.format);
}

void BuildReturnPacket(const Request& request, const std::uint8_t* echo, const std::uint8_t* info,
                       const std::uint8_t* samples, std::size_t sample_bytes, std::uint8_t* out) {
    const int n = request.packet_number;
    const std::uint32_t size = request.packet_size;
    WriteReturnHeader(request, request.packet_number, out);
    std::size_t data_at = kReturnHeaderBytes;
    if (n == 0) {
        std::memcpy(out + kReturnHeaderBytes, echo, kSettingsEchoBytes);
        std::memcpy(out + kReturnHeaderBytes + kSettingsEchoBytes, info, kSonarInfoBytes);
        data_at = kPacket0SampleOffset;
    }
    const std::size_t offset = PacketSampleOffset(n, size);
    const std::size_t capacity = PacketSampleCapacity(n, size);
    std::size_t take = 0;
    if (offset < sample_bytes) take = std::min(capacity, sample_bytes - offset);
    if (take > 0) std::memcpy(out + data_at, samples + offset, take);
    std::memset(out + data_at + take, 0, capacity - take);
}

}  // namespace vq::sim
