// The soundings of the .csv and .xyz outputs: the writers hand the right range, angle, speed of
// sound, mounting and navigation to the georeferencing, keep one grid per .xyz file, send the
// soundings without a fix to the sonar's file and say so once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/utm.h"
#include "recording/conversion.h"
#include "recording/recording_control.h"
#include "recording/sounding_files.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

std::string Text(std::span<const std::uint8_t> b) {
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}
std::vector<std::string> Fields(const std::string& line, char sep) {
    std::vector<std::string> out;
    std::istringstream ss(line);
    std::string f;
    while (std::getline(ss, f, sep)) out.push_back(f);
    if (!line.empty() && line.back() == sep) out.emplace_back();
    return out;
}

// 120 beams of 0.5 m per range value tenth (50 m over 500 samples); points at 30 degrees to
// starboard and straight down, both at 20 m.
struct Ping {
    std::vector<std::int32_t> tenths = std::vector<std::int32_t>(120, 0);
    std::vector<PointRecordEntry> points = std::vector<PointRecordEntry>(120);
    PointRecordInputs in;
    Ping() {
        in.h.num_beams = 120;
        in.h.samples_per_beam = 500;
        in.h.range_m = 50.0f;
        in.h.sector_deg = 120.0f;
        in.h.sound_velocity = 1500.0f;
        in.h.output_ping_number = 7;
        for (int i = 0; i < 120; ++i) points[i].angle_deg = -59.75f + i;
        // Output index i reads range_tenths[119 - i] and the angle of points[i].
        points[10].angle_deg = 30.0f;
        points[20].angle_deg = 0.0f;
        tenths[119 - 10] = tenths[119 - 20] = 2000;  // 2000 tenths x 0.01 m = 20 m
        in.range_tenths = tenths;
        in.points = points;
    }
    void Fix(double lat, double lon, double heading) {
        in.h.nav.position_valid = true;
        in.h.nav.lat_deg = lat;
        in.h.nav.lon_deg = lon;
        in.h.nav.heading_valid = true;
        in.h.nav.heading_deg = static_cast<float>(heading);
    }
};

TEST(Soundings, CsvColumnsCarryTheGeoreferencedSounding) {
    Ping p;
    p.Fix(43.6536, -70.3909, 0.0);
    p.in.h.sound_velocity = 1530.0f;
    VesselMounting m;
    m.sonar.starboard_m = 1.5;
    m.antenna.forward_m = 4.0;
    CsvWriter w;
    const std::string text = Text(w.FormatPing(p.in, m));
    std::istringstream ss(text);
    std::string header, first, second, extra;
    std::getline(ss, header);
    ASSERT_TRUE(std::getline(ss, first));
    ASSERT_TRUE(std::getline(ss, second));
    EXPECT_FALSE(std::getline(ss, extra));
    EXPECT_EQ(header + "\n", kCsvHeaderLine);
    EXPECT_EQ(Fields(header, ',').size(), 14u);
    // The 30 degree beam: range and depth from the sonar as the point record holds them, then
    // the sounding with the ping's speed of sound (20.4 m of slant range).
    const std::vector<std::string> f = Fields(first, ',');
    ASSERT_EQ(f.size(), 14u) << first;
    EXPECT_EQ(f[3], "30.000");
    EXPECT_EQ(f[4], "20.000");
    EXPECT_EQ(f[5], "17.321");
    EXPECT_EQ(f[6], "10.000");
    const MapSounding s = Georeference(VesselStateOf(p.in.h.nav), m, 20.4, 30.0);
    EXPECT_NEAR(std::stod(f[8]), s.latitude_deg, 1e-8);
    EXPECT_NEAR(std::stod(f[9]), s.longitude_deg, 1e-8);
    EXPECT_NEAR(std::stod(f[10]), s.easting_m, 0.001);
    EXPECT_NEAR(std::stod(f[11]), s.northing_m, 0.001);
    EXPECT_EQ(f[12], "19N");
    EXPECT_EQ(f[13], "17.667");  // 20.4 x cos 30
    // 11.7 m east of the antenna's fix (10.2 + 1.5) and 4 m south of it.
    const UtmPosition a = ToUtmInZone(43.6536, -70.3909, 19);
    const double de = s.easting_m - a.easting, dn = s.northing_m - a.northing;
    EXPECT_NEAR(std::hypot(de, dn), std::hypot(11.7, 4.0), 0.01);
    EXPECT_EQ(Fields(second, ',')[13], "20.400");
}

