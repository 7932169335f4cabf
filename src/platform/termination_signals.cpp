#include "platform/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace vq {
namespace {

sigset_t EndSignals() {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, SIGTERM);
    sigaddset(&s, SIGINT);
    sigaddset(&s, SIGHUP);
    return s;
}

}  // namespace

TerminationSignals::TerminationSignals() {
    const sigset_t s = EndSignals();
    if (pthread_sigmask(SIG_BLOCK, &s, nullptr) != 0) return;
    fd_ = signalfd(-1, &s, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) pthread_sigmask(SIG_UNBLOCK, &s, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (fd_ < 0) return;
    ::close(fd_);
    const sigset_t s = EndSignals();
    pthread_sigmask(SIG_UNBLOCK, &s, nullptr);
}

int TerminationSignals::Take() {
    if (fd_ < 0) return 0;
    signalfd_siginfo info{};
    if (::read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return 0;
    const sigset_t s = EndSignals();
    pthread_sigmask(SIG_UNBLOCK, &s, nullptr);
    return static_cast<int>(info.ssi_signo);
}

}  // namespace vq
