#include "core/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/range_table.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordingOperator;
using test::TempDir;
using test::WriteFile;

// Loads a settings file holding the loopback addresses plus the given "Key=Value" lines.
SettingsState LoadWith(const std::string& lines, SettingsState st = {}) {
    TempDir dir;
    dir.WriteLoopbackIni(lines);
    EXPECT_TRUE(LoadSettingsFile(dir.path(), st));
    return st;
}

std::vector<std::string> KeysOf(const std::string& text) {
    std::vector<std::string> keys;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        keys.push_back(line.substr(0, line.find('=')));
    }
    return keys;
}

TEST(SettingsFile, NewFileHasEveryKeyInOrderWithItsFormat) {
    TempDir dir;
    SettingsState st;
    EXPECT_FALSE(LoadSettingsFile(dir.path(), st));  // no file: the defaults
    st.s.IPAddress_Sonar1 = st.s.IPAddress_Output1 = "127.0.0.1";
    RecordingOperator op;
    ASSERT_TRUE(SaveSettingsFile(dir.path(), st, op));
    EXPECT_TRUE(op.messages().empty());
    const std::string text = ReadFile(dir / "Vornax_Qi.INI");

    const std::vector<std::string> expected = {"[Settings]",
                                               "Grid",
                                               "Colors",
                                               "Xdcr",
                                               "Units",
                                               "Frequency",
                                               "Range",
                                               "RunMode",
                                               "Gain",
                                               "ComPortGPSEnable",
                                               "ComPortGPS",
                                               "ComPortGPS_bits_per_second",
                                               "ComPortGPS_data_bits",
                                               "ComPortGPS_parity",
                                               "ComPortGPS_stop_bits",
                                               "GPSHeadingType",
                                               "ComPortSVEnable",
                                               "ComPortSV",
                                               "ComPortSV_bits_per_second",
                                               "ComPortSV_data_bits",
                                               "ComPortSV_parity",
                                               "ComPortSV_stop_bits",
                                               "SVDeviceType",
                                               "PulseLength",
                                               "SwitchDelay",
                                               "DisplayType",
                                               "DiagnosticsWindow",
                                               "TrackPlotterWindow",
                                               "AltitudeWindow",
                                               "AvgFilter",
                                               "AvgFilterIndex",
                                               "ProcessingMode",
                                               "RecordVideo",
                                               "RecordVideoRate",
                                               "AutoFilename",
                                               "HalfRange",
                                               "DisplayGain",
                                               "ProfileWaterfall",
                                               "ProfileWaterfallOffset",
                                               "ProfileWaterfallSpan",
                                               "RealtimePlayback",
                                               "PlaybackDelay",
                                               "PlaybackDelayX",
                                               "IPAddress_Sonar1",
                                               "IPAddress_Output1",
                                               "RemotePort_Output1",
                                               "ProfileTiltAngle",
                                               "ProfilePointDetection",
                                               "ProfilePointType",
                                               "ProfilePointDotSize",
                                               "ProfileMinDepthBelowSonar",
                                               "ProfileMaxDepthBelowSonar",
                                               "ProfileDisplayType",
                                               "SoundVelocityMeters",
                                               "SonarXOffsetMeters",
                                               "SonarYOffsetMeters",
                                               "SonarDepthMeters",
                                               "StepSize",
                                               "SectorSize",
                                               "SignalLevel",
                                               "Persistence",
                                               "ProfileGrid",
                                               "GainEqualization",
                                               "PitchOffset",
                                               "RollOffset",
                                               "HeadingOffset",
                                               "AutoFilenameType",
                                               "DataOutputType",
                                               "ExternalTriggerControl",
                                               "ExternalTriggerXmitDelay",
                                               "ProfilePointFilter",
                                               "ProfilePointIntensityOutput",
                                               "AltitudeWindowX",
                                               "AltitudeWindowY",
                                               "TrackPlotterWindowX",
                                               "TrackPlotterWindowY",
                                               "DisplaySwathCoverage",
                                               "SwathCoverageHeading",
                                               "IntegratedRoll",
                                               "TrackPlotterZoom",
                                               "MaximumFilesize",
                                               "FIRFilter",
                                               "SonarMode",
                                               "DataPointsSwitch",
                                               "DataFormat",
                                               "RangeBin",
                                               "ReducedEthernetThroughputEnable",
                                               "ComPortGPSDevice",
                                               "ComPortSVDevice",
                                               "SidescanWindow",
                                               "EchoSounderWindow",
                                               "IntensityWindow",
                                               "SonarInfoWindow",
                                               "SonarStatusWindow",
                                               "DiagnosticsWindowRect",
                                               "TrackPlotterWindowRect",
                                               "SidescanWindowRect",
                                               "EchoSounderWindowRect",
                                               "IntensityWindowRect",
                                               "SonarInfoWindowRect",
                                               "SonarStatusWindowRect",
                                               "SonarLatencySeconds",
                                               "GPSXOffsetMeters",
                                               "GPSYOffsetMeters",
                                               "GPSDepthMeters",
                                               "GPSHeadingOffset",
                                               "GPSPitchOffset",
                                               "GPSRollOffset",
                                               "GPSLatencySeconds",
                                               "AutoPulseLength",
                                               "",
                                               "[Filter Settings]",
                                               "ProfilePointFilter_g_ol_fil_val",
                                               "ProfilePointFilter_g_pre_filter_sw",
                                               "ProfilePointFilter_g_main_filter_sw",
                                               "ProfilePointFilter_g_short_outliers_sw",
                                               "ProfilePointFilter_g_show_outliers_sw",
                                               "ProfilePointFilter_g_fill_beams_sw",
                                               "ProfilePointFilter_g_along_track_avg_sw",
                                               "ProfilePointFilter_g_bgd_lev"};
    EXPECT_EQ(KeysOf(text), expected);
    for (const char* line :
         {"\r\nFrequency=260\r\n", "\r\nRange=7\r\n", "\r\nDisplayGain=50\r\n",
          "\r\nRecordVideoRate=3.000000\r\n", "\r\nProfileMinDepthBelowSonar=0.100000\r\n",
          "\r\nProfileMaxDepthBelowSonar=150.000000\r\n", "\r\nSoundVelocityMeters=1500.0\r\n",
          "\r\nSonarXOffsetMeters=0.000\r\n", "\r\nPitchOffset=0.0\r\n", "\r\nSonarMode=3\r\n",
          "\r\nDataFormat=11\r\n", "\r\nSignalLevel=0\r\n", "\r\nComPortGPSDevice=\r\n",
          "\r\nAutoPulseLength=1\r\n", "\r\nProfilePointFilter_g_bgd_lev=0.10\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(SettingsFile, RoundTripKeepsEveryValueAndIsStable) {
    TempDir dir;
    SettingsState st;
    st.s.IPAddress_Sonar1 = st.s.IPAddress_Output1 = "127.0.0.1";
    st.s.Grid = 0, st.s.Colors = 8, st.s.Xdcr = 0, st.s.Units = 2, st.s.Range = 9;
    st.s.Gain = 20, st.s.PulseLength = 2000, st.s.AvgFilterIndex = 25, st.s.ProcessingMode = 3;
    st.s.RecordVideoRate = 0.1f, st.s.DisplayGain = 1, st.s.RemotePort_Output1 = 0;
    st.s.ProfileTiltAngle = -90.0f, st.s.SoundVelocityMeters = 1412.3f;
    st.s.SonarXOffsetMeters = -12.345f, st.s.SonarDepthMeters = 5999.5f,
    st.s.HeadingOffset = 179.9f;
    st.s.ProfileMinDepthBelowSonar = 12.5f, st.s.ProfileMaxDepthBelowSonar = 100.0f;
    st.s.ProfilePointFilter_g_bgd_lev = 0.55f, st.s.ProfilePointFilter_g_ol_fil_val = 500;
    st.s.AltitudeWindowX = -40, st.s.FIRFilter = 11, st.s.RangeBin = 499;
    st.s.ComPortGPSDevice = "/dev/pts/7", st.s.ComPortSVDevice = "/dev/ttyUSB1";
    st.s.SonarLatencySeconds = -0.25f, st.s.GPSXOffsetMeters = 1.25f;
    st.s.GPSDepthMeters = -3.5f, st.s.GPSHeadingOffset = -44.5f, st.s.GPSLatencySeconds = 5.0f;
    RecordingOperator op;
    ASSERT_TRUE(SaveSettingsFile(dir.path(), st, op));
    const std::string first = ReadFile(dir / "Vornax_Qi.INI");

    SettingsState back;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), back));
    EXPECT_EQ(back.s.Colors, 8);
    EXPECT_EQ(back.s.Xdcr, 0);
    EXPECT_EQ(back.s.Range, 9);
    EXPECT_EQ(back.s.AvgFilterIndex, 25);
    EXPECT_EQ(back.s.ProcessingMode, 3);
    EXPECT_FLOAT_EQ(back.s.RecordVideoRate, 0.1f);
    EXPECT_EQ(back.s.RemotePort_Output1, 0);
    EXPECT_FLOAT_EQ(back.s.SoundVelocityMeters, 1412.3f);
    EXPECT_FLOAT_EQ(back.s.SonarXOffsetMeters, -12.345f);
    EXPECT_FLOAT_EQ(back.s.HeadingOffset, 179.9f);
    EXPECT_FLOAT_EQ(back.s.ProfileMinDepthBelowSonar, 12.5f);
    EXPECT_FLOAT_EQ(back.s.ProfileMaxDepthBelowSonar, 100.0f);
    EXPECT_FLOAT_EQ(back.s.ProfilePointFilter_g_bgd_lev, 0.55f);
    EXPECT_EQ(back.s.AltitudeWindowX, -40);
    EXPECT_EQ(back.s.FIRFilter, 11);
    EXPECT_EQ(back.s.RangeBin, 499);
    EXPECT_EQ(back.s.ComPortGPSDevice, "/dev/pts/7");
    EXPECT_EQ(back.s.ComPortSVDevice, "/dev/ttyUSB1");
    EXPECT_FLOAT_EQ(back.s.SonarLatencySeconds, -0.25f);
    EXPECT_FLOAT_EQ(back.s.GPSXOffsetMeters, 1.25f);
    EXPECT_FLOAT_EQ(back.s.GPSDepthMeters, -3.5f);
    EXPECT_FLOAT_EQ(back.s.GPSHeadingOffset, -44.5f);
    EXPECT_FLOAT_EQ(back.s.GPSLatencySeconds, 5.0f);

    ASSERT_TRUE(SaveSettingsFile(dir.path(), back, op));
    EXPECT_EQ(ReadFile(dir / "Vornax_Qi.INI"), first);
    EXPECT_TRUE(op.messages().empty());
}

