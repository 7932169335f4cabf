// "ComPort Setup", "Device Offsets", "Data Output Setup", "IP Address", "Profile Point Setup"
// and "Advanced Filter Settings".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/dialogs/com_port_dialog.h"
#include "core/dialogs/data_output_dialog.h"
#include "core/dialogs/device_offsets_dialog.h"
#include "core/dialogs/ip_address_dialog.h"
#include "core/dialogs/profile_dialogs.h"
#include "core/settings.h"

namespace vq {
namespace {

using Names = std::vector<std::string>;

// ----- "ComPort Setup" -----

const Names kDevices = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"};

TEST(ComPortDialog, ListsTheOpenableDevicesAndTheFixedLists) {
    Settings s;  // GPS on index 0, probe on index 2
    ComPortSetupModel m(ComPortValuesOf(s), kDevices);
    EXPECT_EQ(m.port_names(), kDevices);
    EXPECT_EQ(m.speed_names(), (Names{"4800", "9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(m.data_bit_names(), (Names{"5", "6", "7", "8"}));
    EXPECT_EQ(m.parity_names(), (Names{"Even", "Odd", "None"}));
    EXPECT_EQ(m.stop_bit_names(), (Names{"1", "2"}));
    EXPECT_EQ(ComPortSetupModel::nmea_names(), (Names{"GLL", "GGA", "RMC"}));
    EXPECT_EQ(ComPortSetupModel::sv_device_names(), (Names{"Digibar Pro", "SBE 37"}));
    EXPECT_EQ(m.port_position(ComGroup::Gps), 0);
    EXPECT_EQ(m.port_position(ComGroup::Sv), 2);
    EXPECT_EQ(m.speed_position(ComGroup::Sv), 2);
    EXPECT_EQ(m.nmea_position(), 1);
}

TEST(ComPortDialog, WithoutAnyPortEveryListShowsNotAvailable) {
    Settings s;
    ComPortSetupModel m(ComPortValuesOf(s), {});
    EXPECT_FALSE(m.has_ports());
    for (const Names& list : {m.port_names(), m.speed_names(), m.data_bit_names(), m.parity_names(),
                              m.stop_bit_names()}) {
        EXPECT_EQ(list, Names{" N/A"});
    }
    m.set_speed_position(ComGroup::Gps, 4);  // outside the " N/A" list: ignored
    m.set_nmea_position(2);
    ASSERT_FALSE(m.Ok().has_value());
    ComPortSetupValues expected = ComPortValuesOf(s);
    expected.nmea_position = 2;
    EXPECT_EQ(m.result(), expected);
    EXPECT_EQ(m.ChosenDevice(ComGroup::Gps), "");
}

TEST(ComPortDialog, TheSamePortTwiceKeepsTheDialogOpenAndChangesNothing) {
    Settings s;
    const ComPortSetupValues live = ComPortValuesOf(s);
    ComPortSetupModel m(live, kDevices);
    m.set_port_position(ComGroup::Sv, 0);
    m.set_speed_position(ComGroup::Gps, 5);
    const OkAnswer a = m.Ok();
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->text, "ComPorts can not be the same.");
    EXPECT_EQ(a->title, "ComPort Setup");
    EXPECT_EQ(m.result(), live);
    m.set_port_position(ComGroup::Sv, 1);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().sv.port, 1);
    EXPECT_EQ(m.result().gps.bits_per_second, 5);
}

TEST(ComPortDialog, DefaultsAndSelectionsOutsideTheirListsAreIgnored) {
    Settings s;
    s.ComPortGPS_bits_per_second = 4;
    s.ComPortSV_parity = 0;
    s.ComPortSV_stop_bits = 1;
    ComPortSetupModel m(ComPortValuesOf(s), kDevices);
    m.set_port_position(ComGroup::Gps, 3);
    m.set_data_bits_position(ComGroup::Gps, -1);
    m.set_parity_position(ComGroup::Gps, 3);
    m.set_stop_bits_position(ComGroup::Gps, 2);
    m.set_sv_device_position(2);
    m.Defaults();
    ASSERT_FALSE(m.Ok().has_value());
    const ComPortSetupValues& r = m.result();
    EXPECT_EQ(r.gps.port, 0);
    EXPECT_EQ(r.gps.bits_per_second, 0);  // 4800
    EXPECT_EQ(r.sv.bits_per_second, 3);   // 38400
    for (const ComPortChoice* c : {&r.gps, &r.sv}) {
        EXPECT_EQ(c->data_bits, 3);
        EXPECT_EQ(c->parity, 2);
        EXPECT_EQ(c->stop_bits, 0);
    }
    EXPECT_EQ(r.sv_device_type, 0);
    Settings stored;
    StoreComPortValues(r, stored);
    EXPECT_EQ(stored.ComPortSV_bits_per_second, 3);
    EXPECT_EQ(ComPortValuesOf(stored), r);
}

TEST(ComPortDialog, AnExplicitDeviceIsListedAfterTheIndexedOnesAndKeptByName) {
    Settings s;
    s.ComPortGPSDevice = "/dev/pts/7";
    ComPortSetupModel m(ComPortValuesOf(s), kDevices);
    ASSERT_EQ(m.port_names().size(), 4u);
    EXPECT_EQ(m.port_names()[3], "/dev/pts/7");
    EXPECT_EQ(m.port_position(ComGroup::Gps), 3);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().gps.explicit_device, "/dev/pts/7");
    EXPECT_EQ(m.ChosenDevice(ComGroup::Gps), "/dev/pts/7");
    // Choosing a listed device stores its index and drops the explicit name.
    m.set_port_position(ComGroup::Gps, 1);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().gps.port, 1);
    EXPECT_EQ(m.result().gps.explicit_device, "");
    EXPECT_EQ(m.ChosenDevice(ComGroup::Gps), "/dev/ttyS1");
}

// ----- "Device Offsets" -----

TEST(DeviceOffsetsDialog, TheGpsAntennaIsListedOnlyWithGpsInput) {
    DeviceOffsetTable live{};
    EXPECT_EQ(DeviceOffsetsModel(live, false, 0).device_names(), Names{"Sonar Head Offsets"});
    EXPECT_EQ(DeviceOffsetsModel(live, true, 0).device_names(),
              (Names{"Sonar Head Offsets", "GPS Antenna Offsets"}));
}

TEST(DeviceOffsetsDialog, EveryValueHasItsMessageAndTheFirstBadOneSelectsItsDevice) {
    struct Case {
        int value;
        int units;
        const char* typed;
        const char* message;
    } cases[] = {
        {0, 0, "100.01", "Starboard Offset is out of range!\nUse -100.0 to 100.0 meters."},
        {1, 1, "-328.1", "Forward Offset is out of range!\nUse -328.1 to 328.1 feet."},
        {2, 2, "109.37", "Vertical Offset is out of range!\nUse -109.4 to 109.4 yards."},
        {3, 0, "45.01", "Yaw Offset is out of range!\nUse -45.0 to 45.0 degrees."},
        {4, 1, "-46", "Pitch Offset is out of range!\nUse -45.0 to 45.0 degrees."},
        {5, 2, "x", "Roll Offset is out of range!\nUse -45.0 to 45.0 degrees."},
        {6, 0, "5.01", "Latency is out of range!\nUse -5.0 to 5.0 seconds."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        DeviceOffsetTable live{};
        live[1][static_cast<std::size_t>(c.value)] = 1.0;
        DeviceOffsetsModel m(live, true, c.units);
        m.set_device(1);
        m.TextChanged(c.value, c.typed);
        m.set_device(0);
        const OkAnswer a = m.Ok();
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->text, c.message);
        EXPECT_EQ(a->title, "GPS Antenna Offsets");
        EXPECT_EQ(m.device(), 1);
        // The refused value is back at its live value.
        const double shown = c.value < 3 ? MetresToUnits(1.0, c.units) : 1.0;
        EXPECT_EQ(m.Text(c.value), FormatFloat(shown, 2, 4));
    }
}

TEST(DeviceOffsetsDialog, DistancesAreShownInTheUnitAndStoredInMetres) {
    DeviceOffsetTable live{};
    live[0] = {1.0, -2.0, 0.5, 10.0, -3.0, 4.0, 0.25};
    DeviceOffsetsModel m(live, false, 1);
    EXPECT_EQ(m.Text(0), "3.28");
    EXPECT_EQ(m.Text(1), "-6.56");
    EXPECT_EQ(m.Text(3), "10.00");
    EXPECT_STREQ(m.unit_name(2), "feet");
    m.TextChanged(0, "328.08");  // within 328.084 ft
    m.StepUp(6);
    for (int i = 0; i < 40000; ++i) m.StepDown(1);
    EXPECT_EQ(m.Text(1), "-328.08");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_NEAR(m.result()[0][0], 328.08 * 0.3048, 1e-9);
    EXPECT_NEAR(m.result()[0][1], -100.0, 1e-3);
    EXPECT_EQ(m.result()[0][2], 0.5);  // untouched: exactly what was stored
    EXPECT_NEAR(m.result()[0][6], 0.26, 1e-9);
    m.Default();
    EXPECT_EQ(m.Text(0), "0.00");
    // The settings keys hold both devices, value by value.
    Settings s;
    DeviceOffsetTable t{};
    t[0] = {1.5, -2.5, 3.5, 10.5, -20.5, 30.5, 0.5};
    t[1] = {-1.5, 2.5, -3.5, -10.5, 20.5, -30.5, -0.5};
    StoreDeviceOffsets(t, s);
    EXPECT_EQ(s.SonarXOffsetMeters, 1.5f);
    EXPECT_EQ(s.SonarDepthMeters, 3.5f);
    EXPECT_EQ(s.HeadingOffset, 10.5f);
    EXPECT_EQ(s.RollOffset, 30.5f);
    EXPECT_EQ(s.GPSYOffsetMeters, 2.5f);
    EXPECT_EQ(s.GPSPitchOffset, 20.5f);
    EXPECT_EQ(s.GPSLatencySeconds, -0.5f);
    EXPECT_EQ(DeviceOffsetsOf(s), t);
}

// ----- "Data Output Setup" -----

TEST(DataOutputDialog, ButtonsFollowTheOpenFilesAndWorkOnlyForTheChosenType) {
    DataOutputModel m(1, true, false, false);
    EXPECT_EQ(m.button_text(OutputFileKind::Point), "Record To .Q4P File...");
    EXPECT_EQ(m.button_text(OutputFileKind::Beam), "Record To .Q4B File...");
    EXPECT_EQ(m.PressButton(OutputFileKind::Point), OutputFileAction::OpenPoint);
    EXPECT_EQ(m.PressButton(OutputFileKind::Beam), OutputFileAction::None);
    m.set_file_open(OutputFileKind::Point, true);
    EXPECT_EQ(m.button_text(OutputFileKind::Point), "Close .Q4P File");
    EXPECT_EQ(m.PressButton(OutputFileKind::Point), OutputFileAction::ClosePoint);
    // Choosing beam output closes the point file at once.
    EXPECT_EQ(m.ChooseType(2), std::vector<OutputFileAction>{OutputFileAction::ClosePoint});
    m.set_file_open(OutputFileKind::Point, false);
    EXPECT_EQ(m.PressButton(OutputFileKind::Beam), OutputFileAction::OpenBeam);
    m.set_file_open(OutputFileKind::Beam, true);
    EXPECT_EQ(m.button_text(OutputFileKind::Beam), "Close .Q4B File");
    EXPECT_EQ(m.ChooseType(0), std::vector<OutputFileAction>{OutputFileAction::CloseBeam});
    EXPECT_TRUE(m.ChooseType(7).empty());
    EXPECT_EQ(m.output_type(), 0);
}

TEST(DataOutputDialog, OkStoresTypeIntensitiesAndTheBeamOutputFlag) {
    for (int type : {0, 1, 2}) {
        DataOutputModel m(0, false, false, false);
        m.ChooseType(type);
        m.set_include_intensities(type == 1);
        EXPECT_FALSE(m.Ok().has_value());
        EXPECT_EQ(m.result(), (DataOutputValues{type, type == 1, type == 2}));
    }
    EXPECT_STREQ(DataOutputModel::type_name(0), "None");
    EXPECT_STREQ(DataOutputModel::type_name(1), "Q4P (Point Output)");
    EXPECT_STREQ(DataOutputModel::type_name(2), "Q4B (Beam Output)");
}

// ----- "IP Address" -----

TEST(IpAddressDialog, DefaultLengthLimitAndChanges) {
    IpAddressModel m("127.0.0.1", "127.0.0.1");
    m.Default();
    EXPECT_EQ(m.sonar_text(), "192.168.0.2");
    EXPECT_EQ(m.output_text(), "192.168.0.4");
    m.set_sonar_text("127.000.000.0022");  // 16 characters: the 16th is dropped
    EXPECT_EQ(m.sonar_text(), "127.000.000.002");
    m.set_output_text("127.0.0.1");
    EXPECT_FALSE(m.Ok().has_value());
    EXPECT_TRUE(m.sonar_changed());
    EXPECT_FALSE(m.output_changed());
    m.set_output_text("");
    EXPECT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.output_text(), "192.168.0.4");
}

