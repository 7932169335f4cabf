#include "pipeline/ping_record.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace vq {

namespace {

class Reader {
  public:
    Reader(const std::uint8_t* p) : p_(p) {}
    std::uint8_t U8(std::size_t o) const { return p_[o]; }
    std::uint16_t U16(std::size_t o) const { return byte_order::GetU16Le(p_ + o); }
    std::int16_t I16(std::size_t o) const { return byte_order::GetI16Le(p_ + o); }
    std::uint32_t U32(std::size_t o) const { return byte_order::GetU32Le(p_ + o); }
    float F32(std::size_t o) const { return byte_order::GetF32Le(p_ + o); }
    template <std::size_t N>
    void Text(std::size_t o, std::size_t width, std::array<char, N>& out) const {
        out.fill('\0');
        for (std::size_t i = 0; i < width && i + 1 < N && p_[o + i] != 0; ++i)
            out[i] = static_cast<char>(p_[o + i]);
    }

  private:
    const std::uint8_t* p_;
};

void ReadHeader(const Reader& r, ReturnHeader& h) {
    h.magic_t = r.U8(0);
    h.head_id = r.U8(1);
    h.magic_n = r.U8(2);
    h.magic_u = r.U8(3);
    h.command_major = r.U16(4);
    h.command_minor = r.U16(6);
    h.packet_number = r.U16(8);
    h.head_id_byte10 = r.U8(10);
    h.data_format = r.U16(16);
}

void ReadEcho(const Reader& r, SettingsEcho& e) {
    e.range_span_m = r.F32(8);
    e.frequency_hz = r.F32(16);
    e.absorption_db_per_m = r.F32(20);
    e.pulse_length_s = r.F32(24);
    e.transmit_delay_s = r.F32(28);
    e.data_points = std::max<int>(r.I16(32), 500);
    e.data_bits = std::max<int>(r.U8(34), 8);
    e.filter_used = r.U32(36);
}

void ReadInfo(const Reader& r, SonarInfoBlock& s) {
    r.Text(0, 64, s.model);
    s.serial_number = r.I16(64);
    s.rx_serial_number = r.I16(66);
    s.tx_serial_number = r.I16(68);
    s.capability_flags = r.U16(70);
    for (std::size_t i = 0; i < 16; ++i) s.ip_address[i] = r.U8(72 + i);
    r.Text(88, 64, s.hardware_version);
    r.Text(152, 20, s.hardware_date);
    r.Text(172, 64, s.software_version);
    r.Text(236, 20, s.software_date);
    r.Text(256, 64, s.micro_version);
    s.sonar_code = r.U32(320);
    s.nominal_frequency_hz = r.F32(324);
    s.min_frequency_hz = r.F32(328);
    s.max_frequency_hz = r.F32(332);
    s.min_range_m = r.F32(336);
    s.max_range_m = r.F32(340);
    s.rx_xdcr_type = r.U32(344);
    s.tx_xdcr_type = r.U32(348);
    s.native_resolution_m = r.F32(352);
    s.status_word1 = r.U32(360);
    s.status_word0 = r.U32(364);
    for (std::size_t i = 0; i < 16; ++i) s.filters_supported[i] = r.U16(368 + 2 * i);
    for (std::size_t i = 0; i < 5; ++i) s.sample_res_supported[i] = r.F32(400 + 4 * i);
    for (std::size_t i = 0; i < 6; ++i) s.data_points_supported[i] = r.U16(420 + 2 * i);
    for (std::size_t i = 0; i < 4; ++i) s.data_bits_supported[i] = r.U8(432 + i);
    for (std::size_t i = 0; i < 6; ++i) s.data_formats_supported[i] = r.U16(436 + 2 * i);
    s.reserved = r.U32(448);
    s.processor_temp_c = r.F32(452);
    s.fabric_vccint = r.F32(456);
    s.fabric_vccaux = r.F32(460);
    s.processor_vccint = r.F32(464);
    s.processor_vccaux = r.F32(468);
    s.bram_vcc = r.F32(472);
    s.ddr_vcc = r.F32(476);
}

// The highest frequency a head can report, Hz: well above any transducer's (2.25 MHz is the
// highest head), and small enough that kHz fit an int with room to spare.
constexpr float kMaxReportedFrequencyHz = 1.0e7f;

// False for NaN, infinities, negative and absurd values.
bool PossibleFrequency(float hz) {
    return hz >= 0.0f && hz <= kMaxReportedFrequencyHz;
}

int KhzRounded(float hz) {
    return static_cast<int>(0.001f * hz + 0.5f);
}

void Derive(PingRecord& p) {
    const float lo = p.info.min_frequency_hz, hi = p.info.max_frequency_hz;
    // Limits the head cannot mean (a value it cannot report, or a minimum above the maximum)
    // are absent: the frequency setting keeps the limits it had.
    p.frequency_limits_valid = PossibleFrequency(lo) && PossibleFrequency(hi) && lo <= hi;
    p.min_frequency_khz = p.frequency_limits_valid ? KhzRounded(lo) : 0;
    p.max_frequency_khz = p.frequency_limits_valid ? KhzRounded(hi) : 0;
    p.min_frequency_f = p.frequency_limits_valid ? 0.001f * lo : 0.0f;
    p.max_frequency_f = p.frequency_limits_valid ? 0.001f * hi : 0.0f;
    const float t = p.info.processor_temp_c;
    p.temperature_c = t > 200.0f ? 200.0f : t > 0.0f ? t : 0.0f;  // NaN reads as 0
    const int sn = p.info.serial_number;
    p.special_gain_curve = sn == 8897 || sn == 8930 || sn == 8957;
    p.status_bit3 = (p.info.status_word0 & 0x08u) != 0;
}

}  // namespace

