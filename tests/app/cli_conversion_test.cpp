// The unattended conversion of the real program: "vornax_qi survey.vqs /p|/b|/x|/c" run as a
// child process in a temporary directory on a recording made live from the simulated head.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "core/utm.h"
#include "support/recording_operator.h"
#include "support/sim_recording.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// Number of records of a recording, by the lengths its headers declare.
std::size_t CountRecords(const std::string& file) {
    std::size_t pos = 0, n = 0;
    while (pos + 3072 <= file.size() && file.compare(pos, 3, "VQS") == 0) {
        pos += U32(file, pos + 4);
        ++n;
    }
    return pos == file.size() ? n : 0;
}

struct RunResult {
    int status = -1;
    std::string out, err;
};

class CliConversion : public ::testing::Test {
  protected:
    // One live recording of the simulated head, shared by every case of this suite.
    static void SetUpTestSuite() { recording_ = new std::string(test::RecordSimulatedPings(8)); }
    static void TearDownTestSuite() {
        delete recording_;
        recording_ = nullptr;
    }

    void SetUp() override {
#ifndef VQ_PROGRAM
        GTEST_SKIP() << "the program is not built (no GUI in this build)";
#endif
        ASSERT_NE(recording_, nullptr);
        records_ = CountRecords(*recording_);
        ASSERT_GE(records_, 8u);
        dir_.WriteLoopbackIni();
        test::WriteFile(dir_ / "survey.vqs", *recording_);
    }

    // Runs the program with args (and environment assignments before it); with a time limit,
    // a program still running after that many seconds is killed (status 124).
    RunResult Run(const std::string& args, int limit_s = 0, const std::string& env = "") const {
        RunResult r;
#ifdef VQ_PROGRAM
        const std::string limit = limit_s > 0 ? "timeout " + std::to_string(limit_s) + " " : "";
        const std::string cmd = "cd '" + dir_.path().string() + "' && " + env + limit +
                                "'" VQ_PROGRAM "' " + args + " >stdout.txt 2>stderr.txt";
        const int rc = std::system(cmd.c_str());
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = test::ReadFile(dir_ / "stdout.txt");
        r.err = test::ReadFile(dir_ / "stderr.txt");
#else
        (void)args;
        (void)limit_s;
        (void)env;
#endif
        return r;
    }

    static std::string* recording_;
    std::size_t records_ = 0;
    TempDir dir_;
};

std::string* CliConversion::recording_ = nullptr;

TEST_F(CliConversion, BeamSwitchWritesOneBeamRecordPerRecording) {
    const RunResult r = Run("survey /b");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string q4b = test::ReadFile(dir_ / "survey.Q4B");
    // 120 beams x 500 samples + 256 header bytes each, the first record converted too.
    ASSERT_EQ(q4b.size(), records_ * 60256) << r.out;
    for (std::size_t k = 0; k < records_; ++k) {
        const std::size_t at = k * 60256;
        EXPECT_EQ(q4b.compare(at, 3, "Q4B"), 0);
        // 24-bit big-endian record length.
        const std::uint32_t len =
            static_cast<std::uint32_t>(static_cast<unsigned char>(q4b[at + 4])) << 16 |
            static_cast<std::uint32_t>(static_cast<unsigned char>(q4b[at + 5])) << 8 |
            static_cast<unsigned char>(q4b[at + 6]);
        EXPECT_EQ(len, 60256u);
        // The beam image carries echoes, not an empty buffer.
        EXPECT_NE(q4b.find_first_not_of('\0', at + 256), std::string::npos);
        EXPECT_LT(q4b.find_first_not_of('\0', at + 256), at + 60256) << "record " << k;
    }
    EXPECT_FALSE(fs::exists(dir_ / "survey.Q4P"));
}

TEST_F(CliConversion, XtfSwitchWritesSidescanAndPointFiles) {
    const RunResult r = Run("survey.vqs /x");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string xtf = test::ReadFile(dir_ / "survey_sss.XTF");
    ASSERT_EQ(xtf.size(), 1024 + records_ * 1384);
    EXPECT_EQ(static_cast<unsigned char>(xtf[0]), 123);
    for (std::size_t k = 0; k < records_; ++k) {
        const std::size_t at = 1024 + k * 1384;
        EXPECT_EQ(static_cast<unsigned char>(xtf[at]), 0xCE) << "ping " << k;
        EXPECT_EQ(static_cast<unsigned char>(xtf[at + 1]), 0xFA) << "ping " << k;
        EXPECT_EQ(U32(xtf, at + 10), 384u + 2 * 500) << "ping " << k;
        // Port and starboard data carry echoes.
        EXPECT_LT(xtf.find_first_not_of('\0', at + 320), at + 820) << "ping " << k;
        EXPECT_LT(xtf.find_first_not_of('\0', at + 884), at + 1384) << "ping " << k;
    }
    EXPECT_EQ(test::ReadFile(dir_ / "survey.Q4P").size(), records_ * 496);
}

