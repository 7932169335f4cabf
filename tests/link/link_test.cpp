// The link thread over real TCP on loopback against the simulated head.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "link/link_thread.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"

namespace vq {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// Polls pred until it holds or the bound passes (a safety bound, not a speed requirement).
bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds bound = 10s) {
    const auto end = Clock::now() + bound;
    while (!pred()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::uint16_t U16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Gathers the sample bytes of a ping: f bytes after packet 0's header blocks, then c bytes of
// each of k full packets, then t bytes of the last, skipping the 128-byte request header and
// the 128-byte return header in front of every later packet.
Bytes Gather(const Bytes& ping, std::size_t f, std::size_t c, std::size_t k, std::size_t t) {
    const std::size_t base = 1152 + 2176;
    Bytes out(ping.begin() + base, ping.begin() + base + f);
    for (std::size_t i = 0; i < k; ++i) {
        const std::size_t at = base + f + i * (c + 256) + 256;
        out.insert(out.end(), ping.begin() + at, ping.begin() + at + c);
    }
    const std::size_t at = base + f + k * (c + 256) + 256;
    out.insert(out.end(), ping.begin() + at, ping.begin() + at + t);
    return out;
}

class Rig {
  public:
    explicit Rig(bool pacing = false) {
        sim::Options o;
        o.port = 0;
        o.pacing = pacing;
        head_ = std::make_unique<sim::SimHead>(o);
        std::string error;
        EXPECT_TRUE(head_->Start(&error)) << error;
        port_ = head_->port();
        store_.Update([](SettingsState& st) { st.s.IPAddress_Sonar1 = "127.0.0.1"; });
    }
    ~Rig() {
        if (link_) link_->StopLinkThread();
    }

    LinkConfig config() const {
        LinkConfig c;
        c.address = "127.0.0.1";
        c.port = port_;
        c.initial_delay_ms = 0;
        return c;
    }

    void Start(LinkConfig c) {
        LinkCallbacks cb;
        cb.on_ping = [this](const std::uint8_t* p, std::size_t n, const PingTiming&) {
            std::lock_guard lock(m_);
            pings_.emplace_back(p, p + n);
            if (hold_after_ping_) link_->set_hold(true);
        };
        cb.before_cycle_step = [this](int n) {
            std::lock_guard lock(m_);
            steps_.push_back({n, link_->resyncs(), link_->bad_headers()});
        };
        cb.on_reset_samples = [this] { resets_.fetch_add(1); };
        cb.on_frequency_forced = [this](int khz) { forced_.store(khz); };
        cb.on_thread_start = [this] { thread_started_.store(true); };
        link_ = std::make_unique<Link>(c, store_, op_, cb);
        ASSERT_TRUE(link_->StartLinkThread());
    }
    void Start() { Start(config()); }

    std::size_t PingCount() {
        std::lock_guard lock(m_);
        return pings_.size();
    }
    Bytes Ping(std::size_t i) {
        std::lock_guard lock(m_);
        return pings_.at(i);
    }
    struct Step {
        int n;
        std::uint64_t resyncs, bad_headers;
    };
    std::vector<Step> Steps() {
        std::lock_guard lock(m_);
        return steps_;
    }
    bool WaitPings(std::size_t count, std::chrono::milliseconds bound = 10s) {
        return WaitFor([&] { return PingCount() >= count; }, bound);
    }
    // True when the head receives no request for `watch` after `settle` (the step in flight).
    bool NoRequestsFor(std::chrono::milliseconds watch, std::chrono::milliseconds settle) {
        std::this_thread::sleep_for(settle);
        const auto requests = head_->requests_received();
        std::this_thread::sleep_for(watch);
        return head_->requests_received() == requests;
    }
    void HoldAfterEachPing(bool on) {
        std::lock_guard lock(m_);
        hold_after_ping_ = on;
    }

    std::unique_ptr<sim::SimHead> head_;
    std::uint16_t port_ = 0;
    SettingsStore store_;
    test::RecordingOperator op_;
    std::unique_ptr<Link> link_;
    std::atomic<bool> thread_started_{false};
    std::atomic<int> resets_{0};
    std::atomic<int> forced_{0};  // frequency the link forced, kHz

  private:
    std::mutex m_;
    std::vector<Bytes> pings_;
    std::vector<Step> steps_;
    bool hold_after_ping_ = false;
};

TEST(Link, DefaultPingLayoutAndSamples) {
    Rig rig;
    rig.HoldAfterEachPing(true);
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(1));
    ASSERT_TRUE(WaitFor([&] { return rig.head_->pings_served() >= 1; }));
    const Bytes ping = rig.Ping(0);
    ASSERT_EQ(ping.size(), 36240u);  // 1152 + 8676 + 3 * (128 + 8676)
    EXPECT_EQ(rig.link_->last_ping_length(), 36240u);
    EXPECT_EQ(rig.head_->packets_served(), 4u);
    EXPECT_TRUE(rig.link_->connected());
    EXPECT_EQ(rig.link_->connections(), 1u);

    // The command of packet 0, then each return packet, each later one after its request.
    EXPECT_EQ(0, std::memcmp(ping.data(), "TMND", 4));
    EXPECT_EQ(U16(ping, 8), 0);
    std::size_t at = 1152;
    for (int k = 0; k <= 3; ++k) {
        if (k > 0) {
            EXPECT_EQ(0, std::memcmp(ping.data() + at, "TMND", 4)) << k;
            EXPECT_EQ(U16(ping, at + 8), k);
            EXPECT_EQ(ping[at + 12], 0xE4);  // 8676
            EXPECT_EQ(ping[at + 13], 0x21);
            at += 128;
        }
        EXPECT_EQ(ping[at], 'T');
        EXPECT_EQ(ping[at + 1], 77);
        EXPECT_EQ(ping[at + 2], 'N');
        EXPECT_EQ(ping[at + 3], 'U');
        EXPECT_EQ(U16(ping, at + 8), k);
        at += 8676;
    }
    EXPECT_EQ(at, ping.size());

    const Bytes samples = Gather(ping, 6500, 8548, 2, 8404);
    const Bytes want = rig.head_->last_ping_samples();
    ASSERT_EQ(want.size(), 32000u);  // 500 points x 16 elements x 4 bytes
    EXPECT_TRUE(samples == want);

    // Releasing the hold goes on with the next ping.
    rig.HoldAfterEachPing(false);
    rig.link_->set_hold(false);
    ASSERT_TRUE(rig.WaitPings(3));
    EXPECT_EQ(rig.Ping(2).size(), 36240u);
    EXPECT_EQ(rig.link_->resyncs(), 0u);
    EXPECT_EQ(rig.link_->send_errors(), 0);
    EXPECT_EQ(rig.link_->receive_errors(), 0);
    EXPECT_TRUE(rig.op_.messages().empty());
}

TEST(Link, ReducedThroughputThousandPointsStopsAtBufferEnd) {
    Rig rig;
    rig.store_.Update([](SettingsState& st) {
        st.s.ReducedEthernetThroughputEnable = 1;
        st.s.DataPointsSwitch = 1;
    });
    rig.HoldAfterEachPing(true);
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(1));
    ASSERT_TRUE(WaitFor([&] { return rig.head_->pings_served() >= 1; }));
    EXPECT_EQ(rig.head_->packets_served(), 25u);  // packets 0..24
    const Bytes ping = rig.Ping(0);
    // 1152 + 2892 + 24 * (128 + 2892) = 76524 bytes do not fit: the write index stops at 75000.
    EXPECT_EQ(ping.size(), 75000u);
    EXPECT_EQ(rig.link_->highest_write_index(), 75000u);
    const Bytes samples = Gather(ping, 716, 2764, 23, 252);
    const Bytes want = rig.head_->last_ping_samples();
    ASSERT_EQ(want.size(), 64000u);
    EXPECT_TRUE(Bytes(samples.begin(), samples.begin() + 64000) == want);
}

