// More of the main window as the operator meets it, live against the simulated head: the
// arrow keys over a dial and elsewhere with their acceleration, Ctrl+N with a recording open
// and without, the processor-temperature warning the head's own packets raise, the logging
// line of a playback, and the commands still greyed for other parts of the program.
#include <gtest/gtest.h>

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <filesystem>
#include <string>

#include "app/menu_table.h"
#include "gui/control_panel.h"
#include "gui/picture_overlay.h"
#include "gui/status_strip.h"
#include "panel_rig.h"

namespace vq::gui {
namespace {

void KeyDown(QWidget* w, Qt::Key k) {
    QTest::keyPress(w, k);
}

void KeyUp(QWidget* w, Qt::Key k) {
    QTest::keyRelease(w, k);
}

// The pointer over the middle of a dial (where the arrow keys turn that dial).
void PointAt(DialWidget* d) {
    QCursor::setPos(d->mapToGlobal(d->rect().center()));
    QCoreApplication::processEvents();
}

TEST(PanelKeysGui, ArrowKeysTurnTheDialUnderThePointerWithAcceleration) {
    Rig w("DisplayGain=50\r\nRange=4\r\nPersistence=10\r\n");
    QWidget* win = w.window.get();
    auto display_gain = [&] { return w.engine->panel_values().display_gain; };
    PointAt(w.panel()->dial(Dial::DisplayGain));
    // The factor grows by 0.5 with every key-down while keys stay held; the percent is
    // truncated: 50 + 1, + 1.5, + 2.0, - 2.5.
    const struct {
        Qt::Key key;
        int expect;
    } held[] = {{Qt::Key_Up, 51}, {Qt::Key_Up, 52}, {Qt::Key_Up, 54}, {Qt::Key_Down, 51}};
    for (const auto& k : held) {
        KeyDown(win, k.key);
        EXPECT_EQ(display_gain(), k.expect);
    }
    KeyUp(win, Qt::Key_Down);  // let go: the factor is 1.0 again
    KeyDown(win, Qt::Key_Up);
    EXPECT_EQ(display_gain(), 52);
    KeyUp(win, Qt::Key_Up);
    EXPECT_EQ(w.panel()->dial(Dial::DisplayGain)->value_text(), "52 %");

    // Over the range dial one index per key, whatever the factor, into the next command.
    PointAt(w.panel()->dial(Dial::Range));
    KeyDown(win, Qt::Key_Up);
    KeyDown(win, Qt::Key_Up);
    KeyUp(win, Qt::Key_Up);
    EXPECT_EQ(w.engine->panel_values().range_index, 6);
    ExpectRange(w.NextCommand(), 6);
    EXPECT_EQ(w.panel()->range_text(), "40 M");

    // Over the persistence dial one second per key.
    PointAt(w.panel()->dial(Dial::Persistence));
    w.Key(Qt::Key_Down);
    EXPECT_EQ(w.engine->panel_values().persistence, 9);

    // Over the gain dial: the start gain byte of the next command.
    const int gain = w.engine->panel_values().gain;
    PointAt(w.panel()->dial(Dial::Gain));
    w.Key(Qt::Key_Up);
    EXPECT_EQ(w.NextCommand().gain, gain + 1);
}

TEST(PanelKeysGui, ArrowKeysElsewhereMoveThePointerByTheFactor) {
    Rig w("DisplayGain=50\r\n");
    QWidget* win = w.window.get();
    const QPoint start = w.window->picture_overlay()->mapToGlobal(QPoint(300, 300));
    QCursor::setPos(start);
    // Factors 1.0, 1.5, 2.0, 2.5, 3.0: whole pixels 1, 1, 2, 2, 3.
    const struct {
        Qt::Key key;
        QPoint moved;
    } keys[] = {{Qt::Key_Up, {0, -1}},
                {Qt::Key_Up, {0, -2}},
                {Qt::Key_Left, {-2, -2}},
                {Qt::Key_Right, {0, -2}},
                {Qt::Key_Down, {0, 1}}};
    for (const auto& k : keys) {
        KeyDown(win, k.key);
        EXPECT_EQ(QCursor::pos() - start, k.moved) << k.key;
    }
    KeyUp(win, Qt::Key_Down);
    KeyDown(win, Qt::Key_Right);
    EXPECT_EQ(QCursor::pos() - start, QPoint(1, 1));
    KeyUp(win, Qt::Key_Right);
    EXPECT_EQ(w.engine->panel_values().display_gain, 50);  // no dial was under the pointer
}

// Automatic names: Ctrl+N without a recording starts one; with one open it goes on in a new
// file, and the file it leaves is closed with the pings it holds.
TEST(PanelKeysGui, CtrlNStartsARecordingAndThenGoesOnInANewFile) {
    Rig w("AutoFilename=1\r\nAutoFilenameType=0\r\n");
    QWidget* win = w.window.get();
    auto pings = [&] { return w.engine->stats().pings_received; };
    QTest::keyClick(win, Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return w.engine->recording().recording; }, 10000));
    const std::string first = w.engine->recording().recording_path;
    ASSERT_FALSE(first.empty());
    const std::uint64_t base = pings();
    ASSERT_TRUE(WaitFor([&] { return pings() >= base + 3; }, 15000));
    ASSERT_TRUE(WaitFor(
        [&] { return w.window->Action(menu::kRecord)->text().startsWith("&Record Stop"); }, 5000));