GatherPlan GatherPlanFor(int data_format, int data_bits, int data_points, std::uint32_t packet_size,
                         bool playback, int recording_version) {
    const bool reduced = packet_size == 2892;
    if (data_format == 10 && data_bits == 8 && data_points == 500)
        return reduced ? GatherPlan{716, 2764, 5, 1464} : GatherPlan{6500, 8548, 1, 952};
    if (data_format == 10 && data_bits == 8 && data_points == 1000)
        return reduced ? GatherPlan{716, 2764, 11, 1420} : GatherPlan{6500, 8548, 2, 8404};
    if (data_format == 11 && data_points == 500)
        return reduced ? GatherPlan{716, 2764, 11, 1420} : GatherPlan{6500, 8548, 2, 8404};
    if (data_format == 11 && data_points == 1000)
        return reduced ? GatherPlan{716, 2764, 23, 252} : GatherPlan{6500, 8548, 6, 6752};
    if (playback && recording_version == 6 && data_format == 7 && data_points == 500)
        return {6500, 8548, 14, 6752};
    if (playback && recording_version == 5 && data_format == 1 && data_points == 500)
        return {6500, 8548, 6, 6752};
    return {6500, 8548, 1, 1492};
}

PingParser::PingParser() : samples_(kSampleArrayBytes, 0) {}

void PingParser::Gather(const std::uint8_t* buffer, std::size_t length, std::size_t r,
                        const ParseContext& context) {
    const GatherPlan g =
        GatherPlanFor(record_.header.data_format, record_.echo.data_bits, record_.echo.data_points,
                      context.packet_size, context.playback, context.recording_version);
    std::size_t out = 0;
    // Copies n bytes from position src of the ping buffer; bytes it lacks stay zero.
    auto copy = [&](std::size_t src, std::size_t n) {
        n = std::min(n, samples_.size() - out);
        if (src < length) {
            const std::size_t have = std::min(n, length - src);
            std::memcpy(samples_.data() + out, buffer + src, have);
        }
        out += n;
    };
    std::fill(samples_.begin(), samples_.end(), 0);
    const std::size_t base = r + kPacket0Samples;
    copy(base, g.first);
    for (std::size_t k = 0; k < g.count; ++k)
        copy(base + g.first + k * (g.chunk + 256) + 256, g.chunk);
    copy(base + g.first + g.count * (g.chunk + 256) + 256, g.tail);
    gathered_ = out;
}

bool PingParser::Parse(const std::uint8_t* buffer, std::size_t length,
                       const ParseContext& context) {
    const std::size_t r = context.pipelined ? 1280 : 1152;
    length = std::min(length, kPingBufferCapacity);
    if (buffer == nullptr || length < r + kPacket0Samples) return false;
    const Reader packet0(buffer + r);
    ReadHeader(packet0, record_.header);
    ReadEcho(Reader(buffer + r + kEchoOffset), record_.echo);
    record_.fir_filter_from_echo =
        context.playback && record_.echo.filter_used >= 1
            ? static_cast<int>(std::min<std::uint32_t>(record_.echo.filter_used - 1, 1000000))
            : -1;
    ReadInfo(Reader(buffer + r + kInfoOffset), record_.info);
    Derive(record_);

    int last = context.last_packet_number;
    if (last < 0) {  // from the length: packet 0, then request header and packet for each more
        const std::size_t p = context.packet_size ? context.packet_size : 8676;
        last = length > r + p ? static_cast<int>((length - r - p) / (kReturnHeaderBytes + p)) : 0;
    }
    auto& b = legacy_.bytes;
    std::memcpy(b.data(), buffer + r, b.size());
    b[3] = 16;
    b[4] = 64;
    b[5] = static_cast<std::uint8_t>(last & 0xFF);
    b[6] = 4;
    const float span = record_.echo.range_span_m;
    // Low byte of the whole metres, as a byte holds it (300 m reads 44).
    b[7] = span > 0.0f && span < 65536.0f ? static_cast<std::uint8_t>(static_cast<int>(span) & 0xFF)
                                          : 0;
    int head_type =
        record_.info.rx_xdcr_type > 0
            ? static_cast<int>(std::min<std::uint32_t>(record_.info.rx_xdcr_type - 1, 255))
            : 0;
    if (context.playback && context.recording_version == 5) head_type = 7;
    if (context.playback && context.recording_version == 6) head_type = 11;
    b[8] = static_cast<std::uint8_t>(head_type);
    b[10] = b[11] = 0;
    if (context.playback) current_head_id_ = b[1];
    Gather(buffer, length, r, context);
    return true;
}

}  // namespace vq
