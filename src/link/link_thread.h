// The link to the sonar head: a thread that keeps a TCP connection to the head, requests the
// return packets of each ping one by one, checks them, assembles the ping in its PingBuffer
// and hands every complete ping to a callback on this same thread. It probes for the head once
// per probe interval while disconnected and reconnects by itself after any failure. Between
// steps and while it waits it runs the tasks posted to its task queue, so the thread that
// processes the pings also does the work handed to it; its waits block (no polling).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/operator.h"
#include "core/ping_source.h"
#include "core/settings_store.h"
#include "core/task_queue.h"
#include "link/command_packet.h"
#include "link/ping_buffer.h"
#include "platform/tcp_socket.h"

namespace vq {

struct LinkConfig {
    // The head's dotted IPv4 address (at most 20 characters used); empty: IPAddress_Sonar1.
    std::string address;
    std::uint16_t port = 4040;
    int initial_delay_ms = 1000;   // before the first probe
    int probe_interval_ms = 1000;  // at most one probe per interval while disconnected
    int probe_timeout_ms = 500;
    int connect_timeout_ms = 3000;
    int receive_timeout_ms = 3000;
};

// Timing marks of one ping, for the diagnostics read-outs.
struct PingTiming {
    using Clock = std::chrono::steady_clock;
    std::chrono::system_clock::time_point wall_start;  // local time of the packet-0 request
    Clock::time_point first_send_start, first_send_end, first_receive_end;
    Clock::time_point last_send_start, last_receive_end;
    int packets = 0;  // packets stored for this ping
};

struct LinkCallbacks {
    // A complete ping: the PingBuffer bytes (valid only during the call). Link thread.
    std::function<void(const std::uint8_t* ping, std::size_t length, const PingTiming&)> on_ping;
    // Before each cycle step, with the number of the packet about to be requested.
    std::function<void(int packet_number)> before_cycle_step;
    std::function<void(bool connected)> on_connection_state;
    // Once per probe attempt while disconnected (the blinking "No Connection" box).
    std::function<void()> on_probe;
    // The sample data area should show an empty picture (filled with 127).
    std::function<void()> on_reset_samples;
    // The frequency setting was forced for the connected head: apply the operating point.
    std::function<void(int frequency_khz)> on_frequency_forced;
    // First and last thing the link thread does (the pipeline is bound to it meanwhile).
    std::function<void()> on_thread_start;
    std::function<void()> on_thread_end;
};

class Link final : public PingSource {
  public:
    Link(LinkConfig config, SettingsStore& settings, Operator& op, LinkCallbacks callbacks = {});
    ~Link() override;  // stops the thread
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The queue whose tasks the link thread runs and on which it waits (set before the thread
    // starts; it must outlive the thread). Without one the link uses a queue of its own.
    void set_tasks(TaskQueue* tasks) { tasks_ = tasks ? tasks : &own_tasks_; }
    TaskQueue& tasks() { return *tasks_; }

    // Starts the link thread. False (after the operator was told) when it cannot be created.
    // While the hold is on or RunMode is 1 (playback) the thread sends nothing.
    bool StartLinkThread();
    // Clears the run flag and waits for the thread to end; it closes the connection itself.
    void StopLinkThread();
    bool Start() override { return StartLinkThread(); }
    void Stop() override { StopLinkThread(); }
    bool running() const override { return thread_.joinable(); }

    // The display's hold: no request is sent while it is on; releasing it resumes at once.
    void set_hold(bool on) {
        hold_.store(on);
        tasks_->Interrupt();
    }
    bool hold() const { return hold_.load(); }

    bool connected() const { return connected_.load(); }
    std::uint64_t connections() const { return connections_.load(); }
    int send_errors() const { return send_errors_.load(); }
    int receive_errors() const { return receive_errors_.load(); }
    int last_send_error() const { return last_send_error_.load(); }
    int last_receive_error() const { return last_receive_error_.load(); }
    std::uint64_t resyncs() const { return resyncs_.load(); }
    std::uint64_t timeouts() const { return timeouts_.load(); }
    std::uint64_t bad_headers() const { return bad_headers_.load(); }
    std::uint64_t pings() const { return pings_.load(); }
    std::size_t highest_write_index() const { return highest_w_.load(); }
    std::size_t last_ping_length() const { return last_ping_length_.load(); }
    int next_packet() const { return next_packet_.load(); }  // n
    bool timed_out() const { return timeout_flag_.load(); }
    bool resync_flag() const { return resync_flag_.load(); }
    ReturnSizing sizing() const;

    // The steps of the thread, public for the engine's diagnostics; they may also be driven
    // without the thread, but never from two threads at once.
    bool ProbeHead(int timeout_ms) const;
    bool OpenTCPConnection();
    void CloseTCPConnection();
    bool CheckSocketStatus();
    bool CycleStep();

  private:
    void ThreadBody();
    bool InPlayback() const;
    // Waits until `deadline` (running posted tasks meanwhile) unless stopping or interrupted.
    void WaitUntil(std::chrono::steady_clock::time_point deadline);
    void BeginPing();
    bool SendRequest(int n);
    bool ReceivePacket();
    bool HeaderValid() const;
    void CompletePing();
    void CountError(std::atomic<int>& counter);
    void ResetSamples();

    LinkConfig config_;
    SettingsStore& store_;
    Operator& op_;
    LinkCallbacks cb_;

    std::thread thread_;
    std::atomic<bool> run_{false};
    std::atomic<bool> stop_{false};  // ends every wait at once
    std::atomic<bool> hold_{false};
    TaskQueue own_tasks_;
    TaskQueue* tasks_ = &own_tasks_;

    std::atomic<bool> connected_{false};
    std::atomic<bool> receiving_{false};
    std::atomic<bool> sending_{false};
    std::atomic<bool> timeout_flag_{false};
    std::atomic<bool> resync_flag_{false};
    std::atomic<std::uint64_t> connections_{0};
    std::atomic<int> send_errors_{0};
    std::atomic<int> receive_errors_{0};
    std::atomic<int> last_send_error_{0};
    std::atomic<int> last_receive_error_{0};
    std::atomic<std::uint64_t> resyncs_{0};
    std::atomic<std::uint64_t> timeouts_{0};
    std::atomic<std::uint64_t> bad_headers_{0};
    std::atomic<std::uint64_t> pings_{0};
    std::atomic<std::size_t> highest_w_{0};
    std::atomic<std::size_t> last_ping_length_{0};
    std::atomic<int> next_packet_{0};
    std::atomic<std::uint32_t> packet_size_{kFullPacketSize};
    std::atomic<int> last_packet_{3};

    std::string address_;  // set before the thread starts, read-only while it runs

    // Owned by the link thread.
    TcpSocket socket_;
    SettingsState snapshot_;
    ReturnSizing sizing_;
    int n_ = 0;   // packet to request next
    int m_ = -1;  // packet number of the last valid answer
    int seen_send_errors_ = 0, seen_receive_errors_ = 0;
    std::array<std::uint8_t, kCommandPacketSize> command_{};
    std::unique_ptr<std::uint8_t[]> receive_;  // one return packet, the largest size
    std::unique_ptr<PingBuffer> ping_;
    PingTiming timing_;
};

}  // namespace vq
