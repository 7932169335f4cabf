#include "gui/windows/track_plotter_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "app/engine.h"

namespace vq::gui {
namespace {

QColor ToQColor(TrackColour c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

TrackPlotterWindow::TrackPlotterWindow(int menu_id, Engine& engine, QWidget* main,
                                       std::function<void(int)> close)
    : SecondaryWindow("Track Plotter", menu_id, engine, main, std::move(close)) {
    // Fixes arrive on the GPS reader's thread: the window looks for new drawing ten times a
    // second while it is shown.
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &TrackPlotterWindow::Refresh);
}

TrackPlotterWindow::~TrackPlotterWindow() {
    engine_.Track().set_canvas(nullptr);
}

// The model draws into the pixels of the current size from now on, starting with a full
// redraw recentred on the vessel.
void TrackPlotterWindow::Attach() {
    TrackModel& track = engine_.Track();
    track.set_canvas(nullptr);
    raster_.Resize(width(), height());
    track.set_canvas(&raster_);
    track.Redraw();
    attached_ = true;
    Refresh();
}

void TrackPlotterWindow::Redraw() {
    if (!attached_) return;
    engine_.Track().Redraw();
    Refresh();
}

void TrackPlotterWindow::Refresh() {
    if (!attached_) return;
    bool changed = false;
    engine_.Track().WithLock([&] {
        if (raster_.version() == copied_version_) return;
        copied_version_ = raster_.version();
        changed = true;
        if (image_.width() != raster_.width() || image_.height() != raster_.height()) {
            image_ = QImage(raster_.width(), raster_.height(), QImage::Format_RGB32);
        }
        for (int y = 0; y < raster_.height(); ++y) {
            std::memcpy(image_.scanLine(y),
                        raster_.pixels() + static_cast<std::ptrdiff_t>(y) * raster_.width(),
                        static_cast<std::size_t>(raster_.width()) * 4);
        }
        label_.clear();
        if (raster_.label_count() > 0) {
            const TrackRaster::Label& l = raster_.label(0);
            label_ = QString::fromLatin1(l.text.data());
            label_at_ = QPoint(l.x, l.y);
            label_fg_ = ToQColor(l.fg);
            label_bg_ = ToQColor(l.bg);
        }
    });
    if (changed) update();
}

void TrackPlotterWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!image_.isNull()) p.drawImage(0, 0, image_);
    if (!label_.isEmpty()) {
        const QFontMetrics fm(font());
        const QRect box(label_at_, QSize(fm.horizontalAdvance(label_) + 2, fm.height()));
        p.fillRect(box, label_bg_);
        p.setPen(label_fg_);
        p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, label_);
    }
}

void TrackPlotterWindow::resizeEvent(QResizeEvent* event) {
    if (isVisible()) Attach();
    SecondaryWindow::resizeEvent(event);
}

void TrackPlotterWindow::showEvent(QShowEvent* event) {
    SecondaryWindow::showEvent(event);
    Attach();
    timer_.start();
}

// Nothing is drawn while the plotter is hidden; the fixes are still kept.
void TrackPlotterWindow::hideEvent(QHideEvent* event) {
    timer_.stop();
    engine_.Track().set_canvas(nullptr);
    attached_ = false;
    QWidget::hideEvent(event);
}

void TrackPlotterWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) engine_.ZoomTrack(true);
    if (event->button() == Qt::RightButton) engine_.ZoomTrack(false);
    Refresh();
}

}  // namespace vq::gui