    QTest::keyClick(win, Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor(
        [&] {
            const RecordingSnapshot r = w.engine->recording();
            return r.recording && !r.recording_path.empty() && r.recording_path != first;
        },
        10000));
    const std::string second = w.engine->recording().recording_path;
    const auto first_size = std::filesystem::file_size(first);
    EXPECT_GT(first_size, 0u);
    const std::uint64_t again = pings();
    ASSERT_TRUE(WaitFor([&] { return pings() >= again + 3; }, 15000));
    EXPECT_EQ(std::filesystem::file_size(first), first_size);  // closed: nothing more arrives
    QTest::keyClick(win, Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !w.engine->recording().recording; }, 10000));
    EXPECT_GT(std::filesystem::file_size(second), 0u);
    // Ctrl+E with nothing recording, then Ctrl+S: one new recording, not a stop.
    QTest::keyClick(win, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(win, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return w.engine->recording().recording; }, 10000));
    QTest::keyClick(win, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return !w.engine->recording().recording; }, 10000));
}

// Red pixels of the strip: the temperature value is the only red text while logging.
int RedPixels(StatusStrip* s) {
    const QImage img = s->grab().toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == qRgb(255, 0, 0);
    return n;
}

TEST(PanelKeysGui, HotHeadBlinksTheTemperatureWarningAndACoolOneClearsIt) {
    Rig w;
    StatusStrip* s = w.window->status_strip();
    QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);  // "Logging " is green
    ASSERT_TRUE(WaitFor([&] { return s->status_text().startsWith("Logging"); }, 10000));
    auto head_reports = [&](float celsius) {
        sim::Scene scene = sim::DemoScene(sim::HeadKind::Standard260);
        scene.processor_temp_c = celsius;
        w.engine->simulated_head()->set_scene(scene);
        return WaitFor([&] { return w.engine->head_temperature_c() == celsius; }, 10000);
    };
    ASSERT_TRUE(head_reports(69.9f));
    s->OnSecond(1);
    EXPECT_EQ(s->temperature_text(), "");
    ASSERT_TRUE(head_reports(75.0f));
    s->OnSecond(3);
    EXPECT_EQ(s->temperature_text(), "CPU Temperature: 75.0 C");
    EXPECT_GT(RedPixels(s), 10);
    s->OnSecond(4);  // even seconds clear the box: the warning blinks
    EXPECT_EQ(s->temperature_text(), "");
    EXPECT_EQ(RedPixels(s), 0);
    s->OnSecond(5);
    EXPECT_EQ(s->temperature_text(), "CPU Temperature: 75.0 C");
    // A head too hot to be true is shown at the read-out's limit.
    ASSERT_TRUE(head_reports(200.0f));
    s->OnSecond(7);
    EXPECT_EQ(s->temperature_text(), "CPU Temperature: 200.0 C");
    ASSERT_TRUE(head_reports(60.0f));
    s->OnSecond(9);
    EXPECT_EQ(s->temperature_text(), "");
    EXPECT_EQ(RedPixels(s), 0);
    QTest::keyClick(w.window.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return !w.engine->recording().recording; }, 10000));
}

// The live menu's commands are enabled (the automatic file names were once greyed for good
// because the menu was first worked out before the recording commands existed).
TEST(PanelKeysGui, TheLiveMenuCommandsAreEnabled) {
    Rig w;
    for (int id : {menu::kClearTrack, menu::kRecord, menu::kGrid, menu::kRemoveBackground,
                   menu::kSignalLevel, menu::kSaveScreen, menu::kSwitches, menu::kSoundVelocity,
                   menu::kDataOutput, menu::kDiagnostics, menu::kModeProfile, menu::kMeters,
                   menu::kAutoFilenames, menu::kDateNumber, menu::kDateTime}) {
        QAction* a = w.window->Action(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_TRUE(a->isEnabled()) << id;
    }
    // The automatic file names are switched from the menu.
    const bool automatic = w.window->Action(menu::kAutoFilenames)->isChecked();
    w.window->Action(menu::kAutoFilenames)->trigger();
    EXPECT_EQ(w.window->Action(menu::kAutoFilenames)->isChecked(), !automatic);
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.AutoFilename; }),
              automatic ? 0 : 1);
}

}  // namespace
}  // namespace vq::gui
