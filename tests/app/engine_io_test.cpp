// The engine's network and serial inputs and outputs, end to end: a live engine against the
// simulated head on loopback, its data datagrams caught by a UDP socket of the test, control
// datagrams sent to it, and GPS and sound-velocity lines fed through pseudo-terminals into a
// recording that is read back.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "app/menu_table.h"
#include "net/control_datagram.h"
#include "net/record_assembler.h"
#include "net/udp_endpoint.h"
#include "recording/vqs_reader.h"
#include "sensors/pty_pair.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

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

bool StartsWith(const Bytes& b, const char* magic) {
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

std::string Port(const char* key, std::uint16_t port) {
    return std::string(key) + "=" + std::to_string(port) + "\r\n";
}

// "$<body>*hh\r\n" with the checksum computed here.
std::string Nmea(const std::string& body) {
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
    return "$" + body + tail;
}

// The one recording the engine wrote into dir.
std::filesystem::path FindRecording(const std::filesystem::path& dir) {
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

ReadBack ReadRecording(const std::filesystem::path& dir) {
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

Bytes Control(std::initializer_list<const char*> fields) {
    ControlDatagram d;
    std::string error;
    for (const char* f : fields) EXPECT_TRUE(d.SetAssignment(f, &error)) << error;
    return Bytes(d.bytes().begin(), d.bytes().end());
}

// ---------------------------------------------------------------------------------------------
// UDP output

TEST(EngineUdpOutput, KeepAliveOncePerPingWithoutDetection) {
    Catcher out;
    LiveEngine e;
    e.Start(Port("RemotePort_Output1", out.port()) +
            "ProfilePointDetection=0\r\nDataOutputType=0\r\n");
    ASSERT_TRUE(e.Pings(5));
    const std::uint16_t engine_port = e.engine->output_local_port();
    e.engine->Shutdown();
    out.settle();
    const std::uint64_t pings = e.engine->stats().pings_processed;
    const auto got = out.taken();
    ASSERT_GE(got.size(), 5u);
    EXPECT_EQ(got.size(), pings);  // exactly one datagram per ping
    Bytes keep_alive(32, 0);
    std::memcpy(keep_alive.data(), "Q4Z", 3);
    for (const auto& d : got) {
        EXPECT_EQ(d.bytes, keep_alive);
        EXPECT_EQ(d.from, (Ipv4Endpoint{kLoopback, engine_port}));
    }
}

// Splits a .Q4P file into its records by the 16-bit big-endian length at bytes 4..5.
std::vector<Bytes> PointRecords(const std::string& file) {
    std::vector<Bytes> out;
    std::size_t at = 0;
    while (at + 8 <= file.size()) {
        const std::size_t len = (static_cast<std::uint8_t>(file[at + 4]) << 8) |
                                static_cast<std::uint8_t>(file[at + 5]);
        if (len < 256 || at + len > file.size()) break;
        out.emplace_back(file.begin() + static_cast<long>(at),
                         file.begin() + static_cast<long>(at + len));
        at += len;
    }
    EXPECT_EQ(at, file.size());
    return out;
}

TEST(EngineUdpOutput, PointDatagramEqualsThePointFileRecordOfTheSamePing) {
    Catcher out;
    LiveEngine e;
    e.Start(Port("RemotePort_Output1", out.port()) +
            "ProfilePointDetection=1\r\nDataOutputType=1\r\nStepSize=1\r\n"
            "ProfilePointIntensityOutput=0\r\n");
    ASSERT_TRUE(e.Pings(3));
    const auto file = e.dir / "points.Q4P";
    ASSERT_TRUE(e.engine->SetOutputFile(OutputKind::Point, file));
    ASSERT_TRUE(e.engine->Sync());
    ASSERT_TRUE(e.engine->recording().output_open(OutputKind::Point));
    ASSERT_TRUE(e.Pings(8));
    ASSERT_TRUE(e.engine->SetOutputFile(OutputKind::Point, {}));  // closes the file
    ASSERT_TRUE(e.engine->Sync());
    EXPECT_FALSE(e.engine->recording().output_open(OutputKind::Point));
    ASSERT_TRUE(e.Pings(3));
    e.engine->Shutdown();
    out.settle();

    const std::vector<Bytes> records = PointRecords(test::ReadFile(file));
    ASSERT_GE(records.size(), 8u);
    std::vector<Bytes> points;
    for (const auto& d : out.taken()) {
        EXPECT_TRUE(StartsWith(d.bytes, "Q4P")) << "a point ping sent something else";
        points.push_back(d.bytes);
    }
    // The file holds a run of consecutive pings; each record went out as one datagram.
    const auto first = std::find(points.begin(), points.end(), records.front());
    ASSERT_NE(first, points.end());
    ASSERT_GE(static_cast<std::size_t>(points.end() - first), records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        EXPECT_EQ(first[static_cast<long>(k)], records[k]) << "record " << k;
        EXPECT_EQ(records[k][3], 12);
        EXPECT_EQ(records[k].size(), 256u + 2u * 240u);  // 240 beams, ranges only
    }
    // Pings before the file was opened were sent all the same.
    EXPECT_GT(first - points.begin(), 0);
}

TEST(EngineUdpOutput, BeamRecordLeavesInPiecesOf64000AndReassembles) {
    Catcher out(200);
    LiveEngine e;
    e.Start(Port("RemotePort_Output1", out.port()) +
            "ProfilePointDetection=0\r\nDataOutputType=2\r\nStepSize=2\r\n");
    // 1000 samples per beam are chosen in the switches dialog (the file's value is not used at
    // start); 480 beams here by the controller, which also becomes the destination.
    e.engine->Store().Update([](SettingsState& st) { st.s.DataPointsSwitch = 1; });
    e.SendControl(out, Control({"control=on", "step=0"}));
    auto big_record_at = [](const std::vector<Catcher::Datagram>& got, std::size_t k) {
        const Bytes& b = got[k].bytes;
        return StartsWith(b, "Q4B") && b.size() >= 256 &&
               ((b[4] << 16) | (b[5] << 8) | b[6]) == 480256;
    };
    std::vector<Catcher::Datagram> got;
    std::size_t start = 0;
    ASSERT_TRUE(WaitFor([&] {
        got = out.taken();
        for (start = 0; start + 8 < got.size(); ++start) {
            if (big_record_at(got, start)) return true;
        }
        return got.size() >= 200;
    }));
    e.engine->Shutdown();
    ASSERT_LT(start + 8, got.size());
    const std::uint8_t* h = got[start].bytes.data();
    EXPECT_EQ((h[70] << 8) | h[71], 480);
    EXPECT_EQ((h[72] << 8) | h[73], 1000);
    RecordAssembler assembler;
    Bytes joined;
    for (std::size_t k = 0; k < 8; ++k) {
        const Bytes& piece = got[start + k].bytes;
        EXPECT_EQ(piece.size(), k < 7 ? 64000u : 32256u) << "piece " << k;
        joined.insert(joined.end(), piece.begin(), piece.end());
        const Arrival a = assembler.Feed(piece);
        if (k < 7) {
            EXPECT_EQ(a.kind, ArrivalKind::None);
        } else {
            ASSERT_EQ(a.kind, ArrivalKind::BeamRecord);
            EXPECT_TRUE(std::equal(a.bytes.begin(), a.bytes.end(), joined.begin(), joined.end()));
        }
    }
    // The next record starts right after: no keep-alive goes out for a beam ping.
    EXPECT_TRUE(StartsWith(got[start + 8].bytes, "Q4B"));
}

// ---------------------------------------------------------------------------------------------
// External control

TEST(EngineControl, ControllerTakesOverTheOutputAndDrivesSettings) {
    Catcher configured;
    Catcher controller;
    LiveEngine e;
    e.Start(Port("RemotePort_Output1", configured.port()) +
            "ProfilePointDetection=0\r\nDataOutputType=0\r\nDisplayGain=30\r\n"
            "ProfileTiltAngle=20.0\r\nAvgFilter=1\r\n");
    ASSERT_TRUE(WaitFor([&] { return configured.count() >= 3; }));
    const std::uint16_t engine_port = e.engine->output_local_port();

    // Any datagram redirects the output to its sender; with control active it is applied.
    e.SendControl(controller, Control({"control=on", "dgain=77"}));
    EXPECT_EQ(e.Now().DisplayGain, 77);
    ASSERT_TRUE(WaitFor([&] { return controller.count() >= 6; }));
    const std::size_t before = configured.count();
    ASSERT_TRUE(WaitFor([&] { return controller.count() >= 12; }));
    EXPECT_EQ(configured.count(), before);
    for (const auto& d : controller.taken()) {
        EXPECT_TRUE(StartsWith(d.bytes, "Q4Z"));
        EXPECT_EQ(d.from, (Ipv4Endpoint{kLoopback, engine_port}));
    }
    const auto statuses = e.op.statuses();
    EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(), [](const auto& s) {
        return s.first == "control" && s.second == "External Control";
    }));

    // The box goes within ten pings unless datagrams keep coming.
    ASSERT_TRUE(WaitFor([&] {
        const auto now = e.op.statuses();
        return now.back() == std::make_pair(std::string("control"), std::string(""));
    }));

    // Tilt byte: 240 (60 degrees) is refused, 180 is 0 degrees, 50 is -90.
    Bytes d = Control({"control=on"});
    d[25] = 240;
    e.SendControl(controller, d);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, 20.0f);
    d[25] = 180;
    e.SendControl(controller, d);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, 0.0f);
    d[25] = 50;
    e.SendControl(controller, d);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, -90.0f);

    // A 10-byte datagram: display gain from byte 9, every later field reads 0 (averaging off).
    const Bytes short_one = {'T',
                             'S',
                             'T',
                             1,
                             0,
                             0,
                             0,
                             static_cast<std::uint8_t>(e.Now().Range),
                             static_cast<std::uint8_t>(e.Now().Gain),
                             55};
    e.SendControl(controller, short_one);
    EXPECT_EQ(e.Now().DisplayGain, 55);
    EXPECT_EQ(e.Now().AvgFilter, 0);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, -90.0f);  // tilt byte 0 (-180 degrees) refused

    // Control off: nothing is applied.
    e.SendControl(controller, Control({"control=off", "dgain=12"}));
    EXPECT_EQ(e.Now().DisplayGain, 55);
    e.engine->Shutdown();
}

