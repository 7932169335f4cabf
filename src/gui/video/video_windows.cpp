#include "gui/video/video_windows.h"

#include <QPainter>
#include <cstring>
#include <vector>

namespace vq::gui {

VideoPictureWindow::VideoPictureWindow(const QString& title, Source take, QWidget* main_window)
    : QWidget(main_window, Qt::Tool), take_(std::move(take)), main_(main_window) {
    setWindowTitle(title);
    setObjectName(title);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&timer_, &QTimer::timeout, this, &VideoPictureWindow::Poll);
}

void VideoPictureWindow::StartPolling(int period_ms, bool show_on_picture) {
    show_on_picture_ = show_on_picture;
    timer_.start(period_ms);
}

void VideoPictureWindow::StopPolling() {
    timer_.stop();
}

void VideoPictureWindow::Poll() {
    if (!isVisible() && !show_on_picture_) return;
    const QSize before = picture_.size();
    if (!take_(picture_)) return;
    if (picture_.isNull()) {
        hide();  // the source has no picture any more
        return;
    }
    ++shown_;
    if (!isVisible()) {
        Place();
        show();
        // The window system's frame is known once the window is shown (some only a moment
        // later): place it again around it.
        Place();
        QTimer::singleShot(200, this, &VideoPictureWindow::Place);
    } else if (picture_.size() != before) {
        Place();
    }
    update();
}

void VideoPictureWindow::Place() {
    if (picture_.isNull()) return;
    setFixedSize(picture_.size());
    const QRect outer = main_->frameGeometry();
    // What the window system adds around the picture (nothing before it is first shown).
    const QRect own = frameGeometry();
    const int extra_w = isVisible() ? own.width() - width() : 0;
    const int extra_h = isVisible() ? own.height() - height() : 0;
    const WindowRect r =
        VideoWindowOuterRect({outer.x(), outer.y(), outer.width(), outer.height()},
                             picture_.width(), picture_.height(), extra_w, extra_h);
    move(r.x, r.y);
}

void VideoPictureWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!timer_.isActive() && timer_.interval() > 0) timer_.start();
}

void VideoPictureWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Closed();
}

void VideoPictureWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (picture_.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(0, 0, picture_);
}

VideoPictureWindow::Source PreviewSource(VideoFeed& feed) {
    return [&feed](QImage& image) {
        if (!feed.preview().Take()) return false;
        const VideoFrame& f = feed.preview().front();
        if (f.empty()) {
            image = QImage();
            return true;
        }
        if (image.size() != QSize(f.width, f.height) || image.format() != QImage::Format_RGB32) {
            image = QImage(f.width, f.height, QImage::Format_RGB32);
        }
        for (int y = 0; y < f.height; ++y) {
            std::memcpy(image.scanLine(y), f.pixels.data() + static_cast<std::size_t>(y) * f.width,
                        static_cast<std::size_t>(f.width) * 4);
        }
        return true;
    };
}

VideoPictureWindow::Source PlaybackSource(PlaybackFrames& frames) {
    return [&frames, words = std::vector<std::uint32_t>()](QImage& image) mutable {
        if (!frames.Take()) return false;
        const std::optional<BmpLayout> l = DecodeBmp24(frames.front().bmp, words);
        if (!l) {
            image = QImage();
            return true;
        }
        image = QImage(l->width, l->height, QImage::Format_RGB32);
        for (int y = 0; y < l->height; ++y) {
            std::memcpy(image.scanLine(y), words.data() + static_cast<std::size_t>(y) * l->width,
                        static_cast<std::size_t>(l->width) * 4);
        }
        return true;
    };
}

}  // namespace vq::gui