TEST(SettingsFile, SpecialCasesOfReading) {
    auto st = LoadWith("DataFormat=10\r\nDataPointsSwitch=1\r\nSonarMode=0\r\nSignalLevel=1\r\n");
    EXPECT_EQ(st.s.DataFormat, 11);
    EXPECT_EQ(st.work.data_bits, 16);
    EXPECT_EQ(st.s.DataPointsSwitch, 0);  // 500 points at start
    EXPECT_EQ(st.work.data_points_switch_initial, 1);
    EXPECT_EQ(st.s.SonarMode, 3);
    EXPECT_EQ(st.s.SignalLevel, 0);

    EXPECT_EQ(LoadWith("AvgFilterIndex=4\r\n").s.AvgFilterIndex, 3);
    EXPECT_EQ(LoadWith("AvgFilterIndex=25\r\n").s.AvgFilterIndex, 25);
    EXPECT_EQ(LoadWith("AvgFilterIndex=27\r\n").s.AvgFilterIndex, 3);
    EXPECT_EQ(LoadWith("FIRFilter=10\r\n").s.FIRFilter, 0);
    EXPECT_EQ(LoadWith("FIRFilter=11\r\n").s.FIRFilter, 11);
    EXPECT_EQ(LoadWith("DisplayGain=0\r\n").s.DisplayGain, 25);
    EXPECT_EQ(LoadWith("ProcessingMode=0\r\n").s.ProcessingMode, 1);
    EXPECT_EQ(LoadWith("ProcessingMode=7\r\n").s.ProcessingMode, 1);
    EXPECT_EQ(LoadWith("ProfileDisplayType=4\r\n").s.ProfileDisplayType, 2);
    EXPECT_EQ(LoadWith("Persistence=601\r\n").s.Persistence, 3);
    EXPECT_EQ(LoadWith("DataOutputType=3\r\n").s.DataOutputType, 0);
    EXPECT_EQ(LoadWith("ProfilePointIntensityOutput=2\r\n").s.ProfilePointIntensityOutput, 1);
}

