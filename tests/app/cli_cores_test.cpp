// The unattended conversion on every core, through the real program run as a child process:
// the outputs of --jobs 1 and --jobs 2 or 3 are byte for byte those of the conversion that
// also draws the picture on one thread, for recordings with averaging, along-track filtering
// and a corrupt record in the middle; several recordings on one command line; two runs at
// once in one directory; --version and --help.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "app/sim_recording.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Averaging over 5 pings, Bottom Following with every filter and along-track averaging.
constexpr const char* kSettings =
    "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
    "StepSize=0\r\nAvgFilter=1\r\nAvgFilterIndex=5\r\nProcessingMode=2\r\n"
    "ProfilePointFilter=2\r\n"
    "[Filter Settings]\r\nProfilePointFilter_g_along_track_avg_sw=1\r\n"
    "ProfilePointFilter_g_main_filter_sw=1\r\nProfilePointFilter_g_pre_filter_sw=1\r\n"
    "ProfilePointFilter_g_fill_beams_sw=1\r\nProfilePointFilter_g_short_outliers_sw=1\r\n";

struct RunResult {
    int status = -1;
    std::string out, err;
};

// Runs the program in `dir`; its output goes to <tag>.out and <tag>.err there.
RunResult RunProgram(const fs::path& dir, const std::string& args, const std::string& tag = "run") {
    RunResult r;
#ifdef VQ_PROGRAM
    const std::string cmd = "cd '" + dir.string() + "' && '" VQ_PROGRAM "' " + args + " >" + tag +
                            ".out 2>" + tag + ".err";
    const int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = test::ReadFile(dir / (tag + ".out"));
    r.err = test::ReadFile(dir / (tag + ".err"));
#else
    (void)dir;
    (void)args;
    (void)tag;
#endif
    return r;
}

// The conversion the program did before it had threads: one thread, the picture drawn.
void ConvertDrawn(const fs::path& dir, const std::string& file, char sw) {
    test::RecordingOperator op;
    EngineOptions o;
    o.working_dir = dir;
    o.command_line_file = (dir / file).string();
    o.command_line_switch = sw;
    o.jobs = 1;
    o.draw_picture = true;
    o.save_settings = false;
    Engine e(o, op);
    e.Start();
    ASSERT_TRUE(e.command_line_opened());
    ASSERT_TRUE(e.WaitForPlaybackEnd(1, std::chrono::seconds(300)));
    e.Shutdown();
}

// A conversion through the engine on `jobs` threads without the picture, as the command line
// runs it; returns the pings whose beams were formed ahead.
std::uint64_t ConvertOnThreads(const fs::path& dir, const std::string& file, char sw, int jobs) {
    test::RecordingOperator op;
    EngineOptions o;
    o.working_dir = dir;
    o.command_line_file = (dir / file).string();
    o.command_line_switch = sw;
    o.jobs = jobs;
    o.draw_picture = false;
    o.save_settings = false;
    Engine e(o, op);
    e.Start();
    EXPECT_TRUE(e.command_line_opened());
    EXPECT_TRUE(e.WaitForPlaybackEnd(1, std::chrono::seconds(300)));
    const std::uint64_t ahead = e.stats().pings_formed_ahead;
    e.Shutdown();
    return ahead;
}

const std::vector<std::string>& OutputsOf(char sw) {
    static const std::vector<std::string> p{"survey.Q4P"}, b{"survey.Q4B"},
        x{"survey_sss.XTF", "survey.Q4P"}, c{"survey.csv"};
    return sw == 'p' ? p : sw == 'b' ? b : sw == 'x' ? x : c;
}

class CliCores : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef VQ_PROGRAM
        GTEST_SKIP() << "the program is not built (no GUI in this build)";
#endif
    }
};

