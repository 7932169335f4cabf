// Point (.Q4P), beam (.Q4B), XTF and CSV records, checked byte by byte against values worked
// out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "core/utm.h"
#include "recording/csv_writer.h"
#include "recording/point_record.h"
#include "recording/recording_test_util.h"
#include "recording/xtf_writer.h"

namespace vq {
namespace {

using test::Be16;
using test::Be32;
using test::Le32;
using test::Lef32;

OutputRecordHeader SampleHeader(int beams, int samples) {
    OutputRecordHeader h;
    h.ts = test::Stamp(2024, 3, 1, 10, 20, 30, 456);
    h.live = false;
    std::snprintf(h.nav.lat_text.data(), h.nav.lat_text.size(), "%s", " 57.07.40736 N");
    std::snprintf(h.nav.lon_text.data(), h.nav.lon_text.size(), "%s", "003.30.00000 W");
    h.nav.speed_kn = 4.56f;
    h.nav.course_deg = 181.27f;
    h.nav.pitch_deg = -2.25f;
    h.nav.roll_deg = 95.0f;
    h.nav.heading_deg = 359.97f;
    h.nav.heave_m = 0.5f;
    h.nav.position_valid = true;
    h.nav.lat_deg = 57.1234567;
    h.nav.lon_deg = -3.5;
    h.num_beams = beams;
    h.samples_per_beam = samples;
    h.sector_deg = 120.0f;
    h.nominal_range_m = 50;
    h.range_m = 50.0f;
    h.frequency_khz = 260;
    h.sound_velocity = 1500.0f;
    h.pulse_length_us = 180;
    h.tilt_deg = -12.5f;
    h.ping_interval_ms = 100;
    h.output_ping_number = 123456;
    h.range_offset_m = 3;
    h.sonar_x_offset_m = 1.25f;
    h.sonar_y_offset_m = -2.5f;
    h.sonar_depth_m = 4.0f;
    h.head_value16 = 0xBEEF;
    h.head_value32 = 0x01020304;
    return h;
}

struct PointData {
    std::vector<std::int32_t> tenths;
    std::vector<PointRecordEntry> points;
    PointRecordInputs in;
    explicit PointData(int beams, bool intensities) : tenths(beams), points(beams) {
        for (int j = 0; j < beams; ++j) {
            tenths[j] = 1000 + j;
            points[j].angle_deg = -59.875f + 0.25f * j;
            points[j].intensity = j | 0x10000;
        }
        in.h = SampleHeader(beams, 1000);
        in.range_tenths = tenths;
        in.points = points;
        in.with_intensities = intensities;
    }
};

TEST(PointRecord, LengthsFollowBeamsAndIntensities) {
    for (auto [beams, inten, len] :
         {std::tuple{480, true, 2176}, {480, false, 1216}, {120, false, 496}, {120, true, 736}}) {
        PointData d(beams, inten);
        PointRecordBuilder b;
        auto r = b.Build(d.in);
        EXPECT_EQ(r.size(), static_cast<std::size_t>(len));
        EXPECT_EQ(Be16(r.data() + 4), static_cast<std::uint32_t>(len));
    }
}

TEST(PointRecord, HeaderFieldsByteForByte) {
    PointData d(480, true);
    d.in.resolution_mode = 0;
    d.in.detection_flags = 3;
    d.in.pipelined = true;
    d.in.avg_filter_length = 5;
    d.in.lag_ms = 45.67;
    d.in.latency_ms = 12.0;  // not written in playback
    d.in.status = 0x08;
    d.in.status2 = 0x21;
    d.in.image_value = 7.5f;
    d.in.external_event = true;
    PointRecordBuilder b;
    const std::uint8_t* r = b.Build(d.in).data();
    EXPECT_EQ(test::TextAt(r, 4), std::string("Q4P\x0c", 4));
    EXPECT_EQ(test::TextAt(r + 8, 12), std::string("01-MAR-2024\0", 12));
    EXPECT_EQ(test::TextAt(r + 20, 9), std::string("10:20:30\0", 9));
    EXPECT_EQ(test::TextAt(r + 29, 3), ",45");
    EXPECT_EQ(test::TextAt(r + 33, 14), " 57.07.40736 N");
    EXPECT_EQ(test::TextAt(r + 47, 14), "003.30.00000 W");
    EXPECT_EQ(r[61], 45);
    EXPECT_EQ(Be16(r + 62), 1812u);
    EXPECT_EQ(Be16(r + 64), 0x8000u | 877);   // -22.5 -> -23, + 900
    EXPECT_EQ(Be16(r + 66), 0x8000u | 1800);  // limited
    EXPECT_EQ(Be16(r + 68), 0x8000u | 3599);
    EXPECT_EQ(Be16(r + 70), 480u);
    EXPECT_EQ(Be16(r + 72), 1000u);
    EXPECT_EQ(Be16(r + 74), 120u);
    EXPECT_EQ(Be16(r + 76), 12013u);  // (-59.875 + 180) x 100 + 0.5
    EXPECT_EQ(r[78], 25);
    EXPECT_EQ(Be16(r + 79), 50u);
    EXPECT_EQ(Be16(r + 81), 260u);
    EXPECT_EQ(Be16(r + 83), 0x8000u | 15000);
    EXPECT_EQ(Be16(r + 85), 50u);
    EXPECT_EQ(Be16(r + 87), 180u);
    EXPECT_EQ(Be16(r + 89), 167u);
    EXPECT_EQ(Be16(r + 91), 100u);
    EXPECT_EQ(Be32(r + 93), 123456u);
    EXPECT_EQ((r[97] << 16) | (r[98] << 8) | r[99], 3000);
    EXPECT_FLOAT_EQ(Lef32(r + 100), 1.25f);
    EXPECT_FLOAT_EQ(Lef32(r + 104), -2.5f);
    EXPECT_FLOAT_EQ(Lef32(r + 108), 4.0f);
    EXPECT_EQ(test::TextAt(r + 112, 4), ".456");
    EXPECT_EQ(r[117], 1);
    EXPECT_EQ(Be16(r + 118), 5u);
    EXPECT_EQ(Be16(r + 120), 0u);
    EXPECT_EQ(r[123], 7);
    EXPECT_EQ(r[125], 5);
    EXPECT_EQ(Be16(r + 126), 457u);
    EXPECT_FLOAT_EQ(Lef32(r + 128), 0.5f);
    EXPECT_EQ(r[132], 0x21);
    EXPECT_FLOAT_EQ(Lef32(r + 133), 7.5f);
    EXPECT_EQ(r[137], 0x08);
    EXPECT_EQ(r[155], 1);
    EXPECT_EQ(r[156], 1);
    EXPECT_EQ(Be16(r + 157), 0xBEEFu);
    EXPECT_EQ(Le32(r + 159), 0x01020304u);
    for (int i = 0; i < 480; ++i) {
        ASSERT_EQ(Be16(r + 256 + 2 * i), static_cast<std::uint32_t>(1000 + 479 - i)) << i;
        ASSERT_EQ(Be16(r + 256 + 960 + 2 * i), static_cast<std::uint32_t>(479 - i)) << i;
    }
}

TEST(PointRecord, BuiltOncePerPingForFileAndDatagram) {
    PointData d(120, false);
    d.in.h.live = true;
    PointRecordBuilder b;
    auto first = b.Build(d.in);
    std::vector<std::uint8_t> file_copy(first.begin(), first.end());
    EXPECT_EQ(file_copy[29], '.');
    d.tenths[0] = 7;  // a second call of the same ping returns the same bytes
    auto second = b.Build(d.in);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), file_copy.begin()));
    b.NewPing();
    EXPECT_FALSE(b.built_this_ping());
    auto third = b.Build(d.in);
    EXPECT_EQ(Be16(third.data() + 256 + 2 * 119), 7u);
}

