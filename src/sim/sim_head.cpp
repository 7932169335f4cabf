// The simulated head's TCP server: one client at a time, one return packet per request.
#include "sim/sim_head.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "sim/head_engine.h"
#include "sim/le_bytes.h"

namespace vq::sim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 50;

// What the serving loop does to the packet about to be sent.
enum class FaultAction { None, Close, CloseMidPacket, BadHeader, WrongNumber };

}  // namespace

struct SimHead::Impl {
    explicit Impl(Options o)
        : options(std::move(o)), engine(options), ping_scene(options.scene), scene(options.scene) {
        last_samples.reserve(kMaxSampleBytes);
    }

    Options options;
    HeadEngine engine;  // used by the server thread only
    Scene ping_scene;   // the scene pings are made of (server thread)
    std::thread thread;
    std::atomic<bool> running{false};
    std::atomic<std::uint16_t> bound_port{0};
    int listen_fd = -1;  // owned by the server thread once started
    std::uint8_t ip[4] = {127, 0, 0, 1};

    std::atomic<std::uint64_t> pings{0}, packets{0}, requests{0}, connections{0};
    std::uint64_t ping_index = 0;
    Clock::time_point next_ping{};

    mutable std::mutex m;  // guards everything below
    Scene scene;
    bool scene_changed = false;
    Faults faults;
    int sent_since_arm = 0;
    Clock::time_point refuse_until{};
    std::vector<std::uint8_t> last_samples;
    std::vector<std::uint8_t> last_command;  // the 1152 bytes of the last packet-0 request

    bool OpenListener(std::string* error);
    void Run();
    void Serve(int fd);
    bool ReadFull(int fd, std::uint8_t* p, std::size_t n);
    bool WriteFull(int fd, const std::uint8_t* p, std::size_t n);
    void SleepFor(double seconds);
    void KeepRefusal();
    FaultAction TakeFault();
    void Pace(const PingSettings& s);
};

bool SimHead::Impl::OpenListener(std::string* error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error) *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    std::memcpy(&a.sin_addr.s_addr, ip, 4);
    a.sin_port = htons(bound_port.load() != 0 ? bound_port.load() : options.port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) {
        if (error)
            *error = std::string("cannot listen on ") + options.bind + ":" +
                     std::to_string(ntohs(a.sin_port)) + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    bound_port.store(ntohs(a.sin_port));
    listen_fd = fd;
    return true;
}

void SimHead::Impl::SleepFor(double seconds) {
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(seconds));
    while (running.load() && Clock::now() < until) {
        const auto left = until - Clock::now();
        std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(20)));
    }
}

// Closes the listening socket while a refusal is in force and opens it again afterwards.
void SimHead::Impl::KeepRefusal() {
    Clock::time_point until;
    {
        std::lock_guard lock(m);
        until = refuse_until;
    }
    const bool refusing = Clock::now() < until;
    if (refusing && listen_fd >= 0) {
        ::close(listen_fd);
        listen_fd = -1;
    } else if (!refusing && listen_fd < 0) {
        OpenListener(nullptr);
    }
}

FaultAction SimHead::Impl::TakeFault() {
    std::lock_guard lock(m);
    const int k = sent_since_arm++;
    FaultAction action = FaultAction::None;
    if (faults.close_after_packets == k) {
        faults.close_after_packets = -1;
        action = FaultAction::Close;
    } else if (faults.close_mid_packet_after_packets == k) {
        faults.close_mid_packet_after_packets = -1;
        action = FaultAction::CloseMidPacket;
    } else if (faults.bad_header_after_packets == k) {
        faults.bad_header_after_packets = -1;
        action = FaultAction::BadHeader;
    } else if (faults.wrong_number_after_packets == k) {
        faults.wrong_number_after_packets = -1;
        action = FaultAction::WrongNumber;
    }
    return action;
}

// Realistic ping rate: the two-way travel time of the range window plus 3 ms.
void SimHead::Impl::Pace(const PingSettings& s) {
    if (!options.pacing) return;
    const double period =
        2.0 * (s.range_offset_m + s.range_span_m) / std::max(100.0f, options.sound_velocity) +
        0.003;
    const auto now = Clock::now();
    if (now < next_ping) SleepFor(std::chrono::duration<double>(next_ping - now).count());
    next_ping = std::max(now, next_ping) +
                std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(period));
}

bool SimHead::Impl::ReadFull(int fd, std::uint8_t* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        if (!running.load()) return false;
        KeepRefusal();
        pollfd pfd{fd, POLLIN, 0};
        const int r = ::poll(&pfd, 1, kPollMs);
        if (r < 0 && errno != EINTR) return false;
        if (r <= 0) continue;
        const ssize_t k = ::recv(fd, p + got, n - got, 0);
        if (k == 0) return false;
        if (k < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        got += static_cast<std::size_t>(k);
    }
    return true;
}

