#include "appearance/remoteglyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillet {

static QPainterPath triangle(qreal left, qreal right, bool pointsRight)
{
    QPainterPath path;
    const qreal tip = pointsRight ? right : left;
    const qreal base = pointsRight ? left : right;
    path.moveTo(base, 3);
    path.lineTo(tip, 8);
    path.lineTo(base, 13);
    path.closeSubpath();
    return path;
}

QIcon remoteGlyph(RemoteGlyph glyph, const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    switch (glyph) {
    case RemoteGlyph::Previous:
        painter.drawRect(QRectF(3, 3, 2, 10));
        painter.drawPath(triangle(5, 13, false));
        break;
    case RemoteGlyph::Play:
        painter.drawPath(triangle(4, 13, true));
        break;
    case RemoteGlyph::Pause:
        painter.drawRect(QRectF(4, 3, 3, 10));
        painter.drawRect(QRectF(9, 3, 3, 10));
        break;
    case RemoteGlyph::Stop:
        painter.drawRect(QRectF(4, 4, 8, 8));
        break;
    case RemoteGlyph::Next:
        painter.drawPath(triangle(3, 11, true));
        painter.drawRect(QRectF(11, 3, 2, 10));
        break;
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace quillet