TEST(Link, FaultsInTheAnswers) {
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(1));

    // A wrong packet number: one resync and the ping restarts with packet 0.
    sim::Faults wrong;
    wrong.wrong_number_after_packets = 2;
    rig.head_->Arm(wrong);
    ASSERT_TRUE(WaitFor([&] { return rig.link_->resyncs() >= 1; }));
    std::size_t before = rig.PingCount();
    ASSERT_TRUE(rig.WaitPings(before + 2));
    EXPECT_EQ(rig.link_->resyncs(), 1u);
    auto steps = rig.Steps();
    for (std::size_t i = 1; i < steps.size(); ++i) {
        if (steps[i].resyncs == 1 && steps[i - 1].resyncs == 0) {
            EXPECT_EQ(steps[i].n, 0);
        }
    }

    // A bad header byte: the same packet is requested again and nothing is appended.
    sim::Faults bad;
    bad.bad_header_after_packets = 2;
    rig.head_->Arm(bad);
    ASSERT_TRUE(WaitFor([&] { return rig.link_->bad_headers() >= 1; }));
    before = rig.PingCount();
    ASSERT_TRUE(rig.WaitPings(before + 2));
    EXPECT_EQ(rig.link_->bad_headers(), 1u);
    steps = rig.Steps();
    int repeats = 0;
    for (std::size_t i = 1; i < steps.size(); ++i) {
        if (steps[i].bad_headers == 1 && steps[i - 1].bad_headers == 0) {
            EXPECT_EQ(steps[i].n, steps[i - 1].n);
            ++repeats;
        }
    }
    EXPECT_EQ(repeats, 1);
    for (std::size_t i = 0; i < rig.PingCount(); ++i) EXPECT_EQ(rig.Ping(i).size(), 36240u) << i;
    EXPECT_EQ(rig.link_->connections(), 1u);
    EXPECT_TRUE(rig.op_.messages().empty());
}

