// Repaints a window at most once every `interval` milliseconds however often its content
// changes: pings may come hundreds of times a second, the eye needs a few dozen pictures.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace vq::gui {

class PaintThrottle {
  public:
    PaintThrottle(QWidget* widget, int interval_ms) : widget_(widget), interval_ms_(interval_ms) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, widget, [this] { Paint(); });
        since_.start();
    }
    // The content changed: repaint now or when the interval has passed.
    void Request() {
        if (timer_.isActive()) return;
        const qint64 waited = since_.elapsed();
        if (waited >= interval_ms_) {
            Paint();
        } else {
            timer_.start(static_cast<int>(interval_ms_ - waited));
        }
    }

  private:
    void Paint() {
        since_.restart();
        widget_->update();
    }

    QWidget* widget_;
    int interval_ms_;
    QTimer timer_;
    QElapsedTimer since_;
};

}  // namespace vq::gui
