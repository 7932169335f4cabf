// The recording file: written through recording control, read back by the playback reader.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "recording/recording_control.h"
#include "recording/recording_test_util.h"
#include "recording/vqs_format.h"
#include "recording/vqs_reader.h"
#include "sensors/nav_state.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

using test::Le32;
using test::Lef32;
using test::MakePing;

RecordSettings SampleSettings() {
    RecordSettings s;
    s.xdcr = 1;
    s.pipelined = true;
    s.gain = 9;
    s.tilt_deg = 12.5f;
    s.range_offset_m = 3;
    s.absorption_code = 13;
    s.avg_filter_length = 5;
    s.pulse_length_us = 250;
    s.sound_velocity = 1487.5f;
    s.frequency_khz = 260;
    s.ping_interval_ms = 100;
    s.display_gain = 40;
    s.num_beams = 480;
    s.samples_per_beam = 1000;
    s.sector_deg = 120.0f;
    s.range_m = 50.0f;
    s.output_ping_number = 77;
    s.sonar_depth_m = 2.25f;
    s.sonar_x_offset_m = -1.5f;
    s.sonar_y_offset_m = 0.75f;
    return s;
}

RecordNav SampleNav() {
    RecordNav n;
    n.position_valid = true;
    n.heading_valid = true;
    n.lat_deg = 57.123456;
    n.lon_deg = -3.5;
    n.speed_kn = 4.5f;
    n.course_deg = 181.0f;
    n.heading_deg = 179.5f;
    return n;
}

struct Recorded {
    std::vector<std::vector<std::uint8_t>> pings;
    std::vector<std::uint64_t> offsets;  // where each record starts
    std::uint64_t size = 0;
};

// Writes pings through RecordingControl into dir/name (dialog answer), live size check off.
Recorded WriteRecording(const std::filesystem::path& path, const std::vector<std::size_t>& lengths,
                        const std::vector<std::vector<std::uint8_t>>& frames = {}) {
    test::RecordingOperator op;
    RecordingControl rc(op);
    RecordingOptions o;
    o.AutoFilename = 0;
    rc.set_options(o);
    PingTimeStamp ts = test::Stamp(2026, 12, 8, 13, 45, 7, 123);
    EXPECT_TRUE(rc.RecordStartAt(path, false));
    Recorded r;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        r.offsets.push_back(static_cast<std::uint64_t>(rc.bytes_written()));
        r.pings.push_back(MakePing(lengths[i], static_cast<std::uint8_t>(i)));
        std::span<const std::uint8_t> frame;
        if (i < frames.size()) frame = frames[i];
        EXPECT_TRUE(rc.WritePing(r.pings.back(), ts, SampleSettings(), SampleNav(), frame, false));
    }
    r.size = static_cast<std::uint64_t>(rc.bytes_written());
    rc.RecordStop();
    return r;
}

