// The two small picture windows of the video menu: "Video" (the camera's preview, refreshed
// every 66 ms) and "Video Playback" (the frames found in a recording being played). Each is
// sized to its picture and sits over the lower right corner of the main window.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "video/playback_frames.h"
#include "video/video_feed.h"

namespace vq::gui {

class VideoPictureWindow : public QWidget {
    Q_OBJECT
  public:
    // take(image) replaces image with a newer picture and returns true, or returns false.
    using Source = std::function<bool(QImage&)>;
    VideoPictureWindow(const QString& title, Source take, QWidget* main_window);

    // Polling the source every period: while shown, or (show_on_picture) all the time, the
    // window then showing itself when a picture arrives.
    void StartPolling(int period_ms, bool show_on_picture);
    void StopPolling();
    // Looks for a new picture now (the timer does this every period).
    void Poll();
    // Sizes the window to its picture and moves it over the main window's lower right corner.
    void Place();

    const QImage& picture() const { return picture_; }
    qint64 pictures_shown() const { return shown_; }
    int period_ms() const { return timer_.interval(); }
    bool show_on_picture() const { return show_on_picture_; }

  signals:
    // The operator closed the window.
    void Closed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    Source take_;
    QWidget* main_;
    QTimer timer_;
    QImage picture_;
    qint64 shown_ = 0;
    bool show_on_picture_ = false;
};

// The newest preview frame of the camera as an image.
VideoPictureWindow::Source PreviewSource(VideoFeed& feed);
// The newest frame found in the recording, decoded from its bitmap.
VideoPictureWindow::Source PlaybackSource(PlaybackFrames& frames);

}  // namespace vq::gui
