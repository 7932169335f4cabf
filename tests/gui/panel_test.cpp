// The control panel, the keys, the mouse read-outs and the status read-outs of the main window
// under Qt's offscreen platform, live against the in-process simulated head: what the operator
// does in the window must arrive in the next command packet the head receives.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/engine.h"
#include "app/menu_table.h"
#include "core/range_table.h"
#include "gui/control_panel.h"
#include "gui/gps_readout.h"
#include "gui/main_window.h"
#include "gui/picture_overlay.h"
#include "gui/qt_operator.h"
#include "gui/status_strip.h"
#include "link/command_packet.h"
#include "panel_rig.h"
#include "recording/file_dialogs.h"
#include "sensors/nav_state.h"
#include "sim/sim_head.h"
#include "support/temp_dir.h"

namespace vq::gui {
namespace {

TEST(PanelGui, StartUpCommandsThePulseAndFilterOfTheStoredRange) {
    Rig w("Range=4\r\nPulseLength=180\r\n");
    ExpectRange(w.NextCommand(), 4);
}

TEST(PanelGui, F2RaisesTheRangeInTheNextCommand) {
    Rig w("Range=4\r\n");
    w.Key(Qt::Key_F2);
    EXPECT_EQ(w.engine->panel_values().range_index, 5);
    ExpectRange(w.NextCommand(), 5);
    EXPECT_EQ(w.panel()->range_text(), "30 M");
}

TEST(PanelGui, TypedRangeIsCommandedAndTheRangeReadoutFollows) {
    Rig w("Range=4\r\n");
    w.Type("r50\r");
    ExpectRange(w.NextCommand(), 7);
    EXPECT_EQ(w.panel()->range_text(), "50 M");
    EXPECT_EQ(w.panel()->dial(Dial::Range)->value_text(), "50 M");
    // The settings file has the range once the key is let go.
    EXPECT_NE(test::ReadFile(w.dir / "Vornax_Qi.INI").find("\nRange=7"), std::string::npos);
    // Esc leaves the range as it is.
    w.Type("r80");
    EXPECT_EQ(w.panel()->input().entry().text(), "80");
    w.Key(Qt::Key_Escape);
    EXPECT_FALSE(w.panel()->input().entry().open());
    ExpectRange(w.NextCommand(), 7);
}

TEST(PanelGui, HoldingThePressOnTheRangeDialStepsAndRepeats) {
    Rig w("Range=4\r\n");
    DialWidget* d = w.panel()->dial(Dial::Range);
    // The pointer is on the left (a low range): a press right of the centre turns it up.
    const DialPoint c = d->centre();
    const QPoint press(c.x + 20, c.y + 5);
    QElapsedTimer since;
    since.start();
    QTest::mousePress(d, Qt::LeftButton, Qt::NoModifier, press);
    EXPECT_EQ(w.engine->panel_values().range_index, 5);  // the first step at once
    // The first repeat comes 500 ms after the press (later on a busy machine, never sooner),
    // then the steps follow every 75 ms while the button stays down.
    auto index = [&] { return w.engine->panel_values().range_index; };
    ASSERT_TRUE(WaitFor([&] { return index() >= 6; }, 5000));
    EXPECT_GE(since.elapsed(), 500);
    ASSERT_TRUE(WaitFor([&] { return index() >= 8; }, 5000));
    QTest::mouseRelease(d, Qt::LeftButton, Qt::NoModifier, press);
    const int released = index();
    EXPECT_LE(released, 11);  // clamped at the head's highest index
    test_rig::Pause(300);
    EXPECT_EQ(index(), released);  // let go: no more steps, and the file has the range
    EXPECT_NE(test::ReadFile(w.dir / "Vornax_Qi.INI").find("\nRange=" + std::to_string(released)),
              std::string::npos);
    ExpectRange(w.NextCommand(), released);
}

TEST(PanelGui, GainKeysAndTypedGainReachTheHead) {
    Rig w("Gain=6\r\n");
    w.Key(Qt::Key_F4);
    EXPECT_EQ(w.NextCommand().gain, 7);
    w.Key(Qt::Key_F3);
    w.Key(Qt::Key_F3);
    EXPECT_EQ(w.NextCommand().gain, 5);
    w.Type("g12\r");
    EXPECT_EQ(w.NextCommand().gain, 12);
    EXPECT_EQ(w.panel()->dial(Dial::Gain)->value_text(), "12 dB");
}

TEST(PanelGui, F1AtTheLowestRangeEngagesHalfRangeAndF2LeavesIt) {
    Rig w("Range=2\r\n");
    w.Key(Qt::Key_F1);
    EXPECT_TRUE(w.engine->panel_values().half_range);
    EXPECT_EQ(w.panel()->range_text(), "2.5 M");
    ExpectRange(w.NextCommand(), 2);  // half range is the picture's, not the head's
    w.Key(Qt::Key_F2);
    EXPECT_FALSE(w.engine->panel_values().half_range);
    EXPECT_EQ(w.engine->panel_values().range_index, 2);
}

// The warnings come up as real message boxes with their exact titles and texts.
TEST(PanelGui, RefusedEntriesShowTheirWarningBoxes) {
    Rig w("Range=4\r\n");
    w.op.set_unattended(false);
    struct Seen {
        QString title, text;
    };
    std::vector<Seen> seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen.push_back({box->windowTitle(), box->text()});
            box->done(QMessageBox::Ok);
        }
    });
    closer.start(20);
    const struct {
        const char* keys;
        const char* title;
        const char* text;
    } cases[] = {
        {"r7\r", "Range",
         "Please use one of the following ranges:\n 5, 10, 20, 30, 40, 50, 60, 80, 100 or 150 "
         "Meters    "},
        {"g21\r", "Gain", "Entered Gain is out of range!\nUse 0 to 20 dB"},
        {"d0\r", "Display Gain", "Entered Display Gain is out of range!\nUse 1 to 100 percent"},
        {"p601\r", "Persistenece", "Entered Persistence is out of range!\nUse 0 to 600 seconds"},
    };
    for (const auto& k : cases) {
        const std::size_t before = seen.size();
        w.Type(k.keys);
        ASSERT_TRUE(WaitFor([&] { return seen.size() > before; }, 5000)) << k.keys;
        EXPECT_EQ(seen.back().title, k.title);
        EXPECT_EQ(seen.back().text, k.text);
    }
    EXPECT_EQ(w.engine->panel_values().range_index, 4);
}

