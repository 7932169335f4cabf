#include "link/link_thread.h"

#include <algorithm>
#include <system_error>

#include "platform/byte_order.h"

namespace vq {

namespace {

constexpr int kHoldSleepMs = 250;
// How often a wait for a packet runs the posted tasks and looks at the stop flag.
constexpr int kWaitSliceMs = 50;
constexpr int kErrorCounterWrap = 100001;
constexpr std::size_t kAddressChars = 20;

std::uint16_t U16At(const std::uint8_t* p, std::size_t at) {
    return byte_order::GetU16Le(p + at);
}

}  // namespace

Link::Link(LinkConfig config, SettingsStore& settings, Operator& op, LinkCallbacks callbacks)
    : config_(std::move(config)),
      store_(settings),
      op_(op),
      cb_(std::move(callbacks)),
      receive_(new std::uint8_t[kFullPacketSize]),
      ping_(new PingBuffer) {
    address_ = config_.address.substr(0, kAddressChars);
}

Link::~Link() {
    StopLinkThread();
}

ReturnSizing Link::sizing() const {
    ReturnSizing rs;
    rs.packet_size = packet_size_.load();
    rs.last_packet = last_packet_.load();
    return rs;
}

bool Link::StartLinkThread() {
    if (thread_.joinable()) return true;
    SettingsState st = store_.snapshot();
    // The configured address wins; without one the link uses the sonar address setting.
    address_ = config_.address.empty() ? st.s.IPAddress_Sonar1 : config_.address;
    if (address_.size() > kAddressChars) address_.resize(kAddressChars);
    sizing_ = ComputeReturnSizing(st.s, st.work.data_bits, sizing_);
    packet_size_.store(sizing_.packet_size);
    last_packet_.store(sizing_.last_packet);
    stop_.store(false);
    run_.store(true);
    try {
        thread_ = std::thread([this] { ThreadBody(); });
    } catch (const std::system_error&) {
        run_.store(false);
        op_.MessageBox("Failed to create thread!", "CreteThread Error!");
        return false;
    }
    return true;
}

void Link::StopLinkThread() {
    stop_.store(true);
    run_.store(false);
    tasks_->Interrupt();
    if (thread_.joinable()) thread_.join();
}

void Link::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (stop_.load() || left <= left.zero()) return;
    tasks_->WaitFor(std::chrono::ceil<std::chrono::milliseconds>(left));
    tasks_->RunPending();
}

void Link::ThreadBody() {
    using Clock = std::chrono::steady_clock;
    if (cb_.on_thread_start) cb_.on_thread_start();
    const auto first = Clock::now() + std::chrono::milliseconds(config_.initial_delay_ms);
    while (!stop_.load() && Clock::now() < first) WaitUntil(first);
    bool attempted = false;
    Clock::time_point last_attempt{};
    while (run_.load()) {
        tasks_->RunPending();
        if (hold_.load() || InPlayback()) {
            WaitUntil(Clock::now() + std::chrono::milliseconds(kHoldSleepMs));
            continue;
        }
        if (connected_.load()) {
            if (!CycleStep() && timeout_flag_.load()) CloseTCPConnection();
            continue;
        }
        // At most one attempt per probe interval; the thread sleeps until the next one is due
        // (a posted task or the hold wakes it earlier).
        const auto now = Clock::now();
        const auto next = last_attempt + std::chrono::milliseconds(config_.probe_interval_ms);
        if (attempted && now < next) {
            WaitUntil(next);
            continue;
        }
        attempted = true;
        last_attempt = now;
        if (cb_.on_probe) cb_.on_probe();
        if (ProbeHead(config_.probe_timeout_ms)) OpenTCPConnection();
    }
    CloseTCPConnection();
    tasks_->RunPending();
    if (cb_.on_thread_end) cb_.on_thread_end();
}

bool Link::InPlayback() const {
    return store_.Read([](const SettingsState& st) { return st.s.RunMode == 1; });
}

bool Link::ProbeHead(int timeout_ms) const {
    return ProbeTcp(address_, config_.port, timeout_ms);
}

bool Link::OpenTCPConnection() {
    connected_.store(false);
    bool socket_failed = false;
    const int err =
        socket_.Connect(address_, config_.port, config_.connect_timeout_ms, &socket_failed);
    if (socket_failed) {
        op_.MessageBox("socket() failed!", "OpenTCPConnection()");
        return false;
    }
    if (err != 0) return false;
    // A new connection starts a new ping: the head's data of an interrupted ping is gone.
    n_ = 0;
    m_ = -1;
    next_packet_.store(0);
    seen_send_errors_ = send_errors_.load();
    seen_receive_errors_ = receive_errors_.load();
    connected_.store(true);
    ResetSamples();
    if (cb_.on_connection_state) cb_.on_connection_state(true);
    connections_.fetch_add(1);
    return true;
}

void Link::CloseTCPConnection() {
    if (cb_.on_connection_state) cb_.on_connection_state(false);
    if (!connected_.load() && !socket_.is_open()) return;
    ResetSamples();
    // Receives run on this thread, so none is in progress here.
    if (socket_.Close() != 0) op_.MessageBox("closesocket() failed!", "CloseTCPConnection()");
    // The descriptor is released even when close() reports an error.
    connected_.store(false);
}

