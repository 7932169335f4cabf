// The engine's network and serial inputs and outputs, end to end: a live engine against the
// simulated head on loopback, its data datagrams caught by a UDP socket of the test, and GPS
// and sound-velocity lines fed through pseudo-terminals into a recording that is read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/live_engine.h"
#include "app/menu_table.h"
#include "net/record_assembler.h"
#include "sensors/pty_pair.h"

namespace vq {
namespace {

using namespace apptest;

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