TEST(IpAddressDialog, AnAddressThatIsNotDottedDecimalIsRefused) {
    for (const char* bad : {"", "127.0.0", "127.0.0.256", "127..0.1", "a.b.c.d", "127.0.0.1.",
                            "1.2.3.4.5", "1234.0.0.1", " 127.0.0.1"}) {
        IpAddressModel m("127.0.0.1", "127.0.0.1");
        m.set_sonar_text(bad);
        const OkAnswer a = m.Ok();
        ASSERT_TRUE(a.has_value()) << bad;
        EXPECT_EQ(a->title, "IP Address");
        EXPECT_EQ(a->text, kBadSonarAddress);
        EXPECT_FALSE(IsDottedDecimalAddress(bad)) << bad;
    }
    IpAddressModel m("127.0.0.1", "127.0.0.1");
    m.set_output_text("127.0.0.x");
    ASSERT_TRUE(m.Ok().has_value());
    EXPECT_EQ(m.Ok()->text, kBadOutputAddress);
    EXPECT_TRUE(IsDottedDecimalAddress("255.255.255.255"));
    EXPECT_TRUE(IsDottedDecimalAddress("127.0.0.2"));
}

// ----- "Profile Point Setup" -----

ProfileSetupValues LiveProfile() {
    ProfileSetupValues v;
    v.min_depth_m = 2.0;
    v.max_depth_m = 40.0;
    return v;
}