bool Link::CheckSocketStatus() {
    timeout_flag_.store(false);
    int left = config_.receive_timeout_ms;
    while (!stop_.load()) {
        const int slice = std::min(left, kWaitSliceMs);
        const IoResult r = socket_.WaitReadable(slice);
        if (r.ok()) return true;
        if (r.status == IoStatus::kError) {
            op_.MessageBox("SOCKET ERROR", "CheckSocketStatus()");
            return false;
        }
        // A head that is slow to answer does not hold up the work posted to this thread.
        tasks_->RunPending();
        left -= slice;
        if (left <= 0) {
            timeout_flag_.store(true);
            timeouts_.fetch_add(1);
            return false;
        }
    }
    return false;  // stopping
}

void Link::CountError(std::atomic<int>& counter) {
    int v = counter.load() + 1;
    if (v >= kErrorCounterWrap) v = 0;
    counter.store(v);
}

void Link::ResetSamples() {
    if (cb_.on_reset_samples) cb_.on_reset_samples();
}

void Link::BeginPing() {
    store_.SnapshotInto(snapshot_);
    if (EnforceSerialFrequency(snapshot_)) {
        store_.Update([](SettingsState& st) { st.s.Frequency = 2300; });
        if (cb_.on_frequency_forced) cb_.on_frequency_forced(2300);
    }
    timing_ = PingTiming{};
    timing_.wall_start = std::chrono::system_clock::now();
}

bool Link::SendRequest(int n) {
    sizing_ = BuildCommandPacket(snapshot_, n, command_.data(), sizing_);
    packet_size_.store(sizing_.packet_size);
    last_packet_.store(sizing_.last_packet);
    const std::size_t len = n == 0 ? kCommandPacketSize : kRequestHeaderSize;
    if (n == 0) ping_->Reset();
    ping_->Append(command_.data(), len);
    const auto start = PingTiming::Clock::now();
    sending_.store(true);
    const IoResult r = socket_.SendAll(command_.data(), len);
    sending_.store(false);
    if (!r.ok()) {
        last_send_error_.store(r.error);
        CountError(send_errors_);
        ResetSamples();
        return false;
    }
    const auto end = PingTiming::Clock::now();
    if (n == 0) {
        timing_.first_send_start = start;
        timing_.first_send_end = end;
    }
    timing_.last_send_start = start;
    return true;
}

bool Link::ReceivePacket() {
    if (!CheckSocketStatus()) return false;
    receiving_.store(true);
    const IoResult r =
        socket_.RecvExact(receive_.get(), sizing_.packet_size, config_.receive_timeout_ms);
    receiving_.store(false);
    if (r.ok()) return true;
    if (r.status == IoStatus::kTimeout) {
        // The head stopped in the middle of a packet: treated like a silent head.
        timeout_flag_.store(true);
        timeouts_.fetch_add(1);
        return false;
    }
    last_receive_error_.store(r.status == IoStatus::kClosed ? 0 : r.error);
    CountError(receive_errors_);
    ResetSamples();
    return false;
}

bool Link::HeaderValid() const {
    const std::uint8_t* p = receive_.get();
    return p[0] == 0x54 && p[1] == kHeadId && p[2] == 0x4E && p[3] == 0x55;
}

void Link::CompletePing() {
    const std::size_t length = ping_->size();
    last_ping_length_.store(length);
    pings_.fetch_add(1);
    if (cb_.on_ping) cb_.on_ping(ping_->data(), length, timing_);
}

bool Link::CycleStep() {
    tasks_->RunPending();
    if (cb_.before_cycle_step) cb_.before_cycle_step(n_);
    if (n_ == 0) BeginPing();
    const std::size_t mark = n_ == 0 ? 0 : ping_->size();
    bool stored = false;
    if (SendRequest(n_)) {
        if (!ReceivePacket()) {
            ping_->Truncate(mark);
            // Any failed receive ends this connection; the thread reconnects after a probe.
            CloseTCPConnection();
            return false;
        }
        if (!HeaderValid()) {
            // Dropped: the same packet is requested again, the repeated request replacing
            // the one appended for it.
            bad_headers_.fetch_add(1);
            ping_->Truncate(mark);
        } else {
            m_ = U16At(receive_.get(), 8);
            if (m_ != n_) {
                resync_flag_.store(true);
                resyncs_.fetch_add(1);
                n_ = 0;
                next_packet_.store(0);
                return false;
            }
            resync_flag_.store(false);
            ping_->Append(receive_.get(), sizing_.packet_size);
            highest_w_.store(ping_->highest());
            stored = true;
            const auto now = PingTiming::Clock::now();
            if (n_ == 0) timing_.first_receive_end = now;
            timing_.last_receive_end = now;
            ++timing_.packets;
        }
    } else {
        ping_->Truncate(mark);
    }
    // Only a packet stored by this step can complete the ping, so a failed send or a dropped
    // packet never hands the previous ping on a second time.
    if (stored && m_ >= sizing_.last_packet) {
        CompletePing();
        n_ = 0;
    } else if (stored) {
        n_ = std::min(n_ + 1, sizing_.last_packet);
    }
    next_packet_.store(n_);
    if (send_errors_.load() != seen_send_errors_ ||
        receive_errors_.load() != seen_receive_errors_) {
        seen_send_errors_ = send_errors_.load();
        seen_receive_errors_ = receive_errors_.load();
        CloseTCPConnection();
    }
    return true;
}

}  // namespace vq
