// Recording control: names, splitting, disk space, titles, copy and output files, driven
// through real files in a temporary directory and a scripted operator.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "recording/file_names.h"
#include "recording/recording_control.h"
#include "recording/recording_names.h"
#include "recording/recording_test_util.h"
#include "recording/vqs_reader.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

const PingTimeStamp kStamp = test::Stamp(2026, 12, 8, 13, 45, 7, 123);

int CountRecords(const fs::path& p) {
    VqsPlaybackFile f;
    if (f.Open(p) != VqsOpenStatus::Ok) return -1;
    f.set_process_first_record(true);
    VqsRecordView v;
    int n = 0;
    while (f.ReadNext(v) == VqsReadStatus::Record) ++n;
    return n;
}

struct Rig {
    test::RecordingOperator op;
    std::shared_ptr<std::atomic<std::uint64_t>> free_bytes =
        std::make_shared<std::atomic<std::uint64_t>>(1ull << 40);
    RecordingControl rc{op, DiskSpace([f = free_bytes](const fs::path&) {
                            return std::optional<std::uint64_t>(f->load());
                        })};
    std::vector<std::uint8_t> ping = test::MakePing(2152, 1);  // record of 5224 bytes

    bool Write() { return rc.WritePing(ping, kStamp, RecordSettings{}, RecordNav{}); }
};

std::string Lower(const fs::path& p) {
    std::string s = p.string();
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

TEST(RecordingNames, DateNumberTakesTheNextNumberOfTheDay) {
    test::TempDir dir;
    for (int i = 1; i <= 7; ++i)
        test::WriteFile(dir / ("08DEC2026-000" + std::to_string(i) + ".VQS"), "x");
    test::WriteFile(dir / "07DEC2026-0042.VQS", "x");  // another day
    test::WriteFile(dir / "08DEC2026-0099.txt", "x");  // not a recording
    auto name = DateNumberName(dir.path(), kStamp);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->filename(), "08DEC2026-0008.VQS");
    test::TempDir empty;
    EXPECT_EQ(DateNumberName(empty.path(), kStamp)->filename(), "08DEC2026-0001.VQS");
}

TEST(RecordingNames, AutomaticNamesNeverReplaceARecording) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.current_dir = dir.path();
    o.startup_dir = dir.path();
    rig.rc.set_options(o);
    test::WriteFile(dir / "08DEC2026-9999.VQS", "precious");
    EXPECT_FALSE(rig.rc.RecordStartAutomatic(kStamp));
    EXPECT_EQ(test::ReadFile(dir / "08DEC2026-9999.VQS"), "precious");
    ASSERT_EQ(rig.op.messages().size(), 1u);
    EXPECT_EQ(rig.op.messages()[0].title, "Open a Sonar File For Recording");

    // Date-Time: two starts within the same second get two files.
    o.AutoFilenameType = 1;
    rig.rc.set_options(o);
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    EXPECT_EQ(rig.rc.recording_path().filename(), "08DEC2026-134507.VQS");
    ASSERT_TRUE(rig.Write());
    rig.rc.RecordStop();
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    EXPECT_EQ(rig.rc.recording_path().filename(), "08DEC2026-134507-2.VQS");
    rig.rc.RecordStop();
    EXPECT_EQ(CountRecords(dir / "08DEC2026-134507.VQS"), 1);
}

// A controller may switch recording on and off far more often than once a second: recordings
// that received no record leave no file, so the names of that second are never used up.
TEST(RecordingNames, StartsAndStopsWithoutRecordsUseNoName) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.current_dir = dir.path();
    o.startup_dir = dir.path();
    o.AutoFilenameType = 1;
    rig.rc.set_options(o);
    for (int i = 0; i < 150; ++i) {
        ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp)) << i;
        rig.rc.RecordStop();
    }
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    EXPECT_EQ(rig.rc.recording_path().filename(), "08DEC2026-134507.VQS");
    ASSERT_TRUE(rig.Write());
    rig.rc.RecordStop();
    EXPECT_EQ(CountRecords(dir / "08DEC2026-134507.VQS"), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(rig.op.messages().empty());
}

TEST(RecordingControl, SizeLimitArithmetic) {
    EXPECT_EQ(FileSizeLimitBytes(100), 102400000u);
    EXPECT_EQ(FileSizeLimitBytes(1000), 1024000000u);
    EXPECT_EQ(GroupThousands(12345), "12,345");
    EXPECT_EQ(GroupThousands(999), "999");
    EXPECT_EQ(GroupThousands(1000000), "1,000,000");
}