TEST(SettingsFile, FrequencyReads) {
    auto st = LoadWith("Frequency=675\r\n");  // no head heard yet: limits 260..260
    EXPECT_EQ(st.s.Frequency, 260);
    EXPECT_EQ(st.head.max_range_index, 11);

    st = LoadWith("Frequency=120\r\nSwitchDelay=0\r\n");
    EXPECT_EQ(st.s.Frequency, 120);
    EXPECT_EQ(st.head.nominal_frequency_khz, 120);
    EXPECT_EQ(st.head.max_range_index, 14);
    EXPECT_EQ(st.head.absorption_code, 3);
    EXPECT_EQ(st.work.applied_absorption_code, 3);  // remembered after SwitchDelay
    EXPECT_FLOAT_EQ(st.work.profile_max_depth_limit_m, 300.0f);

    SettingsState wide;  // a head allowing 100..1000 kHz: the value is rounded to 5 kHz
    wide.head.min_frequency_khz = 100, wide.head.max_frequency_khz = 1000;
    EXPECT_EQ(LoadWith("Frequency=262\r\n", wide).s.Frequency, 260);
    EXPECT_EQ(LoadWith("Frequency=263\r\n", wide).s.Frequency, 265);
    EXPECT_EQ(LoadWith("Frequency=257\r\n", wide).s.Frequency, 255);
    EXPECT_EQ(LoadWith("Frequency=1001\r\n", wide).s.Frequency, 260);
}

