// The engine's panel commands headless: what a dial, key or typed entry asks for, live and in
// playback; the hidden pulse-length choices; the data-source switch closing the output files;
// the windows of the last run.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "link/command_packet.h"
#include "recording/vqs_format.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

EngineOptions Headless(const test::TempDir& dir) {
    EngineOptions o;
    o.working_dir = dir.path();
    return o;
}

TEST(PanelCommands, LiveValuesAreClampedAndTheRangeRuleApplied) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\n");
    test::RecordingOperator op;
    Engine e(Headless(dir), op);
    e.Start();
    e.Command(menu::kHead);  // live, against no head: the commands still set the values
    ASSERT_FALSE(e.in_playback());
    PanelValues v = e.panel_values();
    v.range_index = 16;  // beyond the head's highest index (11)
    v.gain = 99;
    v.display_gain = 0;
    v.persistence = 9999;
    ASSERT_TRUE(e.SetPanelValues(v));
    const SettingsState st = e.Store().snapshot();
    EXPECT_EQ(st.s.Range, 11);
    EXPECT_EQ(st.s.PulseLength, 1200);
    EXPECT_EQ(st.s.FIRFilter, 11);
    EXPECT_EQ(st.s.Gain, 20);
    EXPECT_EQ(st.s.DisplayGain, 1);
    EXPECT_EQ(st.s.Persistence, 600);
    e.Shutdown();
}

TEST(PanelCommands, PlaybackKeepsRangeAndGainButSwitchesHalfRangeAtTheLowestRange) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\nRange=2\r\nGain=6\r\n");
    test::RecordingOperator op;
    Engine e(Headless(dir), op);
    e.Start();
    ASSERT_TRUE(e.in_playback());
    PanelValues v = e.panel_values();
    v.range_index = 5;
    v.gain = 12;
    v.display_gain = 70;
    ASSERT_TRUE(e.SetPanelValues(v));
    EXPECT_EQ(e.panel_values().range_index, 2);
    EXPECT_EQ(e.panel_values().gain, 6);
    EXPECT_EQ(e.panel_values().display_gain, 70);
    v = e.panel_values();
    v.half_range = true;
    e.SetPanelValues(v);
    EXPECT_TRUE(e.panel_values().half_range);
    EXPECT_FALSE(e.panel_limits().live);
    e.Shutdown();
}

TEST(PanelCommands, PulseLengthChoicesOnlyWhileAutomaticPulseLengthIsOff) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\n");
    test::RecordingOperator op;
    Engine e(Headless(dir), op);
    e.Start();
    e.Command(menu::kHead);
    e.Command(menu::kPulseFirst + 3);
    EXPECT_EQ(e.Store().Read([](const SettingsState& st) { return st.work.pulse_length_choice; }),
              0);
    EXPECT_FALSE(e.menu()[menu::kPulseFirst + 3].enabled);
    e.Store().Update([](SettingsState& st) { st.work.auto_pulse_length = 0; });
    e.Command(menu::kPulseFirst + 3);
    EXPECT_EQ(e.Store().Read([](const SettingsState& st) { return st.work.pulse_length_choice; }),
              3);
    EXPECT_TRUE(e.menu()[menu::kPulseFirst + 3].enabled);
    EXPECT_TRUE(e.menu()[menu::kPulseFirst + 3].checked);
    EXPECT_FALSE(e.menu()[menu::kPulseFirst].checked);
    e.Command(menu::kFile);
    EXPECT_FALSE(e.menu()[menu::kPulseFirst + 3].enabled);  // greyed in playback
    e.Shutdown();
}

TEST(PanelCommands, SwitchingTheDataSourceClosesOutputFilesAndReopensTheSocket) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\n");
    test::RecordingOperator op;
    Engine e(Headless(dir), op);
    e.Start();
    ASSERT_TRUE(e.SetOutputFile(OutputKind::Point, dir / "points.Q4P"));
    ASSERT_TRUE(e.Sync());  // the file is opened by the ping thread
    ASSERT_EQ(e.output_files().size(), 1u);
    e.Command(menu::kHead);
    ASSERT_TRUE(e.Sync());
    EXPECT_TRUE(e.output_files().empty());
    EXPECT_GE(e.control_fd(), 0);
    EXPECT_NE(e.output_local_port(), 0);
    e.Shutdown();
}

TEST(PanelCommands, WindowsOpenAtTheLastExitOpenAgain) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\nDiagnosticsWindow=1\r\nTrackPlotterWindow=1\r\n");
    test::RecordingOperator op;
    Engine e(Headless(dir), op);
    e.Start();
    EXPECT_TRUE(e.menu()[menu::kDiagnostics].checked);
    EXPECT_TRUE(e.menu()[menu::kTrackPlotter].checked);
    e.Shutdown();
}

TEST(PanelCommands, BackgroundReferenceIsBuiltOnlyWithRemovalOn) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\n");
    test::RecordingOperator op;
    Engine e(Headless(dir), op);
    e.Start();
    e.BuildBackgroundReference();
    EXPECT_FALSE(e.building_background_reference());
    e.Command(menu::kRemoveBackground);
    e.BuildBackgroundReference();
    EXPECT_TRUE(e.building_background_reference());
    e.StoreBackgroundReference();
    EXPECT_FALSE(e.building_background_reference());
    e.BuildBackgroundReference();
    e.Command(menu::kModeProfile);  // removal exists only in sector mode
    EXPECT_FALSE(e.building_background_reference());
    e.Shutdown();
}

// A recording named on the command line (no conversion switch) plays from the start, without
// any command.
TEST(PanelCommands, ARecordingNamedOnTheCommandLinePlaysAtOnce) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RealtimePlayback=0\r\n");
    SettingsState st;
    std::vector<std::uint8_t> command(kCommandPacketSize);
    BuildCommandPacket(st, 0, command.data());
    sim::Options so;
    so.scene = sim::DemoScene(so.head);
    VqsRecordBuilder builder;
    const auto path = dir / "survey.VQS";
    {
        std::ofstream out(path, std::ios::binary);
        std::uint32_t previous = 0;
        for (int k = 0; k < 6; ++k) {
            const auto ping =
                sim::BuildPingBufferOffline(so, command, static_cast<std::uint64_t>(k));
            const auto ts = PingTimeStamp::FromFields(2026, 12, 8, 5, 0, k, 0);
            const auto rec = builder.Build(ping, ts, RecordSettings{}, RecordNav{}, previous, 0);
            out.write(reinterpret_cast<const char*>(rec.data()),
                      static_cast<std::streamsize>(rec.size()));
            previous = static_cast<std::uint32_t>(rec.size());
        }
    }
    test::RecordingOperator op;
    EngineOptions o = Headless(dir);
    o.command_line_file = path.string();
    Engine e(o, op);
    e.Start();
    EXPECT_TRUE(e.in_playback());
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (e.stats().pings_processed < 3 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(e.stats().pings_processed, 3u);
    e.Shutdown();
}

}  // namespace
}  // namespace vq