TEST(VqsFile, GoldenHeaderFields) {
    test::TempDir dir;
    auto path = dir / "golden.VQS";
    WriteRecording(path, {1152 + 300, 1152 + 10});
    std::string bytes = test::ReadFile(path);
    const auto* h = reinterpret_cast<const std::uint8_t*>(bytes.data());
    ASSERT_EQ(bytes.size(), 2u * 3072 + 1452 + 1162);
    EXPECT_EQ(test::TextAt(h, 3), "VQS");
    EXPECT_EQ(h[3], 2);
    EXPECT_EQ(Le32(h + 4), 3072u + 1452);
    EXPECT_EQ(h[8] | h[9] << 8, 1);
    EXPECT_EQ(test::TextAt(h + 10, 18),
              "08122026134507123"
              "0");
    EXPECT_EQ(test::TextAt(h + 29, 7), "Version");
    EXPECT_EQ(Le32(h + 59), 0u);  // first record since start-up
    EXPECT_EQ(h[63], 0x04);
    EXPECT_EQ(h[65], 0x09);
    EXPECT_EQ(Le32(h + 71), 0u);
    const std::uint32_t layout[] = {2048, 2048, 1024, 3072, 1452, 3072 + 1452, 0, 3072 + 1452, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(Le32(h + 75 + 4 * i), layout[i]) << i;
    EXPECT_EQ(h[319], 0xC0);
    EXPECT_EQ(h[320], 9);
    EXPECT_FLOAT_EQ(Lef32(h + 321), 12.5f);
    EXPECT_FLOAT_EQ(Lef32(h + 325), 3.0f);
    EXPECT_FLOAT_EQ(Lef32(h + 329), 0.065f);
    EXPECT_EQ(h[333], 5);
    EXPECT_EQ(Le32(h + 334), 250u);
    EXPECT_FLOAT_EQ(Lef32(h + 342), 260000.0f);
    EXPECT_FLOAT_EQ(Lef32(h + 346), 0.1f);
    EXPECT_EQ(h[350], 40);
    EXPECT_EQ(h[351] | h[352] << 8, 480);
    EXPECT_EQ(Le32(h + 353), 1000u);
    EXPECT_FLOAT_EQ(Lef32(h + 365), 0.25f);
    EXPECT_FLOAT_EQ(Lef32(h + 373), 0.005f);
    EXPECT_EQ(Le32(h + 377), 77u);
    EXPECT_EQ(h[385], 8);
    EXPECT_FLOAT_EQ(Lef32(h + 386), 1487.5f);
    EXPECT_FLOAT_EQ(Lef32(h + 442), 2.25f);
    for (std::size_t i = 446; i < 3072; ++i) ASSERT_EQ(h[i], 0) << i;
    EXPECT_EQ(test::TextAt(h + 3072, 4), "TMND");
    // The second record remembers the length of the first.
    EXPECT_EQ(Le32(h + 3072 + 1452 + 59), 3072u + 1452);
}

TEST(VqsFile, RoundTripGivesSameBytesAndSettings) {
    test::TempDir dir;
    auto path = dir / "trip.vqs";
    Recorded rec = WriteRecording(path, {1152, 1152 + 8676, 36240, 75000});
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    EXPECT_EQ(f.file_size(), rec.size);
    f.set_process_first_record(true);
    for (std::size_t i = 0; i < rec.pings.size(); ++i) {
        VqsRecordView v;
        ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record) << i;
        EXPECT_TRUE(v.process);
        ASSERT_EQ(v.ping.size(), rec.pings[i].size());
        EXPECT_TRUE(std::equal(v.ping.begin(), v.ping.end(), rec.pings[i].begin()));
        EXPECT_EQ(f.position(), i + 1 < rec.offsets.size() ? rec.offsets[i + 1] : rec.size);
        const RecordedValues& r = f.Values();
        EXPECT_EQ(r.ts.DateText(), "08-DEC-2026");
        EXPECT_EQ(r.ts.time_text(), "13:45:07");
        EXPECT_EQ(r.ts.hundredths_text(), ".12");
        EXPECT_EQ(r.ts.millis_text(), ".123");
        EXPECT_EQ(r.xdcr, 1);
        EXPECT_TRUE(r.pipelined);
        EXPECT_EQ(r.gain, 9);
        EXPECT_FLOAT_EQ(r.tilt_deg, 12.5f);
        EXPECT_EQ(r.range_offset_m, 3);
        EXPECT_EQ(r.absorption_code, 13);
        EXPECT_EQ(r.avg_filter_length, 5);
        EXPECT_EQ(r.pulse_length_us, 250);
        EXPECT_FLOAT_EQ(r.sound_velocity, 1487.5f);
        EXPECT_EQ(r.frequency_khz, 260);
        EXPECT_EQ(r.ping_interval_ms, 100);
        EXPECT_EQ(r.display_gain, 40);
        EXPECT_EQ(r.samples_per_beam, 1000);
        EXPECT_FLOAT_EQ(r.range_m, 50.0f);
        EXPECT_TRUE(r.position_valid);
        EXPECT_DOUBLE_EQ(r.lat_deg, 57.123456);
        EXPECT_DOUBLE_EQ(r.lon_deg, -3.5);
        EXPECT_FLOAT_EQ(r.heading_deg, 179.5f);
        EXPECT_FLOAT_EQ(r.sonar_x_offset_m, -1.5f);
        EXPECT_FLOAT_EQ(r.sonar_depth_m, 2.25f);
    }
    VqsRecordView v;
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
    EXPECT_EQ(f.position(), 0u);
    EXPECT_TRUE(f.skip_next());
}

// Edits one header field of every record of a file.
void PatchFile(const std::filesystem::path& p, const Recorded& rec, std::size_t offset,
               const void* value, std::size_t n) {
    std::string b = test::ReadFile(p);
    for (std::uint64_t o : rec.offsets) std::memcpy(b.data() + o + offset, value, n);
    test::WriteFile(p, b);
}