TEST(Soundings, WithoutAFixTheMapColumnsAreEmptyAndTheDepthStays) {
    Ping p;
    p.in.h.nav.position_valid = true;  // a course sentence alone marks the fix valid at 0, 0
    VesselMounting m;
    m.sonar.vertical_m = 1.25;
    CsvWriter w;
    std::istringstream ss(Text(w.FormatPing(p.in, m)));
    std::string line;
    std::getline(ss, line);
    std::getline(ss, line);
    const std::vector<std::string> f = Fields(line, ',');
    ASSERT_EQ(f.size(), 14u) << line;
    for (int k = 8; k <= 12; ++k) EXPECT_EQ(f[k], "") << k;
    EXPECT_EQ(f[13], "18.571");  // 17.321 + 1.25
}

TEST(Soundings, XyzKeepsTheFirstFixGridAndSendsSoundingsWithoutAFixAside) {
    Ping p;
    XyzWriter w;
    // Zone 31 near its eastern edge, heading east: the second ping lies in zone 32.
    p.Fix(50.0, 5.9990, 90.0);
    XyzWriter::Text t = w.FormatPing(p.in, {});
    EXPECT_TRUE(t.sonar.empty());
    EXPECT_EQ(w.zone(), 31);
    const std::vector<std::string> first =
        Fields(Text(t.map).substr(0, Text(t.map).find('\n')), ' ');
    ASSERT_EQ(first.size(), 3u);
    p.Fix(50.0, 6.0010, 90.0);
    t = w.FormatPing(p.in, {});
    const std::string map = Text(t.map);
    const std::vector<std::string> down =
        Fields(map.substr(map.find('\n') + 1, map.size() - map.find('\n') - 2), ' ');
    ASSERT_EQ(down.size(), 3u) << map;
    const UtmPosition on31 = ToUtmInZone(50.0, 6.0010, 31);
    EXPECT_NEAR(std::stod(down[0]), on31.easting, 0.001);
    EXPECT_NEAR(std::stod(down[1]), on31.northing, 0.001);
    EXPECT_EQ(down[2], "20.000");
    // Heading east the 30 degree beam lies 10 m south of the fix.
    const std::vector<std::string> beam30 = Fields(map.substr(0, map.find('\n')), ' ');
    EXPECT_NEAR(std::stod(down[1]) - std::stod(beam30[1]), 10.0, 0.2);

    p.in.h.nav.position_valid = false;
    t = w.FormatPing(p.in, {});
    EXPECT_TRUE(t.map.empty());
    EXPECT_EQ(Text(t.sonar), "10.000 0.000 17.321\n0.000 0.000 20.000\n");
    w.StartFile();
    EXPECT_EQ(w.zone(), 0);
}

