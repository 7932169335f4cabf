#include "sensors/sensor_inputs.h"

namespace vq {

SerialLineSettings GpsLineSettings(const Settings& s) {
    return {s.ComPortGPS_bits_per_second, s.ComPortGPS_data_bits, s.ComPortGPS_parity,
            s.ComPortGPS_stop_bits};
}

SerialLineSettings SvLineSettings(const Settings& s) {
    return {s.ComPortSV_bits_per_second, s.ComPortSV_data_bits, s.ComPortSV_parity,
            s.ComPortSV_stop_bits};
}

namespace {

// Opens and starts `port` on `device`; on failure `failure` names the device and the reason.
bool OpenPort(SerialPort& port, const std::string& device, const SerialLineSettings& line,
              SerialPort::ByteSink sink, std::string& failure) {
    failure.clear();
    if (device.empty()) return false;
    if (port.Open(device) && port.ConfigureAndStart(line, std::move(sink))) return true;
    failure = device + ": " + port.last_error();
    port.Close();
    return false;
}

}  // namespace

bool SensorInputs::OpenGps(const Settings& s, const std::vector<std::string>& devices) {
    CloseGps();
    gps_failure_.clear();
    if (s.ComPortGPSEnable != 1) return false;
    gps_parser_.set_position_sentence(s.GPSHeadingType);
    return OpenPort(
        gps_port_, ResolveSerialDevice(s.ComPortGPS, s.ComPortGPSDevice, devices),
        GpsLineSettings(s), [this](char c) { gps_parser_.Feed(c); }, gps_failure_);
}

bool SensorInputs::OpenSv(const Settings& s, const std::vector<std::string>& devices) {
    CloseSv();
    sv_failure_.clear();
    if (s.ComPortSVEnable != 1) return false;
    sv_probe_.set_device_type(s.SVDeviceType);
    return OpenPort(
        sv_port_, ResolveSerialDevice(s.ComPortSV, s.ComPortSVDevice, devices), SvLineSettings(s),
        [this](char c) { sv_probe_.Feed(c); }, sv_failure_);
}

}  // namespace vq