TEST(PanelGui, MouseOverThePictureWritesTheReadouts) {
    Rig w("Range=4\r\n");  // 20 m: 0.04 m per pixel
    PictureOverlay* o = w.window->picture_overlay();
    ASSERT_TRUE(WaitFor([&] { return o->params().range_span_m == 20.0f; }, 10000));
    // 100 pixels straight above the apex (picture column 505, row 541).
    MoveTo(o, QPoint(505, 441));
    EXPECT_EQ(w.panel()->cursor_label(0), "RNG:");
    EXPECT_EQ(w.panel()->cursor_text(0), "4.00 M");
    EXPECT_EQ(w.panel()->cursor_label(1), "BRG:");
    EXPECT_EQ(w.panel()->cursor_text(1), "000.0 Deg");
    MoveTo(o, QPoint(605, 541));
    EXPECT_EQ(w.panel()->cursor_text(1), "090.0 Deg");
    // A left press keeps the range cell under the pointer: 100 of 500 samples.
    MoveTo(o, QPoint(505, 441));
    Press(o, QPoint(505, 441), Qt::LeftButton);
    EXPECT_EQ(w.engine->Store().Read([](const SettingsState& st) { return st.s.RangeBin; }), 100);
}

TEST(PanelGui, RightButtonDrawsAMeasuringLineWithItsLength) {
    Rig w("Range=4\r\n");
    PictureOverlay* o = w.window->picture_overlay();
    ASSERT_TRUE(WaitFor([&] { return o->params().range_span_m == 20.0f; }, 10000));
    MoveTo(o, QPoint(300, 200));
    Press(o, QPoint(300, 200), Qt::RightButton);
    ASSERT_TRUE(o->measuring());
    MoveTo(o, QPoint(360, 280));  // 100 pixels away, below the anchor
    EXPECT_EQ(o->measure_text(), "4.00 M");
    // Below the anchor the label's lower edge lies 26 pixels below the pointer.
    EXPECT_EQ(o->measure_label_rect().bottom() + 1, 280 + 26);
    EXPECT_NEAR(o->measure_label_rect().center().x(), 360, 1);
    // The label is drawn: light-grey text pixels inside its box on the window's picture.
    const QImage shot = w.window->grab().toImage();
    const QRect box = o->measure_label_rect().translated(o->mapTo(w.window.get(), QPoint(0, 0)));
    int grey = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            grey += shot.pixel(x, y) == qRgb(216, 216, 216);
    EXPECT_GT(grey, 10);
    Press(o, QPoint(360, 280), Qt::RightButton);
    EXPECT_FALSE(o->measuring());
    // The picture of the README: the default 50 m range, a measuring line across the targets.
    if (const char* out = std::getenv("VQ_PANEL_SCREENSHOT")) {
        w.Type("r50\r");
        WaitFor([&] { return o->params().range_span_m == 50.0f; }, 10000);
        test_rig::Pause(1500);
        MoveTo(o, QPoint(455, 330));
        Press(o, QPoint(455, 330), Qt::RightButton);
        MoveTo(o, QPoint(600, 250));
        test_rig::Pause(300);
        w.window->grab().save(out);
    }
}

