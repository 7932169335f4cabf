// The "Diagnostics", "Sonar Info" and "Sonar Status" windows: a column of labels and their
// texts, repainted when a text changed, at most ten times a second. The diagnostics window adds
// the box that tells whether the last ping's header was valid and the "XMIT Disabled" box.
#pragma once

#include <QString>
#include <QStringList>

#include "gui/windows/paint_throttle.h"
#include "gui/windows/secondary_window.h"

namespace vq::gui {

class InfoWindow : public SecondaryWindow {
    Q_OBJECT
  public:
    InfoWindow(const char* title, int menu_id, Engine& engine, QWidget* main,
               std::function<void(int)> close, bool status_boxes);

    // New labels and texts; the window is repainted when they differ from the shown ones.
    void SetLines(const QStringList& labels, const QStringList& texts);
    // Diagnostics: the header of the last ping and the transmit state.
    void SetStatus(bool header_valid, bool transmit_disabled);

    const QStringList& labels() const { return labels_; }
    const QStringList& texts() const { return texts_; }
    // The text beside `label`, empty when there is no such line.
    QString Text(const QString& label) const;
    bool header_valid() const { return header_valid_; }
    bool transmit_disabled() const { return transmit_disabled_; }
    int repaints() const { return repaints_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PaintThrottle throttle_{this, 100};
    bool status_boxes_;
    QStringList labels_;
    QStringList texts_;
    bool header_valid_ = false;
    bool transmit_disabled_ = false;
    int repaints_ = 0;
};

}  // namespace vq::gui
