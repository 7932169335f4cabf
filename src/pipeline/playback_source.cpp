#include "pipeline/playback_source.h"

#include <chrono>
#include <system_error>

namespace vq {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kHoldWait{50};
// With no file open the thread waits for work; it looks at its flags at least this often.
constexpr milliseconds kIdleWait{1000};

}  // namespace

PlaybackSource::PlaybackSource(PlaybackDriver& driver, PingPipeline& pipeline, TaskQueue& tasks)
    : driver_(driver), pipeline_(pipeline), tasks_(tasks) {}

bool PlaybackSource::Start() {
    if (thread_.joinable()) return true;
    stop_.store(false);
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PlaybackSource::Stop() {
    stop_.store(true);
    tasks_.Interrupt();
    if (thread_.joinable()) thread_.join();
}

void PlaybackSource::set_hold(bool on) {
    hold_.store(on);
    tasks_.Interrupt();
}

void PlaybackSource::Run() {
    pipeline_.BindToCurrentThread();
    while (!stop_.load()) {
        tasks_.RunPending();
        if (stop_.load()) break;
        if (hold_.load()) {
            tasks_.WaitFor(kHoldWait);
            continue;
        }
        if (!driver_.wants_turn()) {
            tasks_.WaitFor(kIdleWait);
            continue;
        }
        const int delay = driver_.Turn(paced_.load());
        if (delay > 0) Pace(delay);
    }
    tasks_.RunPending();
    pipeline_.Unbind();
}

void PlaybackSource::Pace(int ms) {
    const auto deadline = Clock::now() + milliseconds(ms);
    while (!stop_.load() && !hold_.load()) {
        const auto left = deadline - Clock::now();
        if (left <= left.zero()) return;
        if (tasks_.WaitFor(std::chrono::ceil<milliseconds>(left))) tasks_.RunPending();
    }
}

}  // namespace vq
