// The main window under Qt's offscreen platform, live against an in-process simulated head.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenuBar>
#include <cstdlib>
#include <filesystem>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "recording/file_dialogs.h"
#include "support/temp_dir.h"

namespace vq::gui {
namespace {

// Runs the event loop until pred() holds or ms have passed.
template <class P>
bool WaitFor(P pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct LiveWindow {
    test::TempDir dir;
    QtOperator op;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<MainWindow> window;
    explicit LiveWindow(const std::string& ini = "") {
        dir.WriteLoopbackIni(ini);
        op.set_unattended(true);
        EngineOptions o;
        o.working_dir = dir.path();
        o.simulate = true;
        o.link_initial_delay_ms = 0;
        engine = std::make_unique<Engine>(o, op);
        window = std::make_unique<MainWindow>(*engine, op);
        engine->Start();
        window->WatchControlSocket();
        window->RefreshMenu();
        window->show();
    }
    std::uint64_t processed() const { return engine->stats().pings_processed; }
};

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
    WaitFor([] { return false; }, 300);
    const auto held = w.processed();
    WaitFor([] { return false; }, 700);
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
    WaitFor([] { return false; }, 400);
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

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