TEST(VqsFile, OutOfRangeHeaderValuesKeepCurrentSettings) {
    test::TempDir dir;
    auto path = dir / "range.VQS";
    Recorded rec = WriteRecording(path, {1200});
    float sv = 1700.0f, tilt = 95.0f, interval = 0.0f;
    std::uint32_t pulse = 5000, samples = 700;
    std::uint8_t zero = 0, gain101 = 101;
    PatchFile(path, rec, 338, &sv, 4);
    PatchFile(path, rec, 321, &tilt, 4);
    PatchFile(path, rec, 334, &pulse, 4);
    PatchFile(path, rec, 353, &samples, 4);
    PatchFile(path, rec, 346, &interval, 4);
    PatchFile(path, rec, 333, &zero, 1);
    PatchFile(path, rec, 350, &gain101, 1);
    PatchFile(path, rec, 12, "13", 2);  // month 13
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    f.Values().sound_velocity = 1450.0f;
    f.Values().tilt_deg = -4.0f;
    f.Values().pulse_length_us = 99;
    f.set_measured_period_ms(87);
    VqsRecordView v;
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_FLOAT_EQ(f.Values().sound_velocity, 1450.0f);
    EXPECT_FLOAT_EQ(f.Values().tilt_deg, -4.0f);
    EXPECT_EQ(f.Values().pulse_length_us, 99);
    EXPECT_EQ(f.Values().samples_per_beam, 500);
    EXPECT_EQ(f.Values().ping_interval_ms, 87);
    EXPECT_EQ(f.Values().avg_filter_length, 3);
    EXPECT_EQ(f.Values().display_gain, 1);
    EXPECT_EQ(f.Values().ts.DateText(), "08-JAN-2026");
}

TEST(VqsFile, OperatorTiltWinsOverRecordedTilt) {
    test::TempDir dir;
    auto path = dir / "tilt.VQS";
    WriteRecording(path, {1200});
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    f.Values().tilt_deg = 30.0f;
    f.Values().tilt_changed_by_operator = true;
    VqsRecordView v;
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_FLOAT_EQ(f.Values().tilt_deg, 30.0f);
}

TEST(VqsFile, VersionFiveUsesFixedLengths) {
    test::TempDir dir;
    auto path = dir / "v5.VQS";
    Recorded rec = WriteRecording(path, {71456, 71456, 71456});
    std::uint8_t five = 5;
    std::uint32_t wrong_len = 5000, wrong_n = 1928;
    PatchFile(path, rec, 3, &five, 1);
    PatchFile(path, rec, 4, &wrong_len, 4);
    PatchFile(path, rec, 91, &wrong_n, 4);
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    EXPECT_EQ(f.version(), 5);
    VqsRecordView v;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
        EXPECT_EQ(v.ping.size(), 71456u);
        EXPECT_EQ(v.bytes.size(), 74528u);
        EXPECT_EQ(f.position(), 74528u * (i + 1));
    }
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
}

TEST(VqsFile, OpenChecksExtensionMagicAndVersion) {
    test::TempDir dir;
    test::RecordingOperator op;
    VqsPlaybackFile f;
    test::WriteFile(dir / "a.txt", "VQS\x02");
    EXPECT_EQ(OpenForPlayback(f, dir / "a.txt", op), VqsOpenStatus::WrongExtension);
    test::WriteFile(dir / "b.vqs", "XYZ\x02");
    EXPECT_EQ(OpenForPlayback(f, dir / "b.vqs", op), VqsOpenStatus::BadFormat);
    test::WriteFile(dir / "c.VqS", std::string("VQS\x03", 4));
    EXPECT_EQ(OpenForPlayback(f, dir / "c.VqS", op), VqsOpenStatus::BadFormat);
    EXPECT_EQ(f.Open(dir / "c.VqS", VqsOpenCheck::MagicOnly), VqsOpenStatus::Ok);
    auto msgs = op.messages();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].text, "File extension must be .VQS");
    EXPECT_EQ(msgs[1].text, "Data type is incorrect --> check file format");
    EXPECT_EQ(msgs[1].title, "Open a Sonar File For Playback");
    EXPECT_EQ(op.titles().back(), "Vornax_Qi Multibeam Sonar - [No File]");
    WriteRecording(dir / "Good.VQS", {1200});
    EXPECT_EQ(OpenForPlayback(f, dir / "Good.VQS", op), VqsOpenStatus::Ok);
    std::string lower = (dir / "Good.VQS").string();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(op.titles().back(), "Vornax_Qi Multibeam Sonar - " + lower);
}

