// A thin POSIX UDP socket for the data output and the control datagrams: non-blocking,
// IPv4 only, one socket that both sends and receives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vq {

// An IPv4 address (host byte order) and a UDP port.
struct Ipv4Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    friend bool operator==(const Ipv4Endpoint&, const Ipv4Endpoint&) = default;
};

std::string FormatEndpoint(const Ipv4Endpoint& e);  // "127.0.0.1:4040"
std::optional<Ipv4Endpoint> ParseEndpoint(std::string_view address, int port);

// Outcome of one send: the bytes sent, or the errno of the failure.
struct SendOutcome {
    long bytes = -1;
    int error = 0;
    bool ok() const { return error == 0; }
};

// One received datagram: its length (at most the buffer) and its sender.
struct ReceiveOutcome {
    std::size_t bytes = 0;
    Ipv4Endpoint from;
};

class UdpEndpoint {
  public:
    UdpEndpoint() = default;
    ~UdpEndpoint();
    UdpEndpoint(UdpEndpoint&& other) noexcept;
    UdpEndpoint& operator=(UdpEndpoint&& other) noexcept;
    UdpEndpoint(const UdpEndpoint&) = delete;
    UdpEndpoint& operator=(const UdpEndpoint&) = delete;

    // Creates a non-blocking socket bound to bind_address:port (port 0: an ephemeral port).
    // Returns 0 or an errno (EINVAL for an unparsable address). Closes any previous socket.
    int Open(std::string_view bind_address, std::uint16_t port);
    void Close();
    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    std::uint16_t local_port() const;

    // Sends one datagram without waiting: a full send buffer fails with EAGAIN.
    SendOutcome SendTo(const Ipv4Endpoint& to, std::span<const std::uint8_t> data) const;
    // Receives one datagram without waiting; a longer datagram is cut to the buffer.
    // Nothing when no datagram is waiting or the receive failed (*error then holds errno,
    // EAGAIN for nothing waiting).
    std::optional<ReceiveOutcome> Receive(std::span<std::uint8_t> buffer,
                                          int* error = nullptr) const;
    // Waits at most timeout_ms for a datagram (< 0: no limit). True when one is waiting.
    bool WaitReadable(int timeout_ms) const;
    // Asks for socket buffers of the given size (the system may cap it; privileged processes
    // may exceed the cap) and returns the size in effect, 0 on failure.
    int set_receive_buffer(int bytes) const;
    int set_send_buffer(int bytes) const;

  private:
    int fd_ = -1;
};

}  // namespace vq
