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

bool SensorInputs::OpenGps(const Settings& s, const std::vector<std::string>& devices) {
    CloseGps();
    if (s.ComPortGPSEnable != 1) return false;
    std::string device = ResolveSerialDevice(s.ComPortGPS, s.ComPortGPSDevice, devices);
    if (device.empty() || !gps_port_.Open(device)) return false;
    gps_parser_.set_position_sentence(s.GPSHeadingType);
    if (gps_port_.ConfigureAndStart(GpsLineSettings(s), [this](char c) { gps_parser_.Feed(c); }))
        return true;
    gps_port_.Close();
    return false;
}

bool SensorInputs::OpenSv(const Settings& s, const std::vector<std::string>& devices) {
    CloseSv();
    if (s.ComPortSVEnable != 1) return false;
    std::string device = ResolveSerialDevice(s.ComPortSV, s.ComPortSVDevice, devices);
    if (device.empty() || !sv_port_.Open(device)) return false;
    sv_probe_.set_device_type(s.SVDeviceType);
    if (sv_port_.ConfigureAndStart(SvLineSettings(s), [this](char c) { sv_probe_.Feed(c); }))
        return true;
    sv_port_.Close();
    return false;
}

}  // namespace vq
