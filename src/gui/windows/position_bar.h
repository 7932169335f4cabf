// The position bar of the "Playback" window: dragging its handle jumps where it is let go, and
// a click beside the handle jumps to the place clicked, p = trunc(100 x fraction + 0.5) percent
// of the file.
#pragma once

#include <QSlider>

namespace vq::gui {

class PositionBar : public QSlider {
    Q_OBJECT
  public:
    explicit PositionBar(QWidget* parent);

  signals:
    // A click beside the handle, as a percentage 0..100 of the bar.
    void Clicked(int percent);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace vq::gui
