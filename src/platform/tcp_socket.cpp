#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include <chrono>
#include <utility>

namespace vq {

bool ParseIPv4(std::string_view text, std::uint32_t* host_order_address) {
    std::uint32_t address = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        if (parts > 0) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
        int value = 0, digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + (text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        address = (address << 8) | static_cast<std::uint32_t>(value);
        ++parts;
    }
    if (i != text.size()) return false;
    if (host_order_address) *host_order_address = address;
    return true;
}

namespace {

bool MakeAddress(std::string_view address, std::uint16_t port, sockaddr_in* out) {
    std::uint32_t host = 0;
    if (!ParseIPv4(address, &host)) return false;
    *out = sockaddr_in{};
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    out->sin_addr.s_addr = htonl(host);
    return true;
}

bool SetNonBlocking(int fd, bool on) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

// poll() on one descriptor, restarted after signals with the time left.
int PollOne(int fd, short events, int timeout_ms, short* revents) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        pollfd p{fd, events, 0};
        int wait = timeout_ms;
        if (timeout_ms >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() < 0 ? 0 : static_cast<int>(left.count());
        }
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (revents) *revents = p.revents;
        return r;
    }
}

// Starts a non-blocking connect and waits for it. Returns 0 or an errno; fd stays non-blocking.
int ConnectWithTimeout(int fd, const sockaddr_in& sa, int timeout_ms) {
    if (!SetNonBlocking(fd, true)) return errno;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    short revents = 0;
    int r = PollOne(fd, POLLOUT, timeout_ms, &revents);
    if (r < 0) return errno;
    if (r == 0) return ETIMEDOUT;
    int so_error = 0;
    socklen_t len = sizeof so_error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len) != 0) return errno;
    return so_error;
}

}  // namespace

TcpSocket::~TcpSocket() {
    Close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int TcpSocket::Connect(std::string_view address, std::uint16_t port, int timeout_ms,
                       bool* socket_failed) {
    Close();
    if (socket_failed) *socket_failed = false;
    sockaddr_in sa{};
    if (!MakeAddress(address, port, &sa)) return EINVAL;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (socket_failed) *socket_failed = true;
        return errno;
    }
    int err = ConnectWithTimeout(fd, sa, timeout_ms);
    if (err == 0 && !SetNonBlocking(fd, false)) err = errno;
    int one = 1;
    if (err == 0 && setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) err = errno;
    if (err != 0) {
        ::close(fd);
        return err;
    }
    fd_ = fd;
    return 0;
}

IoResult TcpSocket::SendAll(const void* data, std::size_t n) {
    IoResult res;
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (res.bytes < n) {
        ssize_t k = ::send(fd_, p + res.bytes, n - res.bytes, MSG_NOSIGNAL);
        if (k < 0) {
            if (errno == EINTR) continue;
            res.status = IoStatus::kError;
            res.error = errno;
            return res;
        }
        res.bytes += static_cast<std::size_t>(k);
    }
    return res;
}

IoResult TcpSocket::RecvExact(void* data, std::size_t n, int timeout_ms) {
    IoResult res;
    auto* p = static_cast<std::uint8_t*>(data);
    while (res.bytes < n) {
        if (timeout_ms >= 0) {
            IoResult w = WaitReadable(timeout_ms);
            if (!w.ok()) {
                w.bytes = res.bytes;
                return w;
            }
        }
        ssize_t k = ::recv(fd_, p + res.bytes, n - res.bytes, 0);
        if (k < 0) {
            if (errno == EINTR) continue;
            res.status = IoStatus::kError;
            res.error = errno;
            return res;
        }
        if (k == 0) {
            res.status = IoStatus::kClosed;
            return res;
        }
        res.bytes += static_cast<std::size_t>(k);
    }
    return res;
}

IoResult TcpSocket::WaitReadable(int timeout_ms) const {
    IoResult res;
    if (fd_ < 0) {
        res.status = IoStatus::kError;
        res.error = EBADF;
        return res;
    }
    short revents = 0;
    int r = PollOne(fd_, POLLIN, timeout_ms, &revents);
    if (r < 0) {
        res.status = IoStatus::kError;
        res.error = errno;
    } else if (r == 0) {
        res.status = IoStatus::kTimeout;
    } else if ((revents & POLLNVAL) != 0) {
        res.status = IoStatus::kError;
        res.error = EBADF;
    }
    // POLLIN, POLLHUP and POLLERR all mean a read will not block: recv reports what happened.
    return res;
}

int TcpSocket::Close() {
    if (fd_ < 0) return 0;
    int r = ::close(std::exchange(fd_, -1));
    return r == 0 ? 0 : errno;
}

std::uint16_t TcpSocket::local_port() const {
    if (fd_ < 0) return 0;
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
    return ntohs(sa.sin_port);
}

bool ProbeTcp(std::string_view address, std::uint16_t port, int timeout_ms) {
    sockaddr_in sa{};
    if (!MakeAddress(address, port, &sa)) return false;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const int err = ConnectWithTimeout(fd, sa, timeout_ms < 0 ? 0 : timeout_ms);
    ::close(fd);
    return err == 0;
}

TcpListener::~TcpListener() {
    Close();
}

int TcpListener::Listen(std::string_view address, std::uint16_t port, int backlog) {
    Close();
    sockaddr_in sa{};
    if (!MakeAddress(address, port, &sa)) return EINVAL;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(fd, backlog) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
    fd_ = fd;
    return 0;
}

TcpSocket TcpListener::Accept(int timeout_ms) {
    if (fd_ < 0) return TcpSocket();
    short revents = 0;
    if (PollOne(fd_, POLLIN, timeout_ms, &revents) <= 0) return TcpSocket();
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return TcpSocket();
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return TcpSocket(fd);
}

void TcpListener::Close() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    port_ = 0;
}

}  // namespace vq