struct DepthCase {
    int units;
    double span_m, limit_m;
    const char* min_typed;
    const char* max_typed;
    const char* message;  // nullptr: accepted
    double min_m, max_m;  // stored when accepted
};

const DepthCase kDepths[] = {
    // 50 m range: the window keeps 2.5 m between its edges.
    {0, 50, 150, "0.1", "2.6", nullptr, 0.1, 2.6},
    {0, 50, 150, "0.09", "40", "Minimum Depth is out of range!\nUse 0.1 to 147.5 Meters."},
    {0, 50, 150, "147.6", "150", "Minimum Depth is out of range!\nUse 0.1 to 147.5 Meters."},
    {0, 50, 150, "10", "12.4",
     "Maximum Depth must be at least 3 Meters greater than Minimum Depth!"},
    {0, 50, 150, "10", "150.1", "Maximum Depth is out of range!\nUse 0.5 to 150.0 Meters."},
    {0, 1.25, 1.5, "0.1", "0.4", "Maximum Depth is out of range!\nUse 0.5 to 1.5 Meters."},
    {0, 1.25, 1.5, "0.1", "0.5", nullptr, 0.1, 0.5},
    // 200 m range in feet: 10 m margin shows as 32.8 ft.
    {1, 200, 150, "10", "42.7",
     "Maximum Depth must be at least 33 Feet greater than Minimum Depth!"},
    // 42.8 ft is 13.045 m, 3 mm short of 10 m below 10 ft: stored where the settings file keeps it.
    {1, 200, 150, "10", "42.8", nullptr, 10 * 0.3048, 10 * 0.3048 + 10},
    {1, 200, 150, "10", "492.1", "Maximum Depth is out of range!\nUse 0.5 to 492.0 Feet."},
    {1, 200, 150, "459.3", "492", "Minimum Depth is out of range!\nUse 0.1 to 459.2 Feet."},
    // 100 m range in yards: 5 m margin shows as 5.45 yd.
    {2, 100, 100, "1", "6.4", "Maximum Depth must be at least 5 Yards greater than Minimum Depth!"},
    {2, 100, 100, "1", "6.5", nullptr, 0.9144, 6.5 * 0.9144},
    {2, 100, 100, "103.6", "109", "Minimum Depth is out of range!\nUse 0.1 to 103.6 Yards."},
    {2, 100, 100, "abc", "50", "Minimum Depth is out of range!\nUse 0.1 to 103.6 Yards."},
};

