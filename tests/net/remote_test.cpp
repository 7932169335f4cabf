// vq-remote: its control datagrams, its reassembly of output records, and the program itself
// driven against a real output socket on loopback.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/control.h"
#include "net/control_datagram.h"
#include "net/record_assembler.h"
#include "net/udp_output.h"

namespace vq {
namespace {

TEST(ControlDatagramTest, FieldsLandAtTheirOffsets) {
    ControlDatagram d;
    std::string err;
    for (const char* a : {"gain=12", "dgain=80", "sv=1523.4", "tilt=-90", "mode=profile",
                          "output=beams", "record=on", "x=-12.5", "persistence=300",
                          "trigdelay=513", "avg=5", "xmit=off", "hide=yes", "id=ROV"}) {
        ASSERT_TRUE(d.SetAssignment(a, &err)) << err;
    }
    auto b = d.bytes();
    ASSERT_EQ(b.size(), 256u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 3), "ROV");
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(b[4], 3);
    EXPECT_EQ(b[8], 12);
    EXPECT_EQ(b[9], 80);
    EXPECT_EQ(b[14], 5);
    EXPECT_EQ(b[15], 0x01);  // 300 = 0x012C, big-endian
    EXPECT_EQ(b[16], 0x2C);
    EXPECT_EQ(b[17], 0x3B);  // 15234 = 0x3B82
    EXPECT_EQ(b[18], 0x82);
    EXPECT_EQ(b[19], 3);
    EXPECT_EQ(b[20], 1);
    EXPECT_EQ(b[25], 50);
    EXPECT_EQ(b[28], 1);
    EXPECT_EQ(b[32], 0x02);  // 513 = 0x0201
    EXPECT_EQ(b[33], 0x01);
    const std::array<std::uint8_t, 4> minus_12_5{0x00, 0x00, 0x48, 0xC1};  // -12.5f, LE
    EXPECT_TRUE(std::equal(minus_12_5.begin(), minus_12_5.end(), b.begin() + 36));
    ASSERT_TRUE(d.Set("tilt", "30", &err));
    EXPECT_EQ(d.bytes()[25], 210);

