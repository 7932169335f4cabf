// Work for the thread that runs the pings. Operator commands that touch what that thread owns
// (the recording and output files, the playback file, the processing state) are posted here
// and run by it between pings, so no other thread ever waits for its disk or network I/O. The
// thread also waits here between pings: a posted task or an interruption ends the wait at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace vq {

class TaskQueue {
  public:
    using Task = std::function<void()>;

    // Any thread. Returns the task's sequence number (1, 2, ...).
    std::uint64_t Post(Task task);
    // The owning thread: runs the tasks posted so far, in order, outside the queue's lock.
    // Returns how many ran.
    int RunPending();
    // The owning thread: waits until a task is posted, Interrupt() is called or `timeout`
    // passes. Returns true when it was woken early.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Ends the current (or the next) wait at once: a thread is asked to stop or to look at a
    // flag again.
    void Interrupt();

    // Waits until every task posted up to `sequence` has run; false after `timeout`.
    bool WaitDone(std::uint64_t sequence, std::chrono::milliseconds timeout) const;
    std::uint64_t posted() const;
    std::uint64_t done() const;

  private:
    mutable std::mutex m_;
    mutable std::condition_variable cv_;       // tasks arrive, interruptions
    mutable std::condition_variable done_cv_;  // tasks finished
    std::deque<Task> tasks_;
    std::deque<Task> running_;  // owning thread only: the batch being run
    bool interrupted_ = false;
    std::uint64_t posted_ = 0;
    std::uint64_t done_ = 0;
};

}  // namespace vq
