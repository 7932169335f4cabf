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
    waterfall_shown_ = frame.waterfall_shown;
    if (waterfall_shown_) {
        if (waterfall_.isNull()) {
            waterfall_ = QImage(kWaterfallWidth, kWaterfallHeight, QImage::Format_Indexed8);
        }
        waterfall_.setColorTable(colours);
        for (int y = 0; y < kWaterfallHeight; ++y) {
            std::memcpy(waterfall_.scanLine(y), frame.waterfall.data() + y * kWaterfallWidth,
                        kWaterfallWidth);
        }
    }
    ++frames_shown_;
    update();
}

void SonarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!waterfall_shown_) {
        p.drawImage(0, 0, image_);
        return;
    }
    // The places are given in the main window's client area; this view starts at (2, 61).
    DisplayParams d;
    d.mode = DisplayMode::Profile;
    d.profile_waterfall = true;
    const PicturePlacement at = PlacePicture(d, 1.0);
    p.fillRect(rect(), Qt::black);
    p.drawImage(QRect(at.dest_x - 2, at.dest_y - 61, at.dest_w, at.dest_h), image_,
                QRect(at.src_x, 0, at.src_w, PictureFrame::kHeight));
    p.drawImage(at.waterfall_x - 2, at.waterfall_y - 61, waterfall_);
}

}  // namespace vq::gui
