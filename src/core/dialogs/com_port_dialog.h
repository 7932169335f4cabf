// "ComPort Setup": the serial ports and line settings of the GPS receiver and the
// sound-velocity probe, the NMEA sentence taken for the position and the probe's protocol.
#pragma once

#include <string>
#include <vector>

#include "core/dialogs/dialog_common.h"
#include "core/settings.h"

namespace vq {

inline constexpr const char* kComPortCaption = "ComPort Setup";
inline constexpr const char* kSamePortMessage = "ComPorts can not be the same.";
inline constexpr const char* kNoPortName = " N/A";

// The two groups of the dialog.
enum class ComGroup { Gps = 0, Sv = 1 };

// One group's choices as the settings store holds them.
struct ComPortChoice {
    int port = 0;                 // index into the machine's list of openable serial devices
    std::string explicit_device;  // a device named in the settings file; wins over the index
    int bits_per_second = 0;      // 0..5: 4800 .. 115200
    int data_bits = 3;            // 0..3: 5 .. 8
    int parity = 2;               // 0..2: Even, Odd, None
    int stop_bits = 0;            // 0..1: 1, 2
    bool operator==(const ComPortChoice&) const = default;
};

struct ComPortSetupValues {
    ComPortChoice gps;
    ComPortChoice sv;
    int nmea_position = 1;   // "GPSHeadingType": 0 "GLL", 1 "GGA", 2 "RMC"
    int sv_device_type = 0;  // "SVDeviceType": 0 "Digibar Pro", 1 "SBE 37"
    bool operator==(const ComPortSetupValues&) const = default;
};

ComPortSetupValues ComPortValuesOf(const Settings& s);
// Writes the values into the settings (ports, line settings, sentence, probe type).
void StoreComPortValues(const ComPortSetupValues& v, Settings& s);

class ComPortSetupModel {
  public:
    // `devices`: the openable serial devices of this machine in their fixed order (port index
    // n is entry n). The explicit devices of the settings are listed after them.
    ComPortSetupModel(const ComPortSetupValues& live, std::vector<std::string> devices);

    // The drop-down lists of a group; every list of a group without any port is {" N/A"}.
    bool has_ports() const { return !ports_.empty(); }
    std::vector<std::string> port_names() const;
    std::vector<std::string> speed_names() const;
    std::vector<std::string> data_bit_names() const;
    std::vector<std::string> parity_names() const;
    std::vector<std::string> stop_bit_names() const;
    static const std::vector<std::string>& nmea_names();       // "GLL", "GGA", "RMC"
    static const std::vector<std::string>& sv_device_names();  // "Digibar Pro", "SBE 37"

    // Selected positions in the lists above (0 when the group shows " N/A").
    int port_position(ComGroup g) const { return Sel(g).port; }
    int speed_position(ComGroup g) const { return Sel(g).speed; }
    int data_bits_position(ComGroup g) const { return Sel(g).data_bits; }
    int parity_position(ComGroup g) const { return Sel(g).parity; }
    int stop_bits_position(ComGroup g) const { return Sel(g).stop_bits; }
    int nmea_position() const { return nmea_; }
    int sv_device_position() const { return sv_device_; }
    // Selections outside their list are ignored.
    void set_port_position(ComGroup g, int p);
    void set_speed_position(ComGroup g, int p);
    void set_data_bits_position(ComGroup g, int p);
    void set_parity_position(ComGroup g, int p);
    void set_stop_bits_position(ComGroup g, int p);
    void set_nmea_position(int p);
    void set_sv_device_position(int p);

    // GPS 4800 baud, sound velocity 38400 baud; both 8 data bits, no parity, 1 stop bit.
    void Defaults();
    // The same port in both groups: "ComPorts can not be the same." and nothing changes.
    OkAnswer Ok();
    // After an accepted "Ok": the values to store. A group without ports keeps its values.
    const ComPortSetupValues& result() const { return result_; }
    // The device path chosen for a group after "Ok" (empty when the group has no port).
    std::string ChosenDevice(ComGroup g) const;

  private:
    struct Selection {
        int port = 0, speed = 0, data_bits = 0, parity = 0, stop_bits = 0;
    };
    const Selection& Sel(ComGroup g) const { return sel_[static_cast<int>(g)]; }
    Selection& Sel(ComGroup g) { return sel_[static_cast<int>(g)]; }
    int PortPositionOf(const ComPortChoice& c) const;
    ComPortChoice ChoiceOf(ComGroup g, const ComPortChoice& live) const;

    ComPortSetupValues live_;
    ComPortSetupValues result_;
    std::vector<std::string> devices_;  // the indexed list
    std::vector<std::string> ports_;    // devices_ then the explicit devices
    Selection sel_[2];
    int nmea_ = 1;
    int sv_device_ = 0;
};

}  // namespace vq
