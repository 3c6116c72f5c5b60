#include "settings/creditsview.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace quillet {

CreditsView::CreditsView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CreditsView::setText(const QString &text)
{
    m_text = text;
    update();
}

int CreditsView::textHeight() const
{
    if (m_text.isEmpty())
        return 0;
    // Measured as one block without wrapping: one line per line of the text.
    return fontMetrics().boundingRect(QRect(), Qt::AlignHCenter | Qt::TextDontClip, m_text).height();
}

void CreditsView::showFrame(const CreditsScroller::Frame &frame)
{
    m_frame = frame;
    update();
}

void CreditsView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    makeBackground();
}

void CreditsView::makeBackground()
{
    m_background = QPixmap(size());
    QPainter painter(&m_background);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0.0, QColor(4, 8, 32));
    sky.setColorAt(0.6, QColor(16, 28, 84));
    sky.setColorAt(1.0, QColor(44, 24, 88));
    painter.fillRect(rect(), sky);
    // A fixed seed gives the same picture every time.
    QRandomGenerator random(1303);
    for (int i = 0; i < width() * height() / 900; ++i) {
        const int shade = 110 + int(random.bounded(146));
        painter.setPen(QColor(shade, shade, qMin(255, shade + 40)));
        painter.drawPoint(int(random.bounded(width())), int(random.bounded(height())));
    }
    // Faint staff lines across the lower part.
    painter.setPen(QPen(QColor(120, 140, 220, 60), 1));
    for (int line = 0; line < 5; ++line) {
        const int y = height() * 3 / 4 + line * 6;
        painter.drawLine(0, y, width(), y - height() / 8);
    }
}

void CreditsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_background.size() != size())
        makeBackground();
    painter.drawPixmap(0, 0, m_background);
    if (!m_frame || m_text.isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(m_frame->colour);
    painter.drawText(m_frame->rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, m_text);
}

} // namespace quillet
