#include "net/udp_output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/settings.h"
#include "platform/tcp_socket.h"

namespace vq {
namespace {

constexpr std::uint64_t kValid = std::uint64_t{1} << 48;

std::uint64_t Pack(const Ipv4Endpoint& e) {
    return kValid | (std::uint64_t{e.address} << 16) | e.port;
}

}  // namespace

std::array<std::uint8_t, kKeepAliveSize> KeepAliveDatagram() {
    std::array<std::uint8_t, kKeepAliveSize> d{};
    d[0] = 'Q';
    d[1] = '4';
    d[2] = 'Z';
    return d;
}

int UdpOutput::Open(const OutputSocketConfig& config) {
    Close();
    loopback_only_ = config.loopback_only;
    ResetDestination(config.address, config.port);
    int e = socket_.Open(config.bind_address, config.local_port);
    // Room for a few whole beam records, so that a record handed over at once is not cut
    // short by a full buffer while the network carries the previous one.
    if (e == 0) socket_.set_send_buffer(kSendBufferBytes);
    return e;
}

bool UdpOutput::ResetDestination(const std::string& address, int port) {
    auto to = ParseEndpoint(
        address.empty() ? std::string_view(kDefaultOutputAddress) : std::string_view(address),
        port);
    if (!to) {
        destination_.store(0, std::memory_order_release);
        return false;
    }
    set_destination(*to);
    return true;
}

void UdpOutput::Close() {
    socket_.Close();
    destination_.store(0, std::memory_order_release);
}

std::optional<Ipv4Endpoint> UdpOutput::destination() const {
    std::uint64_t v = destination_.load(std::memory_order_acquire);
    if ((v & kValid) == 0) return std::nullopt;
    return Ipv4Endpoint{static_cast<std::uint32_t>(v >> 16), static_cast<std::uint16_t>(v)};
}

std::string UdpOutput::destination_text() const {
    auto d = destination();
    return d ? FormatEndpoint(*d) : std::string("none");
}

void UdpOutput::set_destination(const Ipv4Endpoint& to) {
    destination_.store(Pack(to), std::memory_order_release);
}

SendOutcome UdpOutput::Send(std::span<const std::uint8_t> data) {
    auto to = destination();
    if (!to) return {-1, EDESTADDRREQ};
    if (loopback_only_ && !IsLoopbackIPv4(to->address)) return {-1, EPERM};
    return socket_.SendTo(*to, data);
}

void UdpOutput::Record(const SendOutcome& r) {
    if (r.ok()) {
        sent_.fetch_add(1, std::memory_order_relaxed);
    } else {
        failures_.fetch_add(1, std::memory_order_relaxed);
    }
}

void UdpOutput::SendPoint(std::span<const std::uint8_t> record) {
    SendOutcome r = Send(record);
    this->Record(r);
    last_result_.store(r.ok() ? r.bytes : -static_cast<long>(r.error), std::memory_order_relaxed);
    sent_this_ping_ = true;
}

void UdpOutput::SendBeam(std::span<const std::uint8_t> record) {
    long total = 0;
    int error = 0;
    for (std::size_t at = 0; at < record.size(); at += kMaxBeamPiece) {
        std::size_t n = std::min(kMaxBeamPiece, record.size() - at);
        SendOutcome r = Send(record.subspan(at, n));
        this->Record(r);
        if (!r.ok()) {
            error = r.error;
            break;
        }
        total += r.bytes;
    }
    last_result_.store(error != 0 ? -static_cast<long>(error) : total, std::memory_order_relaxed);
    sent_this_ping_ = true;
}

void UdpOutput::SendKeepAlive() {
    const auto d = KeepAliveDatagram();
    SendOutcome r = Send(d);
    Record(r);
    last_result_.store(r.ok() ? r.bytes : -static_cast<long>(r.error), std::memory_order_relaxed);
    sent_this_ping_ = true;
}

void UdpOutput::FinishPing() {
    if (!sent_this_ping_) SendKeepAlive();
}

std::string UdpOutput::bytes_out_text() const {
    long v = last_send_result();
    if (v >= 0) return std::to_string(v);
    return "error " + std::to_string(-v);
}

std::optional<std::size_t> UdpOutput::ReceiveOne(std::span<std::uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    auto r = socket_.Receive(buffer);
    if (!r) return std::nullopt;
    set_destination(r->from);
    return r->bytes;
}

}  // namespace vq
