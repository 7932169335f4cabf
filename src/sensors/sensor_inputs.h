// The serial instruments of one engine: the GPS receiver and the sound-velocity probe, each with
// its reader and parser, opened and closed as the settings say.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"
#include "platform/serial_port.h"
#include "sensors/gps_parser.h"
#include "sensors/nav_state.h"
#include "sensors/sv_probe.h"

namespace vq {

SerialLineSettings GpsLineSettings(const Settings& s);
SerialLineSettings SvLineSettings(const Settings& s);

class SensorInputs {
  public:
    // `gps_listener` (the track plotter and read-outs) is told of new positions, speed and
    // course on the GPS reader thread; it may be null.
    explicit SensorInputs(GpsListener* gps_listener = nullptr) : gps_parser_(nav_, gps_listener) {}
    ~SensorInputs() { Close(); }
    SensorInputs(const SensorInputs&) = delete;
    SensorInputs& operator=(const SensorInputs&) = delete;

    // Opens the GPS port when "ComPortGPSEnable" is 1: the device "ComPortGPSDevice" when set,
    // else entry "ComPortGPS" of `devices` (list_serial_devices()). Takes "GPSHeadingType".
    // Returns whether the reader runs.
    bool OpenGps(const Settings& s, const std::vector<std::string>& devices);
    // The same for the probe ("ComPortSVEnable", "ComPortSVDevice", "ComPortSV", "SVDeviceType").
    bool OpenSv(const Settings& s, const std::vector<std::string>& devices);
    // Why the GPS (probe) port named in the settings could not be opened, as
    // "<device>: <reason>"; "" when it runs or no port was asked for.
    const std::string& gps_failure() const { return gps_failure_; }
    const std::string& sv_failure() const { return sv_failure_; }
    void CloseGps() { gps_port_.Close(); }
    void CloseSv() { sv_port_.Close(); }
    void Close() {
        CloseGps();
        CloseSv();
    }
    // The display's hold: both parsers ignore their input meanwhile.
    void set_hold(bool hold) {
        gps_parser_.set_hold(hold);
        sv_probe_.set_hold(hold);
    }

    NavState& Nav() { return nav_; }
    ExternalSoundVelocity& SoundVelocity() { return sound_velocity_; }
    const SerialPort& gps_port() const { return gps_port_; }
    const SerialPort& sv_port() const { return sv_port_; }
    const GpsParser& gps_parser() const { return gps_parser_; }
    const SvProbe& sv_probe() const { return sv_probe_; }

  private:
    NavState nav_;
    ExternalSoundVelocity sound_velocity_;
    GpsParser gps_parser_;
    SvProbe sv_probe_{sound_velocity_};
    std::string gps_failure_, sv_failure_;
    // Declared last: the readers stop (in close or destruction) before the parsers they feed go.
    SerialPort gps_port_;
    SerialPort sv_port_;
};

}  // namespace vq
