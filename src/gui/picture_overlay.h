// The mouse on the sonar picture: a transparent layer over the picture that reads the point
// under the pointer (range and bearing, distances, the element in Beam Test), keeps the range
// cell under it, draws the measuring line of the right button with its length, and in profile
// mode shows the minimum- and maximum-depth handles and lets the operator drag them.
#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>

#include "display/cursor_readout.h"
#include "display/display_params.h"

namespace vq::gui {

class PictureOverlay : public QWidget {
    Q_OBJECT
  public:
    explicit PictureOverlay(QWidget* parent);

    // The geometry of the picture on show (from the frame the engine handed over).
    void set_params(const DisplayParams& p);
    const DisplayParams& params() const { return params_; }
    void set_background_removal(bool on) { removal_ = on; }
    // The profile depth window (metres) and whether its handles are shown.
    void set_depth_window(bool shown, float min_m, float max_m);

    bool measuring() const { return measuring_; }
    QString measure_text() const { return measure_text_; }
    QRect measure_label_rect() const { return label_rect_; }
    int range_bin() const { return range_bin_; }

  signals:
    void CursorRead(const vq::CursorReadout& readout, const vq::CursorLabels& labels);
    // A left press anywhere on the picture: the range cell under the pointer to keep.
    void LeftPressed(int range_bin);
    // A depth handle was let go at these depths (metres).
    void DepthsChanged(float min_m, float max_m);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    enum class Handle { None, Min, Max };
    QPoint Client(QPointF local) const;
    bool MeasureAllowed() const;
    bool HandlesShown() const;
    Handle HandleAt(int client_y) const;
    void UpdateMeasure(QPoint client);
    void PaintHandles(class QPainter& p) const;
    void PaintMeasure(class QPainter& p) const;

    DisplayParams params_;
    bool removal_ = false;
    bool handles_ = false;
    float min_depth_m_ = 0.1f;
    float max_depth_m_ = 150.0f;
    Handle dragging_ = Handle::None;
    bool measuring_ = false;
    QPoint anchor_;   // client coordinates
    QPoint pointer_;  // client coordinates
    QString measure_text_;
    QRect label_rect_;  // local coordinates
    int range_bin_ = -1;
};

}  // namespace vq::gui