TEST(VqsFile, OneRecordFileIsNeverProcessedExceptByConversion) {
    test::TempDir dir;
    auto path = dir / "one.VQS";
    WriteRecording(path, {1300});
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    VqsRecordView v;
    for (int lap = 0; lap < 3; ++lap) {
        ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
        EXPECT_FALSE(v.process);
        EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
    }
    f.set_process_first_record(true);
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_TRUE(v.process);
}

TEST(VqsFile, ShortFilesPlayNothing) {
    test::TempDir dir;
    test::WriteFile(dir / "tiny.VQS", std::string("VQS\x02", 4) + std::string(1000, '\0'));
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(dir / "tiny.VQS"), VqsOpenStatus::Ok);
    VqsRecordView v;
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
    EXPECT_FALSE(f.JumpToPercent(0));
    EXPECT_FALSE(f.JumpToPercent(100));
}

TEST(VqsFile, TruncatedAtEveryOffsetOfLastRecordPlaysTheWholeRecords) {
    test::TempDir dir;
    auto path = dir / "full.VQS";
    Recorded rec = WriteRecording(path, {1160, 1170, 1180});
    VqsPlaybackFile f;
    f.set_process_first_record(true);
    // Shrinking the file one byte at a time visits every cut inside the last record.
    auto cut_path = path;
    for (std::uint64_t cut = rec.size - 1; cut >= rec.offsets[2]; --cut) {
        std::filesystem::resize_file(cut_path, cut);
        ASSERT_EQ(f.Open(cut_path), VqsOpenStatus::Ok);
        VqsRecordView v;
        int n = 0;
        while (f.ReadNext(v) == VqsReadStatus::Record) {
            ASSERT_EQ(v.ping.size(), rec.pings[static_cast<std::size_t>(n)].size());
            ASSERT_LT(++n, 3) << "cut at " << cut;
        }
        ASSERT_EQ(n, 2) << "cut at " << cut;
    }
}

TEST(VqsFile, JumpToMiddleFindsNextRecordEvenWithMagicInPingData) {
    test::TempDir dir;
    auto path = dir / "jump.VQS";
    std::vector<std::size_t> lengths(11, 5000);  // the middle falls inside record 5
    Recorded rec = WriteRecording(path, lengths);
    // Plant "VQS" inside the ping data of every record, also right after the middle.
    std::string b = test::ReadFile(path);
    std::uint64_t mid = rec.size / 2;
    for (std::uint64_t o : rec.offsets) std::memcpy(b.data() + o + 3072 + 2000, "VQS", 3);
    std::memcpy(b.data() + mid + 10, "VQS", 3);
    test::WriteFile(path, b);
    std::uint64_t expected = *std::find_if(rec.offsets.begin(), rec.offsets.end(),
                                           [&](std::uint64_t o) { return o >= mid; });
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    EXPECT_EQ(JumpPercent(0.5), 50);
    ASSERT_TRUE(f.JumpToPercent(50));
    EXPECT_EQ(f.position(), expected);
    VqsRecordView v;
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    std::size_t index = static_cast<std::size_t>(
        std::find(rec.offsets.begin(), rec.offsets.end(), expected) - rec.offsets.begin());
    EXPECT_EQ(v.ping[4], rec.pings[index][4]);
    // A jump past the last record start scans to the end and wraps on the next read.
    ASSERT_TRUE(f.JumpToPercent(99));
    EXPECT_EQ(f.position(), rec.size);
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
    EXPECT_EQ(JumpPercent(0.004), 0);
    EXPECT_EQ(JumpPercent(0.996), 100);
}

