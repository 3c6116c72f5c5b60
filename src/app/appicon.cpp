#include "app/appicon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace quillet {

// A quaver: an oval note head with a stem and a flag, in a square of side s.
static void drawNote(QPainter &p, qreal s, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.save();
    p.translate(s * 0.40, s * 0.70);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), s * 0.13, s * 0.09);
    p.restore();
    p.drawRect(QRectF(s * 0.50, s * 0.22, s * 0.05, s * 0.48));
    QPainterPath flag;
    flag.moveTo(s * 0.55, s * 0.22);
    flag.cubicTo(s * 0.70, s * 0.30, s * 0.78, s * 0.36, s * 0.70, s * 0.52);
    flag.cubicTo(s * 0.70, s * 0.42, s * 0.64, s * 0.38, s * 0.55, s * 0.36);
    flag.closeSubpath();
    p.drawPath(flag);
}

static QPixmap iconPixmap(int s, const QColor &inner, const QColor &outer, const QColor &note)
{
    QPixmap pixmap(s, s);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient disc(QPointF(s * 0.4, s * 0.35), s * 0.6);
    disc.setColorAt(0, inner);
    disc.setColorAt(1, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
    drawNote(p, s, note);
    return pixmap;
}

QIcon mainWindowIcon()
{
    QIcon icon;
    for (int s : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(iconPixmap(s, QColor(70, 110, 220), QColor(15, 25, 80), QColor(255, 230, 120)));
    return icon;
}

QIcon visualOptionsIcon()
{
    QIcon icon;
    for (int s : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(iconPixmap(s, QColor(250, 180, 60), QColor(150, 40, 10), QColor(20, 20, 60)));
    return icon;
}

QPixmap productPicture(const QSize &size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(10, 20, 70));
    sky.setColorAt(1, QColor(60, 100, 200));
    p.fillRect(pixmap.rect(), sky);
    // Sound waves spreading from the note.
    p.setPen(QPen(QColor(255, 255, 255, 90), 2));
    const QPointF centre(size.width() * 0.5, size.height() * 0.55);
    for (int r = 1; r <= 4; ++r)
        p.drawEllipse(centre, size.width() * 0.12 * r, size.height() * 0.10 * r);
    const int s = qMin(size.width(), size.height());
    p.translate((size.width() - s) / 2.0, (size.height() - s) / 2.0);
    drawNote(p, s, QColor(255, 230, 120));
    return pixmap;
}

} // namespace quillet
