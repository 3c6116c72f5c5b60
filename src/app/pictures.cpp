#include "app/pictures.h"

#include <QAbstractButton>
#include <QEvent>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillet {

namespace {

// Paints one picture into a square of side 1 (the painter is scaled to the requested rectangle).
void paintPicture(QPainter &p, Picture picture, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const auto triangle = [&p](qreal left, qreal right, bool pointsRight) {
        QPainterPath path;
        if (pointsRight) {
            path.moveTo(left, 0.2);
            path.lineTo(right, 0.5);
            path.lineTo(left, 0.8);
        } else {
            path.moveTo(right, 0.2);
            path.lineTo(left, 0.5);
            path.lineTo(right, 0.8);
        }
        path.closeSubpath();
        p.drawPath(path);
    };
    QPen line(colour, 0.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (picture) {
    case Picture::Play:
        triangle(0.28, 0.8, true);
        break;
    case Picture::Stop:
        p.drawRoundedRect(QRectF(0.24, 0.24, 0.52, 0.52), 0.05, 0.05);
        break;
    case Picture::Pause:
        p.drawRoundedRect(QRectF(0.25, 0.2, 0.17, 0.6), 0.03, 0.03);
        p.drawRoundedRect(QRectF(0.58, 0.2, 0.17, 0.6), 0.03, 0.03);
        break;
    case Picture::Next:
        triangle(0.18, 0.62, true);
        p.drawRect(QRectF(0.64, 0.2, 0.12, 0.6));
        break;
    case Picture::Previous:
        triangle(0.38, 0.82, false);
        p.drawRect(QRectF(0.24, 0.2, 0.12, 0.6));
        break;
    case Picture::OpenFile: {
        QPainterPath folder;
        folder.moveTo(0.12, 0.3);
        folder.lineTo(0.4, 0.3);
        folder.lineTo(0.46, 0.38);
        folder.lineTo(0.88, 0.38);
        folder.lineTo(0.88, 0.8);
        folder.lineTo(0.12, 0.8);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(20, 30, 80), 0.08, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0.5, 0.48), QPointF(0.5, 0.72));
        p.drawLine(QPointF(0.38, 0.6), QPointF(0.62, 0.6));
        break;
    }
    case Picture::Close:
        p.setPen(line);
        p.drawLine(QPointF(0.28, 0.28), QPointF(0.72, 0.72));
        p.drawLine(QPointF(0.72, 0.28), QPointF(0.28, 0.72));
        break;
    case Picture::Minimize:
        p.setPen(line);
        p.drawLine(QPointF(0.26, 0.7), QPointF(0.74, 0.7));
        break;
    case Picture::Menu:
        p.setPen(line);
        for (qreal y : {0.3, 0.5, 0.7})
            p.drawLine(QPointF(0.26, y), QPointF(0.74, y));
        break;
    case Picture::Palette: {
        p.drawEllipse(QRectF(0.14, 0.18, 0.72, 0.64));
        const QColor dots[] = {QColor(230, 60, 60), QColor(60, 190, 80), QColor(70, 110, 240), QColor(250, 210, 50)};
        const QPointF at[] = {{0.34, 0.36}, {0.52, 0.3}, {0.68, 0.42}, {0.62, 0.62}};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(dots[i]);
            p.drawEllipse(at[i], 0.07, 0.07);
        }
        p.setBrush(QColor(20, 30, 80));
        p.drawEllipse(QPointF(0.36, 0.6), 0.08, 0.08);
        break;
    }
    case Picture::About:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour, 0.08));
        p.drawEllipse(QRectF(0.16, 0.16, 0.68, 0.68));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(0.5, 0.33), 0.06, 0.06);
        p.drawRoundedRect(QRectF(0.445, 0.44, 0.11, 0.3), 0.03, 0.03);
        break;
    }
}

const QLatin1String kNamePrefix("quillet-picture-");

class PictureEngine : public QIconEngine
{
public:
    PictureEngine(Picture picture, const QColor &colour)
        : m_picture(picture)
        , m_colour(colour)
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side, side);
        QColor colour = m_colour;
        if (mode == QIcon::Disabled)
            colour.setAlpha(90);
        else if (mode == QIcon::Active)
            colour = colour.lighter(120);
        paintPicture(*painter, m_picture, colour);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // The size is already in device pixels.
        QPixmap pixmap = this->pixmap(size, mode, state);
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QIconEngine *clone() const override { return new PictureEngine(m_picture, m_colour); }

    // Names the picture, so that a button's icon can be drawn again in another colour.
    QString iconName() override { return kNamePrefix + QString::number(int(m_picture)); }

private:
    Picture m_picture;
    QColor m_colour;
};

// Draws the pictures of a window's buttons again in the window's button text colour whenever its palette changes.
class PictureRecolourer : public QObject
{
public:
    explicit PictureRecolourer(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::PaletteChange) {
            const QColor colour = m_window->palette().color(QPalette::ButtonText);
            const QList<QAbstractButton *> buttons = m_window->findChildren<QAbstractButton *>();
            for (QAbstractButton *button : buttons) {
                const QString name = button->icon().name();
                if (name.startsWith(kNamePrefix))
                    button->setIcon(pictureIcon(Picture(name.mid(kNamePrefix.size()).toInt()), colour));
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
};

} // namespace

QIcon pictureIcon(Picture picture, const QColor &colour)
{
    return QIcon(new PictureEngine(picture, colour));
}

void recolourPicturesWithPalette(QWidget *window)
{
    new PictureRecolourer(window);
}

} // namespace quillet
