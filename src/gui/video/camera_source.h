// Where the camera's pictures come from: the first camera the system lists (Video4Linux
// through Qt Multimedia), or, with --simulate and in the tests, the synthetic camera. Either
// one delivers its frames into the engine's VideoFeed; only one delivers at a time.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <mutex>

#include "video/synthetic_camera.h"
#include "video/video_feed.h"

class QCamera;
class QMediaCaptureSession;
class QVideoFrame;
class QVideoSink;

namespace vq::gui {

// One entry of "Change Video &Format": what the list shows and the size it gives.
struct VideoFormatChoice {
    QString text;  // e.g. "640 x 480  YUYV  30 frames/s"
    int width = 0;
    int height = 0;
};

class CameraSource : public QObject {
    Q_OBJECT
  public:
    enum class Kind { System, Synthetic };
    CameraSource(VideoFeed& feed, Kind kind, QObject* parent = nullptr);
    ~CameraSource() override;

    // Connects to the first camera found and starts it; an earlier connection is closed first.
    // Returns whether a camera is connected.
    bool Connect();
    void Disconnect();
    bool connected() const { return connected_; }
    Kind kind() const { return kind_; }
    // The camera's name, or why there is none (for the greyed menu items' tooltips).
    QString description() const { return description_; }
    QString unavailable_reason() const { return reason_; }

    // The camera's formats and the one in use.
    QList<VideoFormatChoice> Formats() const;
    int format_index() const { return format_index_; }
    // Switches to format i of Formats(); the picture size then changes with the next frame.
    bool SetFormat(int index);

  signals:
    // A camera connected, disconnected or failed (the owner refreshes the menu).
    void StateChanged();

  private:
    bool ConnectSystem();
    void OnSystemFrame(const QVideoFrame& frame);

    VideoFeed& feed_;
    Kind kind_;
    bool connected_ = false;
    int format_index_ = 0;
    QString description_;
    QString reason_;
    std::unique_ptr<SyntheticCamera> synthetic_;
    QCamera* camera_ = nullptr;
    QMediaCaptureSession* session_ = nullptr;
    QVideoSink* sink_ = nullptr;
    // The system camera's frame thread and the GUI thread both feed the VideoFeed's producer
    // side (frames, and the empty frame on closing): one at a time.
    std::mutex deliver_mutex_;
    bool accepting_ = false;  // guarded by deliver_mutex_
};

}  // namespace vq::gui