TEST_F(CliCores, EveryThreadCountWritesTheBytesOfTheDrawnConversion) {
    for (int points : {1000, 500}) {
        const std::string rec = test::MakeSimRecording(14, points, true);
        for (char sw : {'p', 'b', 'x', 'c'}) {
            SCOPED_TRACE(testing::Message() << points << " samples, /" << sw);
            TempDir drawn, one, many;
            for (const TempDir* d : {&drawn, &one, &many}) {
                test::WriteFile(*d / "Vornax_Qi.INI", kSettings);
                test::WriteFile(*d / "survey.vqs", rec);
            }
            ConvertDrawn(drawn.path(), "survey.vqs", sw);
            const std::string s(1, sw);
            const RunResult r1 = RunProgram(one.path(), "--jobs 1 survey.vqs /" + s);
            ASSERT_EQ(r1.status, 0) << r1.err;
            // 13 records: the corrupt one is skipped.
            EXPECT_NE(r1.out.find("13 pings"), std::string::npos) << r1.out;
            const RunResult r3 = RunProgram(
                many.path(), "--jobs " + std::string(sw == 'x' ? "3" : "2") + " survey.vqs /" + s);
            ASSERT_EQ(r3.status, 0) << r3.err;
            for (const std::string& f : OutputsOf(sw)) {
                const std::string ref = test::ReadFile(drawn / f);
                ASSERT_GT(ref.size(), 1000u) << f;
                EXPECT_TRUE(test::ReadFile(one / f) == ref) << f << " --jobs 1";
                EXPECT_TRUE(test::ReadFile(many / f) == ref) << f << " --jobs 2/3";
            }
        }
    }
}

// With more than one thread, a conversion forms every ping's beams but the first while the ping
// before it is written (the reader ahead skips the corrupt record as playback does), and the
// bytes are still those of the one-thread conversion that draws the picture.
TEST(ConversionAhead, FormsTheNextPingAheadWithTheSameBytes) {
    const std::string rec = test::MakeSimRecording(14, 1000, true);
    TempDir drawn;
    test::WriteFile(drawn / "Vornax_Qi.INI", kSettings);
    test::WriteFile(drawn / "survey.vqs", rec);
    ConvertDrawn(drawn.path(), "survey.vqs", 'x');
    for (const std::string& f : OutputsOf('x')) ASSERT_GT(test::ReadFile(drawn / f).size(), 1000u);
    for (int jobs : {1, 2, 3}) {
        SCOPED_TRACE(testing::Message() << jobs << " threads");
        TempDir dir;
        test::WriteFile(dir / "Vornax_Qi.INI", kSettings);
        test::WriteFile(dir / "survey.vqs", rec);
        const std::uint64_t ahead = ConvertOnThreads(dir.path(), "survey.vqs", 'x', jobs);
        if (jobs == 1) {
            EXPECT_EQ(ahead, 0u);
        } else {
            EXPECT_EQ(ahead, 12u);  // of 13 pings played: all but the first
        }
        for (const std::string& f : OutputsOf('x'))
            EXPECT_TRUE(test::ReadFile(dir / f) == test::ReadFile(drawn / f)) << f;
    }
}

