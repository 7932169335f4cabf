// Waiting in tests for what another thread makes true: the condition is polled every 5 ms up
// to a limit generous enough for a sanitizer build on a busy machine.
#pragma once

#include <chrono>
#include <thread>

namespace vq::test {

template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(120)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vq::test
