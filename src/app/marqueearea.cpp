#include "app/marqueearea.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace quillet {

// The widest text kept as one picture, in device pixels.
static constexpr int kLongestPicture = 16384;

MarqueeArea::MarqueeArea(QWidget *parent)
    : QWidget(parent)
{
    // Opaque: the strip paints the window's background itself, so Qt neither paints the window beneath it nor
    // repaints what it scrolls.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MarqueeArea::setLabel(QLabel *label)
{
    m_label = label;
    label->hide();
    // The skin gives the label its colour and font.
    label->installEventFilter(this);
    textChanged();
}

void MarqueeArea::textChanged()
{
    m_textStale = true;
    update();
}

bool MarqueeArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label && (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange))
        textChanged();
    return QWidget::eventFilter(watched, event);
}

void MarqueeArea::moveLabel(QLabel *label, int x)
{
    const QRect before = label->geometry();
    label->move(x, before.y());
    if (label != m_label || !isVisible())
        return;
    const QRect after = label->geometry();
    const QRect touched = before.united(after) & rect();
    const int dx = after.x() - before.x();
    if (touched.isEmpty() || dx == 0)
        return;
    if (m_rowsPlain && !m_textStale && qAbs(dx) < touched.width())
        scroll(dx, 0, touched);
    else
        update(touched);
}

void MarqueeArea::takeBackground()
{
    const qreal ratio = devicePixelRatioF();
    m_background = QPixmap(size() * ratio);
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(palette().color(backgroundRole()));
    if (QWidget *window = parentWidget())
        window->render(&m_background, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    const QImage image = m_background.toImage().convertToFormat(QImage::Format_RGB32);
    m_rowsPlain = true;
    for (int y = 0; y < image.height() && m_rowsPlain; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        m_rowsPlain = std::all_of(row, row + image.width(), [first = row[0]](QRgb pixel) { return pixel == first; });
    }
}

void MarqueeArea::renderText()
{
    m_textStale = false;
    if (!m_label || m_label->text().isEmpty()) {
        m_text = QPixmap();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize size = m_label->size();
    // A text too long for one picture is drawn afresh at each paint.
    if (size.width() * ratio > kLongestPicture) {
        m_text = QPixmap();
        return;
    }
    m_text = QPixmap(size * ratio);
    m_text.setDevicePixelRatio(ratio);
    m_text.fill(Qt::transparent);
    QPainter painter(&m_text);
    painter.setFont(m_label->font());
    painter.setPen(m_label->palette().color(QPalette::WindowText));
    // As plain text: a file name is never markup.
    painter.drawText(QRect(QPoint(), size), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_label->text());
}

void MarqueeArea::paintEvent(QPaintEvent *event)
{
    // Painting the whole strip means the window's background may have changed; a step paints a column.
    if (m_background.isNull() || m_background.deviceIndependentSize().toSize() != size()
        || QRegion(rect()).subtracted(event->region()).isEmpty())
        takeBackground();
    if (m_textStale)
        renderText();
    QPainter painter(this);
    const qreal ratio = m_background.devicePixelRatio();
    for (const QRect &rect : event->region())
        painter.drawPixmap(rect, m_background, QRectF(rect.topLeft() * ratio, rect.size() * ratio));
    if (!m_label)
        return;
    painter.setClipRegion(event->region());
    if (!m_text.isNull()) {
        painter.drawPixmap(m_label->pos(), m_text);
    } else if (!m_label->text().isEmpty()) {
        painter.setFont(m_label->font());
        painter.setPen(m_label->palette().color(QPalette::WindowText));
        painter.drawText(m_label->geometry(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_label->text());
    }
}

} // namespace quillet
