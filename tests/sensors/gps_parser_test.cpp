#include "sensors/gps_parser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial_port.h"
#include "sensors/pty_pair.h"

namespace vq {
namespace {

using test::Eventually;
using test::PtyPair;

// A sentence as a receiver sends it: "$", body, "*", checksum (XOR of the body), CR LF.
std::string Nmea(const std::string& body, bool lower_case_checksum = false) {
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    char sum[3];
    std::snprintf(sum, sizeof sum, lower_case_checksum ? "%02x" : "%02X", x);
    return "$" + body + "*" + sum + "\r\n";
}

std::string Text(const std::array<char, 15>& a) {
    return a.data();
}

class RecordingListener : public GpsListener {
  public:
    void OnPosition(const GpsFix& fix) override {
        std::lock_guard<std::mutex> lock(m_);
        fixes_.push_back(fix);
    }
    void OnSpeedCourse(float speed, float course) override {
        std::lock_guard<std::mutex> lock(m_);
        speeds_.emplace_back(speed, course);
    }
    std::vector<GpsFix> fixes() const {
        std::lock_guard<std::mutex> lock(m_);
        return fixes_;
    }
    std::size_t speed_updates() const {
        std::lock_guard<std::mutex> lock(m_);
        return speeds_.size();
    }

  private:
    mutable std::mutex m_;
    std::vector<GpsFix> fixes_;
    std::vector<std::pair<float, float>> speeds_;
};

// The GPS input as the program wires it: pseudo-terminal -> serial reader -> parser.
struct GpsRig {
    PtyPair pty;
    NavState nav;
    RecordingListener listener;
    GpsParser parser{nav, &listener};
    SerialPort port;

