// Live recording onto a disk that really fills: a small tmpfs in this test's own mount
// namespace, the simulated head, the whole engine. Recording stops with the operator's
// message, every record written stays readable, the program runs on, and the file plays back.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "app/menu_table.h"
#include "recording/disk_space.h"
#include "recording/recording_control.h"
#include "support/recording_operator.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

using test::WaitFor;

int DiskFullMessages(const test::RecordingOperator& op) {
    int n = 0;
    for (const auto& m : op.messages())
        n += m.text == kDiskFullAtWrite && m.title == kDiskCheckTitle;
    return n;
}

// Walks the records by the lengths their headers declare; -1 when the file does not end on a
// record boundary or a record is not whole.
int WholeRecords(const std::string& file) {
    auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(file[at + static_cast<std::size_t>(i)]);
        return v;
    };
    std::size_t pos = 0;
    int n = 0;
    while (pos + 3072 <= file.size()) {
        if (file.compare(pos, 3, "VQS") != 0 || u32(pos + 4) != 3072 + u32(pos + 91)) return -1;
        pos += u32(pos + 4);
        ++n;
    }
    return pos == file.size() ? n : -1;
}

TEST(EngineDisk, RecordingOntoAFillingDiskStopsWithWholeRecordsAndPlaysBack) {
    test::TempDir dir;
    const fs::path mount = dir / "disk";
    fs::create_directory(mount);
    // Room for about 80 live records beyond the margin the program keeps free.
    test::SmallDisk disk(mount, DiskSpace::kSafetyMargin + 3 * 1024 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no small file system here: " << disk.why();
    test::WriteFile(mount / "Vornax_Qi.INI",
                    "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
                    "AutoFilename=1\r\nAutoFilenameType=0\r\n");
    test::RecordingOperator op;
    EngineOptions o;
    o.working_dir = mount;
    o.simulate = true;
    o.sim_pacing = false;
    o.link_initial_delay_ms = 0;
    Engine e(o, op);
    e.Start();
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= 2; }));
    ASSERT_TRUE(e.StartRecording());
    ASSERT_TRUE(WaitFor([&] { return DiskFullMessages(op) > 0; }));
    ASSERT_TRUE(e.Sync());
    EXPECT_FALSE(e.recording().recording);

    std::vector<fs::path> files;
    for (const auto& f : fs::directory_iterator(mount))
        if (f.path().extension() == ".VQS") files.push_back(f.path());
    ASSERT_EQ(files.size(), 1u);
    const std::uintmax_t size_at_stop = fs::file_size(files[0]);
    // The program runs on live; recording stays stopped and the message came once.
    const std::uint64_t pings = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= pings + 20; }));
    EXPECT_EQ(fs::file_size(files[0]), size_at_stop);
    EXPECT_EQ(DiskFullMessages(op), 1);
    EXPECT_LT(disk.free_bytes(), DiskSpace::kSafetyMargin + 64 * 1024);

    const int records = WholeRecords(test::ReadFile(files[0]));
    EXPECT_GT(records, 50);

    // The file plays back through the same pipeline, every record but the first shown.
    e.Command(menu::kFile);
    ASSERT_TRUE(e.in_playback());
    ASSERT_TRUE(e.OpenPlaybackFile(files[0]));
    ASSERT_TRUE(e.Sync());
    ASSERT_TRUE(e.playback().open);
    ASSERT_TRUE(e.WaitForPlaybackEnd(1, std::chrono::seconds(120)));
    EXPECT_EQ(e.playback().records_at_end, static_cast<std::uint64_t>(records - 1));
    e.Shutdown();
}

}  // namespace
}  // namespace vq
