// The vq-headsim program: its help, refused options and a run that serves a ping.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/head_client.h"

extern char** environ;

namespace vq::sim {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
};

// Starts vq-headsim with `args`, stdout and stderr into one pipe.
pid_t Spawn(const std::vector<std::string>& args, int* read_fd) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::vector<char*> argv;
    std::string prog = VQ_HEADSIM_PATH;
    argv.push_back(prog.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    *read_fd = fds[0];
    return pid;
}

std::string ReadLine(int fd) {
    std::string line;
    char ch;
    while (read(fd, &ch, 1) == 1 && ch != '\n') line += ch;
    return line;
}

ProgramRun RunToEnd(const std::vector<std::string>& args) {
    ProgramRun r;
    int fd = -1;
    const pid_t pid = Spawn(args, &fd);
    if (pid < 0) return r;
    char buf[4096];
    ssize_t k;
    while ((k = read(fd, buf, sizeof buf)) > 0) r.out.append(buf, static_cast<std::size_t>(k));
    close(fd);
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(HeadSimCli, HelpDocumentsEveryOption) {
    const ProgramRun r = RunToEnd({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* opt :
         {"--port", "--bind", "--allow-remote", "--head", "--serial", "--sound-velocity", "--seed",
          "--no-pacing", "--depth", "--slope", "--target", "--no-cylinder", "--help"}) {
        EXPECT_NE(r.out.find(opt), std::string::npos) << opt;
    }
}

TEST(HeadSimCli, RefusesNonLoopbackBindAndBadOptionsWithExitCodeTwo) {
    const ProgramRun remote = RunToEnd({"--bind", "10.1.2.3", "--port", "0"});
    EXPECT_EQ(remote.status, 2);
    EXPECT_NE(remote.out.find("non-loopback"), std::string::npos);
    EXPECT_EQ(RunToEnd({"--head", "submarine"}).status, 2);
    EXPECT_EQ(RunToEnd({"--target", "10,abc,1"}).status, 2);
    EXPECT_EQ(RunToEnd({"--port", "70000"}).status, 2);
    EXPECT_EQ(RunToEnd({"--frobnicate"}).status, 2);
}

TEST(HeadSimCli, ServesAPingAndStopsOnSignal) {
    int fd = -1;
    const pid_t pid =
        Spawn({"--port", "0", "--no-pacing", "--head", "fine", "--serial", "77"}, &fd);
    ASSERT_GT(pid, 0);
    const std::string line = ReadLine(fd);
    const auto colon = line.find("127.0.0.1:");
    ASSERT_NE(colon, std::string::npos) << line;
    const int port = std::stoi(line.substr(colon + 10));
    {
        test::Client c(static_cast<std::uint16_t>(port));
        ASSERT_TRUE(c.connected());
        test::CommandValues v;
        v.frequency_hz = 675000.0f;
        v.span = 5.0f;
        ASSERT_TRUE(c.Send(test::MakeCommand(v)));
        const test::Bytes p0 = c.Receive(8676);
        ASSERT_EQ(p0.size(), 8676u);
        EXPECT_EQ(test::GetI16(p0, 1152 + 64), 77);
        EXPECT_EQ(test::Get32(p0, 1152 + 344), 19u);
    }
    kill(pid, SIGTERM);
    int st = 0;
    waitpid(pid, &st, 0);
    close(fd);
    EXPECT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
}

}  // namespace
}  // namespace vq::sim
