// Paints the sonar picture handed over by the engine: an 8-bit indexed image with the current
// colour table, at its natural size, or in profile mode with the waterfall on at half size
// beside the 500 x 518 profile waterfall.
#pragma once

#include <QImage>
#include <QWidget>

namespace vq {
struct PictureFrame;
}

namespace vq::gui {

class SonarView : public QWidget {
    Q_OBJECT
  public:
    explicit SonarView(QWidget* parent = nullptr);
    // Copies the frame into the view's image (GUI thread).
    void ShowFrame(const PictureFrame& frame);
    const QImage& image() const { return image_; }
    const QImage& waterfall() const { return waterfall_; }
    bool waterfall_shown() const { return waterfall_shown_; }
    qint64 frames_shown() const { return frames_shown_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
    QImage waterfall_;
    bool waterfall_shown_ = false;
    qint64 frames_shown_ = 0;
};

}  // namespace vq::gui
