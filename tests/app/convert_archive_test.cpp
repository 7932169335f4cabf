// scripts/convert-archive on a small tree of recordings of simulated pings: it
// converts every recording once with the real program under GNU parallel, leaves the settings
// file as it was, reports a broken recording without stopping the others, converts nothing the
// second time, and takes up new or newer recordings (also through a host list of this machine).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/sim_recording.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct RunResult {
    int status = -1;
    std::string out, err;
};

class ConvertArchive : public ::testing::Test {
  protected:
    // One recording of simulated pings, shared by every case.
    static void SetUpTestSuite() {
        recording_ = new std::string(test::MakeSimRecording(8, 500, false));
    }
    static void TearDownTestSuite() {
        delete recording_;
        recording_ = nullptr;
    }

    void SetUp() override {
#ifndef VQ_PROGRAM
        GTEST_SKIP() << "the program is not built (no GUI in this build)";
#endif
        ASSERT_NE(recording_, nullptr);
        dir_.WriteLoopbackIni();
        settings_ = test::ReadFile(dir_ / "Vornax_Qi.INI");
        fs::create_directories(dir_ / "tree/a/b");
        fs::create_directories(dir_ / "tree/c");
        test::WriteFile(dir_ / "tree/a/one.vqs", *recording_);
        test::WriteFile(dir_ / "tree/a/b/two.VQS", *recording_);
        test::WriteFile(dir_ / "tree/three.vqs", *recording_);
        test::WriteFile(dir_ / "tree/c/bad.vqs", "XYZ" + std::string(4000, '\0'));
        test::WriteFile(dir_ / "tree/c/notes.txt", "not a recording");
    }

    RunResult Run(const std::string& args) const {
        RunResult r;
#ifdef VQ_PROGRAM
        const std::string cmd = "cd '" + dir_.path().string() +
                                "' && '" VQ_SOURCE_DIR
                                "/scripts/convert-archive' --program '" VQ_PROGRAM "' " +
                                args + " >stdout.txt 2>stderr.txt";
        const int rc = std::system(cmd.c_str());
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = test::ReadFile(dir_ / "stdout.txt");
        r.err = test::ReadFile(dir_ / "stderr.txt");
#else
        (void)args;
#endif
        return r;
    }

    std::size_t PointFileSize(const std::string& name) const {
        const fs::path p = dir_ / name;
        return fs::exists(p) ? static_cast<std::size_t>(fs::file_size(p)) : 0;
    }

    static std::string* recording_;
    TempDir dir_;
    std::string settings_;
};

std::string* ConvertArchive::recording_ = nullptr;

constexpr std::size_t kPointRecord = 496;  // 120 beams (StepSize 2, the default)

TEST_F(ConvertArchive, ConvertsEachRecordingOnceAndReportsTheBrokenOne) {
    RunResult r = Run("-j 2 tree");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("4 recordings, 0 already converted, 4 to convert"), std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("3 converted, 1 failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tree/c/bad.vqs"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Data type is incorrect"), std::string::npos) << r.err;
    const std::size_t records = PointFileSize("tree/a/one.Q4P") / kPointRecord;
    EXPECT_EQ(records, 8u);
    EXPECT_EQ(PointFileSize("tree/a/one.Q4P"), records * kPointRecord);
    EXPECT_EQ(PointFileSize("tree/a/b/two.Q4P"), records * kPointRecord);
    EXPECT_EQ(PointFileSize("tree/three.Q4P"), records * kPointRecord);
    EXPECT_FALSE(fs::exists(dir_ / "tree/c/bad.Q4P"));
    EXPECT_EQ(test::ReadFile(dir_ / "Vornax_Qi.INI"), settings_);  // read, never written back

    // Nothing new: only the broken recording is tried again, the others are left alone.
    const auto stamp = fs::last_write_time(dir_ / "tree/a/one.Q4P");
    r = Run("tree");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("4 recordings, 3 already converted, 1 to convert"), std::string::npos)
        << r.out;
    EXPECT_EQ(fs::last_write_time(dir_ / "tree/a/one.Q4P"), stamp);
}

TEST_F(ConvertArchive, TakesUpRepairedAndNewerRecordingsThroughAHostList) {
    RunResult r = Run("--to b tree");
    EXPECT_EQ(r.status, 1) << r.err;
    const auto stamp = fs::last_write_time(dir_ / "tree/three.Q4B");
    test::WriteFile(dir_ / "tree/c/bad.vqs", *recording_);  // repaired
    // An output older than its recording (the recording was replaced since) is made again.
    fs::last_write_time(dir_ / "tree/a/one.Q4B",
                        fs::last_write_time(dir_ / "tree/a/one.vqs") - std::chrono::seconds(10));
    test::WriteFile(dir_ / "hosts", "2/:\n");  // this machine, two at once
    r = Run("--to b --hosts hosts tree");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("4 recordings, 2 already converted, 2 to convert"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("2 converted"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir_ / "tree/c/bad.Q4B"));
    EXPECT_GT(fs::last_write_time(dir_ / "tree/a/one.Q4B"),
              fs::last_write_time(dir_ / "tree/a/one.vqs"));
    EXPECT_EQ(fs::last_write_time(dir_ / "tree/three.Q4B"), stamp);
    r = Run("--to b --dry-run tree");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("4 already converted, 0 to convert"), std::string::npos) << r.out;
}

TEST_F(ConvertArchive, RefusesBadOptionsBeforeConvertingAnything) {
    for (const char* args : {"--to q tree", "--jobs 0 tree", "--hosts missing tree", "",
                             "--settings tree/c/notes.txt tree", "no-such-dir"}) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(fs::exists(dir_ / "tree/a/one.Q4P")) << args;
    }
}

}  // namespace
}  // namespace vq