TEST(Soundings, ConversionFilesSayOnceThatSoundingsLackAFix) {
    test::TempDir dir;
    test::RecordingOperator op;
    RecordingControl rc(op);
    SoundingFiles files;
    ASSERT_TRUE(rc.OpenOutput(OutputKind::Xyz, dir / "line.xyz"));
    files.Start();
    Ping p;
    p.Fix(-33.9, 18.4, 0.0);
    files.WritePing(rc, p.in, {}, op);
    EXPECT_FALSE(rc.OutputOpen(OutputKind::XyzSonar));
    EXPECT_TRUE(op.messages().empty());
    p.in.h.nav.position_valid = false;
    for (int k = 0; k < 3; ++k) files.WritePing(rc, p.in, {}, op);
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].text,
              "Ping 7 has no GPS fix: soundings without a fix are written relative to the sonar "
              "(starboard, forward, depth) to line_sonar.xyz.");
    rc.CloseOutput(OutputKind::Xyz);
    rc.CloseOutput(OutputKind::XyzSonar);
    const std::string map = test::ReadFile(dir / "line.xyz");
    EXPECT_EQ(std::count(map.begin(), map.end(), '\n'), 2);
    std::string sonar;
    for (int k = 0; k < 3; ++k) sonar += "10.000 0.000 17.321\n0.000 0.000 20.000\n";
    EXPECT_EQ(test::ReadFile(dir / "line_sonar.xyz"), sonar);
    // The next recording of a batch is told again.
    ASSERT_TRUE(rc.OpenOutput(OutputKind::Csv, dir / "next.csv"));
    files.Start();
    files.WritePing(rc, p.in, {}, op);
    ASSERT_EQ(op.messages().size(), 2u);
    EXPECT_EQ(op.messages()[1].text,
              "Ping 7 has no GPS fix: soundings without a fix are written relative to the sonar "
              "only (their map columns in the .csv stay empty).");
}

TEST(Soundings, MountingComesFromTheOffsetKeysAndTheRecordedSonarPosition) {
    Settings s;
    s.HeadingOffset = 1, s.PitchOffset = 2, s.RollOffset = 3, s.SonarLatencySeconds = 0.5f;
    s.GPSXOffsetMeters = 4, s.GPSYOffsetMeters = 5, s.GPSDepthMeters = -6;
    s.GPSHeadingOffset = 7, s.GPSPitchOffset = 8, s.GPSRollOffset = 9, s.GPSLatencySeconds = 0.25f;
    OutputRecordHeader h;
    h.sonar_x_offset_m = 1.5f, h.sonar_y_offset_m = -2.5f, h.sonar_depth_m = NAN;
    const VesselMounting m = MountingFrom(s, h);
    EXPECT_EQ(m.sonar.starboard_m, 1.5);
    EXPECT_EQ(m.sonar.forward_m, -2.5);
    EXPECT_EQ(m.sonar.vertical_m, 0.0);  // not a number: none
    EXPECT_EQ(m.sonar.yaw_deg, 1.0);
    EXPECT_EQ(m.sonar.pitch_deg, 2.0);
    EXPECT_EQ(m.sonar.roll_deg, 3.0);
    EXPECT_EQ(m.sonar.latency_s, 0.5);
    EXPECT_EQ(m.antenna.starboard_m, 4.0);
    EXPECT_EQ(m.antenna.forward_m, 5.0);
    EXPECT_EQ(m.antenna.vertical_m, -6.0);
    EXPECT_EQ(m.antenna.yaw_deg, 7.0);
    EXPECT_EQ(m.antenna.latency_s, 0.25);
}

TEST(Soundings, AFixNeedsAPlausiblePosition) {
    RecordNav n;
    n.position_valid = true;
    n.lat_deg = 12.0, n.lon_deg = -45.0;
    EXPECT_TRUE(VesselStateOf(n).position_valid);
    for (auto [lat, lon] : {std::pair{0.0, 0.0}, {NAN, 3.0}, {91.0, 3.0}, {45.0, 181.0}}) {
        n.lat_deg = lat, n.lon_deg = lon;
        EXPECT_FALSE(VesselStateOf(n).position_valid) << lat << " " << lon;
    }
    n.lat_deg = 12.0, n.lon_deg = -45.0, n.position_valid = false;
    EXPECT_FALSE(VesselStateOf(n).position_valid);
    EXPECT_EQ(SonarXyzName("/d/run 1/survey.xyz"), "/d/run 1/survey_sonar.xyz");
    EXPECT_EQ(SonarXyzName("/d.x/survey"), "/d.x/survey_sonar");
}

}  // namespace
}  // namespace vq
