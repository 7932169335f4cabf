#include "sensors/sensor_inputs.h"

namespace vq {

SerialLineSettings gps_line_settings(const Settings& s) {
    return {s.ComPortGPS_bits_per_second, s.ComPortGPS_data_bits, s.ComPortGPS_parity,
            s.ComPortGPS_stop_bits};
}

SerialLineSettings sv_line_settings(const Settings& s) {
    return {s.ComPortSV_bits_per_second, s.ComPortSV_data_bits, s.ComPortSV_parity,
            s.ComPortSV_stop_bits};
}

bool SensorInputs::open_gps(const Settings& s, const std::vector<std::string>& devices) {
    close_gps();
    if (s.ComPortGPSEnable != 1) return false;
    std::string device = resolve_serial_device(s.ComPortGPS, s.ComPortGPSDevice, devices);
    if (device.empty() || !gps_port_.open(device)) return false;
    gps_parser_.set_position_sentence(s.GPSHeadingType);
    if (gps_port_.configure_and_start(gps_line_settings(s),
                                      [this](char c) { gps_parser_.feed(c); }))
        return true;
    gps_port_.close();
    return false;
}

bool SensorInputs::open_sv(const Settings& s, const std::vector<std::string>& devices) {
    close_sv();
    if (s.ComPortSVEnable != 1) return false;
    std::string device = resolve_serial_device(s.ComPortSV, s.ComPortSVDevice, devices);
    if (device.empty() || !sv_port_.open(device)) return false;
    sv_probe_.set_device_type(s.SVDeviceType);
    if (sv_port_.configure_and_start(sv_line_settings(s), [this](char c) { sv_probe_.feed(c); }))
        return true;
    sv_port_.close();
    return false;
}

}  // namespace vq
