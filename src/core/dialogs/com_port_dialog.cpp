#include "core/dialogs/com_port_dialog.h"

#include <algorithm>

namespace vq {
namespace {

const std::vector<std::string> kSpeeds = {"4800", "9600", "19200", "38400", "57600", "115200"};
const std::vector<std::string> kDataBits = {"5", "6", "7", "8"};
const std::vector<std::string> kParity = {"Even", "Odd", "None"};
const std::vector<std::string> kStopBits = {"1", "2"};

int Size(const std::vector<std::string>& v) {
    return static_cast<int>(v.size());
}

bool InList(int p, int size) {
    return p >= 0 && p < size;
}

}  // namespace

ComPortSetupValues ComPortValuesOf(const Settings& s) {
    ComPortSetupValues v;
    v.gps = {s.ComPortGPS,           s.ComPortGPSDevice,  s.ComPortGPS_bits_per_second,
             s.ComPortGPS_data_bits, s.ComPortGPS_parity, s.ComPortGPS_stop_bits};
    v.sv = {s.ComPortSV,           s.ComPortSVDevice,  s.ComPortSV_bits_per_second,
            s.ComPortSV_data_bits, s.ComPortSV_parity, s.ComPortSV_stop_bits};
    v.nmea_position = s.GPSHeadingType;
    v.sv_device_type = s.SVDeviceType;
    return v;
}

void StoreComPortValues(const ComPortSetupValues& v, Settings& s) {
    s.ComPortGPS = v.gps.port;
    s.ComPortGPSDevice = v.gps.explicit_device;
    s.ComPortGPS_bits_per_second = v.gps.bits_per_second;
    s.ComPortGPS_data_bits = v.gps.data_bits;
    s.ComPortGPS_parity = v.gps.parity;
    s.ComPortGPS_stop_bits = v.gps.stop_bits;
    s.ComPortSV = v.sv.port;
    s.ComPortSVDevice = v.sv.explicit_device;
    s.ComPortSV_bits_per_second = v.sv.bits_per_second;
    s.ComPortSV_data_bits = v.sv.data_bits;
    s.ComPortSV_parity = v.sv.parity;
    s.ComPortSV_stop_bits = v.sv.stop_bits;
    s.GPSHeadingType = v.nmea_position;
    s.SVDeviceType = v.sv_device_type;
}

ComPortSetupModel::ComPortSetupModel(const ComPortSetupValues& live,
                                     std::vector<std::string> devices)
    : live_(live), result_(live), devices_(std::move(devices)), ports_(devices_) {
    for (const std::string* d : {&live.gps.explicit_device, &live.sv.explicit_device}) {
        if (!d->empty() && std::find(ports_.begin(), ports_.end(), *d) == ports_.end())
            ports_.push_back(*d);
    }
    const ComPortChoice* choices[2] = {&live.gps, &live.sv};
    for (int g = 0; g < 2; ++g) {
        const ComPortChoice& c = *choices[g];
        Selection& s = sel_[g];
        s.port = has_ports() ? PortPositionOf(c) : 0;
        s.speed = InList(c.bits_per_second, Size(kSpeeds)) ? c.bits_per_second : 0;
        s.data_bits = InList(c.data_bits, Size(kDataBits)) ? c.data_bits : 3;
        s.parity = InList(c.parity, Size(kParity)) ? c.parity : 2;
        s.stop_bits = InList(c.stop_bits, Size(kStopBits)) ? c.stop_bits : 0;
    }
    nmea_ = InList(live.nmea_position, 3) ? live.nmea_position : 1;
    sv_device_ = InList(live.sv_device_type, 2) ? live.sv_device_type : 0;
}

// The explicit device when one is set, otherwise the indexed entry (the first port when the
// index names no device of this machine).
int ComPortSetupModel::PortPositionOf(const ComPortChoice& c) const {
    if (!c.explicit_device.empty()) {
        auto it = std::find(ports_.begin(), ports_.end(), c.explicit_device);
        return static_cast<int>(it - ports_.begin());
    }
    return InList(c.port, Size(devices_)) ? c.port : 0;
}

std::vector<std::string> ComPortSetupModel::port_names() const {
    return has_ports() ? ports_ : std::vector<std::string>{kNoPortName};
}
std::vector<std::string> ComPortSetupModel::speed_names() const {
    return has_ports() ? kSpeeds : std::vector<std::string>{kNoPortName};
}
std::vector<std::string> ComPortSetupModel::data_bit_names() const {
    return has_ports() ? kDataBits : std::vector<std::string>{kNoPortName};
}
std::vector<std::string> ComPortSetupModel::parity_names() const {
    return has_ports() ? kParity : std::vector<std::string>{kNoPortName};
}
std::vector<std::string> ComPortSetupModel::stop_bit_names() const {
    return has_ports() ? kStopBits : std::vector<std::string>{kNoPortName};
}
const std::vector<std::string>& ComPortSetupModel::nmea_names() {
    static const std::vector<std::string> kNames = {"GLL", "GGA", "RMC"};
    return kNames;
}
const std::vector<std::string>& ComPortSetupModel::sv_device_names() {
    static const std::vector<std::string> kNames = {"Digibar Pro", "SBE 37"};
    return kNames;
}

void ComPortSetupModel::set_port_position(ComGroup g, int p) {
    if (has_ports() && InList(p, Size(ports_))) Sel(g).port = p;
}
void ComPortSetupModel::set_speed_position(ComGroup g, int p) {
    if (has_ports() && InList(p, Size(kSpeeds))) Sel(g).speed = p;
}
void ComPortSetupModel::set_data_bits_position(ComGroup g, int p) {
    if (has_ports() && InList(p, Size(kDataBits))) Sel(g).data_bits = p;
}
void ComPortSetupModel::set_parity_position(ComGroup g, int p) {
    if (has_ports() && InList(p, Size(kParity))) Sel(g).parity = p;
}
void ComPortSetupModel::set_stop_bits_position(ComGroup g, int p) {
    if (has_ports() && InList(p, Size(kStopBits))) Sel(g).stop_bits = p;
}
void ComPortSetupModel::set_nmea_position(int p) {
    if (InList(p, 3)) nmea_ = p;
}
void ComPortSetupModel::set_sv_device_position(int p) {
    if (InList(p, 2)) sv_device_ = p;
}

void ComPortSetupModel::Defaults() {
    sel_[0].speed = 0;  // 4800
    sel_[1].speed = 3;  // 38400
    for (Selection& s : sel_) {
        s.data_bits = 3;  // 8
        s.parity = 2;     // None
        s.stop_bits = 0;  // 1
    }
}

ComPortChoice ComPortSetupModel::ChoiceOf(ComGroup g, const ComPortChoice& live) const {
    if (!has_ports()) return live;
    const Selection& s = Sel(g);
    ComPortChoice c = live;
    if (s.port < Size(devices_)) {
        c.port = s.port;
        c.explicit_device.clear();
    } else {
        c.explicit_device = ports_[static_cast<std::size_t>(s.port)];
    }
    c.bits_per_second = s.speed;
    c.data_bits = s.data_bits;
    c.parity = s.parity;
    c.stop_bits = s.stop_bits;
    return c;
}

OkAnswer ComPortSetupModel::Ok() {
    if (has_ports() && sel_[0].port == sel_[1].port)
        return DialogMessage{kSamePortMessage, kComPortCaption};
    result_.gps = ChoiceOf(ComGroup::Gps, live_.gps);
    result_.sv = ChoiceOf(ComGroup::Sv, live_.sv);
    result_.nmea_position = nmea_;
    result_.sv_device_type = sv_device_;
    return std::nullopt;
}

std::string ComPortSetupModel::ChosenDevice(ComGroup g) const {
    if (!has_ports()) return {};
    return ports_[static_cast<std::size_t>(Sel(g).port)];
}

}  // namespace vq
