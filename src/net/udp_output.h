// The data output socket: point records, beam records in pieces of at most 64000 bytes and
// the 32-byte keep-alive go to one destination; control datagrams arrive on the same socket,
// and their sender becomes the destination of everything sent afterwards.
//
// Threads: the ping thread sends (the link's live, the playback source's in playback); the
// window's thread receives when the socket is readable. The destination is one atomic word, so
// a send uses either the old or the new destination as a whole.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "net/udp_endpoint.h"

namespace vq {

inline constexpr std::size_t kKeepAliveSize = 32;
inline constexpr std::size_t kMaxBeamPiece = 64000;
inline constexpr std::size_t kControlDatagramSize = 256;
inline constexpr int kSendBufferBytes = 4 << 20;

// The 32-byte keep-alive: "Q4Z" and 29 zero bytes.
std::array<std::uint8_t, kKeepAliveSize> KeepAliveDatagram();

struct OutputSocketConfig {
    std::string address;  // "IPAddress_Output1"; empty means the default output address
    int port = 4040;      // "RemotePort_Output1"
    std::string bind_address = "0.0.0.0";  // where control datagrams are accepted
    std::uint16_t local_port = 0;          // 0: an ephemeral port
    // Refuse every destination outside 127.0.0.0/8 (tests and simulated runs).
    bool loopback_only = false;
};

class UdpOutput {
  public:
    UdpOutput() = default;
    UdpOutput(const UdpOutput&) = delete;
    UdpOutput& operator=(const UdpOutput&) = delete;

    // Opens the socket and sets the destination from the settings. Returns 0 or an errno; an
    // unusable destination address leaves the socket open (control still works) but every send
    // fails with EDESTADDRREQ. Reopening (after the address dialog) closes the old socket first.
    // open() and close() must not run while another thread sends or receives.
    int Open(const OutputSocketConfig& config);
    void Close();
    // The address dialog changed the settings: the destination returns to the configured one
    // (a controller's redirection ends). Safe while the pipeline sends. False for an unusable
    // address, which leaves no destination (sends fail with EDESTADDRREQ).
    bool ResetDestination(const std::string& address, int port);
    bool is_open() const { return socket_.is_open(); }

    // The socket to watch for arriving control datagrams (-1 while closed).
    int fd() const { return socket_.fd(); }
    std::uint16_t local_port() const { return socket_.local_port(); }

    std::optional<Ipv4Endpoint> destination() const;
    std::string destination_text() const;  // "127.0.0.1:4040", or "none"
    void set_destination(const Ipv4Endpoint& to);

    // Pipeline, per ping: begin_ping() clears the sent-this-ping flag; finish_ping() sends the
    // keep-alive when nothing else was sent for this ping.
    void BeginPing() { sent_this_ping_ = false; }
    bool sent_this_ping() const { return sent_this_ping_; }
    void FinishPing();

    // A whole point record as one datagram.
    void SendPoint(std::span<const std::uint8_t> record);
    // A beam record in consecutive pieces of at most 64000 bytes, no framing of its own; the
    // first failed piece drops the rest of the record.
    void SendBeam(std::span<const std::uint8_t> record);
    void SendKeepAlive();

    // Last send: bytes sent (>= 0), or minus the errno of the failure ("Bytes Out").
    long last_send_result() const { return last_result_.load(std::memory_order_relaxed); }
    std::string bytes_out_text() const;
    std::uint64_t datagrams_sent() const { return sent_.load(std::memory_order_relaxed); }
    std::uint64_t send_failures() const { return failures_.load(std::memory_order_relaxed); }

    // Receives one waiting datagram into buffer (which is zeroed first; a longer datagram is
    // cut to its size). On success its sender becomes the destination and the length is
    // returned; nothing when no datagram was waiting or the receive failed.
    std::optional<std::size_t> ReceiveOne(std::span<std::uint8_t> buffer);

  private:
    SendOutcome Send(std::span<const std::uint8_t> data);
    void Record(const SendOutcome& r);

    UdpEndpoint socket_;
    bool loopback_only_ = false;
    // Bit 48 = valid, bits 16..47 = address, bits 0..15 = port.
    std::atomic<std::uint64_t> destination_{0};
    std::atomic<long> last_result_{0};
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<std::uint64_t> failures_{0};
    bool sent_this_ping_ = false;  // pipeline thread only
};

}  // namespace vq
