#include "gui/windows/altitude_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/engine.h"
#include "windows/window_rules.h"

namespace vq::gui {

AltitudeWindow::AltitudeWindow(int menu_id, Engine& engine, QWidget* main,
                               std::function<void(int)> close)
    : SecondaryWindow("Altitude", menu_id, engine, main, std::move(close)) {
    QFont f = font();
    f.setPointSize(22);
    f.setBold(true);
    setFont(f);
    const QFontMetrics fm(f);
    setFixedSize(14 * fm.averageCharWidth(), 5 * fm.height() + 3);
}

void AltitudeWindow::RestorePlace() {
    const auto [x, y] = engine_.Store().Read([](const SettingsState& st) {
        return std::pair{st.s.AltitudeWindowX, st.s.AltitudeWindowY};
    });
    QRect screen(0, 0, 1920, 1080);
    if (const QScreen* s = QGuiApplication::primaryScreen()) screen = s->geometry();
    const WindowRect r =
        PlaceAltitudeWindow(x, y, width(), height(), screen.width(), screen.height());
    move(r.x, r.y);
    placed_ = true;
}

// The position goes back to 0 when the window lies outside the screen.
void AltitudeWindow::RememberPlace() {
    if (!placed_) return;
    QRect screen(0, 0, 1920, 1080);
    if (const QScreen* s = QGuiApplication::primaryScreen()) screen = s->geometry();
    const QPoint p = pos();
    const int x = screen.contains(p.x(), screen.top()) ? p.x() : 0;
    const int y = screen.contains(screen.left(), p.y()) ? p.y() : 0;
    engine_.Store().Update([x, y](SettingsState& st) {
        st.s.AltitudeWindowX = x;
        st.s.AltitudeWindowY = y;
    });
}

void AltitudeWindow::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    throttle_.Request();
}

void AltitudeWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(QColor(216, 216, 216));
    p.drawText(rect(), Qt::AlignCenter, text_);
}

}  // namespace vq::gui
