// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP) as bytes on a descriptor,
// so the main loop can end through its ordinary close path instead of dying mid-record.
#pragma once

namespace vq {

class TerminationSignals {
  public:
    // Blocks the three signals in the calling thread and opens a descriptor that becomes
    // readable when one arrives. Make it first thing in main: threads started later inherit
    // the blocked set, so the signals reach the descriptor and no thread.
    TerminationSignals();
    ~TerminationSignals();  // closes the descriptor and unblocks the signals
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The signal that arrived, or 0 when none is waiting; never blocks. Once one is taken the
    // calling thread stops blocking them, so a second signal ends the program at once (an
    // operator's way out should the orderly end ever hang).
    int Take();

  private:
    int fd_ = -1;
};

// The exit status of a program ended by a signal: 128 + its number.
inline int ExitStatusForSignal(int signal_number) {
    return 128 + signal_number;
}

}  // namespace vq
