// The "Sidescan", "Echo Sounder" and "Intensity" windows: one line per ping into the ring of a
// StripHistory, mirrored in colour into an image one row (or column) at a time and drawn in the
// two pieces that put the newest line on top (or at the right edge), at most 50 times a second. The
// sidescan window also takes the angle clicks and shows the angle marker once the mouse has moved
// over it.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "gui/windows/paint_throttle.h"
#include "gui/windows/secondary_window.h"
#include "windows/strip_history.h"

namespace vq {
struct SecondaryFrame;
}

namespace vq::gui {

class StripWindow : public SecondaryWindow {
    Q_OBJECT
  public:
    StripWindow(StripKind kind, int menu_id, Engine& engine, QWidget* main,
                std::function<void(int)> close);

    // One ping; true when a line was drawn (the window is repainted by Repaint()).
    bool Push(const SecondaryFrame& frame);
    // Repaints when lines arrived since the last call.
    void Repaint();
    // The program's colour table (0xRRGGBB); the window shows it 1.5 times brighter.
    void SetColours(const std::array<std::uint32_t, 256>& program_table);
    // Forgets the history (a new recording is played).
    void Clear();

    const StripHistory& history() const { return history_; }
    bool marker_on() const { return marker_on_; }
    float angle() const { return angle_; }
    // The window's picture as shown (for tests and pictures).
    QImage Shown() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void MakeBitmap();
    void MirrorNewLine();
    void Recolour();

    StripHistory history_;
    QImage image_;
    std::array<std::uint32_t, 256> program_table_{};
    std::array<QRgb, 256> colours_{};
    PaintThrottle throttle_{this, 20};
    bool dirty_ = false;
    bool marker_on_ = false;
    bool port_ = true;
    bool starboard_ = true;
    float angle_ = 22.5f;
};

}  // namespace vq::gui