TEST(EngineControl, SoundVelocityAndRecordingLive) {
    Catcher controller;
    LiveEngine e;
    e.Start(
        "ProfilePointDetection=0\r\nDataOutputType=0\r\nAutoFilename=0\r\nAutoFilenameType=0\r\n");
    ASSERT_TRUE(e.Pings(2));
    auto current_sv = [&] {
        return e.engine->Store().Read(
            [](const SettingsState& st) { return st.work.sound_velocity_current; });
    };
    // 1520.5 m/s as 15205 tenths; applied by the next live ping.
    e.SendControl(controller, Control({"control=on", "sv=1520.5", "record=on"}));
    ASSERT_TRUE(WaitFor([&] { return std::fabs(current_sv() - 1520.5f) < 0.01f; }));
    // Recording started with automatic Date-Time names, and those settings kept.
    EXPECT_EQ(e.Now().AutoFilename, 1);
    EXPECT_EQ(e.Now().AutoFilenameType, 1);
    ASSERT_TRUE(e.Pings(4));
    e.SendControl(controller, Control({"control=on", "sv=1520.5", "record=off"}));
    ASSERT_TRUE(e.engine->Sync());
    EXPECT_FALSE(e.engine->recording().recording);
    const std::filesystem::path file = FindRecording(e.dir.path());
    const std::string stem = file.stem().string();  // ddmmmyyyy-hhmmss
    ASSERT_EQ(stem.size(), 16u) << stem;
    EXPECT_EQ(stem[9], '-');
    EXPECT_TRUE(std::all_of(stem.begin() + 10, stem.end(), ::isdigit)) << stem;
    const auto size = std::filesystem::file_size(file);
    ASSERT_TRUE(e.Pings(4));
    EXPECT_EQ(std::filesystem::file_size(file), size);  // stopped: nothing more written
    EXPECT_GE(ReadRecording(e.dir.path()).records.size(), 4u);
    // Out of range: 1600.1 m/s is ignored.
    Bytes too_fast = Control({"control=on"});
    too_fast[17] = 16001 >> 8;
    too_fast[18] = 16001 & 0xFF;
    e.SendControl(controller, too_fast);
    ASSERT_TRUE(e.Pings(2));
    EXPECT_NEAR(current_sv(), 1520.5f, 0.01f);
    e.engine->Shutdown();
}

