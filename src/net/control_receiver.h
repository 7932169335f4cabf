// Receives control datagrams on a thread of its own (headless runs; the GUI watches the
// socket's descriptor on its own thread instead and calls UdpOutput::receive_one()).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

#include "net/udp_output.h"

namespace vq {

class ControlReceiver {
  public:
    // Called on the receiver thread with each datagram (at most 256 bytes, zero-padded buffer
    // of 256 bytes) after its sender became the output destination.
    using Handler = std::function<void(const std::uint8_t* data, std::size_t len)>;

    ControlReceiver() = default;
    ~ControlReceiver() { Stop(); }
    ControlReceiver(const ControlReceiver&) = delete;
    ControlReceiver& operator=(const ControlReceiver&) = delete;

    // Starts watching output's socket. output must stay open until stop(). Returns an errno
    // when the wake-up pipe cannot be made, else 0.
    int Start(UdpOutput& output, Handler handler);
    // Wakes the thread at once and joins it. Safe to call twice.
    void Stop();
    bool running() const { return thread_.joinable(); }
    std::uint64_t datagrams() const { return datagrams_.load(std::memory_order_relaxed); }

  private:
    void Run(UdpOutput& output);

    Handler handler_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> datagrams_{0};
    int wake_[2] = {-1, -1};
};

}  // namespace vq