TEST(PanelGui, ProfileDepthHandlesAreDraggedWithinTheirLimits) {
    Rig w(
        "Range=7\r\nProfilePointDetection=1\r\nProfileMinDepthBelowSonar=5\r\n"
        "ProfileMaxDepthBelowSonar=30\r\n");
    w.window->RunCommand(menu::kModeProfile);
    PictureOverlay* o = w.window->picture_overlay();
    ASSERT_TRUE(WaitFor([&] { return o->params().mode == DisplayMode::Profile; }, 10000));
    // 50 m: 0.1 m per pixel from the origin on client row 60; 5 m lies on picture row 49.
    MoveTo(o, QPoint(200, 49));
    EXPECT_EQ(o->cursor().shape(), Qt::SizeVerCursor);
    MoveTo(o, QPoint(200, 120));
    EXPECT_EQ(o->cursor().shape(), Qt::CrossCursor);
    auto depths = [&] {
        return w.engine->Store().Read([](const SettingsState& st) {
            return std::pair{st.s.ProfileMinDepthBelowSonar, st.s.ProfileMaxDepthBelowSonar};
        });
    };
    auto drag = [&](QPoint from, QPoint to) {
        MoveTo(o, from);
        QMouseEvent press(QEvent::MouseButtonPress, from, o->mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(o, &press);
        QMouseEvent move(QEvent::MouseMove, to, o->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(o, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, o->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(o, &release);
    };
    drag(QPoint(200, 49), QPoint(200, 149));  // to 15 m
    EXPECT_NEAR(depths().first, 15.0f, 0.01f);
    // Down past the maximum: held 0.05 x range (2.5 m) above it.
    drag(QPoint(200, 149), QPoint(200, 400));
    EXPECT_NEAR(depths().first, 27.5f, 0.01f);
    // The maximum up past the minimum: held 2.5 m below it.
    drag(QPoint(200, 299), QPoint(200, 100));
    EXPECT_NEAR(depths().second, 30.0f, 0.01f);
    // No measuring line while the handles are shown.
    Press(o, QPoint(300, 200), Qt::RightButton);
    EXPECT_FALSE(o->measuring());
}

TEST(PanelGui, HoldButtonAndKeyShareOneState) {
    Rig w;
    QPushButton* hold = w.panel()->hold_button();
    EXPECT_EQ(w.panel()->hold_look(), "HOLD_BUTTONU");
    QTest::mouseClick(hold, Qt::LeftButton);
    EXPECT_TRUE(w.engine->hold());
    EXPECT_EQ(w.panel()->hold_look(), "HOLD_BUTTOND");
    // Nothing turns while held.
    const int gain = w.engine->panel_values().display_gain;
    DialWidget* d = w.panel()->dial(Dial::DisplayGain);
    QTest::mouseClick(d, Qt::LeftButton, Qt::NoModifier, QPoint(d->centre().x + 20, d->centre().y));
    EXPECT_EQ(w.engine->panel_values().display_gain, gain);
    w.Type("h");
    EXPECT_FALSE(w.engine->hold());
    EXPECT_EQ(w.panel()->hold_look(), "HOLD_BUTTONU");
}

TEST(PanelGui, DisplayGainAndPersistenceFromTheKeys) {
    Rig w("DisplayGain=50\r\n");
    w.Key(Qt::Key_F6);
    EXPECT_EQ(w.engine->panel_values().display_gain, 51);
    w.Type("d80\r");
    EXPECT_EQ(w.engine->panel_values().display_gain, 80);
    EXPECT_EQ(w.panel()->dial(Dial::DisplayGain)->value_text(), "80 %");
    w.Type("p30\r");
    EXPECT_EQ(w.engine->panel_values().persistence, 30);
    // Profile mode has three dials and no persistence.
    w.window->RunCommand(menu::kModeProfile);
    EXPECT_FALSE(w.panel()->dial(Dial::Persistence)->isVisible());
    EXPECT_EQ(w.engine->panel_values().persistence, 0);
}

TEST(PanelGui, BackgroundReferenceButtonsInSectorModeWithRemoval) {
    Rig w;
    StatusStrip* s = w.window->status_strip();
    EXPECT_FALSE(s->button(0)->isVisible());
    w.window->RunCommand(menu::kRemoveBackground);
    ASSERT_TRUE(s->button(0)->isVisible());
    EXPECT_EQ(s->button(0)->text(), "Build Reference");
    EXPECT_EQ(s->button(1)->text(), "Store Reference");
    EXPECT_EQ(s->button(2)->text(), "Clear Image");
    QTest::mouseClick(s->button(0), Qt::LeftButton);
    EXPECT_TRUE(s->building_shown());
    QTest::mouseClick(s->button(1), Qt::LeftButton);
    EXPECT_FALSE(s->building_shown());
    // Removal on, the measuring line is not offered in sector mode.
    PictureOverlay* o = w.window->picture_overlay();
    Press(o, QPoint(300, 200), Qt::RightButton);
    EXPECT_FALSE(o->measuring());
    w.window->RunCommand(menu::kModeLinear);
    EXPECT_FALSE(s->button(0)->isVisible());
}

TEST(PanelGui, LoggingLineTicksWithThePingsAndFollowsTheRecording) {
    Rig w;
    StatusStrip* s = w.window->status_strip();
    ASSERT_TRUE(WaitFor([&] { return s->status_text().startsWith("Not Logging "); }, 10000));
    const QString before = s->status_text();
    ASSERT_TRUE(WaitFor([&] { return s->status_text() != before; }, 10000));  // the dots tick
    EXPECT_EQ(s->item("connection"), "Connected");
    QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return s->status_text().startsWith("Logging "); }, 10000));
    QTest::keyClick(w.window.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return s->status_text().startsWith("Not Logging "); }, 10000));
}

