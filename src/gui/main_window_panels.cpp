// The main window's panels and read-outs around the picture, its start-up and data-source
// follow-ups, and the hooks where the windows of other parts of the program plug in.
#include <QTime>

#include "app/engine.h"
#include "app/menu_table.h"
#include "gui/control_panel.h"
#include "gui/gps_readout.h"
#include "gui/main_window.h"
#include "gui/picture_overlay.h"
#include "gui/playback_window.h"
#include "gui/qt_operator.h"
#include "gui/status_strip.h"

namespace vq::gui {
namespace {

// Below the picture (which ends on row 602): the GPS panel on the left, the dials and read-outs
// on the right; above it the status strip.
constexpr QPoint kStripAt{2, 3};
constexpr QPoint kGpsAt{2, 606};
constexpr QPoint kPanelAt{2 + GpsReadout::kWidth + 4, 606};

}  // namespace

void MainWindow::BuildPanels(QWidget* central) {
    strip_ = new StatusStrip(engine_, central);
    strip_->move(kStripAt);
    overlay_ = new PictureOverlay(central);
    overlay_->move(view_->pos());
    overlay_->raise();
    gps_ = new GpsReadout(engine_, central);
    gps_->move(kGpsAt);
    panel_ = new ControlPanel(engine_, op_, central);
    panel_->move(kPanelAt);
    connect(overlay_, &PictureOverlay::CursorRead, panel_, &ControlPanel::ShowCursor);
    connect(overlay_, &PictureOverlay::LeftPressed, this,
            [this](int bin) { engine_.StoreRangeBin(bin); });
    connect(overlay_, &PictureOverlay::DepthsChanged, this,
            [this](float lo, float hi) { engine_.SetProfileDepths(lo, hi); });
    connect(panel_, &ControlPanel::PersistenceDialogRequested, this,
            [this] { RunCommand(menu::kPersistence); });
    connect(panel_, &ControlPanel::Changed, this, &MainWindow::RefreshMenu);
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &MainWindow::OnSecond);
    clock_.start();
}

void MainWindow::RefreshPanels() {
    if (closing_) return;
    panel_->Refresh();
    strip_->Refresh();
    const MenuState& m = engine_.menu();
    overlay_->set_background_removal(m[menu::kRemoveBackground].checked);
    const Settings s = engine_.Store().Read([](const SettingsState& st) { return st.s; });
    overlay_->set_depth_window(s.ProfilePointDetection == 1, s.ProfileMinDepthBelowSonar,
                               s.ProfileMaxDepthBelowSonar);
}

// A new picture: one more ping for the read-outs.
void MainWindow::OnPing() {
    overlay_->set_params(engine_.Picture().params);
    RefreshPanels();
    strip_->AfterPing();
    gps_->Update();
}

void MainWindow::OnSecond() {
    if (closing_) return;
    strip_->OnSecond(QTime::currentTime().second());
    gps_->Update();
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    panel_->HandleKeyRelease(event);
    QMainWindow::keyReleaseEvent(event);
}

void MainWindow::AfterStart() {
    AfterCommand();
    AfterSourceSwitch();
}

// Playback without a recording: the "Playback" window comes up with the file dialog.
void MainWindow::AfterSourceSwitch() {
    WatchControlSocket();  // the output socket was opened again
    if (!engine_.in_playback() || engine_.playback().open) return;
    if (QWidget* w = Secondary("Playback")) {
        w->show();
        w->raise();
    }
    RunCommand(menu::kPlaybackFile);
}

}  // namespace vq::gui
