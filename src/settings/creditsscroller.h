#pragma once

#include <QColor>
#include <QRect>
#include <QSize>

#include <optional>

namespace quillet {

// The film-credits motion of the about window, without any drawing: the text rectangle starts just below the
// area and moves up one pixel a frame, a frame being due when more than 20 ms have passed since the previous
// one. Once the text is 50 pixels above the top it starts again from below, and yellow turns red or red yellow.
class CreditsScroller
{
public:
    // What one frame draws: the text rectangle (the text centred horizontally at its top) and the text colour.
    struct Frame
    {
        QRect rect;
        QColor colour;
    };

    // Milliseconds that must be exceeded between two frames.
    static constexpr qint64 FrameInterval = 20;

    // Places the rectangle below an area of the given size for a text of the given height; the first call to
    // advance() then draws at once.
    void start(const QSize &area, int textHeight);
    // When a frame is due at time now (milliseconds of a monotonic clock): the frame to draw, after which the
    // rectangle has moved on. Nothing when the previous frame was 20 ms ago or less.
    std::optional<Frame> advance(qint64 now);

    // The rectangle the next frame draws into.
    QRect rect() const { return m_rect; }
    // The colour the next frame draws in.
    QColor colour() const { return m_colour; }

private:
    QRect startRect() const;

    QSize m_area;
    int m_textHeight = 0;
    QRect m_rect;
    QColor m_colour = QColor(255, 255, 0);
    std::optional<qint64> m_lastFrame;
};

} // namespace quillet