TEST(VqsFile, VideoFramesTravelWithTheFollowingRecord) {
    test::TempDir dir;
    auto path = dir / "video.VQS";
    std::vector<std::uint8_t> frame(54 + 4 * 3 * 2, 0x11);
    frame[0] = 'B';
    frame[1] = 'M';
    std::uint32_t len = static_cast<std::uint32_t>(frame.size());
    std::memcpy(frame.data() + 2, &len, 4);
    Recorded rec = WriteRecording(path, {1200, 1300, 1400}, {frame});
    std::string b = test::ReadFile(path);
    const auto* h = reinterpret_cast<const std::uint8_t*>(b.data());
    EXPECT_EQ(h[63], 0x05);
    EXPECT_EQ(Le32(h + 71), len);
    EXPECT_EQ(Le32(h + 4), 3072u + 1200);
    EXPECT_EQ(rec.offsets[1], 3072u + 1200 + len);
    EXPECT_EQ(Le32(h + rec.offsets[1] + 59), 3072u + 1200);  // frames never counted
    VqsPlaybackFile f;
    f.set_process_first_record(true);
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    VqsRecordView v;
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_TRUE(v.frame.empty());
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    ASSERT_EQ(v.frame.size(), frame.size());
    EXPECT_TRUE(std::equal(v.frame.begin(), v.frame.end(), frame.begin()));
    EXPECT_EQ(v.ping.size(), 1300u);
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_TRUE(v.frame.empty());
}

TEST(VqsFile, CorruptRecordsResynchroniseAtTheNextRecord) {
    test::TempDir dir;
    auto path = dir / "bad.VQS";
    Recorded rec = WriteRecording(path, {1200, 1300, 1400, 1500});
    std::string b = test::ReadFile(path);
    std::uint32_t huge = 0xFFFFFFF0u;
    std::memcpy(b.data() + rec.offsets[1] + 4, &huge, 4);   // record 1: absurd length
    std::memcpy(b.data() + rec.offsets[2] + 91, &huge, 4);  // record 2: absurd block 2
    test::WriteFile(path, b);
    VqsPlaybackFile f;
    f.set_process_first_record(true);
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    VqsRecordView v;
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_EQ(v.ping.size(), 1200u);
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_EQ(v.ping.size(), 1500u);
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);

    // Garbage between records and a "BM" block claiming gigabytes.
    std::string g = test::ReadFile(path).substr(0, rec.offsets[1]) + "BM\xff\xff\xff\x7f" +
                    std::string(100, 'x') + test::ReadFile(path).substr(rec.offsets[3]);
    test::WriteFile(path, g);
    ASSERT_EQ(f.Open(path), VqsOpenStatus::Ok);
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    ASSERT_EQ(f.ReadNext(v), VqsReadStatus::Record);
    EXPECT_EQ(v.ping.size(), 1500u);
    EXPECT_EQ(f.ReadNext(v), VqsReadStatus::EndOfFile);
}

TEST(VqsFile, VideoFrameIntervalFollowsRateAndPingPeriod) {
    EXPECT_EQ(VideoFrameInterval(3.0f, 100), 3);    // 1 / 0.3 = 3.33
    EXPECT_EQ(VideoFrameInterval(3.0f, 0), 1);      // T = 1 s: 0.33 + 0.5
    EXPECT_EQ(VideoFrameInterval(0.01f, 50), 100);  // clamped
    EXPECT_EQ(VideoFrameInterval(30.0f, 100), 1);
    VideoFrameSchedule s;
    int frames = 0;
    for (int i = 0; i < 9; ++i) frames += s.NextRecordCarriesFrame(3.0f, 100) ? 1 : 0;
    EXPECT_EQ(frames, 3);
}

TEST(VqsFile, NavigationComesFromTheGpsSnapshot) {
    NavSnapshot g;
    g.latitude_deg = -33.5;
    g.longitude_deg = 151.25;
    g.latitude_text = {' ', '3', '3', '.', '3', '0', '.', '0', '0', '0', '0', '0', ' ', 'S'};
    g.speed_knots = 6.5f;
    g.heading_deg = 90.0f;
    g.position_valid = true;
    RecordNav n = RecordNavFrom(g, 1.0f, -2.0f, 0.25f);
    EXPECT_EQ(std::string(n.lat_text.data()), " 33.30.00000 S");
    EXPECT_DOUBLE_EQ(n.lat_deg, -33.5);
    EXPECT_DOUBLE_EQ(n.lon_deg, 151.25);
    EXPECT_FLOAT_EQ(n.speed_kn, 6.5f);
    EXPECT_TRUE(n.position_valid);
    EXPECT_FALSE(n.heading_valid);
    EXPECT_FLOAT_EQ(n.roll_deg, -2.0f);
}

}  // namespace
}  // namespace vq
