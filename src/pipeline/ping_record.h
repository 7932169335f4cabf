// The parsed ping: the header blocks of return packet 0 (what the head reports about itself
// and about this ping), the 12-byte legacy header the processing checks, and the sample bytes
// of all return packets gathered into one contiguous array.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq {

inline constexpr std::size_t kPingBufferCapacity = 75000;
inline constexpr std::size_t kSampleArrayBytes = 132924;  // the largest gather
inline constexpr std::size_t kReturnHeaderBytes = 128;
inline constexpr std::size_t kEchoOffset = 128;       // SettingsEcho within return packet 0
inline constexpr std::size_t kInfoOffset = 1152;      // SonarInfoBlock within return packet 0
inline constexpr std::size_t kPacket0Samples = 2176;  // first sample byte of return packet 0

struct ReturnHeader {
    std::uint8_t magic_t = 0;  // 'T'
    std::uint8_t head_id = 0;
    std::uint8_t magic_n = 0;  // 'N'
    std::uint8_t magic_u = 0;  // 'U'
    std::uint16_t command_major = 0;
    std::uint16_t command_minor = 0;
    std::uint16_t packet_number = 0;
    std::uint8_t head_id_byte10 = 0;
    std::uint16_t data_format = 0;
};

// The settings the head used for this ping.
struct SettingsEcho {
    float range_span_m = 0.0f;
    float frequency_hz = 0.0f;
    float absorption_db_per_m = 0.0f;
    float pulse_length_s = 0.0f;
    float transmit_delay_s = 0.0f;
    int data_points = 500;  // values below 500 are taken as 500
    int data_bits = 8;      // values below 8 are taken as 8
    std::uint32_t filter_used = 0;
};

struct SonarInfoBlock {
    std::array<char, 65> model{};  // NUL-terminated copies of the text fields
    std::int16_t serial_number = 0;
    std::int16_t rx_serial_number = 0;
    std::int16_t tx_serial_number = 0;
    std::uint16_t capability_flags = 0;  // bit 0: external trigger supported
    std::array<std::uint8_t, 16> ip_address{};
    std::array<char, 65> hardware_version{};
    std::array<char, 21> hardware_date{};
    std::array<char, 65> software_version{};
    std::array<char, 21> software_date{};
    std::array<char, 65> micro_version{};
    std::uint32_t sonar_code = 0;
    float nominal_frequency_hz = 0.0f;
    float min_frequency_hz = 0.0f;
    float max_frequency_hz = 0.0f;
    float min_range_m = 0.0f;
    float max_range_m = 0.0f;
    std::uint32_t rx_xdcr_type = 0;
    std::uint32_t tx_xdcr_type = 0;
    float native_resolution_m = 0.0f;
    std::uint32_t status_word1 = 0;
    std::uint32_t status_word0 = 0;
    std::array<std::uint16_t, 16> filters_supported{};
    std::array<float, 5> sample_res_supported{};
    std::array<std::uint16_t, 6> data_points_supported{};
    std::array<std::uint8_t, 4> data_bits_supported{};
    std::array<std::uint16_t, 6> data_formats_supported{};
    std::uint32_t reserved = 0;
    float processor_temp_c = 0.0f;
    float fabric_vccint = 0.0f;
    float fabric_vccaux = 0.0f;
    float processor_vccint = 0.0f;
    float processor_vccaux = 0.0f;
    float bram_vcc = 0.0f;
    float ddr_vcc = 0.0f;
};

struct PingRecord {
    ReturnHeader header;
    SettingsEcho echo;
    SonarInfoBlock info;
    // The head's frequency limits as a pair: false when either reported value is impossible
    // (not finite, negative, above 10 MHz) or the minimum exceeds the maximum; the four
    // values below are then 0 and the limits in force stay as they are.
    bool frequency_limits_valid = false;
    int min_frequency_khz = 0;  // trunc(0.001 * Hz + 0.5): limits of the frequency setting
    int max_frequency_khz = 0;
    float min_frequency_f = 0.0f;  // 0.001 * Hz
    float max_frequency_f = 0.0f;
    float temperature_c = 0.0f;       // processor temperature clamped to 0 .. 200 for read-outs
    bool special_gain_curve = false;  // serial numbers 8897, 8930, 8957
    bool status_bit3 = false;         // bit 3 of the first byte of status word 0
    int fir_filter_from_echo = -1;    // playback: filter used - 1 when the filter used >= 1
};

// Bytes: 'T', head id, 'N', 16, 64, last packet number, 4, span in whole metres, head type
// index, byte 9 of return packet 0, 0, 0.
struct LegacyHeader {
    std::array<std::uint8_t, 12> bytes{};
    int head_type_index() const { return bytes[8]; }
};

struct ParseContext {
    bool playback = false;
    bool pipelined = false;            // recorded in pipelined mode: packet 0 starts at 1280
    int recording_version = 0;         // format version of the recording (playback)
    std::uint32_t packet_size = 8676;  // packet size in force
    int last_packet_number = -1;       // number of the last packet received; -1: from the length
};

class PingParser {
  public:
    PingParser();

    // Parses a complete ping buffer. False (and nothing changed) when the buffer cannot hold
    // the header blocks of return packet 0. Sample bytes the buffer does not hold are zero.
    bool Parse(const std::uint8_t* buffer, std::size_t length, const ParseContext& context);

    const PingRecord& Record() const { return record_; }
    LegacyHeader& Legacy() { return legacy_; }
    const LegacyHeader& Legacy() const { return legacy_; }
    const std::uint8_t* samples() const { return samples_.data(); }
    std::size_t sample_capacity() const { return samples_.size(); }
    std::size_t gathered_bytes() const { return gathered_; }

    // The head id a ping must carry. Live it is set by the return sizing (77); in playback the
    // parser adopts the recorded one.
    int current_head_id() const { return current_head_id_; }
    void set_current_head_id(int id) { current_head_id_ = id; }

  private:
    void Gather(const std::uint8_t* buffer, std::size_t length, std::size_t r,
                const ParseContext& context);
    PingRecord record_;
    LegacyHeader legacy_;
    std::vector<std::uint8_t> samples_;
    std::size_t gathered_ = 0;
    int current_head_id_ = 77;
};

struct GatherPlan {
    std::size_t first;  // F: bytes from packet 0
    std::size_t chunk;  // C: bytes from each of the next K packets
    std::size_t count;  // K
    std::size_t tail;   // T: bytes from the packet after them
    std::size_t total() const { return first + chunk * count + tail; }
};

// The gather rule by data format, data bits, data points and packet size (and in playback
// the recording version).
GatherPlan GatherPlanFor(int data_format, int data_bits, int data_points, std::uint32_t packet_size,
                         bool playback, int recording_version);

}  // namespace vq
