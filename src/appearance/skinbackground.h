#pragma once

#include <QColor>
#include <QImage>

namespace quillet {

// The main window's skinned background: the background colour, then optionally the vertical gradient of 501
// lines on a 500-unit scale stretched over the window's height, then optionally a picture at the top left.
class SkinBackground
{
public:
    // The number of gradient lines (0 to 500).
    static constexpr int GradientLines = 501;

    QColor colour = QColor(0x80, 0x80, 0x80);
    bool gradient = false;
    int red = 0;
    int green = 0;
    int spread = 0;
    // Drawn unscaled at the top left when not null.
    QImage picture;

    // The blue of gradient line i (0..500) for the spread s: i / s * 100 rounded half to even and limited to
    // 255; -1 when s is 0 (the line cannot be computed and is not drawn).
    static int lineBlue(int line, int spread);
    // The gradient line shown in pixel row y of an area `height` pixels high.
    static int lineOfRow(int row, int height);
    // The background for an area of that size.
    QImage render(const QSize &size) const;
};

} // namespace quillet