// Every point record and every XTF ping carries the date and time of its ping, the first
// ones too (their time comes from a ping a few back while averaging and "Bottom Following"
// delay the displayed one).
TEST_F(CliConversion, EveryRecordCarriesItsPingTime) {
    const RunResult r = Run("survey.vqs /x");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string q4p = test::ReadFile(dir_ / "survey.Q4P");
    const std::string xtf = test::ReadFile(dir_ / "survey_sss.XTF");
    ASSERT_EQ(q4p.size(), records_ * 496);
    ASSERT_EQ(xtf.size(), 1024 + records_ * 1384);
    for (std::size_t k = 0; k < records_; ++k) {
        const std::string date = q4p.substr(k * 496 + 8, 11);  // "DD-MMM-YYYY"
        const std::string time = q4p.substr(k * 496 + 20, 8);  // "HH:MM:SS"
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(date[0])) && date[2] == '-' &&
                    date.compare(7, 2, "20") == 0)
            << "record " << k << " date '" << date << "'";
        EXPECT_TRUE(time[2] == ':' && time[5] == ':') << "record " << k << " time '" << time << "'";
        const std::size_t at = 1024 + k * 1384;
        const unsigned year = static_cast<unsigned char>(xtf[at + 14]) |
                              static_cast<unsigned>(static_cast<unsigned char>(xtf[at + 15])) << 8;
        EXPECT_GE(year, 2020u) << "ping " << k;
        EXPECT_GE(static_cast<unsigned char>(xtf[at + 16]), 1) << "ping " << k;  // month
        EXPECT_GE(static_cast<unsigned char>(xtf[at + 17]), 1) << "ping " << k;  // day
    }
}

TEST_F(CliConversion, PointAndCsvSwitches) {
    RunResult r = Run("survey.vqs /p");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string q4p = test::ReadFile(dir_ / "survey.Q4P");
    ASSERT_EQ(q4p.size(), records_ * 496);
    for (std::size_t at = 0; at < q4p.size(); at += 496) EXPECT_EQ(q4p.compare(at, 3, "Q4P"), 0);
    // An existing output is replaced, not appended to.
    r = Run("SURVEY.VQS /P");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir_ / "survey.Q4P").size(), records_ * 496);

    r = Run("survey /c");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = test::ReadFile(dir_ / "survey.csv");
    ASSERT_FALSE(csv.empty());
    const std::string first = csv.substr(0, csv.find('\n'));
    EXPECT_NE(first.find(','), std::string::npos);
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(first[0]))) << first;
    EXPECT_GT(std::count(csv.begin(), csv.end(), '\n'), static_cast<std::ptrdiff_t>(records_));
}

// The recording with every ping at a GPS fix: the vessel at 43.65 N 70.39 W heading north
// (flags at header byte 65, latitude and longitude as doubles at 394 and 402, heading at 418).
std::string WithFix(std::string file, double lat, double lon) {
    std::size_t pos = 0;
    while (pos + 3072 <= file.size() && file.compare(pos, 3, "VQS") == 0) {
        file[pos + 65] = static_cast<char>(file[pos + 65] | 0x09);
        std::memcpy(&file[pos + 394], &lat, 8);
        std::memcpy(&file[pos + 402], &lon, 8);
        const float heading = 0.0f;
        std::memcpy(&file[pos + 418], &heading, 4);
        pos += U32(file, pos + 4);
    }
    return file;
}

TEST_F(CliConversion, SoundingsOnTheMapFromARecordingWithAFix) {
    test::WriteFile(dir_ / "fixed.vqs", WithFix(*recording_, 43.6536, -70.3909));
    // The antenna 10 m ahead of the reference point: every sounding 10 m south of the fix.
    dir_.WriteLoopbackIni("GPSYOffsetMeters=10\r\n");
    RunResult r = Run("fixed.vqs /z");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(dir_ / "fixed_sonar.xyz"));
    const std::string xyz = test::ReadFile(dir_ / "fixed.xyz");
    const auto lines = std::count(xyz.begin(), xyz.end(), '\n');
    ASSERT_GT(lines, static_cast<std::ptrdiff_t>(records_));
    const UtmPosition fix = ToUtmInZone(43.6536, -70.3909, 19);
    std::istringstream ss(xyz);
    double e = 0, n = 0, d = 0, max_depth = 0;
    int count = 0;
    while (ss >> e >> n >> d) {
        ++count;
        // The simulated seabed lies about 20 m down, within the 50 m range.
        EXPECT_LT(std::fabs(n - (fix.northing - 10.0)), 1.0) << e << " " << n << " " << d;
        EXPECT_LT(std::fabs(e - fix.easting), 60.0) << e << " " << n << " " << d;
        max_depth = std::max(max_depth, d);
    }
    EXPECT_EQ(count, lines);
    EXPECT_GT(max_depth, 10.0);
    EXPECT_LT(max_depth, 50.0);

    r = Run("fixed.vqs /c");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = test::ReadFile(dir_ / "fixed.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), lines + 1);
    EXPECT_NE(csv.find(",19N,"), std::string::npos);
}

