// The main window under Qt's offscreen platform, live against an in-process simulated head.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "gui/status_strip.h"
#include "link/command_packet.h"
#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "recording/file_dialogs.h"
#include "recording/vqs_format.h"
#include "sim/sim_head.h"
#include "support/temp_dir.h"
#include "window_rig.h"

namespace vq::gui {
namespace {

using test_rig::LiveWindow;
using test_rig::WaitFor;

int CountNonZero(const QImage& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = x0; x < x1; ++x) n += row[x] != 0;
    }
    return n;
}

TEST(MainWindowTest, TitleSizeAndMenus) {
    LiveWindow w;
    EXPECT_EQ(w.window->windowTitle(), "Vornax_Qi Multibeam Sonar");
    EXPECT_EQ(w.window->size(), QSize(1034, 778));
    ASSERT_NE(w.window->Action(menu::kModeProfile), nullptr);
    EXPECT_EQ(w.window->Action(menu::kModeProfile)->text(), "&Profile");
    EXPECT_EQ(w.window->Action(menu::kExit)->text(), "E&xit");
    EXPECT_EQ(w.window->Action(menu::kRecord)->text(), "&Record Start...");
    EXPECT_EQ(w.window->Action(menu::kColorFirst + 4)->text(), "&Rev Grey");
    EXPECT_EQ(w.window->Action(menu::kAvg25)->text(), "&25 Shot");
    EXPECT_TRUE(w.window->Action(menu::kHead)->isChecked());
    EXPECT_FALSE(w.window->Action(menu::kFile)->isChecked());
    QStringList titles;
    for (QAction* a : w.window->menuBar()->actions()) titles << a->text();
    EXPECT_TRUE(titles.contains("&Mode"));
    EXPECT_TRUE(titles.contains("&Options"));
    // The ten secondary windows exist, hidden.
    for (const char* t : {"Diagnostics", "Playback", "Video Playback", "Track Plotter", "Altitude",
                          "Sidescan", "Echo Sounder", "Intensity", "Sonar Info", "Sonar Status"}) {
        ASSERT_NE(w.window->Secondary(t), nullptr) << t;
        EXPECT_FALSE(w.window->Secondary(t)->isVisible()) << t;
    }
}

TEST(MainWindowTest, LivePictureChangesInsideTheFanOnly) {
    LiveWindow w;
    SonarView* view = w.window->sonar_view();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= 2; }, 15000));
    const QImage first = view->image().copy();
    const qint64 shown = view->frames_shown();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= shown + 2; }, 15000));
    const QImage later = view->image().copy();
    // Inside the fan (below the apex, around the seabed) the picture moves from ping to ping.
    int changed = 0;
    for (int y = 200; y < 540; ++y)
        for (int x = 300; x < 710; ++x) changed += first.pixelIndex(x, y) != later.pixelIndex(x, y);
    EXPECT_GT(changed, 100);
    // Outside the 120 degree fan nothing is ever drawn.
    EXPECT_EQ(CountNonZero(later, 0, 0, 40, 60), 0);
    EXPECT_EQ(CountNonZero(later, 970, 0, 1012, 60), 0);
    if (const char* shot = std::getenv("VQ_SCREENSHOT")) w.window->grab().save(shot);
}

TEST(MainWindowTest, ProfileModeLiveChangesTheNextPicture) {
    LiveWindow w;
    SonarView* view = w.window->sonar_view();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= 1; }, 15000));
    w.window->Action(menu::kModeProfile)->trigger();
    EXPECT_TRUE(w.window->Action(menu::kModeProfile)->isChecked());
    const qint64 shown = view->frames_shown();
    ASSERT_TRUE(WaitFor([&] { return view->frames_shown() >= shown + 2; }, 15000));
    // The profile fan opens downward from the top of the picture.
    EXPECT_GT(CountNonZero(view->image(), 300, 1, 710, 260), 500);
}

TEST(MainWindowTest, HoldKeyStopsAndResumesPings) {
    LiveWindow w;
    ASSERT_TRUE(WaitFor([&] { return w.processed() >= 2; }, 15000));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_H, Qt::NoModifier, "h");
    QApplication::sendEvent(w.window.get(), &press);
    EXPECT_TRUE(w.engine->hold());
    // Within 250 ms the pings stop.
    test_rig::Pause(300);
    const auto held = w.processed();
    test_rig::Pause(700);
    EXPECT_LE(w.processed(), held + 1);
    QApplication::sendEvent(w.window.get(), &press);
    EXPECT_FALSE(w.engine->hold());
    EXPECT_TRUE(WaitFor([&] { return w.processed() >= held + 3; }, 15000));
}

