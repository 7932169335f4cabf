// The "Altitude" window: the sonar's height above the bottom in large light-grey digits on
// black, "n/a" without an altitude; 14 average characters wide and 5 lines and 3 pixels high,
// kept on the screen, its position remembered as "AltitudeWindowX" and "AltitudeWindowY".
#pragma once

#include <QString>

#include "gui/windows/paint_throttle.h"
#include "gui/windows/secondary_window.h"

namespace vq::gui {

class AltitudeWindow : public SecondaryWindow {
    Q_OBJECT
  public:
    AltitudeWindow(int menu_id, Engine& engine, QWidget* main, std::function<void(int)> close);

    // The text of one ping; repainted when it changed, at most ten times a second.
    void SetText(const QString& text);
    const QString& text() const { return text_; }

    void RestorePlace() override;
    void RememberPlace() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PaintThrottle throttle_{this, 100};
    QString text_ = "n/a";
    bool placed_ = false;
};

}  // namespace vq::gui
