#include "link/command_packet.h"

#include <cstring>

#include "core/range_table.h"
#include "platform/byte_order.h"

namespace vq {

namespace {

void PutU8(std::uint8_t* p, std::size_t at, unsigned v) {
    p[at] = static_cast<std::uint8_t>(v);
}

void PutU16(std::uint8_t* p, std::size_t at, unsigned v) {
    byte_order::PutU16Le(p + at, static_cast<std::uint16_t>(v & 0xFFFFu));
}

void PutU32(std::uint8_t* p, std::size_t at, std::uint32_t v) {
    byte_order::PutU32Le(p + at, v);
}

void PutF32(std::uint8_t* p, std::size_t at, float f) {
    byte_order::PutF32Le(p + at, f);
}

void FillRequestHeader(const Settings& s, const ReturnSizing& rs, int packet_number,
                       std::uint8_t* h) {
    std::memset(h, 0, kRequestHeaderSize);
    std::memcpy(h + request_header::kMagic, "TMND", 4);
    PutU16(h, request_header::kTypeMajor, 1);
    PutU16(h, request_header::kTypeMinor, 0);
    PutU16(h, request_header::kPacketNumber, static_cast<unsigned>(packet_number) & 0xFFFFu);
    PutU32(h, request_header::kPacketSize, rs.packet_size);
    PutU16(h, request_header::kDataFormat, static_cast<unsigned>(s.DataFormat) & 0xFFFFu);
}

std::uint32_t SwitchFlags(const SettingsState& st) {
    std::uint32_t flags = 0;
    if (st.work.transmit_disabled != 0) flags |= 1u << 2;
    flags |= (static_cast<std::uint32_t>(st.s.ExternalTriggerControl) & 3u) << 4;
    return flags;
}

void FillSwitchBlock(const SettingsState& st, std::uint8_t* b) {
    const Settings& s = st.s;
    std::memset(b, 0, kSwitchBlockSize);
    PutU32(b, switch_block::kFlags, SwitchFlags(st));
    PutF32(b, switch_block::kRangeSpan, RangeSpanMeters(s.Range, st.head.fine_resolution));
    PutF32(b, switch_block::kRangeOffset, static_cast<float>(st.work.range_offset_m));
    PutF32(b, switch_block::kFrequency, static_cast<float>(s.Frequency * 1000));
    PutF32(b, switch_block::kAbsorption, static_cast<float>(st.head.absorption_code * 0.01 * 0.5));
    PutF32(b, switch_block::kPulseLength, static_cast<float>(s.PulseLength * 0.000001));
    PutU16(b, switch_block::kDataPoints,
           static_cast<unsigned>(DataPointsFromSwitch(s.DataPointsSwitch)));
    if (s.DataFormat == 10) PutU8(b, switch_block::kDataBits, 8);
    if (s.DataFormat == 11) PutU8(b, switch_block::kDataBits, 16);
    PutU32(b, switch_block::kFilter, static_cast<std::uint32_t>(s.FIRFilter + 1));
    PutF32(b, switch_block::kResolution, st.head.fine_resolution ? 0.001f : 0.01f);
    PutU16(b, switch_block::kGain, static_cast<unsigned>(s.Gain) & 0xFFFFu);
    PutF32(b, switch_block::kTriggerDelay, static_cast<float>(s.ExternalTriggerXmitDelay * 0.0001));
}

}  // namespace

int DataPointsFromSwitch(int data_points_switch) {
    return data_points_switch == 1 ? 1000 : 500;
}

ReturnSizing ComputeReturnSizing(const Settings& s, int data_bits, const ReturnSizing& previous) {
    const bool eight_bit = s.DataFormat == 10 && data_bits == 8;
    if (!eight_bit && s.DataFormat != 11) return previous;
    const bool thousand = DataPointsFromSwitch(s.DataPointsSwitch) == 1000;
    const bool reduced = s.ReducedEthernetThroughputEnable == 1;
    // Rows: 8-bit/500, 8-bit/1000 (= 16-bit/500), 16-bit/1000.
    const int row = (eight_bit ? 0 : 1) + (thousand ? 1 : 0);
    static constexpr int kLastFull[3] = {2, 3, 7};
    static constexpr int kLastReduced[3] = {6, 12, 24};
    ReturnSizing rs;
    rs.head_id = kHeadId;
    rs.elements = kHeadElements;
    rs.packet_size = reduced ? kReducedPacketSize : kFullPacketSize;
    rs.last_packet = reduced ? kLastReduced[row] : kLastFull[row];
    return rs;
}

ReturnSizing BuildCommandPacket(const SettingsState& state, int packet_number,
                                std::uint8_t out[kCommandPacketSize],
                                const ReturnSizing& previous) {
    const ReturnSizing rs = ComputeReturnSizing(state.s, state.work.data_bits, previous);
    FillRequestHeader(state.s, rs, packet_number, out);
    FillSwitchBlock(state, out + kRequestHeaderSize);
    return rs;
}

bool EnforceSerialFrequency(SettingsState& state) {
    const int serial = state.head.serial_number;
    if (serial != 9903 && serial != 9904 && serial != 10093) return false;
    if (state.s.Frequency == 2300) return false;
    state.s.Frequency = 2300;
    return true;
}

}  // namespace vq
