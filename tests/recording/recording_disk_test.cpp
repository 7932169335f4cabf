// Recording control at the edges of the disk: recordings that end before their first record
// leave no file behind, and a file system that really fills stops recording with whole
// records and the operator's message.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "recording/recording_control.h"
#include "recording/recording_test_util.h"
#include "recording/vqs_reader.h"
#include "support/recording_operator.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

const PingTimeStamp kStamp = test::Stamp(2026, 12, 8, 13, 45, 7, 123);
constexpr std::size_t kRecordBytes = 3072 + 2152;

std::vector<fs::path> Recordings(const fs::path& dir) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".VQS") out.push_back(e.path());
    return out;
}

int CountRecords(const fs::path& p) {
    VqsPlaybackFile f;
    if (f.Open(p) != VqsOpenStatus::Ok) return -1;
    f.set_process_first_record(true);
    VqsRecordView v;
    int n = 0;
    while (f.ReadNext(v) == VqsReadStatus::Record) ++n;
    return n;
}

int CountSaid(const test::RecordingOperator& op, const std::string& text) {
    int n = 0;
    for (const auto& m : op.messages()) n += m.text == text && m.title == kDiskCheckTitle;
    return n;
}

// Free space as a source that always reports plenty, so only the file system itself can
// refuse a write.
DiskSpace Plenty() {
    return DiskSpace([](const fs::path&) { return std::optional<std::uint64_t>(1ull << 40); });
}

struct Rig {
    explicit Rig(const fs::path& dir, DiskSpace disk = Plenty()) : rc(op, std::move(disk)) {
        RecordingOptions o;
        o.current_dir = dir;
        o.startup_dir = dir;
        rc.set_options(o);
    }
    bool Write() { return rc.WritePing(ping, kStamp, RecordSettings{}, RecordNav{}); }
    test::RecordingOperator op;
    RecordingControl rc;
    std::vector<std::uint8_t> ping = test::MakePing(2152, 1);  // record of 5224 bytes
};

TEST(RecordingDisk, StartingAndStoppingWithoutARecordLeavesNoFile) {
    test::TempDir dir;
    {
        Rig rig(dir.path());
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
            ASSERT_EQ(Recordings(dir.path()).size(), 1u);  // the file exists while recording
            rig.rc.RecordStop();
            EXPECT_TRUE(Recordings(dir.path()).empty()) << "after start/stop " << i;
        }
        // With one record the file stays, and the next automatic number follows it.
        ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
        ASSERT_TRUE(rig.Write());
        rig.rc.RecordStop();
        ASSERT_EQ(Recordings(dir.path()).size(), 1u);
        EXPECT_EQ(Recordings(dir.path())[0].filename(), "08DEC2026-0001.VQS");
        EXPECT_EQ(CountRecords(Recordings(dir.path())[0]), 1);
        ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
        EXPECT_EQ(rig.rc.recording_path().filename(), "08DEC2026-0002.VQS");
        // Ending the program while such a recording is open removes it too.
    }
    ASSERT_EQ(Recordings(dir.path()).size(), 1u);
    EXPECT_TRUE(fs::exists(dir / "08DEC2026-0001.VQS"));

    // A copy started and stopped without a record read.
    Rig copy(dir.path());
    ASSERT_TRUE(copy.rc.CopyStart(dir / "copy.VQS"));
    EXPECT_TRUE(fs::exists(dir / "copy.VQS"));
    copy.rc.CopyStop(dir / "08DEC2026-0001.VQS");
    EXPECT_FALSE(fs::exists(dir / "copy.VQS"));
}

TEST(RecordingDisk, ARefusalBeforeTheFirstRecordLeavesNoFile) {
    test::TempDir dir;
    auto free_bytes = std::make_shared<std::uint64_t>(1ull << 40);
    Rig rig(dir.path(),
            DiskSpace([free_bytes](const fs::path&) { return std::optional(*free_bytes); }));
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    *free_bytes = DiskSpace::kSafetyMargin + 100;  // the disk filled between open and record
    EXPECT_FALSE(rig.Write());
    EXPECT_FALSE(rig.rc.Recording());
    EXPECT_EQ(CountSaid(rig.op, kDiskFullAtWrite), 1);
    EXPECT_TRUE(Recordings(dir.path()).empty());
}

// A tmpfs of 256 kB that the free-space measure does not see filling: the write itself fails,
// and that is handled as a full disk.
TEST(RecordingDisk, AWriteThatFindsTheDiskFullStopsWithWholeRecords) {
    test::TempDir dir;
    const fs::path mount = dir / "disk";
    fs::create_directory(mount);
    test::SmallDisk disk(mount, 256 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no small file system here: " << disk.why();
    Rig rig(mount);
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    const fs::path file = rig.rc.recording_path();
    int written = 0;
    while (rig.Write()) ASSERT_LT(++written, 100);
    EXPECT_GT(written, 30);
    EXPECT_FALSE(rig.rc.Recording());
    EXPECT_EQ(CountSaid(rig.op, kDiskFullAtWrite), 1);
    // The cut record was taken back: the file holds exactly the records written.
    EXPECT_EQ(fs::file_size(file), written * kRecordBytes);
    EXPECT_EQ(CountRecords(file), written);

    // Recording again on the full disk: the first record fails, the message comes again,
    // and no empty file is left.
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    EXPECT_FALSE(rig.Write());
    EXPECT_FALSE(rig.rc.Recording());
    EXPECT_EQ(CountSaid(rig.op, kDiskFullAtWrite), 2);
    EXPECT_EQ(Recordings(mount).size(), 1u);
    EXPECT_EQ(CountRecords(file), written);
}

// The program's own measure on a real file system: recording stops when a record would eat
// into the safety margin, before the disk is full.
TEST(RecordingDisk, TheMeasuredFreeSpaceStopsRecordingBeforeTheMargin) {
    test::TempDir dir;
    const fs::path mount = dir / "disk";
    fs::create_directory(mount);
    test::SmallDisk disk(mount, DiskSpace::kSafetyMargin + 512 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no small file system here: " << disk.why();
    Rig rig(mount, DiskSpace());
    ASSERT_TRUE(rig.rc.RecordStartAutomatic(kStamp));
    const fs::path file = rig.rc.recording_path();
    int written = 0;
    while (rig.Write()) ASSERT_LT(++written, 200);
    EXPECT_GT(written, 60);
    EXPECT_EQ(CountSaid(rig.op, kDiskFullAtWrite), 1);
    EXPECT_FALSE(rig.rc.Recording());
    EXPECT_EQ(CountRecords(file), written);
    EXPECT_LT(disk.free_bytes(), DiskSpace::kSafetyMargin + kRecordBytes);
    EXPECT_GE(disk.free_bytes(), DiskSpace::kSafetyMargin - 64 * 1024);
}

}  // namespace
}  // namespace vq