// A burst of arbitrary control datagrams (noise, and well-formed ones that switch recording on
// and off at random and scribble over other fields), then a well-formed datagram with
// recording on: the recording is on and every following ping is written to it.
TEST(EngineControl, RecordingOnAfterABurstOfRandomDatagramsIsWritten) {
    Catcher controller;
    LiveEngine e;
    e.Start("ProfilePointDetection=0\r\nDataOutputType=0\r\n");
    ASSERT_TRUE(e.Pings(2));
    std::mt19937 rng(20261208);
    for (int i = 0; i < 400; ++i) {
        Bytes d;
        if (i % 3 == 0) {
            d.resize(rng() % 300);
            for (std::uint8_t& b : d) b = static_cast<std::uint8_t>(rng());
        } else {
            d = Control({"control=on"});
            d[ctl::kRecording] = static_cast<std::uint8_t>(rng() % 2);
            d[5 + rng() % 30] = static_cast<std::uint8_t>(rng());
        }
        e.SendControl(controller, d);
    }
    e.SendControl(controller, Control({"control=on", "xmit=on", "record=on"}));
    ASSERT_TRUE(e.engine->Sync());
    const RecordingSnapshot on = e.engine->recording();
    ASSERT_TRUE(on.recording) << "the last datagram asked for recording";
    ASSERT_TRUE(e.Pings(6));
    const RecordingSnapshot later = e.engine->recording();
    EXPECT_EQ(later.recording_path, on.recording_path);
    EXPECT_GE(later.recording_bytes, on.recording_bytes + 6 * 3072);
    e.SendControl(controller, Control({"control=on", "record=off"}));
    ASSERT_TRUE(e.engine->Sync());
    EXPECT_FALSE(e.engine->recording().recording);
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(on.recording_path), VqsOpenStatus::Ok);
    f.set_process_first_record(true);
    VqsRecordView view;
    int records = 0;
    while (f.ReadNext(view) == VqsReadStatus::Record) ++records;
    EXPECT_GE(records, 6);
    e.engine->Shutdown();
    // Recordings switched off before any ping reached them left nothing behind.
    for (const auto& x : std::filesystem::directory_iterator(e.dir.path())) {
        if (x.path().extension() == ".VQS") {
            EXPECT_GT(x.file_size(), 0u) << x.path();
        }
    }
    EXPECT_TRUE(e.op.messages().empty());
}

