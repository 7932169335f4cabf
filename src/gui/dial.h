// One dial of the control panel, drawn with QPainter: its name above, a knob whose pointer
// sweeps 270 degrees clockwise from lower left (lowest) to lower right (highest), and the value
// in a box below, where the typed entry appears while the operator types into this dial.
// Presses are reported with the knob's centre and pointer tip; the panel decides what they do.
#pragma once

#include <QString>
#include <QWidget>

#include "core/dial.h"

namespace vq::gui {

class DialWidget : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 116;
    static constexpr int kHeight = 142;

    DialWidget(Dial dial, const QString& title, QWidget* parent);

    Dial dial() const { return dial_; }
    // The pointer's position (0 .. 1), the value text and whether the dial answers now.
    void SetState(double fraction, const QString& value, bool responds);
    // The typed entry shown in the value box (empty: the value itself).
    void SetEntry(bool open, const QString& text);
    const QString& value_text() const { return value_; }

    // Knob centre and pointer tip in this widget's coordinates.
    DialPoint centre() const;
    DialPoint tip() const;

  signals:
    void Pressed(vq::Dial dial, vq::DialPoint press);
    void Released();
    void DoubleClicked(vq::Dial dial);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    bool OnKnob(QPointF p) const;
    void PaintKnob(QPainter& p) const;

    Dial dial_;
    QString title_;
    QString value_;
    double fraction_ = 0.0;
    bool responds_ = true;
    bool entry_open_ = false;
    QString entry_;
    bool pressed_ = false;
};

}  // namespace vq::gui
