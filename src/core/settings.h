// The operator settings of the program, named by their keys in "Vornax_Qi.INI", and the
// values derived from the connected head that bound them.
#pragma once

#include <string>

namespace vq {

inline constexpr const char* kDefaultSonarAddress = "192.168.0.2";
inline constexpr const char* kDefaultOutputAddress = "192.168.0.4";
inline constexpr int kDefaultOutputPort = 4040;
inline constexpr const char* kSettingsFileName = "Vornax_Qi.INI";

// One field per key of sections "Settings" and "Filter Settings", in file order. The member
// initialisers are the built-in defaults that apply before the file is read.
struct Settings {
    int Grid = 1;
    int Colors = 0;
    int Xdcr = 1;  // 1 = up, 0 = down
    int Units = 0;
    int Range = 7;
    int RunMode = 0;
    int Gain = 6;
    int ComPortGPSEnable = 1;
    int ComPortGPS = 0;
    int ComPortGPS_bits_per_second = 0;
    int ComPortGPS_data_bits = 3;
    int ComPortGPS_parity = 2;
    int ComPortGPS_stop_bits = 0;
    int GPSHeadingType = 1;
    int ComPortSVEnable = 1;
    int ComPortSV = 2;
    int ComPortSV_bits_per_second = 2;
    int ComPortSV_data_bits = 3;
    int ComPortSV_parity = 2;
    int ComPortSV_stop_bits = 0;
    int SVDeviceType = 0;
    int PulseLength = 180;
    int SwitchDelay = 0;
    int DisplayType = 0;
    int DiagnosticsWindow = 0;
    int TrackPlotterWindow = 0;
    int AltitudeWindow = 0;
    int AvgFilter = 1;
    int AvgFilterIndex = 3;
    int Frequency = 260;  // operating frequency, kHz, a multiple of 5
    int ProcessingMode = 1;
    int RecordVideo = 1;
    float RecordVideoRate = 3.0f;
    int AutoFilename = 1;
    int HalfRange = 0;
    int DisplayGain = 50;
    int ProfileWaterfall = 0;
    int ProfileWaterfallOffset = 20;
    int ProfileWaterfallSpan = 200;
    int RealtimePlayback = 1;
    int PlaybackDelay = 0;
    int PlaybackDelayX = 1000;
    std::string IPAddress_Sonar1 = kDefaultSonarAddress;
    std::string IPAddress_Output1 = kDefaultOutputAddress;
    int RemotePort_Output1 = kDefaultOutputPort;
    float ProfileTiltAngle = 0.0f;
    int ProfilePointDetection = 0;
    int ProfilePointType = 0;
    int ProfilePointDotSize = 0;
    float ProfileMinDepthBelowSonar = 0.1f;
    float ProfileMaxDepthBelowSonar = 150.0f;
    int ProfileDisplayType = 0;
    float SoundVelocityMeters = 1500.0f;
    float SonarXOffsetMeters = 0.0f;
    float SonarYOffsetMeters = 0.0f;
    float SonarDepthMeters = 0.0f;
    int StepSize = 2;
    int SectorSize = 3;
    int SignalLevel = 0;
    int Persistence = 0;
    int ProfileGrid = 1;
    int GainEqualization = 0;
    float PitchOffset = 0.0f;
    float RollOffset = 0.0f;
    float HeadingOffset = 0.0f;
    int AutoFilenameType = 0;
    int DataOutputType = 2;
    int ExternalTriggerControl = 0;
    int ExternalTriggerXmitDelay = 0;
    int ProfilePointFilter = 2;
    int ProfilePointIntensityOutput = 0;
    // Section "Filter Settings" (written between ProfilePointIntensityOutput and AltitudeWindowX).
    int ProfilePointFilter_g_ol_fil_val = 50;
    int ProfilePointFilter_g_pre_filter_sw = 1;
    int ProfilePointFilter_g_main_filter_sw = 1;
    int ProfilePointFilter_g_short_outliers_sw = 1;
    int ProfilePointFilter_g_show_outliers_sw = 0;
    int ProfilePointFilter_g_fill_beams_sw = 1;
    int ProfilePointFilter_g_along_track_avg_sw = 0;
    float ProfilePointFilter_g_bgd_lev = 0.1f;
    // Back in section "Settings".
    int AltitudeWindowX = 10;
    int AltitudeWindowY = 62;
    int TrackPlotterWindowX = 754;
    int TrackPlotterWindowY = 390;
    int DisplaySwathCoverage = 0;
    int SwathCoverageHeading = 1;
    int IntegratedRoll = 0;
    int TrackPlotterZoom = 5;
    int MaximumFilesize = 1000;
    int FIRFilter = 0;
    int SonarMode = 3;
    int DataPointsSwitch = 0;  // 0 = 500 points, 1 = 1000 points
    int DataFormat = 11;       // 10 = "8-Bit IQ", 11 = "16-Bit RAW IQ"
    int RangeBin = 0;
    int ReducedEthernetThroughputEnable = 0;
    // Our own keys (section "Settings"): explicit serial device paths that win over the index.
    std::string ComPortGPSDevice;
    std::string ComPortSVDevice;
    // Our own keys: the rest of the device offsets. The sonar head's latency (its position is
    // SonarXOffsetMeters = starboard, SonarYOffsetMeters = forward, SonarDepthMeters = vertical,
    // its turn HeadingOffset = yaw, PitchOffset, RollOffset), and the GPS antenna's seven values.
    float SonarLatencySeconds = 0.0f;
    float GPSXOffsetMeters = 0.0f;  // starboard
    float GPSYOffsetMeters = 0.0f;  // forward
    float GPSDepthMeters = 0.0f;    // vertical, + downwards
    float GPSHeadingOffset = 0.0f;  // yaw, degrees
    float GPSPitchOffset = 0.0f;
    float GPSRollOffset = 0.0f;
    float GPSLatencySeconds = 0.0f;
};

// What the connected head allows, adopted from its information block; before any head has been
// heard these are the built-in values.
struct HeadLimits {
    int model_code = 4;
    int nominal_frequency_khz = 260;
    float nominal_frequency_f = 260.0f;
    int min_frequency_khz = 260;
    int max_frequency_khz = 260;
    float min_frequency_f = 260.0f;
    float max_frequency_f = 260.0f;
    int absorption_code = 13;  // absorption in dB/m = code * 0.5 * 0.01
    int min_range_index = 2;
    int max_range_index = 11;
    int default_range_index = 7;
    int max_gain = 20;
    int default_gain = 6;
    int max_pulse_length_us = 2000;
    int head_type = -1;            // head type index last adopted; -1 = none yet
    int serial_number = 0;         // of the last parsed ping
    bool fine_resolution = false;  // native resolution 0.001 m
};

// Working values that are not stored under a key of their own but travel with the settings.
struct WorkingValues {
    int data_bits = 16;
    int range_offset_m = 0;          // whole metres; 0 while live
    int applied_frequency_khz = -1;  // -1 forces the next operating-point application
    int applied_range_offset_m = 0;
    int applied_absorption_code = 13;
    float sound_velocity_manual = 1500.0f;
    float sound_velocity_current = 1500.0f;
    float profile_dot_spacing_m = 0.1f;
    float profile_max_depth_limit_m = 150.0f;  // from the maximum range index
    int auto_pulse_length = 1;
    int transmit_disabled = 0;
    int data_points_switch_initial = 0;  // the DataPointsSwitch read, for the switches dialog
    int signal_level_display = 0;
    int signal_level_display2 = 0;
    int half_range = 0;
    // "Set Switches": the automatic pulse length of a range is multiplied by this (1.0 .. 2.0).
    float pulse_multiplier = 1.0f;
    // Playback: the speed of sound entered in "Sound Velocity" replaces the recorded one.
    int sound_velocity_override = 0;
};

}  // namespace vq
