#include "gui/sonar_view.h"

#include <QPainter>
#include <cstring>

#include "display/picture_handoff.h"

namespace vq::gui {

SonarView::SonarView(QWidget* parent)
    : QWidget(parent),
      image_(PictureFrame::kWidth, PictureFrame::kHeight, QImage::Format_Indexed8) {
    image_.setColorCount(256);
    image_.fill(0);
    setFixedSize(PictureFrame::kWidth, PictureFrame::kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SonarView::ShowFrame(const PictureFrame& frame) {
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | frame.palette[i];
    image_.setColorTable(colours);
    for (int y = 0; y < PictureFrame::kHeight; ++y) {
        std::memcpy(image_.scanLine(y), frame.pixels.data() + y * PictureFrame::kWidth,
                    PictureFrame::kWidth);
    }
    ++frames_shown_;
    update();
}

void SonarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

}  // namespace vq::gui
