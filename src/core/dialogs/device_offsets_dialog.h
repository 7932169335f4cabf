// "Device Offsets": where the sonar head and the GPS antenna sit on the vessel and how they are
// turned — starboard, forward and vertical distances, yaw, pitch and roll, and the latency of
// their data — each edited with arrows in steps of 0.01.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs/dialog_common.h"
#include "core/settings.h"

namespace vq {

inline constexpr const char* kDeviceOffsetsCaption = "Device Offsets";
inline constexpr int kNumOffsetValues = 7;
inline constexpr int kNumOffsetDevices = 2;  // the devices the dialog lists

// "Starboard", "Forward", "Vertical" in metres, "Yaw", "Pitch", "Roll" in degrees, "Latency"
// in seconds.
using OffsetValues = std::array<double, kNumOffsetValues>;
// Device 0 "Sonar Head Offsets", device 1 "GPS Antenna Offsets".
using DeviceOffsetTable = std::array<OffsetValues, kNumOffsetDevices>;

// The program's device names: the dialog lists the first one, and the second as well when GPS
// input is enabled.
inline constexpr std::array<const char*, 4> kDeviceNames = {
    "Sonar Head Offsets", "GPS Antenna Offsets", "MRU Offsets", "Heading Offset (Yaw)"};
inline constexpr std::array<const char*, kNumOffsetValues> kOffsetLabels = {
    "Starboard", "Forward", "Vertical", "Yaw", "Pitch", "Roll", "Latency"};

// The offsets as the settings hold them: the sonar head in SonarXOffsetMeters (starboard),
// SonarYOffsetMeters (forward), SonarDepthMeters (vertical), HeadingOffset (yaw), PitchOffset,
// RollOffset and SonarLatencySeconds; the GPS antenna in the GPS... keys.
DeviceOffsetTable DeviceOffsetsOf(const Settings& s);
void StoreDeviceOffsets(const DeviceOffsetTable& t, Settings& s);

class DeviceOffsetsModel {
  public:
    // `live` in metres, degrees and seconds; `units` 0 metres, 1 feet, 2 yards.
    DeviceOffsetsModel(const DeviceOffsetTable& live, bool gps_input_enabled, int units);

    const std::vector<std::string>& device_names() const { return names_; }
    int device() const { return device_; }
    void set_device(int d);  // a device outside the list is ignored

    // The edit box of value i (0..6) of the selected device, "%4.2f" in the display unit.
    std::string Text(int i) const;
    // The unit label of value i: "meters", "feet", "yards", "degrees" or "seconds".
    const char* unit_name(int i) const;
    void StepUp(int i);
    void StepDown(int i);
    void TextChanged(int i, std::string_view text);
    // "Default": every value of the selected device back to 0.
    void Default();
    // Checks every listed device in order and each value in the order of the labels; the first
    // value out of range selects its device, goes back to its live value and is reported with
    // the device's name as the title.
    OkAnswer Ok();
    // After an accepted "Ok": the offsets to store, distances in metres.
    const DeviceOffsetTable& result() const { return result_; }

  private:
    double Limit(int i) const;  // the symmetric limit of value i in the display unit

    DeviceOffsetTable live_;
    DeviceOffsetTable result_;
    std::array<OffsetValues, kNumOffsetDevices> shown_;  // display units
    std::array<std::array<bool, kNumOffsetValues>, kNumOffsetDevices> valid_{};
    std::vector<std::string> names_;
    int units_;
    int device_ = 0;
};

}  // namespace vq