TEST(ProfileSetupDialog, DepthWindowRulesAtSeveralRangesAndUnits) {
    for (const DepthCase& c : kDepths) {
        SCOPED_TRACE(std::string(c.min_typed) + " .. " + c.max_typed);
        ProfileSetupModel m(LiveProfile(), c.limit_m, c.span_m, c.units);
        m.MinDepthTextChanged(c.min_typed);
        m.MaxDepthTextChanged(c.max_typed);
        const OkAnswer a = m.Ok();
        if (c.message) {
            ASSERT_TRUE(a.has_value());
            EXPECT_EQ(a->text, c.message);
            EXPECT_EQ(a->title, "Profile Setup");
            // The fields are refilled with the live depths.
            EXPECT_EQ(m.min_depth_text(), FormatFloat(2.0 * (c.units == 0   ? 1
                                                             : c.units == 1 ? 3.28
                                                                            : 1.09),
                                                      1, 3));
        } else {
            ASSERT_FALSE(a.has_value());
            EXPECT_NEAR(m.result().min_depth_m, c.min_m, 1e-9);
            EXPECT_NEAR(m.result().max_depth_m, c.max_m, 1e-9);
        }
    }
}

TEST(ProfileSetupDialog, ShownInTheUnitUntouchedDepthsStayAndStoredDepthsStayLoadable) {
    ProfileSetupModel feet(LiveProfile(), 150, 50, 1);
    EXPECT_STREQ(feet.unit_label(), "Feet");
    EXPECT_EQ(feet.min_depth_text(), "6.6");  // 2 m x 3.28
    EXPECT_EQ(feet.max_depth_text(), "131.2");
    ASSERT_FALSE(feet.Ok().has_value());
    EXPECT_EQ(feet.result().min_depth_m, 2.0);
    EXPECT_EQ(feet.result().max_depth_m, 40.0);
    // 0.1 ft is within the dialog's bounds but below the shallowest depth the settings keep.
    feet.MinDepthTextChanged("0.1");
    ASSERT_FALSE(feet.Ok().has_value());
    EXPECT_DOUBLE_EQ(feet.result().min_depth_m, 0.1);
}

