#include "net/control_receiver.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <array>
#include <cerrno>

namespace vq {

int ControlReceiver::Start(UdpOutput& output, Handler handler) {
    Stop();
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return errno;
    handler_ = std::move(handler);
    stop_.store(false, std::memory_order_release);
    thread_ = std::thread([this, &output] { Run(output); });
    return 0;
}

void ControlReceiver::Stop() {
    if (thread_.joinable()) {
        stop_.store(true, std::memory_order_release);
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
        thread_.join();
    }
    for (int& fd : wake_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void ControlReceiver::Run(UdpOutput& output) {
    std::array<std::uint8_t, kControlDatagramSize> buf{};
    while (!stop_.load(std::memory_order_acquire)) {
        pollfd p[2] = {{output.fd(), POLLIN, 0}, {wake_[0], POLLIN, 0}};
        int r = ::poll(p, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if ((p[1].revents & POLLIN) != 0 || stop_.load(std::memory_order_acquire)) return;
        if ((p[0].revents & POLLNVAL) != 0) return;  // the socket was closed under us
        // Drain everything waiting, one datagram at a time (a failed receive also clears a
        // pending socket error).
        while (auto n = output.ReceiveOne(buf)) {
            datagrams_.fetch_add(1, std::memory_order_relaxed);
            if (handler_) handler_(buf.data(), *n);
            if (stop_.load(std::memory_order_acquire)) return;
        }
    }
}

}  // namespace vq