TEST(RecordingControl, SplitsIntoNumberedFilesAndContinues) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.AutoFilename = 0;
    o.MaximumFilesize = 1;
    rig.rc.set_options(o);
    rig.rc.set_size_unit_bytes(2 * 5224);  // reached exactly by the second record
    ASSERT_TRUE(rig.rc.RecordStartAt((dir / "survey.VQS").string(), false));
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(rig.Write()) << i;
    EXPECT_TRUE(rig.rc.Recording());
    EXPECT_EQ(rig.rc.recording_path(), dir / "survey-004.VQS");
    EXPECT_FALSE(fs::exists(dir / "survey.VQS"));
    for (const char* n : {"survey-001.VQS", "survey-002.VQS", "survey-003.VQS"})
        EXPECT_EQ(CountRecords(dir / n), 2) << n;
    rig.rc.RecordStop();
    EXPECT_EQ(CountRecords(dir / "survey-004.VQS"), 1);
    EXPECT_EQ(rig.rc.split_counter(), 0);
}

TEST(RecordingControl, LimitIsCheckedAfterTheRecordThatReachesIt) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.AutoFilename = 0;
    o.MaximumFilesize = 1;
    rig.rc.set_options(o);
    rig.rc.set_size_unit_bytes(2 * 5224 + 1);
    ASSERT_TRUE(rig.rc.RecordStartAt((dir / "s.VQS").string(), false));
    rig.Write();
    rig.Write();
    EXPECT_EQ(rig.rc.recording_path(), dir / "s.VQS");
    rig.Write();  // 15672 bytes: over the limit by most of a record
    EXPECT_EQ(rig.rc.recording_path(), dir / "s-002.VQS");
    EXPECT_EQ(fs::file_size(dir / "s-001.VQS"), 3u * 5224);
}

TEST(RecordingControl, SplitNamesSkipExistingFiles) {
    test::TempDir dir;
    test::WriteFile(dir / "survey-001.VQS", "older recording");
    Rig rig;
    RecordingOptions o;
    o.AutoFilename = 0;
    o.MaximumFilesize = 1;
    rig.rc.set_options(o);
    rig.rc.set_size_unit_bytes(5224);
    ASSERT_TRUE(rig.rc.RecordStartAt((dir / "survey.VQS").string(), false));
    rig.Write();
    EXPECT_EQ(test::ReadFile(dir / "survey-001.VQS"), "older recording");
    EXPECT_EQ(CountRecords(dir / "survey-002.VQS"), 1);
    EXPECT_EQ(rig.rc.recording_path(), dir / "survey-003.VQS");
}

TEST(RecordingControl, AutomaticNamesStartAFreshFileAtTheLimit) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.current_dir = dir.path();
    o.MaximumFilesize = 1;
    rig.rc.set_options(o);
    rig.rc.set_size_unit_bytes(5224);
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    rig.Write();
    rig.Write();
    EXPECT_EQ(rig.rc.recording_path().filename(), "08DEC2026-0003.VQS");
    EXPECT_EQ(CountRecords(dir / "08DEC2026-0001.VQS"), 1);
    EXPECT_EQ(CountRecords(dir / "08DEC2026-0002.VQS"), 1);
}

TEST(RecordingControl, FullDiskStopsRecordingAndKeepsWrittenRecords) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.current_dir = dir.path();
    rig.rc.set_options(o);
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    fs::path path = rig.rc.recording_path();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(rig.Write());
    rig.free_bytes->store(DiskSpace::kSafetyMargin + 5000);  // less than a record beyond margin
    EXPECT_FALSE(rig.Write());
    EXPECT_FALSE(rig.rc.Recording());
    EXPECT_FALSE(rig.Write());
    ASSERT_EQ(rig.op.messages().size(), 1u);
    EXPECT_EQ(rig.op.messages()[0].text, "Disk Drive is full.\nData will NOT be recorded.");
    EXPECT_EQ(rig.op.messages()[0].title, "CheckAvailableDiskSpace");
    EXPECT_EQ(rig.op.titles().back(), "Vornax_Qi Multibeam Sonar");
    EXPECT_EQ(CountRecords(path), 3);
    EXPECT_EQ(fs::file_size(path), 3u * 5224);

    rig.free_bytes->store(0);
    EXPECT_FALSE(rig.rc.RecordStartAutomatic(kStamp));
    EXPECT_EQ(rig.op.messages().back().text, "Disk Drive is full.\nData can NOT be recorded.");
}

TEST(RecordingControl, RealFileSystemIsMeasured) {
    test::TempDir dir;
    auto free_now = DiskSpace::Measure(dir.path());
    ASSERT_TRUE(free_now);
    EXPECT_GT(*free_now, 0u);
    DiskSpace d;
    EXPECT_FALSE(d.CheckAvailableDiskSpace(dir.path(), *free_now + 1));
    EXPECT_TRUE(d.CheckAvailableDiskSpace(dir / "no-such-dir", 1ull << 62));  // unmeasurable
}

