// Test helpers: a plain loopback TCP client for the simulated head, and command packets
// written byte by byte as a link would send them.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vq::sim::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
inline void PutFloat(Bytes& b, std::size_t at, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    Put32(b, at, u);
}
inline unsigned Get16(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
inline float GetFloat(const Bytes& b, std::size_t at) {
    const std::uint32_t u = Get32(b, at);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline std::int16_t GetI16(const Bytes& b, std::size_t at) {
    return static_cast<std::int16_t>(Get16(b, at));
}

struct CommandValues {
    float span = 50.0f, offset = 0.0f, frequency_hz = 260000.0f, absorption = 0.065f;
    float pulse_s = 300e-6f, resolution = 0.01f, tx_delay = 0.0f;
    int format = 11, points = 500, gain = 6, filter = 9;
    std::uint32_t packet_size = 8676, flags = 0;
};

// The 1152-byte command of packet 0.
inline Bytes MakeCommand(const CommandValues& v) {
    Bytes c(1152, 0);
    std::memcpy(c.data(), "TMND", 4);
    Put16(c, 4, 1);
    Put32(c, 12, v.packet_size);
    Put16(c, 16, static_cast<unsigned>(v.format));
    const std::size_t s = 128;
    Put32(c, s + 0, v.flags);
    PutFloat(c, s + 8, v.span);
    PutFloat(c, s + 12, v.offset);
    PutFloat(c, s + 16, v.frequency_hz);
    PutFloat(c, s + 20, v.absorption);
    PutFloat(c, s + 24, v.pulse_s);
    Put16(c, s + 32, static_cast<unsigned>(v.points));
    c[s + 34] = v.format == 10 ? 8 : 16;
    Put32(c, s + 36, static_cast<std::uint32_t>(v.filter));
    PutFloat(c, s + 40, v.resolution);
    Put16(c, s + 44, static_cast<unsigned>(v.gain));
    PutFloat(c, s + 48, v.tx_delay);
    return c;
}

// The 128-byte request for packet n >= 1 of the same ping.
inline Bytes MakeRequest(const Bytes& command, unsigned n) {
    Bytes r(command.begin(), command.begin() + 128);
    Put16(r, 8, n);
    return r;
}

class Client {
  public:
    explicit Client(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval tv{10, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    bool connected() const { return connected_; }

    bool Send(const Bytes& b) {
        return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(b.size());
    }
    // Reads up to n bytes; fewer when the peer closes or 10 s pass.
    Bytes Receive(std::size_t n) {
        Bytes out(n);
        std::size_t got = 0;
        while (got < n) {
            const ssize_t k = ::recv(fd_, out.data() + got, n - got, 0);
            if (k <= 0) break;
            got += static_cast<std::size_t>(k);
        }
        out.resize(got);
        return out;
    }
    // True when the peer has closed or reset the connection (within 10 s).
    bool ClosedByPeer() {
        std::uint8_t b;
        const ssize_t k = ::recv(fd_, &b, 1, 0);
        return k == 0 || (k < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

}  // namespace vq::sim::test