TEST(MainWindowTest, ExitStopsTheLinkAndWritesTheSettingsFile) {
    LiveWindow w;
    ASSERT_TRUE(WaitFor([&] { return w.processed() >= 1; }, 15000));
    w.window->Action(menu::kColorFirst + 3)->trigger();  // "&Grey"
    std::filesystem::remove(w.dir / "Vornax_Qi.INI");
    w.window->close();
    const auto after = w.processed();
    test_rig::Pause(400);
    EXPECT_EQ(w.processed(), after);
    const std::string ini = test::ReadFile(w.dir / "Vornax_Qi.INI");
    EXPECT_NE(ini.find("Colors=3"), std::string::npos);
    // The run's loopback addresses came from the file itself, so they are written back.
    EXPECT_NE(ini.find("IPAddress_Sonar1=127.0.0.1"), std::string::npos);
}

TEST(MainWindowTest, ControlDatagramsAreReadOnTheGuiThread) {
    LiveWindow w;
    ControlDatagram d;
    std::string error;
    ASSERT_TRUE(d.Set("control", "on", &error)) << error;
    ASSERT_TRUE(d.Set("dgain", "77", &error)) << error;
    UdpEndpoint sender;
    ASSERT_EQ(sender.Open("127.0.0.1", 0), 0);
    const auto to = ParseEndpoint("127.0.0.1", w.engine->output_local_port());
    ASSERT_TRUE(to.has_value());
    sender.SendTo(*to, d.bytes());
    const auto gain = [&] {
        return w.engine->Store().Read([](const SettingsState& st) { return st.s.DisplayGain; });
    };
    EXPECT_TRUE(WaitFor([&] { return gain() == 77; }, 5000));
}

// "&Record Start..." with automatic names off: the window asks for the name first, refuses a
// wrong extension with the operator's message, and hands the engine only an accepted name.
TEST(MainWindowTest, RecordingNameIsAskedByTheWindowBeforeTheEngineRuns) {
    LiveWindow w("AutoFilename=0\r\n");
    ASSERT_TRUE(WaitFor([&] { return w.processed() >= 2; }, 15000));
    std::vector<FileDialogRequest> asked;
    std::vector<std::string> answer = {(w.dir / "notes.txt").string()};
    w.window->set_dialog_answer([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return answer;
    });
    w.window->Action(menu::kRecord)->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Open a Sonar File For Recording");
    EXPECT_TRUE(asked[0].save);
    EXPECT_FALSE(w.engine->recording().recording);
    const auto said = w.op.messages();
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back(), "Open a Sonar File For Recording: File extension must be .VQS");

    answer = {(w.dir / "line1.VQS").string()};
    QKeyEvent ctrl_s(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier);
    QApplication::sendEvent(w.window.get(), &ctrl_s);
    ASSERT_TRUE(WaitFor([&] { return w.engine->recording().recording; }, 5000));
    EXPECT_EQ(w.engine->recording().recording_path, answer[0]);
    ASSERT_TRUE(WaitFor(
        [&] { return w.window->Action(menu::kRecord)->text() == "&Record Stop..."; }, 5000));
    const std::uint64_t base = w.processed();
    ASSERT_TRUE(WaitFor([&] { return w.processed() >= base + 3; }, 15000));
    QKeyEvent ctrl_e(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier);
    QApplication::sendEvent(w.window.get(), &ctrl_e);
    ASSERT_TRUE(WaitFor([&] { return !w.engine->recording().recording; }, 5000));
    EXPECT_EQ(asked.size(), 2u);  // stopping asks nothing
    EXPECT_GT(std::filesystem::file_size(answer[0]), 0u);
}

// A recording of `count` pings of the simulated head recorded `interval_ms` apart; with
// `corrupt` its ping bytes are noise that no header check accepts.
std::filesystem::path MakeRecording(const std::filesystem::path& dir, const char* name, int count,
                                    int interval_ms, bool corrupt) {
    SettingsState st;
    std::vector<std::uint8_t> command(kCommandPacketSize);
    BuildCommandPacket(st, 0, command.data());
    sim::Options so;
    so.scene = sim::DemoScene(so.head);
    RecordSettings rs;
    rs.ping_interval_ms = interval_ms;
    VqsRecordBuilder builder;
    const std::filesystem::path p = dir / name;
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::uint32_t previous = 0;
    for (int k = 0; k < count; ++k) {
        std::vector<std::uint8_t> ping = sim::BuildPingBufferOffline(so, command, k % 4);
        if (corrupt) {
            for (std::size_t i = 0; i < ping.size(); ++i)
                ping[i] = static_cast<std::uint8_t>(i * 7);
        }
        const auto ts = PingTimeStamp::FromFields(2026, 12, 8, 5, 0, k / 10 % 60, k % 10 * 100);
        const auto rec = builder.Build(ping, ts, rs, RecordNav{}, previous, 0);
        out.write(reinterpret_cast<const char*>(rec.data()),
                  static_cast<std::streamsize>(rec.size()));
        previous = static_cast<std::uint32_t>(rec.size());
    }
    return p;
}