TEST(EngineControl, RangeFollowsTheControllerLiveButNotInPlayback) {
    Catcher controller;
    LiveEngine e;
    e.Start("ProfilePointDetection=0\r\nDataOutputType=0\r\nRange=4\r\n");
    ASSERT_TRUE(e.Pings(2));
    e.SendControl(controller, Control({"control=on", "range=5"}));
    EXPECT_EQ(e.Now().Range, 5);

    e.engine->Command(menu::kFile);
    ASSERT_TRUE(e.engine->in_playback());
    e.SendControl(controller, Control({"control=on", "range=3", "dgain=40"}));
    EXPECT_EQ(e.Now().Range, 5);
    EXPECT_EQ(e.Now().DisplayGain, 40);  // the rest of the datagram still applies
    e.engine->Shutdown();
}

// ---------------------------------------------------------------------------------------------
// Serial inputs

TEST(EngineSerialInputs, GpsAndProbeValuesReachTheRecording) {
    test::PtyPair gps, sv;
    LiveEngine e;
    e.Start(
        "ProfilePointDetection=0\r\nDataOutputType=0\r\nAutoFilename=1\r\n"
        "ComPortGPSEnable=1\r\nComPortSVEnable=1\r\nGPSHeadingType=1\r\nSVDeviceType=0\r\n",
        gps.slave_name(), sv.slave_name());
    ASSERT_TRUE(e.Pings(2));
    e.engine->Command(menu::kRecord);
    ASSERT_TRUE(e.engine->Sync());
    ASSERT_TRUE(e.Pings(5));

    // A receiver south and west of Greenwich, moving at 5.5 knots on 54.7 degrees, heading 123.4.
    gps.WriteSplit(Nmea("GPGGA,101530.25,4339.21875,S,07023.45678,W,2,09,0.9,12.3,M,-20.1,M,,") +
                       Nmea("GPRMC,101530.25,A,4339.21875,S,07023.45678,W,005.5,054.7,081226,,") +
                       Nmea("GPVTG,054.7,T,040.1,M,005.5,N,010.2,K") + Nmea("GPHDT,123.4,T") +
                       "$GPGGA,garbage*00\r\n",
                   {17, 5, 64});
    // The probe: an outlier among steady readings; the Hampel history needs five valid ones.
    for (const char* line :
         {" 1487.30\r\n", " 1487.30\r\n", " 1487.30\r\n", " 1599.00\r\n", " 1487.30\r\n",
          " 1487.30\r\n", " 1700.00\r\n", " 1487.30\r\n", " 1487.30\r\n"}) {
        sv.Write(line);
    }
    ASSERT_TRUE(WaitFor([&] {
        return std::fabs(e.engine->Store().Read([](const SettingsState& st) {
                   return st.work.sound_velocity_current;
               }) - 1487.3f) < 0.01f;
    }));
    ASSERT_TRUE(e.Pings(5));
    e.engine->Command(menu::kRecord);
    e.engine->Shutdown();

    const ReadBack rb = ReadRecording(e.dir.path());
    ASSERT_GE(rb.records.size(), 10u);
    const RecordedValues& early = rb.records.front();
    EXPECT_FALSE(early.position_valid);
    EXPECT_FALSE(early.heading_valid);
    EXPECT_FLOAT_EQ(early.sound_velocity, 1500.0f);
    const RecordedValues& last = rb.records.back();
    EXPECT_TRUE(last.position_valid);
    EXPECT_NEAR(last.lat_deg, -(43.0 + 39.21875 / 60.0), 1e-6);
    EXPECT_NEAR(last.lon_deg, -(70.0 + 23.45678 / 60.0), 1e-6);
    EXPECT_NEAR(last.speed_kn, 5.5f, 1e-4);
    EXPECT_NEAR(last.course_deg, 54.7f, 1e-4);
    EXPECT_TRUE(last.heading_valid);
    EXPECT_NEAR(last.heading_deg, 123.4f, 1e-4);
    EXPECT_NEAR(last.sound_velocity, 1487.3f, 0.01f);
    // Once applied, the probe value stays in every later record.
    bool applied = false;
    for (const RecordedValues& v : rb.records) {
        if (std::fabs(v.sound_velocity - 1487.3f) < 0.01f) applied = true;
        if (applied) {
            EXPECT_NEAR(v.sound_velocity, 1487.3f, 0.01f);
        }
    }
}

}  // namespace
}  // namespace vq
