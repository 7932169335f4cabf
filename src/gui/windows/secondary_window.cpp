#include "gui/windows/secondary_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/engine.h"
#include "windows/window_rules.h"

namespace vq::gui {

SecondaryWindow::SecondaryWindow(const char* title, int menu_id, Engine& engine, QWidget* main,
                                 std::function<void(int)> close)
    : QWidget(main, Qt::Tool),
      engine_(engine),
      main_(main),
      menu_id_(menu_id),
      spec_(FindSecondaryWindow(title)),
      close_(std::move(close)) {
    setWindowTitle(title);
    setObjectName(title);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (spec_ != nullptr) {
        const WindowRect r = spec_->first;
        setGeometry(r.x, r.y, r.width, r.height);
    }
}

void SecondaryWindow::RestorePlace() {
    if (spec_ == nullptr) return;
    const Settings s = engine_.Store().Read([](const SettingsState& st) { return st.s; });
    WindowRect r = RestoredRect(s, *spec_);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->geometry();
        r = KeepOnScreen(r, g.width(), g.height());
    }
    setGeometry(r.x, r.y, r.width, r.height);
}

void SecondaryWindow::RememberPlace() {
    if (spec_ == nullptr || !placed_) return;
    const QRect g = geometry();
    const WindowRect r{g.x(), g.y(), g.width(), g.height()};
    engine_.Store().Update([this, r](SettingsState& st) { StoreRect(st.s, *spec_, r); });
}

void SecondaryWindow::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        RestorePlace();
    }
    QWidget::showEvent(event);
}

// Closing only hides the window: its menu item is switched off as a click on it would.
void SecondaryWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    RememberPlace();
    if (close_) close_(menu_id_);
    if (isVisible()) hide();
}

void SecondaryWindow::keyPressEvent(QKeyEvent* event) {
    if (main_ != nullptr) QApplication::sendEvent(main_, event);
}

void SecondaryWindow::keyReleaseEvent(QKeyEvent* event) {
    if (main_ != nullptr) QApplication::sendEvent(main_, event);
}

}  // namespace vq::gui
