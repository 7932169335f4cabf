// A live engine against its own simulated head on loopback, with a UDP socket of the test that
// catches its datagrams and sends it control datagrams: the rig of the engine's network and
// serial tests.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "recording/vqs_reader.h"
#include "sensors/pty_pair.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq::apptest {

using Bytes = std::vector<std::uint8_t>;

// Waits (generously, so a loaded sanitizer build never fails) until another thread makes pred
// true.
template <typename Pred>
bool WaitFor(Pred pred) {
    for (int i = 0; i < 6; ++i) {
        if (test::Eventually(pred)) return true;
    }
    return false;
}

constexpr std::uint32_t kLoopback = 0x7F000001;

// A UDP socket of the test on 127.0.0.1 whose thread keeps everything that arrives (up to a
// limit; later datagrams are only counted).
class Catcher {
  public:
    struct Datagram {
        Bytes bytes;
        Ipv4Endpoint from;
    };
    explicit Catcher(std::size_t keep = 100000) : keep_(keep) {
        EXPECT_EQ(sock_.Open("127.0.0.1", 0), 0);
        sock_.set_receive_buffer(16 << 20);
        thread_ = std::thread([this] { Run(); });
    }
    ~Catcher() {
        stop_.store(true);
        thread_.join();
    }
    std::uint16_t port() const { return sock_.local_port(); }
    std::size_t count() const { return count_.load(); }
    std::vector<Datagram> taken() const {
        std::lock_guard lock(m_);
        return kept_;
    }
    // Sends from this socket (its address and port become the engine's destination).
    void SendTo(std::uint16_t port, std::span<const std::uint8_t> bytes) const {
        ASSERT_TRUE(sock_.SendTo({kLoopback, port}, bytes).ok());
    }
    // Waits until nothing has arrived for a while (after the engine stopped).
    void settle() const {
        std::size_t n = count();
        do {
            n = count();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        } while (count() != n);
    }

  private:
    void Run() {
        std::vector<std::uint8_t> buf(70000);
        while (!stop_.load()) {
            if (!sock_.WaitReadable(20)) continue;
            while (auto r = sock_.Receive(buf)) {
                std::lock_guard lock(m_);
                if (kept_.size() < keep_)
                    kept_.push_back({Bytes(buf.begin(), buf.begin() + r->bytes), r->from});
                count_.fetch_add(1);
            }
        }
    }
    UdpEndpoint sock_;
    std::size_t keep_;
    mutable std::mutex m_;
    std::vector<Datagram> kept_;
    std::atomic<std::size_t> count_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

inline bool StartsWith(const Bytes& b, const char* magic) {
    return b.size() >= 3 && std::memcmp(b.data(), magic, 3) == 0;
}

// One engine running live against its own simulated head, in a temporary directory.
struct LiveEngine {
    test::TempDir dir;
    test::RecordingOperator op;
    std::unique_ptr<Engine> engine;

    void Start(const std::string& ini_lines, const std::string& gps = "",
               const std::string& sv = "") {
        dir.WriteLoopbackIni(ini_lines);
        EngineOptions o;
        o.working_dir = dir.path();
        o.simulate = true;
        o.sim_pacing = false;
        o.link_initial_delay_ms = 0;
        o.gps_device = gps;
        o.sv_device = sv;
        engine = std::make_unique<Engine>(o, op);
        engine->Start();
    }
    // Waits for n more processed pings.
    bool Pings(std::uint64_t n) {
        const std::uint64_t target = engine->stats().pings_processed + n;
        return WaitFor([&] { return engine->stats().pings_processed >= target; });
    }
    // What the operator would see of external control: one datagram is taken off the socket
    // once poll() says it is readable.
    void ReceiveControl() {
        pollfd p{engine->control_fd(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 60000), 1);
        engine->ReceiveControl();
    }
    // A controller's datagram from `from`, taken in by the engine.
    void SendControl(const Catcher& from, std::span<const std::uint8_t> d) {
        from.SendTo(engine->output_local_port(), d);
        ReceiveControl();
    }
    Settings Now() {
        return engine->Store().Read([](const SettingsState& st) { return st.s; });
    }
};

inline std::string Port(const char* key, std::uint16_t port) {
    return std::string(key) + "=" + std::to_string(port) + "\r\n";
}

// "$<body>*hh\r\n" with the checksum computed here.
inline std::string Nmea(const std::string& body) {
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
    return "$" + body + tail;
}

// The one recording the engine wrote into dir.
inline std::filesystem::path FindRecording(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> found;
    for (const auto& f : std::filesystem::directory_iterator(dir)) {
        std::string ext = f.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (ext == ".vqs") found.push_back(f.path());
    }
    EXPECT_EQ(found.size(), 1u) << "expected exactly one recording";
    return found.empty() ? std::filesystem::path() : found.front();
}

struct ReadBack {
    std::vector<RecordedValues> records;
};

inline ReadBack ReadRecording(const std::filesystem::path& dir) {
    ReadBack out;
    const std::filesystem::path file = FindRecording(dir);
    if (file.empty()) return out;
    VqsPlaybackFile f;
    EXPECT_EQ(f.Open(file), VqsOpenStatus::Ok);
    f.set_process_first_record(true);
    VqsRecordView view;
    while (f.ReadNext(view) == VqsReadStatus::Record) {
        RecordedValues v;
        RestoreRecordedValues(view.bytes.data(), v, 0);
        out.records.push_back(v);
    }
    return out;
}

inline Bytes Control(std::initializer_list<const char*> fields) {
    ControlDatagram d;
    std::string error;
    for (const char* f : fields) EXPECT_TRUE(d.SetAssignment(f, &error)) << error;
    return Bytes(d.bytes().begin(), d.bytes().end());
}

}  // namespace vq::apptest