    explicit GpsRig(int heading_type) {
        parser.set_position_sentence(heading_type);
        EXPECT_TRUE(port.Open(pty.slave_name()));
        EXPECT_TRUE(port.ConfigureAndStart({0, 3, 2, 0}, [this](char c) { parser.Feed(c); }));
    }
    // Sends the traffic in uneven pieces and waits until the reader has fed all of it to the
    // parser (the byte count advances only after the bytes were parsed).
    void Send(const std::string& traffic) {
        std::size_t target = port.bytes_received() + traffic.size();
        pty.WriteSplit(traffic, {1, 5, 17, 64, 2, 33});
        ASSERT_TRUE(Eventually([&] { return port.bytes_received() >= target; }));
    }
};

TEST(GpsInput, ReadsRealisticReceiverTrafficSplitAtArbitraryBytes) {
    GpsRig rig(1);  // position from GGA
    std::string traffic =
        Nmea("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00") +
        Nmea("GNGGA,123519.25,4807.038,N,01131.000,E,2,08,0.9,545.4,M,-46.9,M,,") +
        Nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1") + Nmea("PGRME,15.0,M,45.0,M,25.0,M") +
        Nmea("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K") + Nmea("GNHDT,274.07,T") +
        Nmea("GPZDA,201530.00,04,07,2002,00,00") +
        Nmea("GNRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E");  // not GGA mode
    rig.Send(traffic);
    NavSnapshot s = rig.nav.snapshot();
    EXPECT_EQ(Text(s.latitude_text), " 48.07.03800 N");  // three digits of minutes, zero-padded
    EXPECT_EQ(Text(s.longitude_text), "011.31.00000 E");
    EXPECT_DOUBLE_EQ(s.latitude_deg, 48.0 + 7.038 / 60.0);
    EXPECT_DOUBLE_EQ(s.longitude_deg, 11.0 + 31.0 / 60.0);
    EXPECT_EQ(s.fix_quality, 2);
    EXPECT_EQ(s.satellites, 8);
    EXPECT_FLOAT_EQ(s.hdop, 0.9f);
    EXPECT_FLOAT_EQ(s.altitude_m, 545.4f);
    EXPECT_FLOAT_EQ(s.geoid_separation_m, -46.9f);
    EXPECT_FLOAT_EQ(s.course_deg, 54.7f);  // from VTG
    EXPECT_FLOAT_EQ(s.speed_knots, 5.5f);
    EXPECT_TRUE(s.heading_valid);
    EXPECT_FLOAT_EQ(s.heading_deg, 274.07f);
    EXPECT_STREQ(s.utc_time_text.data(), "20:15:30");  // ZDA came after GGA
    EXPECT_STREQ(s.utc_millis_text.data(), ".000");
    EXPECT_STREQ(s.gps_date_text.data(), "04-Jul-2002");
    EXPECT_EQ(s.position_count, 1u);
    EXPECT_EQ(s.utm_zone, 32);
    auto fixes = rig.listener.fixes();
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_DOUBLE_EQ(fixes[0].easting, s.utm_easting);
    EXPECT_EQ(fixes[0].fix_quality, 2);
    EXPECT_EQ(rig.parser.checksum_errors(), 0u);

    rig.Send(Nmea("GPGGA,123520.5,4807.5,N,01131.25,E,1,05,1.2,545.0,M,46.9,M,,"));
    s = rig.nav.snapshot();
    EXPECT_STREQ(s.utc_time_text.data(), "12:35:20");
    EXPECT_STREQ(s.utc_millis_text.data(), ".500");
    EXPECT_EQ(Text(s.latitude_text), " 48.07.50000 N");
    EXPECT_EQ(Text(s.longitude_text), "011.31.25000 E");
}

TEST(GpsInput, DropsLowerCaseChecksumsAndAcceptsSentencesWithoutOne) {
    GpsRig rig(1);
    // Pick an altitude that gives a checksum with a hexadecimal letter.
    std::string body;
    for (int alt = 100;; ++alt) {
        body = "GPGGA,010203.00,5000.00000,N,00100.00000,W,1,09,1.0," + std::to_string(alt) +
               ".0,M,0.0,M,,";
        std::string s = Nmea(body);
        char hi = s[s.size() - 4];
        char lo = s[s.size() - 3];
        if ((hi >= 'A' && hi <= 'F') || (lo >= 'A' && lo <= 'F')) break;
    }
    rig.Send(Nmea(body, true));
    NavSnapshot s = rig.nav.snapshot();
    EXPECT_EQ(s.position_count, 0u);
    EXPECT_EQ(rig.parser.checksum_errors(), 1u);
    rig.Send(Nmea(body));
    EXPECT_EQ(rig.nav.snapshot().position_count, 1u);
    EXPECT_EQ(Text(rig.nav.snapshot().longitude_text), "001.00.00000 W");
    EXPECT_DOUBLE_EQ(rig.nav.snapshot().longitude_deg, -1.0);

    rig.Send("$GPHDT,123.4,T\r\n");
    EXPECT_FLOAT_EQ(rig.nav.snapshot().heading_deg, 123.4f);
    rig.Send(Nmea("GPHDT,360.0,T"));  // out of range: kept
    EXPECT_FLOAT_EQ(rig.nav.snapshot().heading_deg, 123.4f);
}

TEST(GpsInput, RmcModeTakesSpeedAndCourseFromRmcAndIgnoresVtg) {
    GpsRig rig(2);
    rig.Send(Nmea("GPRMC,225446.123,A,4916.45,S,12311.12,W,000.5,054.7,191194,020.3,E") +
             Nmea("GPVTG,100.0,T,080.0,M,009.9,N,018.3,K") +
             Nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    NavSnapshot s = rig.nav.snapshot();
    EXPECT_EQ(Text(s.latitude_text), " 49.16.45000 S");
    EXPECT_EQ(Text(s.longitude_text), "123.11.12000 W");
    EXPECT_DOUBLE_EQ(s.latitude_deg, -(49.0 + 16.45 / 60.0));
    EXPECT_DOUBLE_EQ(s.longitude_deg, -(123.0 + 11.12 / 60.0));
    EXPECT_FLOAT_EQ(s.speed_knots, 0.5f);
    EXPECT_FLOAT_EQ(s.course_deg, 54.7f);
    EXPECT_STREQ(s.utc_time_text.data(), "22:54:46");
    EXPECT_STREQ(s.utc_millis_text.data(), ".123");
    EXPECT_EQ(s.position_count, 1u);
    EXPECT_FALSE(s.lat_hemisphere == 'N');
    EXPECT_EQ(rig.listener.speed_updates(), 1u);  // after the RMC position only
}

TEST(GpsParser, GllModeAndBrokenInputAreHandledWithoutHarm) {
    NavState nav;
    GpsParser parser(nav);
    parser.set_position_sentence(0);
    auto feed = [&](const std::string& bytes) {
        for (char c : bytes) parser.Feed(c);
    };
    feed(Nmea("GPGLL,3751.65,S,14507.36,E,225444,A"));
    EXPECT_EQ(Text(nav.snapshot().latitude_text), " 37.51.65000 S");
    EXPECT_EQ(Text(nav.snapshot().longitude_text), "145.07.36000 E");
    // A sentence cut short by the next one does not swallow it.
    feed("$GPGLL,1234.5" + Nmea("GPGLL,0100.123456,N,00200.5,W,225444,A"));
    EXPECT_EQ(Text(nav.snapshot().latitude_text), " 01.00.12345 N");
    EXPECT_EQ(nav.snapshot().position_count, 2u);
    // Garbage, an over-long address, over-long data, empty fields, impossible minutes.
    feed("$GPGLLXYZW,1,2*00\r\n");
    feed("$GPGLL," + std::string(400, '7') + "\r\n");
    feed(Nmea("GPGLL,,,,,,V"));
    feed(Nmea("GPGLL,3775.00,N,14507.36,E,225444,A"));
    feed(Nmea("GPGLL,3751.65,X,14507.36,E,225444,A"));
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise.push_back(static_cast<char>((i * 7919) & 0xFF));
    feed(noise);
    EXPECT_EQ(nav.snapshot().position_count, 2u);
    EXPECT_EQ(Text(nav.snapshot().latitude_text), " 01.00.12345 N");
    // On hold, sentences are ignored.
    parser.set_hold(true);
    feed(Nmea("GPGLL,1000.00,N,01000.00,E,225444,A"));
    EXPECT_EQ(nav.snapshot().position_count, 2u);
}

// The ping thread copies both position texts while the GPS thread keeps replacing them: every
// copy must hold the two texts of one and the same fix.
TEST(GpsInput, PositionTextsAreNeverTornBetweenTwoFixes) {
    GpsRig rig(1);
    const std::string a = Nmea("GPGGA,000001,1111.11111,N,02222.22222,E,1,08,0.9,1.0,M,0,M,,");
    const std::string b = Nmea("GPGGA,000002,3333.33333,S,04444.44444,W,1,08,0.9,1.0,M,0,M,,");
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            NavSnapshot s = rig.nav.snapshot();
            std::string lat = Text(s.latitude_text);
            std::string lon = Text(s.longitude_text);
            bool ok = (lat.empty() && lon.empty()) ||
                      (lat == " 11.11.11111 N" && lon == "022.22.22222 E") ||
                      (lat == " 33.33.33333 S" && lon == "044.44.44444 W");
            if (!ok) torn.fetch_add(1);
            std::this_thread::yield();
        }
    });
    std::string traffic;
    for (int i = 0; i < 300; ++i) traffic += (i % 2 == 0) ? a : b;
    rig.pty.Write(traffic);
    EXPECT_TRUE(Eventually([&] { return rig.nav.snapshot().position_count == 300u; }));
    done.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace vq