bool SimHead::Impl::WriteFull(int fd, const std::uint8_t* p, std::size_t n) {
    std::size_t sent = 0;
    while (sent < n) {
        if (!running.load()) return false;
        pollfd pfd{fd, POLLOUT, 0};
        const int r = ::poll(&pfd, 1, kPollMs);
        if (r < 0 && errno != EINTR) return false;
        if (r <= 0) continue;
        const ssize_t k = ::send(fd, p + sent, n - sent, MSG_NOSIGNAL);
        if (k < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        sent += static_cast<std::size_t>(k);
    }
    return true;
}

void SimHead::Impl::Serve(int fd) {
    std::vector<std::uint8_t> command(kCommandBytes, 0);
    std::vector<std::uint8_t> packet(kMaxPacketSize, 0);
    while (running.load()) {
        if (!ReadFull(fd, command.data(), kRequestHeaderBytes)) return;
        Request req;
        if (!ParseRequestHeader(command.data(), &req)) return;  // not our protocol: hang up
        if (req.packet_number == 0 &&
            !ReadFull(fd, command.data() + kRequestHeaderBytes, kSwitchBlockBytes)) {
            return;
        }
        requests.fetch_add(1);
        double stall = 0.0;
        {
            std::lock_guard lock(m);
            std::swap(stall, faults.stall_seconds);
            if (req.packet_number == 0 && scene_changed) {
                ping_scene = scene;
                scene_changed = false;
            }
        }
        if (stall > 0.0) SleepFor(stall);
        if (req.packet_number == 0) {
            {
                std::lock_guard lock(m);
                last_command = command;
            }
            engine.BeginPing(command.data(), ping_scene, ping_index++);
            Pace(engine.settings());
        }
        engine.BuildPacket(req, packet.data());
        const FaultAction fault = TakeFault();
        if (fault == FaultAction::Close) return;
        if (fault == FaultAction::CloseMidPacket) {
            WriteFull(fd, packet.data(), req.packet_size / 2);
            return;
        }
        if (fault == FaultAction::BadHeader) packet[3] = 'V';
        if (fault == FaultAction::WrongNumber) {
            PutU16(packet.data() + 8, static_cast<std::uint16_t>(req.packet_number + 1));
        }
        // Counted before sending, so a client that has the packet also sees the counts.
        packets.fetch_add(1);
        if (fault == FaultAction::None && req.packet_number == engine.LastPacket(req)) {
            {
                std::lock_guard lock(m);
                last_samples.assign(engine.samples(), engine.samples() + engine.sample_bytes());
            }
            pings.fetch_add(1);
        }
        if (!WriteFull(fd, packet.data(), req.packet_size)) return;
    }
}

void SimHead::Impl::Run() {
    while (running.load()) {
        KeepRefusal();
        if (listen_fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        pollfd pfd{listen_fd, POLLIN, 0};
        if (::poll(&pfd, 1, kPollMs) <= 0) continue;
        const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        connections.fetch_add(1);
        Serve(fd);
        ::close(fd);
    }
    if (listen_fd >= 0) ::close(listen_fd);
    listen_fd = -1;
}

SimHead::SimHead(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

SimHead::~SimHead() {
    Stop();
}

bool SimHead::Start(std::string* error) {
    if (impl_->running.load()) return true;
    if (!ParseIPv4(impl_->options.bind, impl_->ip)) {
        if (error) *error = "not an IPv4 address: " + impl_->options.bind;
        return false;
    }
    if (!IsLoopback(impl_->ip) && !impl_->options.allow_remote) {
        if (error) {
            *error = "refusing to listen on non-loopback address " + impl_->options.bind +
                     " (only 127.0.0.0/8 is allowed without --allow-remote)";
        }
        return false;
    }
    impl_->bound_port.store(0);
    if (!impl_->OpenListener(error)) return false;
    impl_->running.store(true);
    impl_->thread = std::thread([this] { impl_->Run(); });
    return true;
}

void SimHead::Stop() {
    if (!impl_->thread.joinable()) return;
    impl_->running.store(false);
    impl_->thread.join();
}

std::uint16_t SimHead::port() const {
    return impl_->bound_port.load();
}

void SimHead::Arm(const Faults& faults) {
    std::lock_guard lock(impl_->m);
    impl_->faults = faults;
    impl_->sent_since_arm = 0;
    if (faults.refuse_seconds > 0.0) {
        impl_->refuse_until =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(faults.refuse_seconds));
    }
}

void SimHead::set_scene(const Scene& scene) {
    std::lock_guard lock(impl_->m);
    impl_->scene = scene;
    impl_->scene_changed = true;
}

std::uint64_t SimHead::pings_served() const {
    return impl_->pings.load();
}
std::uint64_t SimHead::requests_received() const {
    return impl_->requests.load();
}
std::uint64_t SimHead::packets_served() const {
    return impl_->packets.load();
}
std::uint64_t SimHead::connections_accepted() const {
    return impl_->connections.load();
}

std::vector<std::uint8_t> SimHead::last_ping_samples() const {
    std::lock_guard lock(impl_->m);
    return impl_->last_samples;
}

std::vector<std::uint8_t> SimHead::last_command() const {
    std::lock_guard lock(impl_->m);
    return impl_->last_command;
}

}  // namespace vq::sim
