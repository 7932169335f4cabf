// The strip above the sonar picture: the logging status line with its ticking dots, the
// status line of an open point or beam file, the blinking processor-temperature warning, the
// link's state lamps (connection, hold, external control, transmit), and in sector mode with
// background removal the "Build Reference", "Store Reference" and "Clear Image" buttons.
#pragma once

#include <QMap>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "display/readouts.h"

namespace vq {
class Engine;
}

namespace vq::gui {

class StatusStrip : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 1012;
    static constexpr int kHeight = 56;

    StatusStrip(Engine& engine, QWidget* parent);

    // After each picture (one ping): the logging line ticks, the output line follows its file.
    void AfterPing();
    // Once a second: the temperature warning blinks.
    void OnSecond(int second);
    // A named state of the engine ("connection", "hold", "control", "xmit").
    void SetItem(const QString& item, const QString& text);
    // Shows or hides the reference buttons for the mode and removal state.
    void Refresh();

    QString status_text() const { return status_.text; }
    QString output_text() const { return output_; }
    QString temperature_text() const { return temp_label_ + temp_value_; }
    QString item(const QString& name) const { return items_.value(name); }
    QPushButton* button(int i) const { return buttons_[i]; }
    bool building_shown() const { return building_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Line {
        QString text;
        QColor colour;
    };
    void PaintItems(class QPainter& p) const;

    Engine& engine_;
    StatusLine status_line_;
    TemperatureWarning temperature_;
    Line status_;
    QString output_;
    QString temp_label_, temp_value_;
    QMap<QString, QString> items_;
    QPushButton* buttons_[3] = {};
    bool building_ = false;
};

}  // namespace vq::gui
