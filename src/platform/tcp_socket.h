// A small POSIX TCP layer for the head link: an RAII client socket with blocking
// send-all / receive-exactly, connects with a time-out, a readable-wait like select(),
// and a listener for servers on loopback (the simulated head, tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vq {

// Parses dotted IPv4 text ("127.0.0.1") into an address in host byte order.
// Exactly four decimal parts 0..255; no spaces, signs or empty parts. False on bad text.
bool ParseIPv4(std::string_view text, std::uint32_t* host_order_address);

// True for 127.0.0.0/8.
constexpr bool IsLoopbackIPv4(std::uint32_t host_order_address) {
    return (host_order_address >> 24) == 127u;
}

// Outcome of a wait or of a receive.
enum class IoStatus {
    kOk,
    kTimeout,  // nothing arrived within the time-out
    kClosed,   // the peer closed the connection
    kError,    // a socket error; its errno is kept
};

struct IoResult {
    IoStatus status = IoStatus::kOk;
    int error = 0;          // errno for kError, 0 otherwise
    std::size_t bytes = 0;  // bytes transferred before the result
    bool ok() const { return status == IoStatus::kOk; }
};

class TcpSocket {
  public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) : fd_(fd) {}  // adopts a connected descriptor
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to address:port, waiting at most timeout_ms (< 0: no limit), then leaves the
    // socket blocking with TCP_NODELAY set. Returns 0 or an errno (ETIMEDOUT on time-out,
    // EINVAL for an unparsable address). Closes any previous connection first.
    // *socket_failed tells whether the socket itself could not be created.
    int Connect(std::string_view address, std::uint16_t port, int timeout_ms,
                bool* socket_failed = nullptr);

    // Sends all n bytes, repeating partial sends. No SIGPIPE on a closed peer.
    IoResult SendAll(const void* data, std::size_t n);

    // Receives exactly n bytes. Before each read it waits at most timeout_ms for data
    // (< 0: no limit), so a head that stops in the middle of a packet cannot hang the caller.
    IoResult RecvExact(void* data, std::size_t n, int timeout_ms);

    // Waits until data (or end of stream) can be read: kOk, kTimeout or kError.
    IoResult WaitReadable(int timeout_ms) const;

    // Closes the descriptor. Returns 0 or the errno of close(); the socket is released either way.
    int Close();

    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The local port of the socket (0 when closed).
    std::uint16_t local_port() const;

  private:
    int fd_ = -1;
};

// Tells whether something accepts TCP connections at address:port: a non-blocking connect
// that waits at most timeout_ms. The probe socket is always closed again.
bool ProbeTcp(std::string_view address, std::uint16_t port, int timeout_ms);

class TcpListener {
  public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Binds (SO_REUSEADDR) and listens. port 0 takes an ephemeral port. Returns 0 or an errno.
    int Listen(std::string_view address, std::uint16_t port, int backlog = 4);
    // Waits at most timeout_ms (< 0: no limit) for a connection; an unopened socket on
    // time-out or error.
    TcpSocket Accept(int timeout_ms);
    void Close();
    bool is_open() const { return fd_ >= 0; }
    std::uint16_t port() const { return port_; }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace vq