TEST(ProfileSetupDialog, DefaultsAndTheOtherChoices) {
    ProfileSetupValues live = LiveProfile();
    live.display_type = 0;
    live.artificial_bottom = 1;
    live.dot_size = 1;
    live.detector = 0;
    live.along_track = 1;
    ProfileSetupModel m(live, 150, 50, 0);
    EXPECT_EQ(ProfileSetupModel::display_names(),
              (Names{"High Mix", "Med Mix", "Low Mix", "Points Only"}));
    EXPECT_EQ(ProfileSetupModel::detector_names(),
              (Names{"First Return", "Maximum Return", "Bottom Following"}));
    m.Defaults();
    EXPECT_EQ(m.min_depth_text(), "0.1");
    EXPECT_EQ(m.max_depth_text(), "150.0");
    ASSERT_FALSE(m.Ok().has_value());
    ProfileSetupValues expected{2, 0, 0, 1, 0.1, 150.0, 2, 0};
    EXPECT_EQ(m.result(), expected);
    // Choices are taken as they are.
    m.values().detection = 0;
    m.values().detector = 1;
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().detection, 0);
    EXPECT_EQ(m.result().detector, 1);
}

// ----- "Advanced Filter Settings" -----

TEST(AdvancedFilterDialog, OpensWithTheValuesAndThePercentOfTheSamples) {
    AdvancedFilterSettings live;
    live.outlier_samples = 145;
    live.background_level = 0.25;
    AdvancedFilterModel m(live, 500);
    EXPECT_EQ(m.max_points_text(), "10");
    EXPECT_EQ(m.segments_text(), "7");
    EXPECT_EQ(m.depth_bins_text(), "10");
    EXPECT_EQ(m.background_text(), "0.25");
    EXPECT_EQ(m.percent_text(), "29");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().outlier_samples, 145);  // untouched
    m.StepPercent(+1);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().outlier_samples, 150);  // 30 % of 500
    m.StepPercent(-1);
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().outlier_samples, 145);  // 29 % of 500, in whole numbers
    AdvancedFilterModel thousand(live, 1000);
    EXPECT_EQ(thousand.percent_text(), "14");
    for (int i = 0; i < 200; ++i) thousand.StepPercent(+1);
    EXPECT_EQ(thousand.percent_text(), "100");
    ASSERT_FALSE(thousand.Ok().has_value());
    EXPECT_EQ(thousand.result().outlier_samples, 500);  // the most the settings file keeps
}

