#include "gui/gps_readout.h"

#include <QPainter>

#include "app/engine.h"
#include "gui/panel_style.h"
#include "sensors/nav_state.h"

namespace vq::gui {
namespace {

constexpr int kRow = 23;       // line pitch
constexpr int kTop = 6;        // first line
constexpr int kValueX = 52;    // values start here
constexpr int kLampX = 184;    // the three-lamp box
constexpr int kNeedleX = 200;  // centre of the course circle
constexpr int kRevGrey = 4;    // colour table "&Rev Grey"

const char* const kLabels[] = {"LAT:", "LNG:", "SPD:", "#SAT:", "HDOP:", "QUAL:"};

QString Trimmed(const std::array<char, 15>& text) {
    return QString::fromLatin1(text.data()).trimmed();
}

}  // namespace

GpsReadout::GpsReadout(Engine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
    setObjectName("GpsReadout");
    setFixedSize(kWidth, kHeight);
}

GpsReadout::Text GpsReadout::From(const ReadoutText& t) {
    return {QString::fromStdString(t.text), style::ToQColor(t.colour)};
}

void GpsReadout::Update() {
    const SettingsState st = engine_.Store().snapshot();
    const bool playback = st.s.RunMode == 1;
    if (!playback && st.s.ComPortGPSEnable == 0) return;
    const bool rev = st.s.Colors == kRevGrey;
    const NavSnapshot n = engine_.Nav().snapshot();
    if (n.position_count != last_position_) {
        last_position_ = n.position_count;
        const GpsPanel::Position pos = panel_.OnPosition(
            Trimmed(n.latitude_text).toStdString(), Trimmed(n.longitude_text).toStdString(), rev);
        lat_ = From(pos.latitude);
        lon_ = From(pos.longitude);
        mark_ = pos.mark;
        const GpsPanel::Quality q = panel_.ReadQuality(n.satellites, n.hdop, n.fix_quality, rev);
        if (q.satellites) {
            sats_ = From(*q.satellites);
            sats_lamp_ = q.satellites_lamp;
        }
        if (q.hdop) {
            hdop_ = From(*q.hdop);
            hdop_lamp_ = q.hdop_lamp;
        }
        if (q.fix_quality) {
            fix_ = From(q.fix_quality->number);
            fix_label_ = From(q.fix_quality->label);
        }
    } else if ((n.data_arrived || playback) && panel_.Tick(engine_.Nav())) {
        TimeOut();
    }
    // Speed and course follow their own sentences while a position is shown.
    const bool shown = !lat_.text.isEmpty() && lat_.text != kNotAvailable;
    if (shown && (n.speed_course_count != last_speed_ || !needle_)) {
        last_speed_ = n.speed_course_count;
        speed_ = From(panel_.Speed(n.speed_knots, rev));
        course_deg_ = n.course_deg;
        needle_ = true;
    }
    update();
}

// Ten steps without a fix: every line reads "n/a", the lamps go dark.
void GpsReadout::TimeOut() {
    const Text na{kNotAvailable, style::kDimGrey};
    lat_ = lon_ = speed_ = sats_ = hdop_ = fix_ = na;
    fix_label_ = {};
    mark_ = false;
    needle_ = false;
    sats_lamp_ = hdop_lamp_ = Lamp::Off;
}

void GpsReadout::PaintLamp(QPainter& p, int y, Lamp lamp) const {
    const QRect box(kLampX, y + 3, 52, 15);
    p.setPen(QPen(style::kFrame, 1));
    p.setBrush(Qt::black);
    p.drawRoundedRect(box, 3, 3);
    const Lamp positions[] = {Lamp::Red, Lamp::YellowGreen, Lamp::Green};
    for (int i = 0; i < 3; ++i) {
        const QPoint c(box.x() + 9 + i * 17, box.center().y() + 1);
        const bool lit = lamp == positions[i];
        p.setPen(QPen(style::ToQColor(LampColour(positions[i])), 1));
        p.setBrush(lit ? style::ToQColor(LampColour(positions[i])) : QColor(Qt::black));
        p.drawEllipse(c, 5, 5);
    }
}

void GpsReadout::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), style::kPanel);
    p.setFont(style::LabelFont());
    p.setPen(style::kLabel);
    for (int i = 0; i < 6; ++i) {
        p.drawText(QRect(6, kTop + i * kRow, 48, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                   kLabels[i]);
    }
    p.setFont(style::ValueFont());
    const Text* lines[] = {&lat_, &lon_, &speed_, &sats_, &hdop_, &fix_};
    for (int i = 0; i < 6; ++i) {
        p.setPen(lines[i]->colour);
        p.drawText(QRect(kValueX, kTop + i * kRow, 130, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                   lines[i]->text);
    }
    const QFontMetrics fm(p.font());
    if (mark_) {
        p.setPen(style::kValue);
        p.drawText(QPoint(kValueX + fm.horizontalAdvance(lat_.text) + 2, kTop + 16), "*");
    }
    if (!fix_label_.text.isEmpty()) {
        p.setPen(fix_label_.colour);
        p.setFont(style::LabelFont(9, false));
        p.drawText(QRect(kValueX + fm.horizontalAdvance(fix_.text) + 8, kTop + 5 * kRow, 130, kRow),
                   Qt::AlignLeft | Qt::AlignVCenter, fix_label_.text);
    }
    PaintLamp(p, kTop + 3 * kRow, sats_lamp_);
    PaintLamp(p, kTop + 4 * kRow, hdop_lamp_);
    // The course needle: 8 pixels from the circle's centre, north up.
    const QPoint c(kNeedleX, kTop + 2 * kRow + kRow / 2);
    p.setPen(QPen(style::kFrame, 1));
    p.setBrush(Qt::black);
    p.drawEllipse(c, 10, 10);
    if (needle_) {
        const std::array<int, 2> end = CourseNeedleEnd(c.x(), c.y(), course_deg_);
        p.setPen(QPen(style::kValue, 2));
        p.drawLine(c, QPoint(end[0], end[1]));
    }
}

}  // namespace vq::gui
