#include "gui/guide_capture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace vq::gui {

bool WaitUntil(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool IsPlaceholder(const QWidget* w) {
    return w->metaObject() == &QWidget::staticMetaObject && w->children().isEmpty();
}

bool SaveWindowPicture(QWidget* w, const QString& path, QString* why) {
    const QPixmap pixmap = w->grab();
    if (pixmap.isNull() || pixmap.width() <= 0 || pixmap.height() <= 0) {
        *why = "the window gave an empty picture";
        return false;
    }
    const QImage image = pixmap.toImage();
    const QRgb first = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first) {
                varied = true;
                break;
            }
        }
    }
    if (!varied) {
        *why = "nothing was drawn in the window (one colour everywhere)";
        return false;
    }
    if (!image.save(path, "PNG")) {
        *why = "cannot write " + path;
        return false;
    }
    return true;
}

Caught CatchWindowOf(QAction* action, const QString& path, int timeout_ms, QString* title,
                     QString* why) {
    QSet<QWidget*> before;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) before.insert(w);
    }
    Caught result = Caught::NoWindow;
    bool done = false;
    // While the action runs it may still be building a modal dialog (slowly under a
    // sanitizer): giving up then would leave that dialog open with nobody to close it, so
    // the time limit counts only once the action has returned.
    bool returned = false;
    QElapsedTimer clock;
    clock.start();
    QPointer<QWidget> found;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done) return;
        if (!found) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && !before.contains(w)) found = w;
            }
            if (!found) {
                if (returned && clock.elapsed() > timeout_ms) done = true;
                return;
            }
            clock.restart();  // let it lay itself out and paint before the grab
            return;
        }
        if (clock.elapsed() < 300) return;
        *title = found->windowTitle();
        result = SaveWindowPicture(found, path, why) ? Caught::Saved : Caught::NotDrawn;
        if (auto* dialog = qobject_cast<QDialog*>(found.data())) {
            dialog->reject();
        } else {
            found->close();
        }
        done = true;
    });
    poll.start();
    action->trigger();  // returns after a modal dialog was closed by the poll above
    returned = true;
    if (!found) clock.restart();
    WaitUntil([&] { return done; }, timeout_ms + 2000);
    poll.stop();
    return result;
}

}  // namespace vq::gui
