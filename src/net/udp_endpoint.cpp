#include "net/udp_endpoint.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include <utility>

#include "platform/tcp_socket.h"

namespace vq {
namespace {

sockaddr_in ToSockaddr(const Ipv4Endpoint& e) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(e.port);
    sa.sin_addr.s_addr = htonl(e.address);
    return sa;
}

}  // namespace

std::string FormatEndpoint(const Ipv4Endpoint& e) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u:%u", (e.address >> 24) & 255u,
                  (e.address >> 16) & 255u, (e.address >> 8) & 255u, e.address & 255u,
                  static_cast<unsigned>(e.port));
    return buf;
}

std::optional<Ipv4Endpoint> ParseEndpoint(std::string_view address, int port) {
    std::uint32_t a = 0;
    if (port < 0 || port > 65535 || !ParseIPv4(address, &a)) return std::nullopt;
    return Ipv4Endpoint{a, static_cast<std::uint16_t>(port)};
}

UdpEndpoint::~UdpEndpoint() {
    Close();
}

UdpEndpoint::UdpEndpoint(UdpEndpoint&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UdpEndpoint& UdpEndpoint::operator=(UdpEndpoint&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

int UdpEndpoint::Open(std::string_view bind_address, std::uint16_t port) {
    Close();
    std::uint32_t a = 0;
    if (!ParseIPv4(bind_address, &a)) return EINVAL;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) return errno;
    sockaddr_in sa = ToSockaddr({a, port});
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        int e = errno;
        ::close(fd);
        return e;
    }
    fd_ = fd;
    return 0;
}

void UdpEndpoint::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::uint16_t UdpEndpoint::local_port() const {
    if (fd_ < 0) return 0;
    sockaddr_in sa{};
    socklen_t n = sizeof sa;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &n) != 0) return 0;
    return ntohs(sa.sin_port);
}

SendOutcome UdpEndpoint::SendTo(const Ipv4Endpoint& to, std::span<const std::uint8_t> data) const {
    if (fd_ < 0) return {-1, EBADF};
    sockaddr_in sa = ToSockaddr(to);
    ssize_t n = ::sendto(fd_, data.data(), data.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                         reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n < 0) return {-1, errno};
    return {static_cast<long>(n), 0};
}

std::optional<ReceiveOutcome> UdpEndpoint::Receive(std::span<std::uint8_t> buffer,
                                                   int* error) const {
    if (error) *error = 0;
    if (fd_ < 0) {
        if (error) *error = EBADF;
        return std::nullopt;
    }
    sockaddr_in sa{};
    socklen_t n = sizeof sa;
    ssize_t got = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                             reinterpret_cast<sockaddr*>(&sa), &n);
    if (got < 0) {
        if (error) *error = errno;
        return std::nullopt;
    }
    ReceiveOutcome r;
    r.bytes = static_cast<std::size_t>(got);
    r.from = {ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
    return r;
}

bool UdpEndpoint::WaitReadable(int timeout_ms) const {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeout_ms);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & POLLIN) != 0;
}

}  // namespace vq

namespace vq {
namespace {

int SetBuffer(int fd, int option, int force_option, int bytes) {
    if (fd < 0) return 0;
    ::setsockopt(fd, SOL_SOCKET, option, &bytes, sizeof bytes);
    int got = 0;
    socklen_t n = sizeof got;
    if (::getsockopt(fd, SOL_SOCKET, option, &got, &n) != 0) return 0;
    if (got < bytes && ::setsockopt(fd, SOL_SOCKET, force_option, &bytes, sizeof bytes) == 0) {
        n = sizeof got;
        ::getsockopt(fd, SOL_SOCKET, option, &got, &n);
    }
    return got;
}

}  // namespace

int UdpEndpoint::set_receive_buffer(int bytes) const {
    return SetBuffer(fd_, SO_RCVBUF, SO_RCVBUFFORCE, bytes);
}

int UdpEndpoint::set_send_buffer(int bytes) const {
    return SetBuffer(fd_, SO_SNDBUF, SO_SNDBUFFORCE, bytes);
}

}  // namespace vq
