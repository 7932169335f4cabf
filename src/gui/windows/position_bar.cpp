#include "gui/windows/position_bar.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace vq::gui {

PositionBar::PositionBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 100);
}

void PositionBar::mousePressEvent(QMouseEvent* event) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QStyle::SubControl hit =
        style()->hitTestComplexControl(QStyle::CC_Slider, &option, event->pos(), this);
    if (event->button() != Qt::LeftButton || hit == QStyle::SC_SliderHandle || width() <= 0) {
        QSlider::mousePressEvent(event);
        return;
    }
    const double fraction = event->position().x() / static_cast<double>(width());
    const int percent = std::clamp(static_cast<int>(100.0 * fraction + 0.5), 0, 100);
    setValue(percent);
    event->accept();
    emit Clicked(percent);
}

}  // namespace vq::gui