TEST(SettingsFile, FloatRangesIncludeBothLimits) {
    auto st = LoadWith("SoundVelocityMeters=1600.0\r\n");
    EXPECT_FLOAT_EQ(st.s.SoundVelocityMeters, 1600.0f);
    EXPECT_FLOAT_EQ(st.work.sound_velocity_manual, 1600.0f);
    EXPECT_FLOAT_EQ(st.work.sound_velocity_current, 1600.0f);
    EXPECT_FLOAT_EQ(LoadWith("SoundVelocityMeters=1600.1\r\n").s.SoundVelocityMeters, 1500.0f);
    EXPECT_FLOAT_EQ(LoadWith("SoundVelocityMeters=1400\r\n").s.SoundVelocityMeters, 1400.0f);
    EXPECT_FLOAT_EQ(LoadWith("ProfilePointFilter_g_bgd_lev=0.09\r\n[Filter Settings]\r\n"
                             "ProfilePointFilter_g_bgd_lev=1.000001\r\n")
                        .s.ProfilePointFilter_g_bgd_lev,
                    1.000001f);
    // Range 7 spans 50 m (margin 2.5 m); maximum range index 11 allows 150 m.
    EXPECT_FLOAT_EQ(LoadWith("ProfileMinDepthBelowSonar=147.5\r\n").s.ProfileMinDepthBelowSonar,
                    147.5f);
    EXPECT_FLOAT_EQ(LoadWith("ProfileMinDepthBelowSonar=147.6\r\n").s.ProfileMinDepthBelowSonar,
                    0.2f);
    const std::string min10 = "ProfileMinDepthBelowSonar=10\r\n";
    EXPECT_FLOAT_EQ(
        LoadWith(min10 + "ProfileMaxDepthBelowSonar=12.5\r\n").s.ProfileMaxDepthBelowSonar, 12.5f);
    EXPECT_FLOAT_EQ(
        LoadWith(min10 + "ProfileMaxDepthBelowSonar=12.4\r\n").s.ProfileMaxDepthBelowSonar, 150.0f);
    EXPECT_FLOAT_EQ(
        LoadWith(min10 + "ProfileMaxDepthBelowSonar=150.1\r\n").s.ProfileMaxDepthBelowSonar,
        150.0f);
    // The antenna offsets keep the limits of the offsets dialog.
    EXPECT_FLOAT_EQ(LoadWith("GPSYOffsetMeters=-100\r\n").s.GPSYOffsetMeters, -100.0f);
    EXPECT_FLOAT_EQ(LoadWith("GPSYOffsetMeters=-100.5\r\n").s.GPSYOffsetMeters, 0.0f);
    EXPECT_FLOAT_EQ(LoadWith("GPSRollOffset=45\r\n").s.GPSRollOffset, 45.0f);
    EXPECT_FLOAT_EQ(LoadWith("GPSRollOffset=46\r\n").s.GPSRollOffset, 0.0f);
    EXPECT_FLOAT_EQ(LoadWith("SonarLatencySeconds=-5.01\r\n").s.SonarLatencySeconds, 0.0f);
}