TEST(RecordingControl, TitlesAndMenuTextOfARecording) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.AutoFilename = 0;
    rig.rc.set_options(o);
    EXPECT_FALSE(rig.rc.RecordStartAt({}, false));  // a cancelled dialog starts nothing
    EXPECT_FALSE(rig.rc.Recording());
    fs::path p = dir / "Big.vqs";
    ASSERT_TRUE(rig.rc.RecordStartAt(p.string(), false));
    EXPECT_STREQ(rig.rc.record_menu_text(), "&Record Stop...\t  Ctrl+E");
    EXPECT_EQ(rig.op.titles().back(), "Vornax_Qi Multibeam Sonar - Recording to " + Lower(p));
    std::vector<std::uint8_t> big = test::MakePing(75000, 3);
    for (int i = 0; i < 14; ++i) rig.rc.WritePing(big, kStamp, RecordSettings{}, RecordNav{});
    EXPECT_EQ(rig.op.titles().back(),
              "Vornax_Qi Multibeam Sonar - Recording to " + Lower(p) + " - 1,067 kB");
    rig.rc.RecordStop();
    EXPECT_STREQ(rig.rc.record_menu_text(), "&Record Start...\t  Ctrl+S");
}

TEST(RecordingControl, CopyWritesTheRecordsReadWithoutFrames) {
    test::TempDir dir;
    Rig rig;
    RecordingOptions o;
    o.current_dir = dir.path();
    rig.rc.set_options(o);
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    fs::path src = rig.rc.recording_path();
    std::vector<std::uint8_t> frame(60, 7);
    frame[0] = 'B';
    frame[1] = 'M';
    frame[2] = 60;
    rig.rc.WritePing(rig.ping, kStamp, RecordSettings{}, RecordNav{}, frame);
    rig.Write();
    rig.rc.RecordStop();

    fs::path copy = dir / "copy.VQS";
    ASSERT_TRUE(rig.rc.CopyStart(copy));
    EXPECT_TRUE(rig.rc.snapshot().copying);
    EXPECT_EQ(rig.rc.snapshot().copy_path, copy.string());
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(src), VqsOpenStatus::Ok);
    VqsRecordView v;
    while (f.ReadNext(v) == VqsReadStatus::Record) rig.rc.CopyRecord(v.bytes);
    EXPECT_EQ(rig.rc.bytes_copied(), 2 * 5224);
    EXPECT_EQ(rig.op.titles().back(),
              "Vornax_Qi Multibeam Sonar - Copying to " + Lower(copy) + " - 10 kB");
    rig.rc.CopyStop(src);
    EXPECT_EQ(rig.op.messages().back().text, copy.string());
    EXPECT_EQ(rig.op.messages().back().title, "Close Copy File");
    EXPECT_EQ(rig.op.titles().back(), "Vornax_Qi Multibeam Sonar - Playback of " + Lower(src));
    std::string a = test::ReadFile(src), b = test::ReadFile(copy);
    EXPECT_EQ(b, a.substr(0, 5224) + a.substr(5224 + 60));
}

TEST(RecordingControl, PointAndBeamFiles) {
    test::TempDir dir;
    Rig rig;
    rig.rc.AdvanceOutputPingNumber();
    fs::path p = dir / "p.Q4P";
    test::WriteFile(p, "old contents are replaced");
    ASSERT_TRUE(rig.rc.OpenOutput(OutputKind::Point, p));
    EXPECT_TRUE(rig.rc.snapshot().output_open(OutputKind::Point));
    EXPECT_EQ(rig.rc.snapshot().output_paths[0], p.string());
    EXPECT_EQ(rig.rc.output_ping_number(), 0u);
    EXPECT_TRUE(rig.rc.TakeOutputStatusChange(OutputKind::Point));
    EXPECT_FALSE(rig.rc.TakeOutputStatusChange(OutputKind::Point));
    std::vector<std::uint8_t> rec(2176, 1);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(rig.rc.WriteOutput(OutputKind::Point, rec));
    EXPECT_EQ(rig.rc.OutputStatusText(OutputKind::Point),
              "Recording to " + p.string() + " - 10 kB");
    EXPECT_TRUE(rig.rc.TakeOutputStatusChange(OutputKind::Point));
    rig.free_bytes->store(0);
    EXPECT_EQ(rig.rc.snapshot().output_bytes[0], 5 * 2176);
    EXPECT_FALSE(rig.rc.WriteOutput(OutputKind::Point, rec));
    EXPECT_FALSE(rig.rc.OutputOpen(OutputKind::Point));
    EXPECT_FALSE(rig.rc.snapshot().output_open(OutputKind::Point));
    EXPECT_EQ(rig.op.messages().back().text, "Disk Drive is full.\nData will NOT be recorded.");
    EXPECT_EQ(fs::file_size(p), 5u * 2176);

    std::string path = "/data/survey/2026/december/week49/line_0042_port_side.Q4P";
    auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 8; };
    std::string fitted = FitStatusLine(path, 12, 497, width);
    EXPECT_EQ(fitted, "Recording to .../week49/line_0042_port_side.Q4P - 12 kB");
    EXPECT_EQ(FitStatusLine("/a/b.Q4P", 1, 497, width), "Recording to /a/b.Q4P - 1 kB");
}

}  // namespace
}  // namespace vq
