#include "app/marqueearea.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

namespace quillet {

MarqueeArea::MarqueeArea(QWidget *parent)
    : QWidget(parent)
{
    // Opaque, so that Qt scrolls its pixels instead of repainting it and the window beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MarqueeArea::moveLabel(QLabel *label, int x)
{
    const int dx = x - label->x();
    if (dx == 0)
        return;
    if (isVisible() && label->parentWidget() == this && qAbs(dx) < width() / 2)
        scroll(dx, 0); // moves the label with the pixels
    else
        label->move(x, label->y());
}

void MarqueeArea::takeBackground()
{
    const qreal ratio = devicePixelRatioF();
    m_background = QPixmap(size() * ratio);
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(palette().color(backgroundRole()));
    if (QWidget *window = parentWidget())
        window->render(&m_background, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
}

void MarqueeArea::paintEvent(QPaintEvent *event)
{
    // Painting the whole strip means the window's background may have changed; a scroll step paints a column.
    if (m_background.isNull() || m_background.deviceIndependentSize().toSize() != size()
        || event->region().contains(rect()))
        takeBackground();
    QPainter painter(this);
    for (const QRect &rect : event->region())
        painter.drawPixmap(rect, m_background,
            QRectF(rect.topLeft() * m_background.devicePixelRatio(), rect.size() * m_background.devicePixelRatio()));
}

} // namespace quillet