TEST(SettingsFile, MalformedNumbersReadAsZeroThenTheRangeCheck) {
    auto st = LoadWith(
        "Grid=abc\r\nPulseLength=abc\r\nGain= 12dB\r\nSoundVelocityMeters=abc\r\n"
        "ProfileTiltAngle=nan\r\nPitchOffset=1e999\r\nRange=99\r\nRemotePort_Output1=70000\r\n"
        "ComPortGPS=99999999999999\r\nAltitudeWindowX=-5\r\nRecordVideoRate=2,5\r\n");
    EXPECT_EQ(st.s.Grid, 0);
    EXPECT_EQ(st.s.PulseLength, 180);
    EXPECT_EQ(st.s.Gain, 12);
    EXPECT_FLOAT_EQ(st.s.SoundVelocityMeters, 1500.0f);
    EXPECT_FLOAT_EQ(st.s.ProfileTiltAngle, 0.0f);
    EXPECT_FLOAT_EQ(st.s.PitchOffset, 0.0f);
    EXPECT_EQ(st.s.Range, 7);  // outside the range table: the built-in index stays
    EXPECT_EQ(st.s.RemotePort_Output1, 4040);
    EXPECT_EQ(st.s.ComPortGPS, 0);
    EXPECT_EQ(st.s.AltitudeWindowX, -5);
    EXPECT_FLOAT_EQ(st.s.RecordVideoRate, 2.0f);
    EXPECT_EQ(st.s.IPAddress_Sonar1, "127.0.0.1");
}

TEST(SettingsFile, WritingUsesTheWorkingValues) {
    SettingsState st;
    st.work.signal_level_display = 1;
    IniFile ini;
    SaveSettings(ini, st);
    EXPECT_EQ(ini.Get("Settings", "SignalLevel", ""), "0");
    st.work.signal_level_display2 = 1;
    st.work.auto_pulse_length = 0;
    st.s.DataPointsSwitch = 1;
    st.s.SoundVelocityMeters = 1499.96f;
    SaveSettings(ini, st);
    EXPECT_EQ(ini.Get("Settings", "SignalLevel", ""), "1");
    EXPECT_EQ(ini.Get("Settings", "AutoPulseLength", ""), "0");
    EXPECT_EQ(ini.Get("Settings", "DataPointsSwitch", ""), "1");
    EXPECT_EQ(ini.Get("Settings", "SoundVelocityMeters", ""), "1500.0");
}

TEST(SettingsFile, SaveKeepsForeignKeysAndComments) {
    TempDir dir;
    WriteFile(dir / "Vornax_Qi.INI",
              "; site notes\n[Settings]\nIPAddress_Sonar1=127.0.0.1\nIPAddress_Output1=127.0.0.1\n"
              "MyOwnKey=keep me\ngrid=0\n\n[Vessel]\nName=Test boat\n");
    SettingsState st;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), st));
    EXPECT_EQ(st.s.Grid, 0);
    RecordingOperator op;
    ASSERT_TRUE(SaveSettingsFile(dir.path(), st, op));
    const std::string text = ReadFile(dir / "Vornax_Qi.INI");
    EXPECT_EQ(text.rfind("; site notes\n[Settings]\nIPAddress_Sonar1=127.0.0.1\n"
                         "IPAddress_Output1=127.0.0.1\nMyOwnKey=keep me\nGrid=0\nColors=0\n",
                         0),
              0u);
    EXPECT_NE(text.find("\n\n[Vessel]\nName=Test boat\n\n[Filter Settings]\n"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);  // the file's own line ends
}

