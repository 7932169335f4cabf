#include "core/task_queue.h"

namespace vq {

std::uint64_t TaskQueue::Post(Task task) {
    std::uint64_t seq = 0;
    {
        std::lock_guard lock(m_);
        tasks_.push_back(std::move(task));
        seq = ++posted_;
    }
    cv_.notify_all();
    return seq;
}

int TaskQueue::RunPending() {
    {
        std::lock_guard lock(m_);
        if (tasks_.empty()) return 0;
        running_.swap(tasks_);
    }
    int n = 0;
    while (!running_.empty()) {
        Task t = std::move(running_.front());
        running_.pop_front();
        t();
        ++n;
        {
            std::lock_guard lock(m_);
            ++done_;
        }
        done_cv_.notify_all();
    }
    return n;
}

bool TaskQueue::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_);
    const bool woken =
        cv_.wait_for(lock, timeout, [this] { return !tasks_.empty() || interrupted_; });
    interrupted_ = false;
    return woken;
}

void TaskQueue::Interrupt() {
    {
        std::lock_guard lock(m_);
        interrupted_ = true;
    }
    cv_.notify_all();
}

bool TaskQueue::WaitDone(std::uint64_t sequence, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_);
    return done_cv_.wait_for(lock, timeout, [&] { return done_ >= sequence; });
}

std::uint64_t TaskQueue::posted() const {
    std::lock_guard lock(m_);
    return posted_;
}

std::uint64_t TaskQueue::done() const {
    std::lock_guard lock(m_);
    return done_;
}

}  // namespace vq
