#include "gui/windows/strip_window.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/engine.h"
#include "pipeline/secondary_handoff.h"

namespace vq::gui {

StripWindow::StripWindow(StripKind kind, int menu_id, Engine& engine, QWidget* main,
                         std::function<void(int)> close)
    : SecondaryWindow(kind == StripKind::kSidescan      ? "Sidescan"
                      : kind == StripKind::kEchoSounder ? "Echo Sounder"
                                                        : "Intensity",
                      menu_id, engine, main, std::move(close)),
      history_(kind) {
    setMinimumSize(kMinStripClient, kMinStripClient);
    setMouseTracking(kind == StripKind::kSidescan);
    colours_.fill(0xFF000000u);
}

// Every (re)creation of the bitmap starts an empty history.
void StripWindow::MakeBitmap() {
    history_.Resize(width(), height());
    image_ = QImage(history_.width(), history_.height(), QImage::Format_RGB32);
    image_.fill(colours_[0]);
    dirty_ = true;
}

void StripWindow::SetColours(const std::array<std::uint32_t, 256>& program_table) {
    if (program_table == program_table_ && !image_.isNull()) return;
    program_table_ = program_table;
    const std::array<std::uint32_t, 256> bright = BrightenedColourTable(program_table);
    for (std::size_t i = 0; i < 256; ++i) colours_[i] = 0xFF000000u | bright[i];
    Recolour();
    dirty_ = true;
}

// The whole image in the new colours (the colour scheme changed).
void StripWindow::Recolour() {
    if (image_.isNull()) return;
    const int w = history_.width();
    for (int y = 0; y < history_.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const std::uint8_t* ring = history_.pixels() + static_cast<std::ptrdiff_t>(y) * w;
        for (int x = 0; x < w; ++x) row[x] = colours_[ring[x]];
    }
}

void StripWindow::Clear() {
    history_.Clear();
    if (!image_.isNull()) image_.fill(colours_[0]);
    dirty_ = true;
}

bool StripWindow::Push(const SecondaryFrame& f) {
    if (!f.has_lines || image_.isNull()) return false;
    const std::uint8_t* line = nullptr;
    int n = 0;
    switch (history_.kind()) {
        case StripKind::kSidescan:
            line = f.sidescan.data();
            n = f.sidescan_length;
            port_ = f.port_formed;
            starboard_ = f.starboard_formed;
            angle_ = f.sidescan_angle;
            break;
        case StripKind::kEchoSounder:
            line = f.echo.data();
            n = f.echo_length;
            break;
        case StripKind::kIntensity:
            line = f.intensity.data();
            n = f.intensity_length;
            break;
    }
    if (n <= 0 || !history_.Push(line, n)) return false;
    MirrorNewLine();
    dirty_ = true;
    return true;
}

// Only the line just written goes into the image, in colour: one row, or one column.
void StripWindow::MirrorNewLine() {
    const int w = history_.width();
    const int h = history_.height();
    const int head = history_.head();
    const std::uint8_t* ring = history_.pixels();
    if (history_.kind() == StripKind::kEchoSounder) {
        for (int y = 0; y < h; ++y) {
            reinterpret_cast<QRgb*>(image_.scanLine(y))[head] = colours_[ring[y * w + head]];
        }
    } else {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(head));
        const std::uint8_t* line = ring + static_cast<std::ptrdiff_t>(head) * w;
        for (int x = 0; x < w; ++x) row[x] = colours_[line[x]];
    }
}

void StripWindow::Repaint() {
    if (dirty_ && isVisible()) throttle_.Request();
    dirty_ = false;
}

QImage StripWindow::Shown() const {
    QImage out(history_.width(), history_.height(), QImage::Format_Indexed8);
    out.setColorTable(QList<QRgb>(colours_.begin(), colours_.end()));
    for (int y = 0; y < history_.height(); ++y) {
        uchar* row = out.scanLine(y);
        for (int x = 0; x < history_.width(); ++x) row[x] = history_.DisplayedPixel(x, y);
    }
    return out;
}

void StripWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (image_.isNull()) return;
    for (const StripPiece& piece : history_.Pieces()) {
        if (piece.empty()) continue;
        p.drawImage(QPoint(piece.dst_x, piece.dst_y), image_,
                    QRect(piece.src_x, piece.src_y, piece.width, piece.height));
    }
    if (history_.kind() == StripKind::kSidescan && marker_on_) {
        const SidescanMarker m = SidescanMarkerLines(width(), height(), angle_, port_, starboard_);
        p.setPen(QColor(72, 72, 72));
        for (int i = 0; i < m.count; ++i) {
            const MarkerLine& l = m.lines[static_cast<std::size_t>(i)];
            p.drawLine(l.x0, l.y0, l.x1, l.y1);
        }
    }
}

void StripWindow::resizeEvent(QResizeEvent* event) {
    if (isVisible()) MakeBitmap();
    SecondaryWindow::resizeEvent(event);
}

void StripWindow::showEvent(QShowEvent* event) {
    SecondaryWindow::showEvent(event);
    MakeBitmap();
}

// A hidden window keeps no bitmap.
void StripWindow::hideEvent(QHideEvent* event) {
    history_.Release();
    image_ = QImage();
    QWidget::hideEvent(event);
}

// Sidescan: a left click raises the angle by 5 degrees, a right click lowers it.
void StripWindow::mousePressEvent(QMouseEvent* event) {
    if (history_.kind() != StripKind::kSidescan) return;
    if (event->button() == Qt::LeftButton) angle_ = engine_.StepSidescanAngle(true);
    if (event->button() == Qt::RightButton) angle_ = engine_.StepSidescanAngle(false);
    marker_on_ = true;
    update();
}

void StripWindow::mouseMoveEvent(QMouseEvent*) {
    if (history_.kind() != StripKind::kSidescan || marker_on_) return;
    marker_on_ = true;
    update();
}

}  // namespace vq::gui
