#include "pipeline/sonar_info_text.h"

#include <cstdio>

namespace vq {

namespace {

template <class... Args>
std::string Format(const char* fmt, Args... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// Float to int for "%d" fields: truncation, with values an int cannot hold shown as 0.
int ToInt(double v) {
    return v > -2147483648.0 && v < 2147483648.0 ? static_cast<int>(v) : 0;
}

template <class Array>
std::string List(const Array& values, const char* fmt) {
    std::string out;
    for (auto v : values)
        if (v > 0) out += Format(fmt, v);
    return out;
}

std::string Word(std::uint32_t w) {
    return Format("%02X%02X %02X%02X", (w >> 24) & 0xFF, (w >> 16) & 0xFF, (w >> 8) & 0xFF,
                  w & 0xFF);
}

}  // namespace

std::string StatusText(const PingRecord& r) {
    return "0x " + Word(r.info.status_word0) + " " + Word(r.info.status_word1);
}

std::vector<InfoLine> SonarInfoLines(const PingRecord& r) {
    const ReturnHeader& h = r.header;
    const SettingsEcho& e = r.echo;
    const SonarInfoBlock& s = r.info;
    std::vector<double> res;
    for (float v : s.sample_res_supported) res.push_back(v);
    return {
        {"Command Type", Format("%d.%d", h.command_major, h.command_minor)},
        {"Head ID", Format("0x%02X", h.head_id_byte10)},
        {"Data Format", Format("%d", h.data_format)},
        {"Frequency", Format("%d Hz", ToInt(e.frequency_hz))},
        {"Absorption (one-way)", Format("%4.2f dB/m", static_cast<double>(e.absorption_db_per_m))},
        {"Pulse Length", Format("%d usec", ToInt(e.pulse_length_s * 1000000.0 + 0.5))},
        {"Transmit Delay", Format("%5.3f sec", static_cast<double>(e.transmit_delay_s))},
        {"Data Points", Format("%d", e.data_points)},
        {"Data Bits", Format("%d", e.data_bits)},
        {"Filter Used", Format("%d", static_cast<int>(e.filter_used))},
        {"Model", Format("%s", s.model.data())},
        {"Serial Number", Format("%04d", s.serial_number)},
        {"Rx Serial Number", Format("%04d", s.rx_serial_number)},
        {"Tx Serial Number", Format("%04d", s.tx_serial_number)},
        {"External Trigger Support", (s.capability_flags & 1u) ? "Yes" : "No"},
        {"IP Address",
         Format("%d.%d.%d.%d", s.ip_address[0], s.ip_address[1], s.ip_address[2], s.ip_address[3])},
        {"Hardware Version", Format("%s", s.hardware_version.data())},
        {"Hardware Ver Date", Format("%s", s.hardware_date.data())},
        {"Software Version", Format("%s", s.software_version.data())},
        {"Software Ver Date", Format("%s", s.software_date.data())},
        {"MicroCtrl SW Ver", Format("%s", s.micro_version.data())},
        {"Sonar Code", Format("%d", static_cast<int>(s.sonar_code))},
        {"Nominal Frequency", Format("%d Hz", ToInt(s.nominal_frequency_hz))},
        {"Min Frequency", Format("%d Hz", ToInt(s.min_frequency_hz))},
        {"Max Frequency", Format("%d Hz", ToInt(s.max_frequency_hz))},
        {"Min Range", Format("%3.1f m", static_cast<double>(s.min_range_m))},
        {"Max Range", Format("%3.1f m", static_cast<double>(s.max_range_m))},
        {"Rx Xdcr Type", Format("%d", static_cast<int>(s.rx_xdcr_type))},
        {"Tx Xdcr Type", Format("%d", static_cast<int>(s.tx_xdcr_type))},
        {"Native Res", Format("%5.3f m", static_cast<double>(s.native_resolution_m))},
        {"Filters Supported", List(s.filters_supported, "%d ")},
        {"Sample Res Supported", List(res, "%5.3f ")},
        {"Data Points Supported", List(s.data_points_supported, "%d ")},
        {"Data Bits Supported", List(s.data_bits_supported, "%d ")},
        {"Data Formats Supported", List(s.data_formats_supported, "%d ")},
    };
}

std::vector<InfoLine> SonarStatusLines(const PingRecord& r) {
    const SonarInfoBlock& s = r.info;
    auto volts = [](float v) { return Format("%5.3f V", static_cast<double>(v)); };
    return {
        {"Status", StatusText(r)},
        {"Processor Temp", Format("%3.1f C", static_cast<double>(s.processor_temp_c))},
        {"Fabric VCCint", volts(s.fabric_vccint)},
        {"Fabric VCCaux", volts(s.fabric_vccaux)},
        {"Processor VCCint", volts(s.processor_vccint)},
        {"Processor VCCaux", volts(s.processor_vccaux)},
        {"BRAM VCC", volts(s.bram_vcc)},
        {"DDR VCC", volts(s.ddr_vcc)},
    };
}

}  // namespace vq
