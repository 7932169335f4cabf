// The "&Video" menu at work: connects the camera and shows its "Video" window ("Open Video
// &Window"), lists its formats ("Change Video &Format"), saves one frame as
// "single_frame.bmp", captures the clip "KPV16_CAPTURE.AVI", and shows the frames of a
// recording being played in the "Video Playback" window. The main window calls it from its
// menu; frames reach the recording through the engine's VideoFeed, not through here.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>

#include "gui/video/camera_source.h"
#include "gui/video/video_windows.h"
#include "recording/screen_capture.h"
#include "video/clip_capture.h"
#include "video/playback_frames.h"
#include "video/video_feed.h"

class QAction;

namespace vq::gui {

class VideoFormatDialog;

inline constexpr const char* kVideoTitle = "Video";
inline constexpr const char* kVideoPlaybackTitle = "Video Playback";
inline constexpr const char* kSingleFrameName = "single_frame.bmp";
inline constexpr int kPreviewPeriodMs = 66;

class VideoController : public QObject {
    Q_OBJECT
  public:
    VideoController(VideoFeed& feed, PlaybackFrames& playback, CameraSource::Kind kind,
                    std::filesystem::path working_dir, QWidget* main_window);
    ~VideoController() override;

    // "Open Video &Window": live, (re)connects to the first camera and shows its window;
    // in playback, shows the recorded frames again.
    void OpenVideoWindow(bool playback);
    // The data source changed: the camera is closed and the playback window hidden.
    void OnDataSourceChanged(bool playback);
    // "Change Video &Format": the list of the camera's formats (modal unless a test opens it).
    VideoFormatDialog* OpenFormatDialog(bool modal = true);
    // Item 176: the picture in the "Video" window to "single_frame.bmp" in the working folder.
    bool SaveSingleFrame();
    // The five-second clip; Escape or a left click anywhere in the program ends it early.
    bool StartClip();
    // The program closes: the clip is completed, the camera closed.
    void Shutdown();

    // A camera can be connected: the synthetic one, or the system lists one.
    bool camera_available() const;
    bool connected() const { return camera_->connected(); }
    // Why the video items are greyed (empty when they are not).
    QString unavailable_reason() const;

    CameraSource& camera() { return *camera_; }
    VideoPictureWindow* video_window() const { return video_window_; }
    VideoPictureWindow* playback_window() const { return playback_window_; }
    ClipCapture& clip() { return clip_; }
    QAction* single_frame_action() const { return single_frame_; }
    QAction* clip_action() const { return clip_action_; }

  signals:
    // The camera connected or went away, or a clip started or ended: menus need refreshing.
    void StateChanged();
    // A message for the operator (exclamation icon).
    void Message(const QString& text, const QString& title);
    // A clip ended (completed, ended early or failed).
    void ClipDone(bool ok, int frames, const QString& error);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnClipDone(bool ok, int frames, const QString& error);
    void Tell(const QString& text) { emit Message(text, kVideoTitle); }

    VideoFeed& feed_;
    std::filesystem::path dir_;
    QWidget* main_;
    std::unique_ptr<CameraSource> camera_;
    VideoPictureWindow* video_window_ = nullptr;
    VideoPictureWindow* playback_window_ = nullptr;
    QAction* single_frame_ = nullptr;
    QAction* clip_action_ = nullptr;
    ClipCapture clip_;
    bool filtering_ = false;
};

}  // namespace vq::gui
