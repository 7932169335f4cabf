// The "Track Plotter" window over the engine's track model: while shown, the model draws every
// fix into the window's pixels in memory (on the GPS reader's thread, under the model's lock);
// the window copies them when they changed and writes the grid label over them. A left click
// zooms in, a right click out, each recentring the plot.
#pragma once

#include <QImage>
#include <QTimer>
#include <cstdint>

#include "gui/windows/secondary_window.h"
#include "windows/track_raster.h"

namespace vq::gui {

class TrackPlotterWindow : public SecondaryWindow {
    Q_OBJECT
  public:
    TrackPlotterWindow(int menu_id, Engine& engine, QWidget* main, std::function<void(int)> close);
    ~TrackPlotterWindow() override;

    // Copies the plot when the model drew since the last call.
    void Refresh();
    // The swath or zoom settings changed: the plot is drawn again.
    void Redraw();
    const QImage& image() const { return image_; }
    QString label() const { return label_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Attach();

    TrackRaster raster_;
    QImage image_;
    QString label_;
    QPoint label_at_;
    QColor label_fg_, label_bg_;
    std::uint64_t copied_version_ = ~std::uint64_t{0};
    bool attached_ = false;
    QTimer timer_;
};

}  // namespace vq::gui
