// The engine's commands for what the settings dialogs accepted, headless against the simulated
// head: what the head is commanded, where the output goes, what the settings file keeps.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "net/udp_endpoint.h"
#include "sim/head_profile.h"
#include "sim/ping_protocol.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"

namespace vq {
namespace {

using namespace std::chrono_literals;

using test::WaitFor;

struct Headless {
    test::TempDir dir;
    test::RecordingOperator op;
    std::unique_ptr<Engine> e;
    explicit Headless(const std::string& ini = "") {
        dir.WriteLoopbackIni(ini);
        EngineOptions o;
        o.working_dir = dir.path();
        o.simulate = true;
        o.sim_pacing = false;
        o.link_initial_delay_ms = 0;
        e = std::make_unique<Engine>(o, op);
        e->Start();
    }
    bool Pings(std::uint64_t n) {
        const std::uint64_t base = e->stats().pings_processed;
        return WaitFor([&] { return e->stats().pings_processed >= base + n; });
    }
    // The settings of the head's last command, decoded by the head's own reader.
    sim::PingSettings Commanded() const {
        const std::vector<std::uint8_t> cmd = e->simulated_head()->last_command();
        if (cmd.size() != static_cast<std::size_t>(sim::kCommandBytes)) return {};
        return sim::DecodeCommand(cmd.data(), sim::ProfileFor(sim::HeadKind::Standard260));
    }
    Settings Stored() const {
        return e->Store().Read([](const SettingsState& st) { return st.s; });
    }
    std::string Ini() const { return test::ReadFile(dir / "Vornax_Qi.INI"); }
};

SwitchesValues Live(Engine& e) {
    return SwitchesValuesOf(e.Store().snapshot());
}

TEST(EngineDialogCommands, SwitchesReachTheHeadWithPulseLengthFollowingTheRange) {
    Headless h;
    ASSERT_TRUE(h.Pings(2));
    SwitchesValues v = Live(*h.e);
    v.range_index = 9;  // 80 m: automatic pulse 600 us, filter 3
    v.pulse_multiplier = 1.5;
    v.transmit = false;
    ASSERT_TRUE(h.e->ApplySwitches(v));
    ASSERT_TRUE(WaitFor([&] { return h.Commanded().range_span_m == 80.0f; }));
    ASSERT_TRUE(h.Pings(1));
    sim::PingSettings c = h.Commanded();
    EXPECT_NEAR(c.pulse_s, 900e-6f, 1e-9f);  // 600 us x 1.5
    EXPECT_EQ(c.filter, 4u);                 // filter index 3, sent plus one
    EXPECT_FALSE(c.transmit());
    using Status = std::pair<std::string, std::string>;
    EXPECT_EQ(h.op.statuses().back(), Status("xmit", "XMIT Disabled"));
    // A manual pulse length stays whatever the range.
    v.auto_pulse_length = false;
    v.pulse_length_us = 400;
    v.range_index = 4;
    v.transmit = true;
    ASSERT_TRUE(h.e->ApplySwitches(v));
    ASSERT_TRUE(WaitFor([&] { return h.Commanded().range_span_m == 20.0f; }));
    c = h.Commanded();
    EXPECT_NEAR(c.pulse_s, 400e-6f, 1e-9f);
    EXPECT_TRUE(c.transmit());
}

TEST(EngineDialogCommands, ThousandSamplesOfEightBitsKeepThePingsGoing) {
    Headless h;
    ASSERT_TRUE(h.Pings(2));
    SwitchesValues v = Live(*h.e);
    v.data_points_switch = 1;
    v.data_format = 10;
    ASSERT_TRUE(h.e->ApplySwitches(v));
    ASSERT_TRUE(WaitFor([&] { return h.Commanded().points == 1000; }));
    EXPECT_EQ(h.Commanded().bits, 8);
    ASSERT_TRUE(h.Pings(5));
    h.e->Shutdown();
    // The choices are written; the next start offers 1000 samples in the dialog and, as every
    // start does, runs 500 samples of 16 bits.
    EXPECT_NE(h.Ini().find("DataPointsSwitch=1"), std::string::npos);
    EXPECT_NE(h.Ini().find("DataFormat=10"), std::string::npos);
}

TEST(EngineDialogCommands, LiveOnlyDialogsChangeNothingInPlayback) {
    Headless h;
    ASSERT_TRUE(h.e->Command(menu::kFile));
    SwitchesValues v = Live(*h.e);
    v.range_index = 3;
    ASSERT_TRUE(h.e->ApplySwitches(v));
    ComPortSetupValues c = ComPortValuesOf(h.Stored());
    c.gps.bits_per_second = 5;
    ASSERT_TRUE(h.e->SetComPorts(c));
    EXPECT_NE(h.Stored().Range, 3);
    EXPECT_EQ(h.Stored().ComPortGPS_bits_per_second, 0);
}

TEST(EngineDialogCommands, ANewOutputAddressTakesTheDatagramsThere) {
    UdpEndpoint first, second;
    ASSERT_EQ(first.Open("127.0.0.1", 0), 0);
    ASSERT_EQ(second.Open("127.0.0.3", first.local_port()), 0);
    Headless h("RemotePort_Output1=" + std::to_string(first.local_port()) + "\r\n");
    std::array<std::uint8_t, 70000> buf{};
    const auto arrives = [&buf](UdpEndpoint& s) {
        return WaitFor([&] { return s.Receive(buf).has_value(); }, 10s);
    };
    ASSERT_TRUE(arrives(first));
    ASSERT_TRUE(h.e->SetAddresses("127.0.0.1", "127.0.0.3"));
    ASSERT_TRUE(arrives(second));
    EXPECT_NE(h.Ini().find("IPAddress_Output1=127.0.0.3"), std::string::npos);
    // A text that is no address changes nothing.
    ASSERT_TRUE(h.e->SetAddresses("127.0.0.1", "127.0.0"));
    EXPECT_EQ(h.Stored().IPAddress_Output1, "127.0.0.3");
}

TEST(EngineDialogCommands, ProfileFilterAndOffsetValuesAreKeptAndWritten) {
    Headless h;
    ProfileSetupValues p = ProfileSetupValuesOf(h.Stored());
    p.detection = 1;
    p.detector = 1;
    p.max_depth_m = 60.0;
    ASSERT_TRUE(h.e->SetProfileSetup(p));
    AdvancedFilterSettings a = h.e->advanced_filter();
    EXPECT_EQ(a.num_segments, 7);
    a.max_points = 1;
    a.num_segments = 4;
    a.outlier_samples = 120;
    a.show_removed = 1;
    ASSERT_TRUE(h.e->SetAdvancedFilter(a));
    EXPECT_EQ(h.e->advanced_filter(), a);
    DeviceOffsetTable t{};
    t[1][6] = 0.25;
    ASSERT_TRUE(h.e->SetDeviceOffsets(t));
    ASSERT_TRUE(h.e->SetProfileTiltAngle(12.5));
    ASSERT_TRUE(h.Pings(2));  // the pipeline takes all of it
    const std::string ini = h.Ini();
    for (const char* line :
         {"ProfilePointDetection=1", "ProfilePointFilter=1", "ProfileMaxDepthBelowSonar=60.000000",
          "ProfilePointFilter_g_ol_fil_val=120", "ProfilePointFilter_g_show_outliers_sw=1",
          "GPSLatencySeconds=0.25", "ProfileTiltAngle=12.500000"}) {
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    }
}

TEST(EngineDialogCommands, PersistenceBackToZeroAndTheOtherNumbers) {
    Headless h("Persistence=5\r\n");
    ASSERT_TRUE(h.e->SetPersistence(0));
    ASSERT_TRUE(h.e->SetMaximumFilesize(300));
    ASSERT_TRUE(h.e->SetVideoRecordingRate(7.5));
    ASSERT_TRUE(h.e->SetSoundVelocity(1480.0));
    const Settings s = h.Stored();
    EXPECT_EQ(s.Persistence, 0);
    EXPECT_EQ(s.MaximumFilesize, 300);
    EXPECT_FLOAT_EQ(s.RecordVideoRate, 7.5f);
    EXPECT_FLOAT_EQ(s.SoundVelocityMeters, 1480.0f);
    EXPECT_FLOAT_EQ(
        h.e->Store().Read([](const SettingsState& st) { return st.work.sound_velocity_current; }),
        1480.0f);
    EXPECT_NE(h.Ini().find("SoundVelocityMeters=1480.0"), std::string::npos);
}

}  // namespace
}  // namespace vq