TEST_F(CliCores, SeveralRecordingsConvertEachAndLeaveTheSettingsFileAlone) {
    TempDir dir;
    test::WriteFile(dir / "Vornax_Qi.INI", kSettings);
    const std::string settings = test::ReadFile(dir / "Vornax_Qi.INI");
    const std::string rec = test::MakeSimRecording(6, 500, false);
    test::WriteFile(dir / "a.vqs", rec);
    test::WriteFile(dir / "b c.VQS", rec);  // a name with a space, given in one word
    test::WriteFile(dir / "bad.vqs", "XYZ" + std::string(4000, '\0'));
    const RunResult r = RunProgram(dir.path(), "a.vqs bad.vqs 'b c.VQS' /p");
    EXPECT_EQ(r.status, 1);  // one failed, the others converted
    EXPECT_NE(r.err.find("bad.vqs: Data type is incorrect"), std::string::npos) << r.err;
    // Six point records of 480 beams each (1216 bytes).
    EXPECT_EQ(test::ReadFile(dir / "a.Q4P").size(), 6u * 1216);
    EXPECT_EQ(test::ReadFile(dir / "a.Q4P"), test::ReadFile(dir / "b c.Q4P"));
    EXPECT_EQ(test::ReadFile(dir / "Vornax_Qi.INI"), settings);  // several files: read only

    // One file writes the settings back as it always did, unless told otherwise.
    RunResult one = RunProgram(dir.path(), "--read-only-settings a.vqs /b");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(test::ReadFile(dir / "Vornax_Qi.INI"), settings);
    one = RunProgram(dir.path(), "a.vqs /b");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_NE(test::ReadFile(dir / "Vornax_Qi.INI"), settings);
    EXPECT_NE(test::ReadFile(dir / "Vornax_Qi.INI").find("AvgFilterIndex=5"), std::string::npos);

    EXPECT_EQ(RunProgram(dir.path(), "a.vqs b.vqs").status, 2);  // several files need a switch
    EXPECT_EQ(RunProgram(dir.path(), "--jobs 0 a.vqs /p").status, 2);
}

// Two conversions started at once in one directory: each reads the settings file while the
// other may be writing it back; both outputs are complete and right, and the file is whole.
TEST_F(CliCores, TwoRunsAtOnceInOneDirectory) {
    TempDir dir, ref;
    test::WriteFile(dir / "Vornax_Qi.INI", kSettings);
    test::WriteFile(ref / "Vornax_Qi.INI", kSettings);
    const std::string rec = test::MakeSimRecording(20, 1000, false);
    test::WriteFile(dir / "one.vqs", rec);
    test::WriteFile(dir / "two.vqs", rec);
    test::WriteFile(ref / "survey.vqs", rec);
    ConvertDrawn(ref.path(), "survey.vqs", 'p');
    for (int round = 0; round < 2; ++round) {
        // Round 0: both write the settings back (one file each); round 1: both read only.
        const std::string opt = round == 0 ? "" : "--read-only-settings ";
        RunResult a, b;
        std::thread ta([&] { a = RunProgram(dir.path(), opt + "one.vqs /p", "a"); });
        std::thread tb([&] { b = RunProgram(dir.path(), opt + "two.vqs /p", "b"); });
        ta.join();
        tb.join();
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        const std::string want = test::ReadFile(ref / "survey.Q4P");
        EXPECT_TRUE(test::ReadFile(dir / "one.Q4P") == want);
        EXPECT_TRUE(test::ReadFile(dir / "two.Q4P") == want);
        const std::string ini = test::ReadFile(dir / "Vornax_Qi.INI");
        EXPECT_EQ(ini.rfind("[Settings]", 0), 0u) << ini;
        EXPECT_NE(ini.find("IPAddress_Output1=127.0.0.1"), std::string::npos);
        EXPECT_NE(ini.find("AvgFilterIndex=5"), std::string::npos);
        EXPECT_NE(ini.find("ProfilePointFilter_g_along_track_avg_sw=1"), std::string::npos);
        for (const auto& f : fs::directory_iterator(dir.path()))  // no temporary file left
            EXPECT_EQ(f.path().filename().string().find(".tmp"), std::string::npos);
    }
}

TEST_F(CliCores, VersionAndHelp) {
    TempDir dir;
    RunResult r = RunProgram(dir.path(), "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("vornax_qi ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find('.'), std::string::npos);  // major.minor.patch
    r = RunProgram(dir.path(), "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--jobs"), std::string::npos);
    EXPECT_NE(r.out.find("--read-only-settings"), std::string::npos);
    EXPECT_NE(r.out.find("default when several recordings are converted"), std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir / "Vornax_Qi.INI"));  // neither wrote settings
}

}  // namespace
}  // namespace vq
