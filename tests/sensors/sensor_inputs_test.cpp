#include "sensors/sensor_inputs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sensors/pty_pair.h"

namespace vq {
namespace {

using test::Eventually;
using test::PtyPair;

TEST(SensorInputs, OpensBothInstrumentsFromTheSettings) {
    PtyPair gps;
    PtyPair probe;
    Settings s;
    s.GPSHeadingType = 2;  // RMC
    s.ComPortGPSDevice = gps.slave_name();
    s.ComPortSV = 0;  // by index, into the device list below
    s.SVDeviceType = 1;
    std::vector<std::string> devices = {probe.slave_name()};
    SensorInputs inputs;
    ASSERT_TRUE(inputs.OpenGps(s, devices));
    ASSERT_TRUE(inputs.OpenSv(s, devices));
    EXPECT_EQ(inputs.gps_port().device(), gps.slave_name());
    EXPECT_EQ(inputs.sv_port().device(), probe.slave_name());

    std::string rmc = "$GPRMC,101010,A,6000.5,N,00500.25,E,3.2,180.0,010126,,*";
    unsigned x = 0;
    for (char c : rmc.substr(1, rmc.size() - 2)) x ^= static_cast<unsigned char>(c);
    char sum[8];
    std::snprintf(sum, sizeof sum, "%02X\r\n", x);
    gps.Write(rmc + sum);
    std::string line = " 1.0, 2.0, 1510.5\r\n";
    for (int i = 0; i < 5; ++i) probe.Write(line);
    ASSERT_TRUE(Eventually([&] { return inputs.Nav().snapshot().position_count == 1u; }));
    ASSERT_TRUE(Eventually([&] { return inputs.SoundVelocity().received(); }));
    NavSnapshot n = inputs.Nav().snapshot();
    EXPECT_STREQ(n.latitude_text.data(), " 60.00.50000 N");
    EXPECT_FLOAT_EQ(n.course_deg, 180.0f);
    EXPECT_EQ(n.utm_zone, 32);  // the Norway exception
    EXPECT_FLOAT_EQ(inputs.SoundVelocity().value(), 1510.5f);
    inputs.Close();
    EXPECT_FALSE(inputs.gps_port().is_open());
    EXPECT_FALSE(inputs.sv_port().is_open());
}

TEST(SensorInputs, StaysClosedWhenDisabledMissingOrMisconfigured) {
    PtyPair gps;
    Settings s;
    SensorInputs inputs;
    std::vector<std::string> devices = {gps.slave_name()};
    s.ComPortGPSEnable = 0;
    EXPECT_FALSE(inputs.OpenGps(s, devices));
    s.ComPortGPSEnable = 1;
    s.ComPortGPS = 1;  // no second device
    EXPECT_FALSE(inputs.OpenGps(s, devices));
    s.ComPortGPS = 0;
    s.ComPortGPS_data_bits = 0;  // 5 data bits
    s.ComPortGPS_stop_bits = 1;  // with 2 stop bits
    EXPECT_FALSE(inputs.OpenGps(s, devices));
    EXPECT_FALSE(inputs.gps_port().is_open());
    s.ComPortGPS_stop_bits = 0;
    EXPECT_TRUE(inputs.OpenGps(s, devices));
    EXPECT_TRUE(inputs.gps_port().running());
}

}  // namespace
}  // namespace vq
