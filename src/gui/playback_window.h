// The "Playback" window: the file's position bar (a click jumps to that percentage) and the
// speed slider of the fixed playback delay. It reads the position from the engine's snapshot;
// the recording itself plays on the engine's ping thread.
#pragma once

#include <QLabel>
#include <QSlider>
#include <QWidget>

namespace vq {
class Engine;
}

namespace vq::gui {

class PlaybackWindow : public QWidget {
    Q_OBJECT
  public:
    PlaybackWindow(Engine& engine, QWidget* parent);
    // Follows the file position (read from the engine's playback snapshot).
    void Refresh();

  private:
    Engine& engine_;
    QLabel* file_ = nullptr;
    QSlider* position_ = nullptr;
    QSlider* speed_ = nullptr;
    bool dragging_ = false;
};

}  // namespace vq::gui
