#include "gui/playback_window.h"

#include <QVBoxLayout>

#include "app/engine.h"
#include "gui/windows/position_bar.h"

namespace vq::gui {

PlaybackWindow::PlaybackWindow(Engine& engine, QWidget* parent)
    : QWidget(parent, Qt::Tool), engine_(engine) {
    setWindowTitle("Playback");
    setObjectName("Playback");
    auto* layout = new QVBoxLayout(this);
    file_ = new QLabel("No File", this);
    auto* bar = new PositionBar(this);
    position_ = bar;
    position_->setObjectName("position");
    // The speed slider's position is remembered as "PlaybackDelayX": 0 (left) is the slowest.
    speed_ = new QSlider(Qt::Horizontal, this);
    speed_->setObjectName("speed");
    speed_->setRange(0, 1000);
    speed_->setValue(1000);
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
    connect(bar, &PositionBar::Clicked, this,
            [this](int percent) { engine_.PlaybackJump(percent); });
    connect(speed_, &QSlider::valueChanged, this,
            [this](int x) { engine_.set_playback_slider(x); });
}

// The speed slider comes back where it was left at the last run.
void PlaybackWindow::showEvent(QShowEvent* event) {
    const int x = engine_.Store().Read([](const SettingsState& st) { return st.s.PlaybackDelayX; });
    if (speed_->value() != x) {
        const QSignalBlocker quiet(speed_);
        speed_->setValue(x);
    }
    QWidget::showEvent(event);
}

void PlaybackWindow::Refresh() {
    const PlaybackSnapshot p = engine_.playback();
    file_->setText(p.open ? QString::fromStdString(p.file) : QString("No File"));
    if (!dragging_) position_->setValue(static_cast<int>(p.progress * 100.0));
}

}  // namespace vq::gui
