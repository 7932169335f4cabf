#include "gui/dial.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

#include "gui/panel_style.h"

namespace vq::gui {
namespace {

constexpr int kCentreY = 66;
constexpr int kRadius = 36;       // knob
constexpr int kScaleRadius = 44;  // tick marks around it
constexpr int kTipRadius = 30;    // pointer tip
constexpr int kTicks = 11;

// The screen point at `radius` for a pointer at `fraction` (0 lower left .. 1 lower right).
QPointF At(QPointF c, double radius, double fraction) {
    const double a = (-135.0 + 270.0 * fraction) * std::numbers::pi / 180.0;
    return {c.x() + radius * std::sin(a), c.y() - radius * std::cos(a)};
}

}  // namespace

DialWidget::DialWidget(Dial dial, const QString& title, QWidget* parent)
    : QWidget(parent), dial_(dial), title_(title) {
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    setObjectName(title);
}

void DialWidget::SetState(double fraction, const QString& value, bool responds) {
    if (fraction == fraction_ && value == value_ && responds == responds_) return;
    fraction_ = fraction;
    value_ = value;
    responds_ = responds;
    update();
}

void DialWidget::SetEntry(bool open, const QString& text) {
    if (open == entry_open_ && text == entry_) return;
    entry_open_ = open;
    entry_ = text;
    update();
}

DialPoint DialWidget::centre() const {
    return {kWidth / 2, kCentreY};
}

DialPoint DialWidget::tip() const {
    return DialTip(centre(), kTipRadius, fraction_);
}

bool DialWidget::OnKnob(QPointF p) const {
    const double dx = p.x() - kWidth / 2.0, dy = p.y() - kCentreY;
    return dx * dx + dy * dy <= double(kScaleRadius) * kScaleRadius;
}

void DialWidget::PaintKnob(QPainter& p) const {
    const QPointF c(kWidth / 2.0, kCentreY);
    // Scale: ticks over the 270-degree sweep, the arc up to the value lit.
    p.setPen(QPen(style::kDimGrey, 2));
    for (int i = 0; i < kTicks; ++i) {
        const double f = double(i) / (kTicks - 1);
        p.drawLine(At(c, kScaleRadius - 4, f), At(c, kScaleRadius, f));
    }
    const QRectF arc(c.x() - kScaleRadius + 7, c.y() - kScaleRadius + 7, 2.0 * (kScaleRadius - 7),
                     2.0 * (kScaleRadius - 7));
    p.setPen(QPen(responds_ ? style::kAccent : style::kDimGrey, 3, Qt::SolidLine, Qt::FlatCap));
    // Qt angles: counter-clockwise from 3 o'clock in 1/16 degree; the sweep starts at 225.
    p.drawArc(arc, 225 * 16, -static_cast<int>(270.0 * fraction_ * 16));
    // Knob body.
    QRadialGradient g(c.x() - 10, c.y() - 12, kRadius * 1.6);
    g.setColorAt(0.0, QColor(96, 100, 108));
    g.setColorAt(1.0, QColor(28, 30, 34));
    p.setPen(QPen(QColor(120, 124, 130), 1));
    p.setBrush(g);
    p.drawEllipse(c, kRadius - 6, kRadius - 6);
    // Pointer from the centre to its tip.
    const QPointF t = At(c, kTipRadius, fraction_);
    p.setPen(QPen(responds_ ? style::kValue : style::kDimGrey, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(At(c, 8, fraction_), t);
    p.setBrush(responds_ ? style::kAccent : style::kDimGrey);
    p.setPen(Qt::NoPen);
    p.drawEllipse(t, 3.5, 3.5);
}

void DialWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), style::kPanel);
    p.setFont(style::LabelFont());
    p.setPen(style::kLabel);
    p.drawText(QRect(0, 2, kWidth, 16), Qt::AlignHCenter | Qt::AlignVCenter, title_);
    PaintKnob(p);
    // The value box; the typed entry replaces the value while it is open.
    const QRect box(8, kHeight - 26, kWidth - 16, 22);
    p.setPen(QPen(entry_open_ ? style::kEntry : style::kFrame, 1));
    p.setBrush(Qt::black);
    p.drawRoundedRect(box, 3, 3);
    p.setFont(style::ValueFont());
    if (entry_open_) {
        p.setPen(style::kEntry);
        p.drawText(box, Qt::AlignCenter, entry_ + "_");
    } else {
        p.setPen(responds_ ? style::kValue : style::kDimGrey);
        p.drawText(box, Qt::AlignCenter, value_);
    }
}

void DialWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !OnKnob(e->position())) return;
    pressed_ = true;
    emit Pressed(dial_, {static_cast<int>(e->position().x()), static_cast<int>(e->position().y())});
}

void DialWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    emit Released();
}

// The repeat stops as soon as the pointer leaves the knob.
void DialWidget::mouseMoveEvent(QMouseEvent* e) {
    if (pressed_ && !OnKnob(e->position())) {
        pressed_ = false;
        emit Released();
    }
}

void DialWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit DoubleClicked(dial_);
}

void DialWidget::leaveEvent(QEvent*) {
    if (pressed_) {
        pressed_ = false;
        emit Released();
    }
}

}  // namespace vq::gui
