// "Change Video &Format": the camera's formats as a list; the chosen one takes effect on "OK".
#pragma once

#include <QDialog>
#include <QList>

#include "gui/video/camera_source.h"

class QListWidget;

namespace vq::gui {

class VideoFormatDialog : public QDialog {
    Q_OBJECT
  public:
    VideoFormatDialog(const QList<VideoFormatChoice>& formats, int current, QWidget* parent);
    // The row chosen (-1 when none).
    int chosen() const;
    QListWidget* list() const { return list_; }

  private:
    QListWidget* list_ = nullptr;
};

}  // namespace vq::gui
