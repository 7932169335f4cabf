// The GPS panel of the main window: position (with the blinking mark of each new fix), speed
// with a course needle, satellites, HDOP and fix quality with their three-lamp indicators, and
// "n/a" once the fixes stop coming. The rules are the read-out models'; this only paints.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "display/readouts.h"

namespace vq {
class Engine;
}

namespace vq::gui {

class GpsReadout : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 244;
    static constexpr int kHeight = 146;

    GpsReadout(Engine& engine, QWidget* parent);

    // After each ping, and once a second (the clock update): new values or a time-out step.
    void Update();

    QString latitude() const { return lat_.text; }
    QString longitude() const { return lon_.text; }
    QString speed() const { return speed_.text; }
    QString satellites() const { return sats_.text; }
    QString hdop() const { return hdop_.text; }
    QString quality() const { return fix_.text + " " + fix_label_.text; }
    Lamp satellites_lamp() const { return sats_lamp_; }
    Lamp hdop_lamp() const { return hdop_lamp_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Text {
        QString text;
        QColor colour;
    };
    static Text From(const ReadoutText& t);
    void TimeOut();
    void PaintLamp(class QPainter& p, int y, Lamp lamp) const;

    Engine& engine_;
    GpsPanel panel_;
    std::uint32_t last_position_ = 0;
    std::uint32_t last_speed_ = 0;
    Text lat_, lon_, speed_, sats_, hdop_, fix_, fix_label_;
    bool mark_ = false;
    bool needle_ = false;
    float course_deg_ = 0.0f;
    Lamp sats_lamp_ = Lamp::Off;
    Lamp hdop_lamp_ = Lamp::Off;
};

}  // namespace vq::gui
