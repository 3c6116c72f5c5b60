#include "appearance/skinbackground.h"

#include "common/rounding.h"

#include <QPainter>

namespace quillet {

int SkinBackground::lineBlue(int line, int spread)
{
    if (spread == 0)
        return -1;
    // Computed in floating point and limited here, so that no line is lost to an overflow of the blue value.
    const qint64 blue = roundHalfEven(double(line) / spread * 100);
    return int(qBound(qint64(0), blue, qint64(255)));
}

int SkinBackground::lineOfRow(int row, int height)
{
    if (height <= 0)
        return 0;
    // Every line gets at least one row when the area is 501 rows or higher, and rows between two lines show
    // the upper one, so a tall window has no gaps between the lines.
    return int(qMin(qint64(GradientLines - 1), qint64(row) * GradientLines / height));
}

QImage SkinBackground::render(const QSize &size) const
{
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    if (gradient && spread != 0) {
        int bandTop = 0;
        int bandLine = lineOfRow(0, size.height());
        for (int row = 1; row <= size.height(); ++row) {
            const int line = row < size.height() ? lineOfRow(row, size.height()) : -1;
            if (line == bandLine)
                continue;
            const QColor lineColour(qBound(0, red, 255), qBound(0, green, 255), lineBlue(bandLine, spread));
            painter.fillRect(QRect(0, bandTop, size.width(), row - bandTop), lineColour);
            bandTop = row;
            bandLine = line;
        }
    }
    if (!picture.isNull())
        painter.drawImage(QPoint(0, 0), picture);
    return image;
}

} // namespace quillet
