// Paints the sonar picture handed over by the engine: an 8-bit indexed image with the current
// colour table, at its natural size.
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
    qint64 frames_shown() const { return frames_shown_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
    qint64 frames_shown_ = 0;
};

}  // namespace vq::gui