TEST(PointRecord, AttitudeAndFineResolutionCodes) {
    EXPECT_EQ(AttitudeCode(-90.0f), 0x8000);
    EXPECT_EQ(AttitudeCode(-120.0f), 0x8000);
    EXPECT_EQ(AttitudeCode(90.0f), 0x8000 | 1800);
    EXPECT_EQ(AttitudeCode(0.05f), 0x8000 | 901);
    EXPECT_EQ(AttitudeCode(-0.05f), 0x8000 | 899);
    EXPECT_EQ(HeadingCode(0.04f), 0x8000);
    PointData d(120, false);
    d.in.h.fine_resolution = true;
    d.in.h.nominal_range_m = 5;
    d.in.h.range_m = 5.0f;
    d.in.h.samples_per_beam = 500;
    PointRecordBuilder b;
    const std::uint8_t* r = b.Build(d.in).data();
    EXPECT_EQ(Be16(r + 79), 1u);     // 5 / 10, at least 1
    EXPECT_EQ(Be16(r + 85), 100u);   // 10000 x 5 / 500
    EXPECT_EQ(Be16(r + 256), 112u);  // tenths 1119 x 0.1 + 0.5
}

TEST(BeamRecord, LengthsAndRowsOfThousandSampleBeams) {
    std::vector<std::uint8_t> image(480 * 1000);
    for (int k = 0; k < 480; ++k)
        for (int s = 0; s < 1000; ++s) image[k * 1000 + s] = static_cast<std::uint8_t>(k * 3 + s);
    BeamRecordInputs in;
    in.h = SampleHeader(480, 1000);
    in.h.fine_resolution = true;
    in.rows = image.data();
    in.stride = 1000;
    in.step_size = 0;
    BeamRecordBuilder b;
    auto r = b.Build(in);
    ASSERT_EQ(r.size(), 480256u);
    EXPECT_EQ(r[4], 0x07);
    EXPECT_EQ(r[5], 0x54);
    EXPECT_EQ(r[6], 0x00);
    EXPECT_EQ(test::TextAt(r.data(), 4), std::string("Q4B\x04", 4));
    EXPECT_EQ(Be16(r.data() + 76), 12013u);  // -60 + 0.125 with StepSize 0
    EXPECT_EQ(Be16(r.data() + 79), 50u);     // no fine-resolution division
    EXPECT_EQ(Be16(r.data() + 85), 50u);     // 1000 x 50 / 1000
    EXPECT_EQ(Be16(r.data() + 64), 0x8000u | 877);
    EXPECT_EQ(r[156], 1);
    for (int k : {0, 1, 239, 479})
        EXPECT_TRUE(std::equal(r.begin() + 256 + k * 1000, r.begin() + 256 + (k + 1) * 1000,
                               image.begin() + k * 1000))
            << k;

    std::vector<std::uint8_t> small(120 * 500, 9);
    in.h = SampleHeader(120, 500);
    in.rows = small.data();
    in.stride = 500;
    in.display_type = 3;
    in.first_point_angle_deg = -59.5f;
    in.step_size = 2;
    auto r2 = b.Build(in);
    EXPECT_EQ(r2.size(), 60256u);
    EXPECT_EQ(Be16(r2.data() + 76), 12050u);
    EXPECT_EQ(Be16(r2.data() + 85), 100u);
    EXPECT_EQ(r2[60255], 9);
}

