#include "app/positionslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace quillet {

PositionSlider::PositionSlider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{
}

int PositionSlider::valueAt(const QPoint &point) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre follows the point; its travel is the groove less the handle's own length.
    const bool horizontal = orientation() == Qt::Horizontal;
    const int length = horizontal ? handle.width() : handle.height();
    const int start = horizontal ? groove.x() : groove.y();
    const int span = (horizontal ? groove.right() : groove.bottom()) - length + 1 - start;
    const int at = (horizontal ? point.x() : point.y()) - length / 2 - start;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), at, span, option.upsideDown);
}

void PositionSlider::mousePressEvent(QMouseEvent *event)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QPoint point = event->position().toPoint();
    const QStyle::SubControl hit = style()->hitTestComplexControl(QStyle::CC_Slider, &option, point, this);
    if (event->button() != Qt::LeftButton || hit == QStyle::SC_SliderHandle || maximum() <= minimum()) {
        QSlider::mousePressEvent(event);
        return;
    }
    event->accept();
    // setSliderPosition() reports the move as a SliderMove action, which seeks.
    setSliderPosition(valueAt(point));
}

} // namespace quillet
