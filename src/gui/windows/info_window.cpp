#include "gui/windows/info_window.h"

#include <QFontDatabase>
#include <QPainter>

#include "windows/diagnostics.h"

namespace vq::gui {

InfoWindow::InfoWindow(const char* title, int menu_id, Engine& engine, QWidget* main,
                       std::function<void(int)> close, bool status_boxes)
    : SecondaryWindow(title, menu_id, engine, main, std::move(close)), status_boxes_(status_boxes) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(8);
    setFont(f);
}

void InfoWindow::SetLines(const QStringList& labels, const QStringList& texts) {
    if (labels == labels_ && texts == texts_) return;
    labels_ = labels;
    texts_ = texts;
    throttle_.Request();
}

void InfoWindow::SetStatus(bool header_valid, bool transmit_disabled) {
    if (header_valid == header_valid_ && transmit_disabled == transmit_disabled_) return;
    header_valid_ = header_valid;
    transmit_disabled_ = transmit_disabled;
    throttle_.Request();
}

QString InfoWindow::Text(const QString& label) const {
    const qsizetype i = labels_.indexOf(label);
    return i < 0 || i >= texts_.size() ? QString() : texts_[i];
}

void InfoWindow::paintEvent(QPaintEvent*) {
    ++repaints_;
    QPainter p(this);
    p.fillRect(rect(), QColor(192, 192, 192));
    const QFontMetrics fm(font());
    const int line = fm.height();
    int y = 4;
    if (status_boxes_) {
        // The header box: green when the last ping's header was valid, red when not.
        const QRect box(4, y, 96, line + 4);
        p.fillRect(box, header_valid_ ? QColor(0, 160, 0) : QColor(200, 0, 0));
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, HeaderStatusText(header_valid_));
        if (transmit_disabled_) {
            const QRect xmit(104, y, 96, line + 4);
            p.fillRect(xmit, QColor(200, 0, 0));
            p.drawText(xmit, Qt::AlignCenter, kTransmitDisabledText);
        }
        y += line + 8;
    }
    int label_width = 0;
    for (const QString& l : labels_) label_width = std::max(label_width, fm.horizontalAdvance(l));
    p.setPen(Qt::black);
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        p.drawText(4, y + fm.ascent(), labels_[i]);
        if (i < texts_.size()) p.drawText(12 + label_width, y + fm.ascent(), texts_[i]);
        y += line;
    }
}

}  // namespace vq::gui