TEST_F(CliConversion, SoundingsWithoutAFixAreRelativeToTheSonarAndSaidOnce) {
    const RunResult r = Run("survey.vqs /z");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("has no GPS fix"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("survey_sonar.xyz"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFile(dir_ / "survey.xyz"), "");
    const std::string sonar = test::ReadFile(dir_ / "survey_sonar.xyz");
    EXPECT_GT(std::count(sonar.begin(), sonar.end(), '\n'), static_cast<std::ptrdiff_t>(records_));
    EXPECT_NE(r.out.find("survey.xyz"), std::string::npos) << r.out;
}

TEST_F(CliConversion, FromTheDesktopTheSettingsLiveInTheUsersConfiguration) {
    RunResult r = Run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("vornax_qi ", 0), 0u) << r.out;
    // The survey directory's own settings file stays as it is.
    const std::string survey_ini = test::ReadFile(dir_ / "Vornax_Qi.INI");
    const fs::path config = dir_ / "config" / "vornax-qi";
    fs::create_directories(config);
    test::WriteFile(fs::path(config) / "Vornax_Qi.INI",
                    "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
                    "GPSYOffsetMeters=-7.5\r\n");
    test::WriteFile(dir_ / "fixed.vqs", WithFix(*recording_, 43.6536, -70.3909));
    r = Run("--desktop fixed.vqs /z", 0,
            "HOME='" + dir_.path().string() + "' XDG_CONFIG_HOME='" + (dir_ / "config").string() +
                "' ");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir_ / "Vornax_Qi.INI"), survey_ini);
    const std::string ini = test::ReadFile(config / "Vornax_Qi.INI");
    EXPECT_NE(ini.find("GPSYOffsetMeters=-7.500"), std::string::npos) << ini;
    EXPECT_TRUE(fs::is_directory(dir_ / "Documents" / "Vornax_Qi"));
    // The antenna 7.5 m behind the reference point: soundings 7.5 m north of the fix.
    std::istringstream ss(test::ReadFile(dir_ / "fixed.xyz"));
    double e = 0, n = 0, d = 0;
    ASSERT_TRUE(ss >> e >> n >> d);
    EXPECT_NEAR(n, ToUtmInZone(43.6536, -70.3909, 19).northing + 7.5, 1.0);
}

// An unknown switch or option ends the program at once with one line on stderr and status 2,
// without a window and without touching the recording; a slow program fails, never hangs.
TEST_F(CliConversion, UnknownSwitchOrOptionEndsWithStatusTwo) {
    for (const char* args :
         {"survey.vqs /q", "survey.vqs /Q", "survey /pq", "survey.vqs /p /b", "survey.vqs /p extra",
          "survey.vqs -z", "--frobnicate survey.vqs /p", "survey.vqs /p --gps"}) {
        SCOPED_TRACE(args);
        const RunResult r = Run(std::string("--simulate ") + args, 60);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(fs::exists(dir_ / "survey.Q4P"));
        EXPECT_FALSE(fs::exists(dir_ / "survey.Q4B"));
    }
    const RunResult q = Run("survey.vqs /q", 60);
    EXPECT_NE(q.err.find("/q"), std::string::npos) << q.err;
    EXPECT_EQ(test::ReadFile(dir_ / "survey.vqs"), *recording_);
    // A path with slashes is a name, not a switch.
    fs::create_directory(dir_ / "sub");
    test::WriteFile(dir_ / "sub" / "leg.vqs", *recording_);
    const RunResult ok = Run("sub/leg.vqs /p", 120);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_TRUE(fs::exists(dir_ / "sub" / "leg.Q4P"));
}

TEST_F(CliConversion, BadInputEndsWithAReasonAndNoOutput) {
    RunResult r = Run("missing /p");
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "missing.Q4P"));

    test::WriteFile(dir_ / "notsonar.vqs", "XYZ" + std::string(4000, '\0'));
    r = Run("notsonar.vqs /b");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "notsonar.Q4B"));

    r = Run("survey.txt /p");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    // A recording cut inside its first record converts nothing but still ends cleanly.
    test::WriteFile(dir_ / "short.vqs", recording_->substr(0, 1000));
    r = Run("short.vqs /p");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir_ / "short.Q4P").size(), 0u);
}

}  // namespace
}  // namespace vq
