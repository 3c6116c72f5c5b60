#include "common/gradient.h"

#include <QColor>
#include <QPainter>
#include <QRect>

namespace quillet {

int gradientBlue(int line)
{
    if (line <= 0)
        return 0;
    if (line >= GradientLines - 1)
        return 255;
    // i * 255 / 500 is i * 51 / 100; integer arithmetic keeps the halfway cases exact.
    const int scaled = line * 51;
    const int whole = scaled / 100;
    const int rest = scaled % 100;
    if (rest > 50 || (rest == 50 && whole % 2 != 0))
        return whole + 1;
    return whole;
}

void paintGradient(QPainter &painter, const QRect &area)
{
    if (area.isEmpty())
        return;
    // Each pixel row shows the line that falls on it, so the top row is black and the bottom row full blue
    // whatever the height; rows of the same colour are filled as one band.
    const qint64 lastRow = area.height() - 1;
    auto blueOfRow = [lastRow](int row) {
        return lastRow == 0 ? 0 : gradientBlue(int((row * qint64(GradientLines - 1) + lastRow / 2) / lastRow));
    };
    int bandTop = 0;
    int bandBlue = blueOfRow(0);
    for (int row = 1; row <= lastRow + 1; ++row) {
        const int blue = row <= lastRow ? blueOfRow(row) : -1;
        if (blue == bandBlue)
            continue;
        painter.fillRect(QRect(area.left(), area.top() + bandTop, area.width(), row - bandTop), QColor(0, 0, bandBlue));
        bandTop = row;
        bandBlue = blue;
    }
}

} // namespace quillet
