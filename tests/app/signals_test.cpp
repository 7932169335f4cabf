// SIGTERM, SIGINT and SIGHUP end the real program as "E&xit" does: run as a child process,
// live against its simulated head with recording started by a control datagram, or converting
// a recording from the command line.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::uint32_t U32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

// Records of a recording walked by their declared lengths; -1 unless every record is whole
// and the file ends on a record boundary.
int WholeRecords(const std::string& file) {
    std::size_t pos = 0;
    int n = 0;
    while (pos + 3072 <= file.size()) {
        if (file.compare(pos, 3, "VQS") != 0 || U32(file, pos + 4) != 3072 + U32(file, pos + 91))
            return -1;
        pos += U32(file, pos + 4);
        ++n;
    }
    return pos == file.size() ? n : -1;
}

std::vector<fs::path> Recordings(const fs::path& dir) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".VQS") out.push_back(e.path());
    return out;
}

// The program as a child process in dir, its output kept in files there.
struct Child {
    pid_t pid = -1;
    int status = -1;

    Child(const fs::path& dir, std::vector<std::string> args) {
#ifdef VQ_PROGRAM
        pid = ::fork();
        if (pid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            if (::chdir(dir.c_str()) != 0) ::_exit(126);
            std::FILE* out = std::freopen("stdout.txt", "w", stdout);
            std::FILE* err = std::freopen("stderr.txt", "w", stderr);
            if (!out || !err) ::_exit(126);
            std::vector<char*> argv{const_cast<char*>(VQ_PROGRAM)};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(VQ_PROGRAM, argv.data());
            ::_exit(127);
        }
#else
        (void)dir;
        (void)args;
#endif
    }
    bool Running() {
        if (status >= 0) return false;
        int s = 0;
        if (::waitpid(pid, &s, WNOHANG) != pid) return true;
        status = s;
        return false;
    }
    // Waits at most `seconds` for the end; kills the program when it does not end.
    bool Wait(int seconds) {
        const auto limit = Clock::now() + std::chrono::seconds(seconds);
        while (Running() && Clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!Running()) return true;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return false;
    }
    ~Child() {
        if (pid > 0 && Running()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

template <class Pred>
bool WaitFor(Pred pred, int seconds = 120) {
    const auto limit = Clock::now() + std::chrono::seconds(seconds);
    while (!pred()) {
        if (Clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class SignalsTest : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef VQ_PROGRAM
        GTEST_SKIP() << "the program is not built (no GUI in this build)";
#endif
    }
};

// In the window, live, recording: the signal closes the window the ordinary way.
TEST_F(SignalsTest, EachEndSignalStopsTheLiveProgramAsExitDoes) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        test::TempDir dir;
        UdpEndpoint udp;
        ASSERT_EQ(udp.Open("127.0.0.1", 0), 0);
        test::WriteFile(
            dir / "Vornax_Qi.INI",
            "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
            "RemotePort_Output1=" +
                std::to_string(udp.local_port()) + "\r\nAutoFilename=1\r\n");
        Child program(dir.path(), {"--simulate", "--no-pacing"});
        // The program's output tells the port its control datagrams go to.
        std::vector<std::uint8_t> buf(65536);
        std::optional<Ipv4Endpoint> from;
        ASSERT_TRUE(WaitFor([&] {
            if (!program.Running()) return true;
            if (auto r = udp.Receive(buf)) from = r->from;
            return from.has_value();
        }));
        ASSERT_TRUE(from) << test::ReadFile(dir / "stderr.txt");
        ControlDatagram start;
        ASSERT_TRUE(start.SetAssignment("record=on", nullptr));
        udp.SendTo(*from, start.bytes());
        ASSERT_TRUE(WaitFor([&] {
            const auto files = Recordings(dir.path());
            return !program.Running() || (files.size() == 1 && fs::file_size(files[0]) > 3 * 40000);
        }));
        ASSERT_TRUE(program.Running());
        const auto written = fs::last_write_time(dir / "Vornax_Qi.INI");
        ::kill(program.pid, sig);
        ASSERT_TRUE(program.Wait(60)) << "the program did not end";
        ASSERT_TRUE(WIFEXITED(program.status));
        EXPECT_EQ(WEXITSTATUS(program.status), 0) << test::ReadFile(dir / "stderr.txt");
        // The settings were written on the way out (the program adds the keys it writes).
        const std::string ini = test::ReadFile(dir / "Vornax_Qi.INI");
        EXPECT_NE(ini.find("AutoPulseLength="), std::string::npos) << ini;
        EXPECT_GE(fs::last_write_time(dir / "Vornax_Qi.INI"), written);
        // The recording holds whole records only.
        const auto files = Recordings(dir.path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_GE(WholeRecords(test::ReadFile(files[0])), 3);
    }
}

// A recording large enough that converting it takes a few seconds.
std::string LongRecording(const fs::path& dir) {
    UdpEndpoint udp;
    EXPECT_EQ(udp.Open("127.0.0.1", 0), 0);
    test::WriteFile(dir / "Vornax_Qi.INI",
                    "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
                    "RemotePort_Output1=" +
                        std::to_string(udp.local_port()) + "\r\nAutoFilename=1\r\n");
    Child program(dir, {"--simulate", "--no-pacing"});
    std::vector<std::uint8_t> buf(65536);
    std::optional<Ipv4Endpoint> from;
    WaitFor([&] {
        if (auto r = udp.Receive(buf)) from = r->from;
        return from.has_value() || !program.Running();
    });
    if (!from) return {};
    ControlDatagram start;
    start.SetAssignment("record=on", nullptr);
    udp.SendTo(*from, start.bytes());
    WaitFor([&] {
        const auto files = Recordings(dir);
        return files.size() == 1 && fs::file_size(files[0]) > 40 * 40000;
    });
    ::kill(program.pid, SIGTERM);
    program.Wait(60);
    const auto files = Recordings(dir);
    if (files.size() != 1) return {};
    const std::string one = test::ReadFile(files[0]);
    std::string many;
    for (int i = 0; i < 60; ++i) many += one;  // about 2400 records
    return many;
}

TEST_F(SignalsTest, AnInterruptedConversionRemovesItsOutputAndFails) {
    test::TempDir rec_dir;
    const std::string recording = LongRecording(rec_dir.path());
    ASSERT_FALSE(recording.empty());
    // The soundings of a recording without a GPS fix go to a file opened with the first of
    // them, which is removed as well.
    struct Case {
        int sig;
        const char* option;
        const char* first_output;
        std::vector<const char*> outputs;
    };
    const Case cases[] = {
        {SIGTERM, "/x", "survey.Q4P", {"survey.Q4P", "survey_sss.XTF"}},
        {SIGINT, "/x", "survey.Q4P", {"survey.Q4P", "survey_sss.XTF"}},
        {SIGHUP, "/x", "survey.Q4P", {"survey.Q4P", "survey_sss.XTF"}},
        {SIGTERM, "/z", "survey_sonar.xyz", {"survey.xyz", "survey_sonar.xyz"}},
    };
    for (const Case& c : cases) {
        const int sig = c.sig;
        SCOPED_TRACE(std::string(strsignal(sig)) + " " + c.option);
        test::TempDir dir;
        dir.WriteLoopbackIni();
        test::WriteFile(dir / "survey.vqs", recording);
        Child program(dir.path(), {"survey.vqs", c.option});
        // Interrupted once the conversion has begun writing.
        const fs::path first = dir / c.first_output;
        ASSERT_TRUE(WaitFor(
            [&] { return !program.Running() || (fs::exists(first) && fs::file_size(first) > 0); }));
        ASSERT_TRUE(program.Running()) << "the conversion ended before the signal";
        ::kill(program.pid, sig);
        ASSERT_TRUE(program.Wait(60));
        ASSERT_TRUE(WIFEXITED(program.status));
        EXPECT_EQ(WEXITSTATUS(program.status), 128 + sig);
        // No incomplete output is left that could pass for a whole conversion.
        for (const char* f : c.outputs) EXPECT_FALSE(fs::exists(dir / f)) << f;
        const std::string err = test::ReadFile(dir / "stderr.txt");
        EXPECT_NE(err.find("interrupted"), std::string::npos) << err;
        EXPECT_EQ(test::ReadFile(dir / "survey.vqs").size(), recording.size());
    }
}

// Of several recordings on one command line, the one under way when the signal comes loses
// its incomplete output, the one before keeps its whole output, none after it is started,
// and the settings file (only read with several recordings) stays as it was.
TEST_F(SignalsTest, ASignalStopsSeveralConversionsAtTheOneUnderWay) {
    test::TempDir rec_dir;
    const std::string recording = LongRecording(rec_dir.path());
    ASSERT_FALSE(recording.empty());
    const std::string short_one = recording.substr(0, recording.size() / 60);
    test::TempDir dir;
    dir.WriteLoopbackIni();
    const std::string settings = test::ReadFile(dir / "Vornax_Qi.INI");
    test::WriteFile(dir / "first.vqs", short_one);
    test::WriteFile(dir / "survey.vqs", recording);
    test::WriteFile(dir / "last.vqs", short_one);
    Child program(dir.path(), {"first.vqs", "survey.vqs", "last.vqs", "/p"});
    ASSERT_TRUE(WaitFor([&] {
        return !program.Running() ||
               (fs::exists(dir / "survey.Q4P") && fs::file_size(dir / "survey.Q4P") > 0);
    }));
    ASSERT_TRUE(program.Running()) << "the conversions ended before the signal";
    ::kill(program.pid, SIGTERM);
    ASSERT_TRUE(program.Wait(60));
    ASSERT_TRUE(WIFEXITED(program.status));
    EXPECT_EQ(WEXITSTATUS(program.status), 128 + SIGTERM);
    ASSERT_TRUE(fs::exists(dir / "first.Q4P"));
    EXPECT_GT(fs::file_size(dir / "first.Q4P"), 0u);
    EXPECT_FALSE(fs::exists(dir / "survey.Q4P"));
    EXPECT_FALSE(fs::exists(dir / "last.Q4P"));
    const std::string err = test::ReadFile(dir / "stderr.txt");
    EXPECT_NE(err.find("survey.vqs: conversion interrupted"), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(dir / "Vornax_Qi.INI"), settings);
}

}  // namespace
}  // namespace vq