TEST(SettingsFile, AFailedSaveKeepsTheOldFileAndTellsTheOperator) {
    TempDir dir;
    dir.WriteLoopbackIni("Gain=12\r\n");
    const std::string old = ReadFile(dir / "Vornax_Qi.INI");
    SettingsState st;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), st));
    st.s.Gain = 3;

    AtomicWriteOptions crash;
    bool temp_complete = false;
    crash.before_rename = [&](const fs::path& temp) {
        temp_complete = ReadFile(temp).find("AutoPulseLength=1\r\n") != std::string::npos;
        return false;
    };
    RecordingOperator op;
    EXPECT_FALSE(SaveSettingsFile(dir.path(), st, op, crash));
    EXPECT_TRUE(temp_complete);
    EXPECT_EQ(ReadFile(dir / "Vornax_Qi.INI"), old);
    SettingsState again;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), again));
    EXPECT_EQ(again.s.Gain, 12);
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].title, "SaveSettings");
    EXPECT_EQ(op.messages()[0].text.rfind("Settings could not be saved to Vornax_Qi.INI", 0), 0u);

    RecordingOperator op2;  // a directory that does not exist
    EXPECT_FALSE(SaveSettingsFile(dir / "gone", st, op2));
    ASSERT_EQ(op2.messages().size(), 1u);
    EXPECT_NE(op2.messages()[0].text.find("No such file or directory"), std::string::npos);
}

TEST(RangeTable, StepsAndRounding) {
    const float spans[] = {1.25f, 2.5f, 5,   10,  20,  30,  40,  50, 60,
                           80,    100,  150, 200, 250, 300, 400, 500};
    const int whole[] = {1, 2, 5, 10, 20, 30, 40, 50, 60, 80, 100, 150, 200, 250, 300, 400, 500};
    const float depth[] = {1.5f, 3,   5,   10,  20,  30,  40,  50, 60,
                           80,   100, 150, 200, 250, 300, 400, 500};
    for (int i = 0; i < kNumRangeIndexes; ++i) {
        EXPECT_FLOAT_EQ(RangeSpanMeters(i, false), spans[i]) << i;
        EXPECT_FLOAT_EQ(RangeSpanMeters(i, true), spans[i] / 10) << i;
        EXPECT_EQ(WholeMetreSpan(i), whole[i]) << i;
        EXPECT_FLOAT_EQ(MaxProfileDepthMeters(i), depth[i]) << i;
    }
    EXPECT_FLOAT_EQ(RangeSpanMeters(12, true), 20.0f);
    EXPECT_EQ(MaxRangeOffsetMeters(0), 5);
    EXPECT_EQ(MaxRangeOffsetMeters(6), 160);
    EXPECT_EQ(MaxRangeOffsetMeters(16), 200);
    EXPECT_EQ(AutoPulseLengthUs(5, false), 200);
    EXPECT_EQ(AutoFilterIndex(5, false), 9);
    EXPECT_EQ(AutoPulseLengthUs(11, false), 1200);
    EXPECT_EQ(AutoFilterIndex(9, false), 3);
    EXPECT_EQ(AutoPulseLengthUs(3, true), 5);
    EXPECT_EQ(AutoPulseLengthUs(7, true), 10);
    EXPECT_EQ(AutoPulseLengthUs(8, true), 30);
    EXPECT_EQ(AutoFilterIndex(7, true), 5);
    EXPECT_EQ(AutoFilterIndex(8, true), 6);
    EXPECT_FLOAT_EQ(RangeSpanMeters(-1, false), 1.25f);  // bad indexes never read outside
    EXPECT_FLOAT_EQ(RangeSpanMeters(99, false), 500.0f);
    EXPECT_EQ(RoundFrequencyKhz(262), 260);
    EXPECT_EQ(RoundFrequencyKhz(263), 265);
    EXPECT_EQ(RoundFrequencyKhz(257), 255);
    EXPECT_EQ(RoundFrequencyKhz(2300), 2300);
    EXPECT_GT(RoundFrequencyKhz(1e30), 0);
}

}  // namespace
}  // namespace vq
