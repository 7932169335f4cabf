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
#include "window_rig.h"

namespace vq::gui::test_rig {

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
