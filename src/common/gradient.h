#pragma once

class QPainter;
class QRect;

namespace quillet {

// The number of horizontal lines of the black-to-blue window background (lines 0 to 500 on a 500-unit scale).
constexpr int GradientLines = 501;

// The blue value (0..255) of background line i (0..500): i / 500 * 255 rounded half to even.
int gradientBlue(int line);

// Paints the black-to-blue background over the area: the 501 lines stretched to the area's height (no gaps on
// tall windows), black in the top pixel row and full blue in the bottom one.
void paintGradient(QPainter &painter, const QRect &area);

} // namespace quillet
