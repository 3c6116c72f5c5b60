#include "settings/creditsscroller.h"

namespace quillet {

QRect CreditsScroller::startRect() const
{
    // 100 pixels of room below the text, as the rectangle has always been made.
    return QRect(0, m_area.height(), m_area.width(), m_textHeight + 100);
}

void CreditsScroller::start(const QSize &area, int textHeight)
{
    m_area = area;
    m_textHeight = textHeight;
    m_rect = startRect();
    m_colour = QColor(255, 255, 0);
    m_lastFrame.reset();
}

std::optional<CreditsScroller::Frame> CreditsScroller::advance(qint64 now)
{
    if (m_lastFrame && now - *m_lastFrame <= FrameInterval)
        return std::nullopt;
    const Frame frame {m_rect, m_colour};
    m_rect.translate(0, -1);
    if (m_rect.top() < -(m_textHeight + 50)) {
        m_rect = startRect();
        m_colour = m_colour == QColor(255, 255, 0) ? QColor(255, 0, 0) : QColor(255, 255, 0);
    }
    m_lastFrame = now;
    return frame;
}

} // namespace quillet
