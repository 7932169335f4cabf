// Playback with its windows: a click on the position bar jumps, the speed slider is kept in
// "PlaybackDelayX", a controller's tilt and sound velocity outlast the records played after
// them, and the track plotter follows the recorded positions.
#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <fstream>

#include "gui/windows/strip_window.h"
#include "gui/windows/track_plotter_window.h"
#include "link/command_packet.h"
#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "recording/file_dialogs.h"
#include "recording/vqs_format.h"
#include "sim/sim_head.h"
#include "windows_rig.h"

namespace vq::gui {
namespace {

using test::Pause;
using test::Program;
using test::WaitFor;

// A recording of `count` pings of the simulated head, `interval_ms` apart, with the tilt and
// sound velocity given; its positions go north 5 m a record from 43 39' N, 7 E.
std::filesystem::path MakeRecording(const std::filesystem::path& dir, int count, int interval_ms) {
    SettingsState st;
    std::vector<std::uint8_t> command(kCommandPacketSize);
    BuildCommandPacket(st, 0, command.data());
    sim::Options so;
    so.scene = sim::DemoScene(so.head);
    RecordSettings rs;
    rs.ping_interval_ms = interval_ms;
    rs.tilt_deg = 0.0f;
    rs.sound_velocity = 1500.0f;
    VqsRecordBuilder builder;
    const std::filesystem::path p = dir / "line.VQS";
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::uint32_t previous = 0;
    for (int k = 0; k < count; ++k) {
        const std::vector<std::uint8_t> ping = sim::BuildPingBufferOffline(so, command, k % 4);
        const auto ts = PingTimeStamp::FromFields(2026, 12, 8, 5, 0, k / 10 % 60, k % 10 * 100);
        RecordNav nav;
        nav.position_valid = true;
        nav.lat_deg = 43.65 + 5.0 * k / 111120.0;
        nav.lon_deg = 7.0;
        nav.heading_valid = true;
        const auto rec = builder.Build(ping, ts, rs, nav, previous, 0);
        out.write(reinterpret_cast<const char*>(rec.data()),
                  static_cast<std::streamsize>(rec.size()));
        previous = static_cast<std::uint32_t>(rec.size());
    }
    return p;
}

// Pixels of a strip window's history that carry an echo.
int Lit(const StripWindow& w) {
    const StripHistory& h = w.history();
    int lit = 0;
    for (int i = 0; i < h.width() * h.height(); ++i) lit += h.pixels()[i] != 0;
    return lit;
}

struct PlaybackProgram {
    vq::test::TempDir dir;
    std::unique_ptr<Program> program;
    std::filesystem::path file;
    explicit PlaybackProgram(const std::string& ini, int records = 80) {
        dir.WriteLoopbackIni("RunMode=1\r\nComPortSVEnable=0\r\nComPortGPSEnable=0\r\n" + ini);
        file = MakeRecording(dir.path(), records, 100);
        Start();
    }
    void Start() {
        program = std::make_unique<Program>(dir.path(), false);
        program->window->set_dialog_answer(
            [this](const FileDialogRequest&) { return std::vector<std::string>{file.string()}; });
        program->window->RunCommand(menu::kPlaybackFile);
    }
    Program* operator->() const { return program.get(); }
    std::uint64_t records() const { return program->engine->playback().records; }
    void Hold() const {
        QKeyEvent h(QEvent::KeyPress, Qt::Key_H, Qt::NoModifier, "h");
        QApplication::sendEvent(program->window.get(), &h);
    }
};

TEST(PlaybackWindowsTest, AClickOnThePositionBarJumpsThere) {
    PlaybackProgram w("RealtimePlayback=1\r\nAvgFilter=0\r\n");
    ASSERT_TRUE(WaitFor([&] { return w.records() >= 2; }, 30000));
    w.Hold();
    Pause(300);
    const std::uint64_t held = w.records();
    auto* bar = w->Secondary("Playback")->findChild<QSlider*>("position");
    ASSERT_NE(bar, nullptr);
    ASSERT_LT(bar->value(), 20);  // the handle is near the start, away from the middle
    // A click at the very start is 0 %: nothing happens.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(0, bar->height() / 2));
    ASSERT_TRUE(w->engine->Sync());
    EXPECT_EQ(w.records(), held);
    // A click in the middle reads the record found there, as the hold is on.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    ASSERT_TRUE(w->engine->Sync());
    EXPECT_EQ(w.records(), held + 1);
    const double at = w->engine->playback().progress;
    EXPECT_GT(at, 0.5);
    EXPECT_LT(at, 0.6);
}

TEST(PlaybackWindowsTest, TheSpeedSliderIsKeptAsPlaybackDelayX) {
    PlaybackProgram w("RealtimePlayback=0\r\nPlaybackDelayX=1000\r\n");
    auto* speed = w->Secondary("Playback")->findChild<QSlider*>("speed");
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->value(), 1000);
    EXPECT_EQ(w->settings().PlaybackDelay, 0);
    speed->setValue(0);  // the left end: the slowest, 16 x 100 ms
    EXPECT_EQ(w->settings().PlaybackDelayX, 0);
    EXPECT_EQ(w->settings().PlaybackDelay, 1600);
    speed->setValue(850);  // s = 15: 15 ms
    EXPECT_EQ(w->settings().PlaybackDelay, 15);
    w.program.reset();  // exit writes the settings file
    w.Start();
    speed = w->Secondary("Playback")->findChild<QSlider*>("speed");
    EXPECT_EQ(speed->value(), 850);
}

TEST(PlaybackWindowsTest, AControllersTiltAndSoundVelocityOutlastTheNextRecords) {
    PlaybackProgram w("RealtimePlayback=0\r\nPlaybackDelay=20\r\n");
    w->window->WatchControlSocket();
    ASSERT_TRUE(WaitFor([&] { return w.records() >= 2; }, 30000));
    EXPECT_FLOAT_EQ(w->settings().ProfileTiltAngle, 0.0f);
    UdpEndpoint sender;
    ASSERT_EQ(sender.Open("127.0.0.1", 0), 0);
    const auto to = ParseEndpoint("127.0.0.1", w->engine->output_local_port());
    ASSERT_TRUE(to.has_value());
    ControlDatagram d;
    std::string error;
    ASSERT_TRUE(d.Set("control", "on", &error)) << error;
    ASSERT_TRUE(d.Set("tilt", "30", &error)) << error;
    ASSERT_TRUE(d.Set("sv", "1480.0", &error)) << error;
    sender.SendTo(*to, d.bytes());
    ASSERT_TRUE(WaitFor([&] { return w->settings().ProfileTiltAngle == 30.0f; }, 30000));
    const std::uint64_t then = w.records();
    ASSERT_TRUE(WaitFor([&] { return w.records() >= then + 8; }, 30000));
    EXPECT_FLOAT_EQ(w->settings().ProfileTiltAngle, 30.0f);
    const float sv = w->engine->Store().Read(
        [](const SettingsState& st) { return st.work.sound_velocity_current; });
    EXPECT_FLOAT_EQ(sv, 1480.0f);
    // Opening the recording again gives it back its own tilt.
    w->window->RunCommand(menu::kPlaybackFile);
    const std::uint64_t reopened = w.records();
    ASSERT_TRUE(WaitFor([&] { return w.records() >= reopened + 3; }, 30000));
    EXPECT_FLOAT_EQ(w->settings().ProfileTiltAngle, 0.0f);
}

TEST(PlaybackWindowsTest, TrackPlotterFollowsTheRecordedPositions) {
    PlaybackProgram w("RealtimePlayback=0\r\nPlaybackDelay=10\r\n", 40);
    ASSERT_TRUE(w->window->Action(menu::kTrackPlotter)->isEnabled());
    w->Trigger(menu::kTrackPlotter);
    TrackPlotterWindow* plot = w->windows().track_plotter();
    ASSERT_TRUE(plot->isVisible());
    ASSERT_TRUE(WaitFor([&] { return w->engine->Track().next_index() >= 20; }, 30000));
    Pause(300);
    int green = 0;
    const QImage img = plot->image();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) green += (img.pixel(x, y) & 0xFFFFFF) == 0x00B400;
    EXPECT_GT(green, 20);
}

