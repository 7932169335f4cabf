// The end signals arrive as bytes on a descriptor; a second one ends the program at once.
// Each case runs in a child process, so the signals never reach the test runner.
#include "platform/termination_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace vq {
namespace {

// Runs body in a child process and returns its wait status.
template <class Body>
int InChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

bool Readable(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeout_ms) == 1;
}

TEST(TerminationSignals, EachEndSignalBecomesReadableInsteadOfEndingTheProgram) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        const int status = InChild([sig] {
            TerminationSignals s;
            if (!s.ok() || s.Take() != 0) return 10;
            // Sent to the process while another thread runs: it must not end the process.
            std::thread worker([] { ::usleep(200 * 1000); });
            ::kill(::getpid(), sig);
            if (!Readable(s.fd(), 2000)) return 11;
            const int got = s.Take();
            worker.join();
            return got == sig ? 0 : 12;
        });
        ASSERT_TRUE(WIFEXITED(status)) << "the signal ended the process";
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

TEST(TerminationSignals, ASecondSignalAfterTheFirstWasTakenEndsTheProgramAtOnce) {
    const int status = InChild([] {
        TerminationSignals s;
        ::kill(::getpid(), SIGTERM);
        if (!Readable(s.fd(), 2000) || s.Take() != SIGTERM) return 10;
        ::kill(::getpid(), SIGTERM);  // the orderly end hangs; the operator insists
        ::sleep(5);
        return 11;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(ExitStatusForSignal(SIGINT), 130);
}

}  // namespace
}  // namespace vq