    for (const char* bad : {"dgain=0", "avg=4", "tilt=60", "sv=1399.9", "range=17", "gain=256",
                            "mode=sideways", "colour=3", "id=ABCD", "persistence=601", "gain"}) {
        EXPECT_FALSE(d.SetAssignment(bad, &err)) << bad;
    }
}

TEST(ControlDatagramTest, UnnamedFieldsLeaveTheProgramAlone) {
    SettingsState st, before;
    st.s.DataOutputType = 2;
    st.s.Persistence = 12;
    st.s.ProfileTiltAngle = 10.0f;
    st.s.SonarDepthMeters = 3.5f;
    before = st;
    ControlState cs;
    ControlDatagram d;
    std::string err;
    ASSERT_TRUE(d.Set("dgain", "61", &err));
    ControlInputs in;
    in.beam_output = true;
    in.recording = true;
    ControlResult r = ApplyControlDatagram(d.bytes().data(), d.bytes().size(), cs, st, in);
    EXPECT_TRUE(r.applied && r.display_gain_changed);
    EXPECT_EQ(st.s.DisplayGain, 61);
    EXPECT_EQ(r.recording, RecordingRequest::None);
    EXPECT_FALSE(r.sound_velocity_pending.has_value());
    EXPECT_EQ(r.display_mode_request, -1);
    EXPECT_FALSE(r.threshold_changed || r.blanking_changed || r.transmit_changed);
    // Every other setting a datagram reaches is untouched.
    const Settings &a = st.s, &b = before.s;
    const int ints[][2] = {{a.Range, b.Range},
                           {a.Gain, b.Gain},
                           {a.GainEqualization, b.GainEqualization},
                           {a.SectorSize, b.SectorSize},
                           {a.ProcessingMode, b.ProcessingMode},
                           {a.StepSize, b.StepSize},
                           {a.AvgFilter, b.AvgFilter},
                           {a.AvgFilterIndex, b.AvgFilterIndex},
                           {a.Persistence, b.Persistence},
                           {a.DisplayType, b.DisplayType},
                           {a.DataOutputType, b.DataOutputType},
                           {a.ProfilePointDetection, b.ProfilePointDetection},
                           {a.Xdcr, b.Xdcr},
                           {a.Units, b.Units},
                           {a.AutoFilename, b.AutoFilename},
                           {a.AutoFilenameType, b.AutoFilenameType},
                           {a.ExternalTriggerControl, b.ExternalTriggerControl},
                           {a.ExternalTriggerXmitDelay, b.ExternalTriggerXmitDelay},
                           {a.ProfilePointFilter, b.ProfilePointFilter},
                           {a.HalfRange, b.HalfRange},
                           {st.work.transmit_disabled, before.work.transmit_disabled}};
    for (std::size_t i = 0; i < std::size(ints); ++i) EXPECT_EQ(ints[i][0], ints[i][1]) << i;
    EXPECT_EQ(a.SoundVelocityMeters, b.SoundVelocityMeters);
    EXPECT_EQ(a.ProfileTiltAngle, b.ProfileTiltAngle);
    EXPECT_EQ(a.SonarXOffsetMeters, b.SonarXOffsetMeters);
    EXPECT_EQ(a.SonarYOffsetMeters, b.SonarYOffsetMeters);
    EXPECT_EQ(a.SonarDepthMeters, b.SonarDepthMeters);

    // --factory: the built-in settings, which a fresh program already has.
    SettingsState fresh, fresh_before;
    ControlState cs2;
    ControlResult f = ApplyControlDatagram(ControlDatagram(false).bytes().data(), 256, cs2, fresh,
                                           ControlInputs{.playback = false, .beam_output = true});
    EXPECT_FALSE(f.settings_changed());  // the built-in state repeated changes nothing
    EXPECT_EQ(fresh.s.Range, fresh_before.s.Range);
}

std::vector<std::uint8_t> BeamRecord(int beams, int samples, std::uint32_t ping) {
    std::size_t L = 256 + static_cast<std::size_t>(beams) * static_cast<std::size_t>(samples);
    std::vector<std::uint8_t> r(L, 0x51);
    std::memcpy(r.data(), "Q4B\x04", 4);
    r[4] = static_cast<std::uint8_t>(L >> 16), r[5] = static_cast<std::uint8_t>(L >> 8);
    r[6] = static_cast<std::uint8_t>(L);
    r[70] = static_cast<std::uint8_t>(beams >> 8), r[71] = static_cast<std::uint8_t>(beams);
    r[72] = static_cast<std::uint8_t>(samples >> 8), r[73] = static_cast<std::uint8_t>(samples);
    r[93] = r[94] = r[95] = 0, r[96] = static_cast<std::uint8_t>(ping);
    return r;
}

TEST(RecordAssemblerTest, LostPieceDropsOnlyThatRecord) {
    RecordAssembler a;
    auto big = BeamRecord(240, 1000, 1);  // 240,256 bytes: four pieces
    std::span<const std::uint8_t> s(big);
    EXPECT_EQ(a.Feed(s.subspan(0, 64000)).kind, ArrivalKind::None);
    EXPECT_EQ(a.Feed(s.subspan(64000, 64000)).kind, ArrivalKind::None);
    // The third piece is lost; a keep-alive arrives instead.
    std::array<std::uint8_t, 32> ka{'Q', '4', 'Z'};
    EXPECT_EQ(a.Feed(ka).kind, ArrivalKind::KeepAlive);
    EXPECT_EQ(a.dropped_records(), 1u);
    EXPECT_EQ(a.Feed(s.subspan(192000)).kind, ArrivalKind::Unknown);  // a stray tail
    auto small = BeamRecord(120, 500, 2);                             // 60,256 bytes: one datagram
    Arrival r = a.Feed(small);
    ASSERT_EQ(r.kind, ArrivalKind::BeamRecord);
    EXPECT_EQ(r.bytes.size(), 60256u);
    std::string line = DescribeArrival(r);
    EXPECT_NE(line.find("beam #2 "), std::string::npos) << line;
    EXPECT_NE(line.find("beams=120 samples=500"), std::string::npos) << line;
    EXPECT_NE(line.find("len=60256"), std::string::npos) << line;
    // A length field that disagrees with the datagram is not a record.
    small[6] ^= 1;
    EXPECT_EQ(a.Feed(small).kind, ArrivalKind::Unknown);
    std::array<std::uint8_t, 3> tiny{'Q', '4', 'B'};
    EXPECT_EQ(a.Feed(tiny).kind, ArrivalKind::Unknown);
}

// Runs vq-remote with arguments; its standard output and exit status.
struct RemoteRun {
    FILE* pipe = nullptr;
    explicit RemoteRun(const std::string& args) {
        std::string cmd = std::string("exec ") + VQ_REMOTE_EXE + " " + args + " 2>&1";
        pipe = ::popen(cmd.c_str(), "r");
    }
    std::string Line() {
        char buf[512];
        if (!pipe || !std::fgets(buf, sizeof buf, pipe)) return {};
        return buf;
    }
    int Finish() {
        if (!pipe) return -1;
        while (!Line().empty()) {
        }
        int st = ::pclose(pipe);
        pipe = nullptr;
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    ~RemoteRun() { Finish(); }
};

TEST(VqRemoteTest, SetDrivesTheProgramAndBecomesTheDestination) {
    UdpOutput out;
    OutputSocketConfig c;
    c.address = "127.0.0.1";
    c.port = 9;  // discard: never reached, the controller takes over
    c.bind_address = "127.0.0.1";
    c.loopback_only = true;
    ASSERT_EQ(out.Open(c), 0);
    RemoteRun run("set dgain=33 mode=linear --port " + std::to_string(out.local_port()));
    std::string said = run.Line();
    EXPECT_NE(said.find("sent 256 bytes to 127.0.0.1:"), std::string::npos) << said;
    EXPECT_EQ(run.Finish(), 0);
    pollfd p{out.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    std::array<std::uint8_t, kControlDatagramSize> buf{};
    auto n = out.ReceiveOne(buf);
    ASSERT_EQ(n, std::optional<std::size_t>(256));
    SettingsState st;
    ControlState cs;
    ControlResult r = ApplyControlDatagram(buf.data(), *n, cs, st, false);
    EXPECT_EQ(st.s.DisplayGain, 33);
    EXPECT_EQ(r.display_mode_request, 1);
    auto port_at = said.find("from port ");
    ASSERT_NE(port_at, std::string::npos);
    EXPECT_EQ(out.destination()->port, std::stoi(said.substr(port_at + 10)));
}

TEST(VqRemoteTest, ListenPrintsEachArrival) {
    RemoteRun run("listen --port 0 --count 3 --timeout 20");
    std::string first = run.Line();
    auto colon = first.rfind(':');
    ASSERT_NE(first.find("listening on 127.0.0.1:"), std::string::npos) << first;
    UdpOutput out;
    OutputSocketConfig c;
    c.address = "127.0.0.1";
    c.port = std::stoi(first.substr(colon + 1));
    c.bind_address = "127.0.0.1";
    c.loopback_only = true;
    ASSERT_EQ(out.Open(c), 0);
    out.SendKeepAlive();
    out.SendBeam(BeamRecord(240, 1000, 77));
    std::vector<std::uint8_t> point(256 + 2 * 120, 0);
    std::memcpy(point.data(), "Q4P\x0C", 4);
    point[4] = 0x01, point[5] = 0xF0, point[96] = 78, point[155] = 1;
    out.SendPoint(point);
    std::string ka = run.Line(), beam = run.Line(), pt = run.Line();
    EXPECT_EQ(ka.rfind("keep-alive (32 bytes) from 127.0.0.1:", 0), 0u) << ka;
    EXPECT_EQ(beam.rfind("beam #77 ", 0), 0u) << beam;
    EXPECT_NE(beam.find("len=240256"), std::string::npos) << beam;
    EXPECT_EQ(pt.rfind("point #78 ", 0), 0u) << pt;
    EXPECT_NE(pt.find("ext-event=1"), std::string::npos) << pt;
    EXPECT_EQ(run.Finish(), 0);
}

TEST(VqRemoteTest, RefusesOtherHostsAndBadFields) {
    // 0.0.0.0 is outside 127.0.0.0/8 yet never leaves this machine, should the check fail.
    RemoteRun remote("set dgain=5 --host 0.0.0.0 --port 9");
    EXPECT_NE(remote.Line().find("not a loopback address"), std::string::npos);
    EXPECT_EQ(remote.Finish(), 2);
    RemoteRun bad("set colour=3 --port 9");
    EXPECT_NE(bad.Line().find("unknown field"), std::string::npos);
    EXPECT_EQ(bad.Finish(), 2);
    RemoteRun help("--help");
    std::string all, l;
    while (!(l = help.Line()).empty()) all += l;
    EXPECT_EQ(help.Finish(), 0);
    for (const auto& f : ControlFields()) {
        EXPECT_NE(all.find(std::string("  ") + f.name + " "), std::string::npos) << f.name;
    }
}

}  // namespace
}  // namespace vq
