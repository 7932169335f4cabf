#include "gui/playback_window.h"

#include <QVBoxLayout>

#include "app/engine.h"

namespace vq::gui {

PlaybackWindow::PlaybackWindow(Engine& engine, QWidget* parent)
    : QWidget(parent, Qt::Tool), engine_(engine) {
    setWindowTitle("Playback");
    setObjectName("Playback");
    auto* layout = new QVBoxLayout(this);
    file_ = new QLabel("No File", this);
    position_ = new QSlider(Qt::Horizontal, this);
    position_->setObjectName("position");
    position_->setRange(0, 100);
    speed_ = new QSlider(Qt::Horizontal, this);
    speed_->setObjectName("speed");
    speed_->setRange(0, 100);
    speed_->setValue(100);
    layout->addWidget(file_);
    layout->addWidget(new QLabel("Position", this));
    layout->addWidget(position_);
    layout->addWidget(new QLabel("Speed", this));
    layout->addWidget(speed_);
    connect(position_, &QSlider::sliderPressed, this, [this] { dragging_ = true; });
    connect(position_, &QSlider::sliderReleased, this, [this] {
        dragging_ = false;
        engine_.PlaybackJump(position_->value());
    });
    connect(speed_, &QSlider::valueChanged, this, [this](int v) { engine_.set_playback_speed(v); });
}

void PlaybackWindow::Refresh() {
    const PlaybackSnapshot p = engine_.playback();
    file_->setText(p.open ? QString::fromStdString(p.file) : QString("No File"));
    if (!dragging_) position_->setValue(static_cast<int>(p.progress * 100.0));
}

}  // namespace vq::gui