TEST(Link, ConnectionCutReconnects) {
    Rig rig;
    LinkConfig c = rig.config();
    c.probe_interval_ms = 200;
    rig.Start(c);
    ASSERT_TRUE(rig.WaitPings(1));
    sim::Faults cut;
    cut.close_mid_packet_after_packets = 1;
    rig.head_->Arm(cut);
    ASSERT_TRUE(WaitFor([&] { return rig.link_->connections() >= 2; }));
    const std::size_t before = rig.PingCount();
    ASSERT_TRUE(rig.WaitPings(before + 2));
    EXPECT_EQ(rig.link_->receive_errors(), 1);
    EXPECT_GE(rig.resets_.load(), 2);  // on closing and on reconnecting
    for (std::size_t i = 0; i < rig.PingCount(); ++i) EXPECT_EQ(rig.Ping(i).size(), 36240u) << i;
}

// A head silent for longer than 3 s: the step times out, the connection is closed and
// reopened after a probe, and pings resume.
TEST(Link, StallTimesOutAfterThreeSecondsAndReconnects) {
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(1));
    sim::Faults stall;
    stall.stall_seconds = 3.5;
    rig.head_->Arm(stall);
    ASSERT_TRUE(WaitFor([&] { return rig.link_->timeouts() >= 1; }));
    EXPECT_TRUE(WaitFor([&] { return rig.link_->connections() >= 2; }));
    const std::size_t before = rig.PingCount();
    ASSERT_TRUE(rig.WaitPings(before + 2));
    EXPECT_EQ(rig.link_->timeouts(), 1u);
    EXPECT_EQ(rig.link_->receive_errors(), 0);
}

TEST(Link, HeadRestartedOnTheSamePort) {
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(1));
    rig.head_->Stop();
    ASSERT_TRUE(WaitFor([&] { return !rig.link_->connected(); }));
    sim::Options o;
    o.port = rig.port_;
    o.pacing = false;
    rig.head_ = std::make_unique<sim::SimHead>(o);
    std::string error;
    ASSERT_TRUE(rig.head_->Start(&error)) << error;
    const auto restarted = Clock::now();
    const std::size_t before = rig.PingCount();
    ASSERT_TRUE(rig.WaitPings(before + 1, 3s)) << "pings did not resume";
    EXPECT_LT(Clock::now() - restarted, 3s);
    EXPECT_EQ(rig.link_->connections(), 2u);
}

TEST(Link, HoldStopsRequests) {
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(2));
    rig.link_->set_hold(true);
    std::this_thread::sleep_for(250ms);
    const int n = rig.link_->next_packet();
    const std::size_t steps = rig.Steps().size();
    EXPECT_TRUE(rig.NoRequestsFor(500ms, 0ms));
    rig.link_->set_hold(false);
    ASSERT_TRUE(WaitFor([&] { return rig.Steps().size() > steps; }));
    EXPECT_EQ(rig.Steps()[steps].n, n);  // resumes at the current packet number
}

