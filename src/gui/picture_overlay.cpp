#include "gui/picture_overlay.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "gui/panel_style.h"

namespace vq::gui {
namespace {

constexpr int kHandleGrab = 3;  // pixels either side of a handle's row

}  // namespace

PictureOverlay::PictureOverlay(QWidget* parent) : QWidget(parent) {
    setObjectName("PictureOverlay");
    setFixedSize(kImageWidth, kImageHeight);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

void PictureOverlay::set_params(const DisplayParams& p) {
    const bool mode_changed = p.mode != params_.mode;
    params_ = p;
    if (mode_changed) {
        measuring_ = false;
        dragging_ = Handle::None;
    }
    if (!MeasureAllowed()) measuring_ = false;
    update();
}

void PictureOverlay::set_depth_window(bool shown, float min_m, float max_m) {
    if (dragging_ != Handle::None) return;  // the operator's drag wins until it is let go
    handles_ = shown;
    min_depth_m_ = min_m;
    max_depth_m_ = max_m;
    update();
}

QPoint PictureOverlay::Client(QPointF local) const {
    return {static_cast<int>(local.x()) + kPictureLeft, static_cast<int>(local.y()) + kPictureTop};
}

// The measuring line: sector mode without background removal, profile mode without the depth
// handles, and the perspective mode.
bool PictureOverlay::MeasureAllowed() const {
    switch (params_.mode) {
        case DisplayMode::Sector:
            return !removal_;
        case DisplayMode::Profile:
            return !HandlesShown();
        case DisplayMode::Perspective:
            return true;
        default:
            return false;
    }
}

bool PictureOverlay::HandlesShown() const {
    return handles_ && params_.mode == DisplayMode::Profile && !params_.profile_waterfall;
}

PictureOverlay::Handle PictureOverlay::HandleAt(int client_y) const {
    if (!HandlesShown()) return Handle::None;
    if (std::abs(client_y - ProfileRowOfDepth(params_, min_depth_m_)) <= kHandleGrab) {
        return Handle::Min;
    }
    if (std::abs(client_y - ProfileRowOfDepth(params_, max_depth_m_)) <= kHandleGrab) {
        return Handle::Max;
    }
    return Handle::None;
}

void PictureOverlay::UpdateMeasure(QPoint c) {
    measure_text_ =
        QString::fromStdString(MeasureText(params_, anchor_.x(), anchor_.y(), c.x(), c.y()));
    const QFontMetrics fm(style::ValueFont());
    const int w = fm.horizontalAdvance(measure_text_) + 4;
    const int h = fm.height();
    const int top = MeasureLabelTop(anchor_.y(), c.y(), h);
    label_rect_ = QRect(c.x() - kPictureLeft - w / 2, top - kPictureTop, w, h);
}

void PictureOverlay::mouseMoveEvent(QMouseEvent* e) {
    const QPoint c = Client(e->position());
    pointer_ = c;
    if (dragging_ != Handle::None) {
        const double range = params_.range_span_m;
        const double d = ProfileDepthAtRow(params_, c.y());
        if (dragging_ == Handle::Min) {
            min_depth_m_ = static_cast<float>(LimitMinDepth(d, max_depth_m_, range));
        } else {
            max_depth_m_ = static_cast<float>(LimitMaxDepth(d, min_depth_m_, range));
        }
        update();
    }
    setCursor(dragging_ != Handle::None || HandleAt(c.y()) != Handle::None ? Qt::SizeVerCursor
                                                                           : Qt::CrossCursor);
    const CursorReadout r = ReadCursor(params_, c.x(), c.y());
    range_bin_ = r.range_bin;
    emit CursorRead(r, CursorLabelsFor(params_));
    if (measuring_) {
        UpdateMeasure(c);
        update();
    }
}

void PictureOverlay::mousePressEvent(QMouseEvent* e) {
    const QPoint c = Client(e->position());
    if (e->button() == Qt::LeftButton) {
        dragging_ = HandleAt(c.y());
        emit LeftPressed(range_bin_ < 0 ? ReadCursor(params_, c.x(), c.y()).range_bin : range_bin_);
    } else if (e->button() == Qt::RightButton && MeasureAllowed()) {
        measuring_ = !measuring_;
        anchor_ = c;
        pointer_ = c;
        if (measuring_) UpdateMeasure(c);
        update();
    }
}

void PictureOverlay::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && dragging_ != Handle::None) {
        dragging_ = Handle::None;
        emit DepthsChanged(min_depth_m_, max_depth_m_);
    }
}

void PictureOverlay::PaintHandles(QPainter& p) const {
    for (const float depth : {min_depth_m_, max_depth_m_}) {
        const int y = ProfileRowOfDepth(params_, depth) - kPictureTop;
        if (y < 0 || y >= height()) continue;
        p.setPen(QPen(QColor(255, 210, 0, 200), 1, Qt::DashLine));
        p.drawLine(0, y, width() - 1, y);
        p.setBrush(QColor(255, 210, 0));
        p.setPen(Qt::NoPen);
        p.drawRect(QRect(width() - 14, y - 3, 12, 7));
    }
}

void PictureOverlay::PaintMeasure(QPainter& p) const {
    const QPoint a = anchor_ - QPoint(kPictureLeft, kPictureTop);
    const QPoint b = pointer_ - QPoint(kPictureLeft, kPictureTop);
    p.setPen(QPen(style::kMeasure, 1));
    p.drawLine(a, b);
    // The length beside the pointer: light grey over a black outline, clipped to the picture.
    p.setClipRect(rect());
    p.setFont(style::ValueFont());
    p.setPen(Qt::black);
    for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
        p.drawText(label_rect_.translated(d), Qt::AlignCenter, measure_text_);
    }
    p.setPen(style::kMeasure);
    p.drawText(label_rect_, Qt::AlignCenter, measure_text_);
}

void PictureOverlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (HandlesShown()) PaintHandles(p);
    if (measuring_) PaintMeasure(p);
}

}  // namespace vq::gui