TEST(Xtf, DayOfYearUsesTheGregorianRule) {
    EXPECT_EQ(XtfJulianDay(2024, 3, 1), 61);
    EXPECT_EQ(XtfJulianDay(2023, 3, 1), 60);
    EXPECT_EQ(XtfJulianDay(2100, 3, 1), 60);
    EXPECT_EQ(XtfJulianDay(2000, 3, 1), 61);
    EXPECT_EQ(XtfJulianDay(2052, 3, 1), 61);
    EXPECT_EQ(XtfJulianDay(2024, 12, 31), 366);
    EXPECT_EQ(XtfJulianDay(2023, 2, 29), 1);  // no such day
    EXPECT_EQ(XtfJulianDay(2023, 0, 5), 1);
}

TEST(Xtf, FileHeaderOnceThenPingsOfFixedSize) {
    XtfBuilder x;
    XtfPingInputs in;
    in.ts = test::Stamp(2024, 3, 1, 10, 20, 30, 456);
    in.ping_number = 42;
    in.speed_kn = 3.5f;
    in.lat_deg = 57.123f;
    in.lon_deg = -3.25f;
    in.range_m = 30.0f;
    in.samples = 500;
    std::vector<std::int32_t> line(1000);
    for (int i = 0; i < 1000; ++i) line[i] = 0x100 + i;
    auto first = x.BuildPing(in, line);
    ASSERT_EQ(first.size(), 1024u + 1384);
    const std::uint8_t* f = first.data();
    EXPECT_EQ(f[0], 123);
    EXPECT_EQ(f[1], 1);
    EXPECT_EQ(test::TextAt(f + 2, 8), "Tessarin");
    EXPECT_EQ(test::TextAt(f + 18, 12), "Q40 Sidescan");
    EXPECT_EQ(f[34], 0);
    EXPECT_EQ(f[35], 16);
    EXPECT_EQ(f[164], 3);
    EXPECT_EQ(f[166], 2);
    EXPECT_EQ(f[256], 1);
    EXPECT_EQ(Le32(f + 264), 500u);
    EXPECT_EQ(test::TextAt(f + 268, 4), "PORT");
    EXPECT_EQ(f[384], 2);
    EXPECT_EQ(test::TextAt(f + 396, 4), "STBD");
    const std::uint8_t* p = f + 1024;
    EXPECT_EQ(p[0] | p[1] << 8, 0xFACE);
    EXPECT_EQ(p[4], 2);
    EXPECT_EQ(Le32(p + 10), 1384u);
    EXPECT_EQ(p[14] | p[15] << 8, 2024);
    EXPECT_EQ(p[16], 3);
    EXPECT_EQ(p[17], 1);
    EXPECT_EQ(p[20], 30);
    EXPECT_EQ(p[21], 45);
    EXPECT_EQ(p[22] | p[23] << 8, 61);
    EXPECT_EQ(Le32(p + 28), 42u);
    EXPECT_FLOAT_EQ(Lef32(p + 32), 750.0f);
    double lat;
    std::memcpy(&lat, p + 128, 8);
    EXPECT_EQ(lat, static_cast<double>(57.123f));
    const std::uint8_t* c0 = p + 256;
    EXPECT_EQ(c0[0], 0);
    EXPECT_EQ(c0[2], 2);
    EXPECT_FLOAT_EQ(Lef32(c0 + 4), 30.0f);
    EXPECT_FLOAT_EQ(Lef32(c0 + 16), 0.04f);
    EXPECT_EQ(Le32(c0 + 42), 500u);
    EXPECT_EQ(c0[64], 0x00);        // entry 0, low byte
    EXPECT_EQ(c0[64 + 499], 0xF3);  // entry 499
    const std::uint8_t* c1 = c0 + 64 + 500;
    EXPECT_EQ(c1[0], 1);
    EXPECT_EQ(c1[64], 0xF4);  // entry 500
    EXPECT_EQ(x.BuildPing(in, line).size(), 1384u);
    in.samples = 1000;
    EXPECT_EQ(x.BuildPing(in, line).size(), 2384u);  // a short line is padded
    in.ts = test::Stamp(2100, 3, 1, 0, 0, 0, 0);
    auto later = x.BuildPing(in, line);
    EXPECT_EQ(later[22] | later[23] << 8, 60);
}