// Work posted to the link runs on the link thread, promptly, whether it is pinging, held or
// waiting for an absent head (which it probes only once per interval).
TEST(Link, PostedTasksRunOnTheLinkThreadInEveryState) {
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.WaitPings(2));
    auto run_one = [&](const char* state) {
        std::atomic<bool> ran{false};
        std::thread::id where;
        rig.link_->tasks().Post([&] {
            where = std::this_thread::get_id();
            ran.store(true);
        });
        ASSERT_TRUE(WaitFor([&] { return ran.load(); }, 2s)) << state;
        EXPECT_NE(where, std::this_thread::get_id()) << state;
    };
    run_one("pinging");
    rig.link_->set_hold(true);
    std::this_thread::sleep_for(300ms);
    run_one("held");
    rig.link_->set_hold(false);
    rig.head_->Stop();
    ASSERT_TRUE(WaitFor([&] { return !rig.link_->connected(); }, 10s));
    const auto t0 = Clock::now();
    run_one("head absent");
    EXPECT_LT(Clock::now() - t0, 900ms);  // not held up until the next probe
    EXPECT_TRUE(rig.thread_started_.load());
}

TEST(Link, EachPingFollowsTheSettings) {
    Rig rig;
    rig.store_.Update([](SettingsState& st) { st.s.Gain = 11; });
    LinkConfig c = rig.config();
    c.address.clear();  // falls back to IPAddress_Sonar1 (loopback here)
    rig.Start(c);
    ASSERT_TRUE(rig.WaitPings(1));
    EXPECT_EQ(rig.Ping(0)[128 + 44], 11);

    // A head that runs only at 2300 kHz: the frequency setting is forced and sent.
    rig.store_.Update([](SettingsState& st) {
        st.head.serial_number = 10093;
        st.s.Gain = 3;
    });
    std::size_t before = rig.PingCount();
    ASSERT_TRUE(rig.WaitPings(before + 2));
    const Bytes p = rig.Ping(rig.PingCount() - 1);
    EXPECT_EQ(p[128 + 44], 3);
    EXPECT_EQ(p[128 + 16], 0x80);  // 2300000.0 Hz
    EXPECT_EQ(p[128 + 17], 0x61);
    EXPECT_EQ(p[128 + 18], 0x0C);
    EXPECT_EQ(p[128 + 19], 0x4A);
    EXPECT_EQ(rig.store_.Read([](const SettingsState& st) { return st.s.Frequency; }), 2300);
    EXPECT_EQ(rig.forced_.load(), 2300);

    // Playback: the link sends nothing until live again.
    rig.store_.Update([](SettingsState& st) { st.s.RunMode = 1; });
    EXPECT_TRUE(rig.NoRequestsFor(300ms, 250ms));
    before = rig.PingCount();
    rig.store_.Update([](SettingsState& st) { st.s.RunMode = 0; });
    ASSERT_TRUE(rig.WaitPings(before + 1));
}

TEST(Link, StopEndsPromptlyInEveryState) {
    // Waiting on a silent head.
    {
        Rig rig;
        rig.Start();
        ASSERT_TRUE(rig.WaitPings(1));
        sim::Faults stall;
        stall.stall_seconds = 20.0;
        rig.head_->Arm(stall);
        std::this_thread::sleep_for(100ms);
        const auto t0 = Clock::now();
        rig.link_->StopLinkThread();
        EXPECT_LT(Clock::now() - t0, 1s);
        EXPECT_FALSE(rig.link_->running());
        EXPECT_FALSE(rig.link_->connected());
    }
    // In the initial delay, and probing for a head that is not there.
    for (int delay : {10000, 0}) {
        SettingsStore store;
        test::RecordingOperator op;
        std::atomic<int> probes{0};
        LinkCallbacks cb;
        cb.on_probe = [&] { probes.fetch_add(1); };
        TcpListener gone;
        ASSERT_EQ(gone.Listen("127.0.0.1", 0), 0);
        LinkConfig c;
        c.address = "127.0.0.1";
        c.port = gone.port();
        c.initial_delay_ms = delay;
        gone.Close();
        Link link(c, store, op, cb);
        ASSERT_TRUE(link.StartLinkThread());
        if (delay == 0) {
            ASSERT_TRUE(WaitFor([&] { return probes.load() >= 1; }));
        } else {
            std::this_thread::sleep_for(50ms);
        }
        const auto t0 = Clock::now();
        link.StopLinkThread();
        EXPECT_LT(Clock::now() - t0, 1s);
        EXPECT_EQ(link.connections(), 0u);
        if (delay > 0) {
            EXPECT_EQ(probes.load(), 0);  // still in the initial delay
        }
    }
}

}  // namespace
}  // namespace vq
