// The main window live against the in-process simulated head, and how a test reaches the modal
// settings dialogs it opens: the dialog's work is armed before its menu item is triggered and
// runs inside the dialog's own event loop.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>
#include <string>

#include "app/engine.h"
#include "gui/main_window.h"
#include "gui/qt_operator.h"
#include "support/temp_dir.h"

namespace vq::gui::test_rig {

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
    explicit LiveWindow(const std::string& ini = "", EngineOptions o = {}) {
        dir.WriteLoopbackIni(ini);
        op.set_unattended(true);
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
    bool Pings(std::uint64_t n) {
        const auto start = processed();
        return WaitFor([&] { return processed() >= start + n; }, 20000);
    }
};

// Calls fn with the next modal dialog that opens other than `except` (so a dialog opened from
// inside another one is reached too). fn must close the dialog, or the test would hang: a
// dialog still open when fn returns is rejected.
inline QTimer* OnNextDialog(std::function<void(QDialog*)> fn, QWidget* except = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn, except] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || d == except || !d->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        fn(d);
        if (d->isVisible()) d->reject();
    });
    timer->start();
    return timer;
}

// Opens menu item `id` with fn armed for its dialog; false when the item is missing or greyed.
inline bool OpenDialog(MainWindow& w, int id, std::function<void(QDialog*)> fn) {
    QAction* a = w.Action(id);
    if (!a || !a->isEnabled()) return false;
    bool ran = false;
    QTimer* armed = OnNextDialog([&ran, fn](QDialog* d) {
        ran = true;
        fn(d);
    });
    a->trigger();
    if (!ran) delete armed;
    return ran;
}

// A click where the operator would click: on the indicator of a radio button or check box
// (which take only clicks on their indicator and text), in the middle of any other button.
inline void Click(QAbstractButton* b) {
    const bool indicator = b->inherits("QRadioButton") || b->inherits("QCheckBox");
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier,
                      indicator ? QPoint(6, b->height() / 2) : QPoint());
}

}  // namespace vq::gui::test_rig