TEST(Csv, OneLinePerPointAgreeingWithThePointRecord) {
    PointData d(120, true);
    for (int j = 0; j < 120; ++j) d.tenths[j] = j % 3 == 0 ? 0 : 2500 + j;
    d.in.h.samples_per_beam = 500;
    d.in.h.range_m = 50.0f;
    d.in.h.range_offset_m = 0;
    PointRecordBuilder pb;
    auto q4p = pb.Build(d.in);
    CsvWriter w;
    auto out = w.FormatPing(d.in);
    std::string text(reinterpret_cast<const char*>(out.data()), out.size());
    std::istringstream ss(text);
    std::string line;
    std::getline(ss, line);
    EXPECT_EQ(line + "\n", kCsvHeaderLine);
    int lines = 0;
    for (int i = 0; i < 120; ++i) {
        std::uint32_t v = Be16(q4p.data() + 256 + 2 * i);
        if (v == 0) continue;
        ASSERT_TRUE(std::getline(ss, line));
        ++lines;
        double range = v * 0.1 * 50.0 / 500.0;
        double angle = -59.875 + 0.25 * i;
        double a = angle * 3.141592653589793 / 180.0;
        char expect[200];
        std::snprintf(
            expect, sizeof expect, "123456,01-MAR-2024,10:20:30.456,%.3f,%.3f,%.3f,%.3f,%u,", angle,
            range, range * std::cos(a), range * std::sin(a), Be16(q4p.data() + 256 + 240 + 2 * i));
        ASSERT_EQ(line.substr(0, std::strlen(expect)), expect) << i;
        // Then the sounding near the fix (57.12 N, 3.5 W: UTM zone 30 north) and its depth.
        std::istringstream rest(line.substr(std::strlen(expect)));
        std::string lat, lon, east, north, zone, depth;
        for (std::string* f : {&lat, &lon, &east, &north, &zone}) std::getline(rest, *f, ',');
        std::getline(rest, depth);
        EXPECT_NEAR(std::stod(lat), 57.1234567, 0.001) << line;
        EXPECT_NEAR(std::stod(lon), -3.5, 0.002) << line;
        const UtmPosition fix = ToUtm(57.1234567, -3.5);
        EXPECT_NEAR(std::stod(east), fix.easting, 60) << line;
        EXPECT_NEAR(std::stod(north), fix.northing, 60) << line;
        EXPECT_EQ(zone, "30N");
        EXPECT_LT(std::fabs(std::stod(depth)), 60.0) << line;
    }
    EXPECT_EQ(lines, 80);
    EXPECT_FALSE(std::getline(ss, line));
    auto again = w.FormatPing(d.in);  // no header line after the first ping
    EXPECT_NE(std::string(reinterpret_cast<const char*>(again.data()), 4), "ping");
}

}  // namespace
}  // namespace vq