TEST(PanelGui, GpsPanelShowsTheFixAndTimesOut) {
    Rig w;
    GpsReadout* g = w.window->gps_readout();
    w.engine->Nav().Update([](NavSnapshot& n) {
        std::snprintf(n.latitude_text.data(), n.latitude_text.size(), " 43.39.21875 S");
        std::snprintf(n.longitude_text.data(), n.longitude_text.size(), "070.23.45678 W");
        n.position_valid = n.data_arrived = true;
        n.position_count = 1;
        n.speed_knots = 5.5f;
        n.satellites = 6;
        n.hdop = 2.5f;
        n.fix_quality = 2;
    });
    g->Update();
    EXPECT_EQ(g->latitude(), "43.39.21875 S");
    EXPECT_EQ(g->longitude(), "070.23.45678 W");
    EXPECT_EQ(g->speed(), "5.5  KTS");
    EXPECT_EQ(g->satellites(), "6");
    EXPECT_EQ(g->satellites_lamp(), Lamp::YellowGreen);
    EXPECT_EQ(g->hdop(), "2.5");
    EXPECT_EQ(g->hdop_lamp(), Lamp::Green);
    EXPECT_EQ(g->quality(), "2 DGPS");
    // Ten steps (pings and clock updates) without a new fix: "n/a".
    for (int i = 0; i < 10; ++i) g->Update();
    EXPECT_EQ(g->latitude(), "n/a");
    EXPECT_EQ(g->speed(), "n/a");
    EXPECT_EQ(g->satellites(), "n/a");
    EXPECT_EQ(g->satellites_lamp(), Lamp::Off);
    EXPECT_EQ(w.engine->Nav().snapshot().speed_knots, 0.0f);
}

TEST(PanelGui, SignalLevelDrawsTheStripIntoThePicture) {
    Rig w("Grid=0\r\n");
    w.window->RunCommand(menu::kSignalLevel);
    SonarView* v = w.window->sonar_view();
    EXPECT_TRUE(WaitFor([&] { return v->image().pixelIndex(51, 375) == 255; }, 10000));
    EXPECT_EQ(v->image().pixelIndex(131, 500), 255);
}

TEST(PanelGui, StartingInPlaybackAsksForTheRecordingAtOnce) {
    test::TempDir dir;
    dir.WriteLoopbackIni("RunMode=1\r\nDiagnosticsWindow=1\r\n");
    QtOperator op;
    op.set_unattended(true);
    EngineOptions o;
    o.working_dir = dir.path();
    Engine engine(o, op);
    MainWindow window(engine, op);
    std::vector<std::string> asked;
    window.set_dialog_answer([&](const FileDialogRequest& r) {
        asked.push_back(r.title);
        return std::vector<std::string>{};
    });
    engine.Start();
    window.show();
    window.AfterStart();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Open a Sonar File For Playback");
    EXPECT_TRUE(window.Secondary("Playback")->isVisible());
    EXPECT_TRUE(window.Secondary("Diagnostics")->isVisible());  // open at the last exit
    EXPECT_EQ(engine.stats().pings_received, 0u);               // no link in playback
}

}  // namespace
}  // namespace vq::gui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