TEST(AdvancedFilterDialog, SpinButtonsKeepTheirLimits) {
    AdvancedFilterModel m(AdvancedFilterSettings{}, 500);
    for (int i = 0; i < 20; ++i) {
        m.StepMaxPoints(+1);
        m.StepSegments(-1);
        m.StepDepthBins(-1);
        m.StepPercent(-1);
    }
    for (int i = 0; i < 200; ++i) m.StepBackground(+1);
    EXPECT_EQ(m.max_points_text(), "10");
    EXPECT_EQ(m.segments_text(), "1");
    EXPECT_EQ(m.depth_bins_text(), "1");
    EXPECT_EQ(m.percent_text(), "2");
    EXPECT_EQ(m.background_text(), "1.00");
    for (int i = 0; i < 200; ++i) m.StepBackground(-1);
    EXPECT_EQ(m.background_text(), "0.10");
    ASSERT_FALSE(m.Ok().has_value());
    EXPECT_EQ(m.result().outlier_samples, 10);
    EXPECT_DOUBLE_EQ(m.result().background_level, 0.1);
}

TEST(AdvancedFilterDialog, BothCountMessagesAndTheDefaults) {
    struct Case {
        bool max_points;
        const char* typed;
        const char* message;
    } cases[] = {{true, "0", "Max. Points is out of range!\nUse 1 to 10."},
                 {true, "11", "Max. Points is out of range!\nUse 1 to 10."},
                 {false, "11", "No. of Segments is out of range!\nUse 1 to 10."},
                 {false, "", "No. of Segments is out of range!\nUse 1 to 10."}};
    for (const Case& c : cases) {
        AdvancedFilterModel m(AdvancedFilterSettings{}, 500);
        if (c.max_points)
            m.MaxPointsTextChanged(c.typed);
        else
            m.SegmentsTextChanged(c.typed);
        const OkAnswer a = m.Ok();
        ASSERT_TRUE(a.has_value()) << c.typed;
        EXPECT_EQ(a->text, c.message);
        EXPECT_EQ(a->title, "Advanced Filter Settings");
    }
    AdvancedFilterSettings live;
    live.max_points = 1;
    live.num_segments = 3;
    live.main_filter = 0;
    live.flat_bottom = 0;
    live.fill_beams = 0;
    live.short_outliers = 0;
    live.show_removed = 1;
    live.background_level = 0.5;
    live.outlier_samples = 200;
    AdvancedFilterModel m(live, 500);
    m.Defaults();
    ASSERT_FALSE(m.Ok().has_value());
    AdvancedFilterSettings expected;  // the factory values
    expected.outlier_samples = 50;    // 10 % of 500
    EXPECT_EQ(m.result(), expected);
}

}  // namespace
}  // namespace vq
