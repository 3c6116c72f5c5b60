#include "app/picturebutton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quillet {

PictureButton::PictureButton(const QIcon &icon, const QString &tip, QWidget *parent)
    : QAbstractButton(parent)
{
    setIcon(icon);
    setToolTip(tip);
    setAccessibleName(tip);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    const int side = fontMetrics().height() + 6;
    setIconSize(QSize(side, side));
}

QSize PictureButton::sizeHint() const
{
    return iconSize() + QSize(6, 6);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = rect().adjusted(3, 3, -3, -3);
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : (underMouse() ? QIcon::Active : QIcon::Normal);
    icon().paint(&painter, area, Qt::AlignCenter, mode);
    if (showsPressedBorder()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace quillet