// A window in playback with `file` opened through "&Playback File..." and its dialog.
struct PlaybackWindowRig {
    test::TempDir dir;
    QtOperator op;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<MainWindow> window;
    explicit PlaybackWindowRig(const std::string& ini) {
        dir.WriteLoopbackIni("RunMode=1\r\n" + ini);
        op.set_unattended(true);
        EngineOptions o;
        o.working_dir = dir.path();
        engine = std::make_unique<Engine>(o, op);
        window = std::make_unique<MainWindow>(*engine, op);
        engine->Start();
        window->RefreshMenu();
        window->show();
    }
    void Open(const std::filesystem::path& file) {
        window->set_dialog_answer([file](const FileDialogRequest& r) {
            EXPECT_EQ(r.title, "Open a Sonar File For Playback");
            return std::vector<std::string>{file.string()};
        });
        window->RunCommand(menu::kPlaybackFile);
    }
    std::uint64_t records() const { return engine->playback().records; }
};

// Latency of the GUI thread's event loop: how long a posted event waits before it runs, over
// `ms` milliseconds.
std::vector<double> EventLatencies(int ms) {
    std::vector<double> out;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < ms) {
        QElapsedTimer t;
        t.start();
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        while (!ran) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        out.push_back(static_cast<double>(t.nsecsElapsed()) * 1e-6);
    }
    return out;
}

// A corrupt recording makes the pipeline pause 50 ms after every record; that pause is the
// ping thread's, and the window goes on answering events at once.
TEST(PlaybackWindowTest, CorruptRecordingPlaysOffTheGuiThreadAndTheWindowStaysResponsive) {
    PlaybackWindowRig w("RealtimePlayback=0\r\nPlaybackDelay=0\r\n");
    const auto file = MakeRecording(w.dir.path(), "noise.VQS", 40, 100, true);
    w.Open(file);
    ASSERT_TRUE(WaitFor([&] { return w.records() >= 3; }, 10000));
    EXPECT_NE(w.engine->ping_thread(), std::this_thread::get_id());
    EXPECT_NE(w.engine->ping_thread(), std::thread::id());
    std::vector<double> lat = EventLatencies(1500);
    ASSERT_GT(lat.size(), 10u);
    std::sort(lat.begin(), lat.end());
    // Each record costs the ping thread 50 ms; the GUI thread is never the one waiting.
    EXPECT_LT(lat[lat.size() / 2], 10.0) << "median event latency in ms";
    EXPECT_EQ(w.engine->stats().pipeline_thread_violations, 0u);
    EXPECT_EQ(w.engine->stats().pings_processed, 0u);  // no ping passed the header check
}

// Realtime pacing, hold, and a jump from the "Playback" window's position bar.
TEST(PlaybackWindowTest, PacingHoldAndJumpFromThePlaybackWindow) {
    PlaybackWindowRig w("RealtimePlayback=1\r\nAvgFilter=0\r\n");
    const auto file = MakeRecording(w.dir.path(), "line.VQS", 60, 100, false);
    w.Open(file);
    QWidget* pw = w.window->Secondary("Playback");
    ASSERT_NE(pw, nullptr);
    EXPECT_TRUE(pw->isVisible());
    ASSERT_TRUE(WaitFor([&] { return w.records() >= 2; }, 10000));
    EXPECT_NE(w.engine->ping_thread(), std::this_thread::get_id());
    // The logging line says where the pictures come from; recording keys are for live data.
    EXPECT_TRUE(
        WaitFor([&] { return w.window->status_strip()->status_text() == "File Playback"; }, 5000));
    QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(w.window.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(w.engine->Sync());
    EXPECT_FALSE(w.engine->recording().recording);
    // Paced by the recorded 100 ms interval: at most ten records a second, whatever the load.
    const std::uint64_t r0 = w.records();
    QElapsedTimer t;
    t.start();
    test_rig::Pause(1500);
    const double seconds = static_cast<double>(t.elapsed()) / 1000.0;
    EXPECT_LE(static_cast<double>(w.records() - r0), 10.0 * seconds + 2.0);

    // Hold: nothing is read until it is released.
    QKeyEvent h(QEvent::KeyPress, Qt::Key_H, Qt::NoModifier, "h");
    QApplication::sendEvent(w.window.get(), &h);
    test_rig::Pause(200);
    const std::uint64_t held = w.records();
    test_rig::Pause(500);
    EXPECT_EQ(w.records(), held);

    // A jump to the middle while held shows the record found there.
    auto* bar = pw->findChild<QSlider*>("position");
    ASSERT_NE(bar, nullptr);
    bar->setSliderDown(true);
    bar->setValue(50);
    bar->setSliderDown(false);
    ASSERT_TRUE(w.engine->Sync());
    EXPECT_EQ(w.records(), held + 1);
    const double at = w.engine->playback().progress;
    EXPECT_GT(at, 0.5);
    EXPECT_LT(at, 0.6);
    ASSERT_TRUE(WaitFor([&] { return bar->value() >= 50; }, 2000));

    QApplication::sendEvent(w.window.get(), &h);  // released: it plays on
    ASSERT_TRUE(WaitFor([&] { return w.records() >= held + 3; }, 10000));
    EXPECT_EQ(w.engine->stats().pipeline_thread_violations, 0u);
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