// Another recording, or the switch to the head, starts the strips afresh; live without GPS
// input the track plotter closes and its menu item is greyed.
TEST(PlaybackWindowsTest, StripsStartAfreshWithANewSourceAndTheTrackPlotterNeedsGps) {
    PlaybackProgram w("RealtimePlayback=0\r\nPlaybackDelay=10\r\n", 40);
    w->Trigger(menu::kSidescan);
    w->Trigger(menu::kEchoSounder);
    w->Trigger(menu::kTrackPlotter);
    StripWindow* side = w->windows().strip("Sidescan");
    StripWindow* echo = w->windows().strip("Echo Sounder");
    ASSERT_TRUE(WaitFor([&] { return Lit(*side) > 100 && Lit(*echo) > 100; }, 60000));
    // Held, so that no record follows: the same recording opened again clears both strips.
    w.Hold();
    Pause(300);
    ASSERT_GT(Lit(*side), 100);
    const std::uint64_t opened = w->engine->playback().opened;
    w->window->RunCommand(menu::kPlaybackFile);
    ASSERT_TRUE(WaitFor([&] { return w->engine->playback().opened == opened + 1; }, 30000));
    EXPECT_TRUE(WaitFor([&] { return Lit(*side) == 0 && Lit(*echo) == 0; }, 30000));
    w.Hold();
    ASSERT_TRUE(WaitFor([&] { return Lit(*side) > 100 && Lit(*echo) > 100; }, 60000));
    ASSERT_TRUE(w->Checked(menu::kTrackPlotter));
    // To the head (nothing listens on its port): the strips are emptied, the track plotter
    // goes, and stays closed at the next start.
    w->Trigger(menu::kHead);
    ASSERT_FALSE(w->engine->in_playback());
    EXPECT_EQ(Lit(*side), 0);
    EXPECT_EQ(Lit(*echo), 0);
    EXPECT_TRUE(side->isVisible());
    EXPECT_FALSE(w->windows().track_plotter()->isVisible());
    EXPECT_FALSE(w->Checked(menu::kTrackPlotter));
    EXPECT_FALSE(w->window->Action(menu::kTrackPlotter)->isEnabled());
    EXPECT_EQ(w->settings().TrackPlotterWindow, 0);
    EXPECT_EQ(w->settings().SidescanWindow, 1);
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
