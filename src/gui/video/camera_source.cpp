#include "gui/video/camera_source.h"

#include <QCamera>
#include <QCameraDevice>
#include <QImage>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QVideoFrame>
#include <QVideoSink>

namespace vq::gui {

CameraSource::CameraSource(VideoFeed& feed, Kind kind, QObject* parent)
    : QObject(parent), feed_(feed), kind_(kind) {}

CameraSource::~CameraSource() {
    Disconnect();
}

bool CameraSource::Connect() {
    Disconnect();
    if (kind_ == Kind::Synthetic) {
        synthetic_ = std::make_unique<SyntheticCamera>(feed_);
        format_index_ = 0;
        synthetic_->Start(SyntheticCamera::kFormats[0]);
        description_ = "Synthetic test camera";
        reason_.clear();
        connected_ = true;
    } else {
        connected_ = ConnectSystem();
    }
    emit StateChanged();
    return connected_;
}

bool CameraSource::ConnectSystem() {
    const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    if (inputs.isEmpty()) {
        reason_ = "No camera found (start with --simulate for the synthetic camera)";
        return false;
    }
    const QCameraDevice device = inputs.front();
    camera_ = new QCamera(device, this);
    session_ = new QMediaCaptureSession(this);
    sink_ = new QVideoSink(this);
    session_->setCamera(camera_);
    session_->setVideoSink(sink_);
    // Frames arrive on the camera's own thread: they are converted and handed over there, so
    // a busy window never makes the camera wait.
    connect(sink_, &QVideoSink::videoFrameChanged, this, &CameraSource::OnSystemFrame,
            Qt::DirectConnection);
    connect(camera_, &QCamera::errorOccurred, this, [this](QCamera::Error, const QString& text) {
        const QString why = "Camera error: " + text;
        Disconnect();
        reason_ = why;
        emit StateChanged();
    });
    format_index_ = -1;  // the camera's own default until the operator chooses
    const QList<QCameraFormat> formats = device.videoFormats();
    for (int i = 0; i < formats.size(); ++i) {
        if (formats[i] == camera_->cameraFormat()) format_index_ = i;
    }
    description_ = device.description();
    reason_.clear();
    {
        std::lock_guard lock(deliver_mutex_);
        accepting_ = true;
    }
    camera_->start();
    return true;
}

void CameraSource::OnSystemFrame(const QVideoFrame& frame) {
    if (!frame.isValid()) return;
    const QImage image = frame.toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return;
    std::lock_guard lock(deliver_mutex_);
    if (!accepting_) return;
    feed_.Deliver({reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
                   image.height(), static_cast<std::size_t>(image.bytesPerLine() / 4)});
}

void CameraSource::Disconnect() {
    const bool was = connected_;
    connected_ = false;
    if (synthetic_) {
        synthetic_->Stop();  // joins its thread, then the feed has no frame
        synthetic_.reset();
    }
    if (camera_ != nullptr) {
        {
            std::lock_guard lock(deliver_mutex_);
            accepting_ = false;  // a frame being converted now is dropped
            feed_.Stop();
        }
        disconnect(sink_, nullptr, this, nullptr);
        camera_->stop();
        session_->setVideoSink(nullptr);
        session_->setCamera(nullptr);
        delete session_;
        delete camera_;
        delete sink_;
        session_ = nullptr;
        camera_ = nullptr;
        sink_ = nullptr;
    }
    if (was) reason_ = "The camera is closed";
}

QList<VideoFormatChoice> CameraSource::Formats() const {
    QList<VideoFormatChoice> out;
    if (kind_ == Kind::Synthetic) {
        for (const CameraFormat& f : SyntheticCamera::kFormats) {
            out.push_back(
                {QString("%1 x %2  test pattern").arg(f.width).arg(f.height), f.width, f.height});
        }
        return out;
    }
    if (camera_ == nullptr) return out;
    for (const QCameraFormat& f : camera_->cameraDevice().videoFormats()) {
        const QSize s = f.resolution();
        out.push_back({QString("%1 x %2  %3  %4 frames/s")
                           .arg(s.width())
                           .arg(s.height())
                           .arg(QVideoFrameFormat::pixelFormatToString(f.pixelFormat()))
                           .arg(static_cast<double>(f.maxFrameRate()), 0, 'f', 0),
                       s.width(), s.height()});
    }
    return out;
}

bool CameraSource::SetFormat(int index) {
    if (!connected_) return false;
    if (kind_ == Kind::Synthetic) {
        if (index < 0 || index >= static_cast<int>(SyntheticCamera::kFormats.size())) return false;
        synthetic_->Start(SyntheticCamera::kFormats[static_cast<std::size_t>(index)]);
        format_index_ = index;
        return true;
    }
    const QList<QCameraFormat> formats = camera_->cameraDevice().videoFormats();
    if (index < 0 || index >= formats.size()) return false;
    camera_->stop();
    camera_->setCameraFormat(formats[index]);
    camera_->start();
    format_index_ = index;
    return true;
}

}  // namespace vq::gui
