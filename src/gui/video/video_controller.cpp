#include "gui/video/video_controller.h"

#include <QAction>
#include <QApplication>
#include <QCameraDevice>
#include <QKeyEvent>
#include <QMediaDevices>
#include <QMouseEvent>

#include "gui/video/video_format_dialog.h"

namespace vq::gui {

VideoController::VideoController(VideoFeed& feed, PlaybackFrames& playback, CameraSource::Kind kind,
                                 std::filesystem::path working_dir, QWidget* main_window)
    : QObject(main_window),
      feed_(feed),
      dir_(std::move(working_dir)),
      main_(main_window),
      camera_(std::make_unique<CameraSource>(feed, kind)),
      clip_(feed) {
    video_window_ = new VideoPictureWindow(kVideoTitle, PreviewSource(feed), main_window);
    playback_window_ =
        new VideoPictureWindow(kVideoPlaybackTitle, PlaybackSource(playback), main_window);
    video_window_->hide();
    playback_window_->hide();
    // Item 176 and the clip have no entry of their own in the menu bar: they are on the
    // "Video" window's right-click menu.
    single_frame_ = new QAction("Save Frame As single_frame.bmp", video_window_);
    clip_action_ = new QAction("Capture 5 s Clip To KPV16_CAPTURE.AVI", video_window_);
    video_window_->addAction(single_frame_);
    video_window_->addAction(clip_action_);
    video_window_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(single_frame_, &QAction::triggered, this, [this] { SaveSingleFrame(); });
    connect(clip_action_, &QAction::triggered, this, [this] { StartClip(); });
    connect(camera_.get(), &CameraSource::StateChanged, this, &VideoController::StateChanged);
    // Closing the "Video" window ends the preview and the camera's frames.
    connect(video_window_, &VideoPictureWindow::Closed, this, [this] {
        video_window_->StopPolling();
        camera_->Disconnect();
        emit StateChanged();
    });
    // Closing "Video Playback" stops showing recorded frames until they are asked for again.
    connect(playback_window_, &VideoPictureWindow::Closed, this,
            [this] { playback_window_->StartPolling(kPreviewPeriodMs, false); });
    clip_.set_on_done([this](const ClipResult& r) {
        QMetaObject::invokeMethod(
            this,
            [this, ok = r.ok, frames = r.frames, error = QString::fromStdString(r.error)] {
                OnClipDone(ok, frames, error);
            },
            Qt::QueuedConnection);
    });
}

VideoController::~VideoController() {
    Shutdown();
}

bool VideoController::camera_available() const {
    if (camera_->kind() == CameraSource::Kind::Synthetic) return true;
    return camera_->connected() || !QMediaDevices::videoInputs().isEmpty();
}

QString VideoController::unavailable_reason() const {
    if (camera_->connected()) return {};
    if (!camera_available()) {
        return "No camera found (start with --simulate for the synthetic camera)";
    }
    return "No camera connected: choose \"Open Video Window\"";
}

void VideoController::OpenVideoWindow(bool playback) {
    if (playback) {
        playback_window_->StartPolling(kPreviewPeriodMs, true);
        playback_window_->Poll();
        return;
    }
    // Starting video again closes the window and connects anew.
    video_window_->hide();
    if (!camera_->Connect()) {
        Tell("No camera could be connected.\n" + camera_->unavailable_reason());
        return;
    }
    video_window_->StartPolling(kPreviewPeriodMs, true);
}

void VideoController::OnDataSourceChanged(bool playback) {
    clip_.RequestStop();
    video_window_->StopPolling();
    video_window_->hide();
    camera_->Disconnect();
    playback_window_->hide();
    if (playback) {
        playback_window_->StartPolling(kPreviewPeriodMs, true);
    } else {
        playback_window_->StopPolling();
    }
    emit StateChanged();
}

VideoFormatDialog* VideoController::OpenFormatDialog(bool modal) {
    if (!camera_->connected()) return nullptr;
    auto* d = new VideoFormatDialog(camera_->Formats(), camera_->format_index(), main_);
    d->setAttribute(Qt::WA_DeleteOnClose);
    connect(d, &QDialog::accepted, this, [this, d] {
        if (d->chosen() >= 0 && d->chosen() != camera_->format_index()) {
            camera_->SetFormat(d->chosen());
        }
    });
    if (modal) {
        d->exec();
        return nullptr;
    }
    d->open();
    return d;
}

bool VideoController::SaveSingleFrame() {
    video_window_->Poll();
    const QImage& p = video_window_->picture();
    if (p.isNull() || !camera_->connected()) {
        Tell("The camera has no picture to save.");
        return false;
    }
    const QImage image = p.convertToFormat(QImage::Format_RGB32);
    std::string error;
    const std::filesystem::path path = dir_ / kSingleFrameName;
    if (!WriteBmpFile(path,
                      {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
                       image.height(), static_cast<std::size_t>(image.bytesPerLine() / 4)},
                      &error)) {
        Tell(QString::fromStdString(path.string() + " could not be written:\n" + error));
        return false;
    }
    return true;
}

bool VideoController::StartClip() {
    std::string error;
    if (!camera_->connected() || !clip_.Start(dir_ / kClipFileName, &error)) {
        Tell(QString::fromStdString("The clip could not be started:\n" +
                                    (error.empty() ? std::string("no camera") : error)));
        return false;
    }
    if (!filtering_) {
        QApplication::instance()->installEventFilter(this);
        filtering_ = true;
    }
    emit StateChanged();
    return true;
}

void VideoController::OnClipDone(bool ok, int frames, const QString& error) {
    if (filtering_) {
        QApplication::instance()->removeEventFilter(this);
        filtering_ = false;
    }
    if (!ok) Tell(QString("%1 could not be written:\n%2").arg(kClipFileName, error));
    emit ClipDone(ok, frames, error);
    emit StateChanged();
}

bool VideoController::eventFilter(QObject* watched, QEvent* event) {
    if (filtering_) {
        const bool escape = event->type() == QEvent::KeyPress &&
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        const bool left = event->type() == QEvent::MouseButtonPress &&
                          static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        if (escape || left) {
            clip_.RequestStop();
            return true;  // the key or click only ends the clip
        }
    }
    return QObject::eventFilter(watched, event);
}

void VideoController::Shutdown() {
    clip_.RequestStop();
    clip_.Wait();
    if (filtering_ && QApplication::instance() != nullptr) {
        QApplication::instance()->removeEventFilter(this);
        filtering_ = false;
    }
    if (camera_) camera_->Disconnect();
}

}  // namespace vq::gui
