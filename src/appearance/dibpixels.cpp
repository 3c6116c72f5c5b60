#include "appearance/dibpixels.h"

#include <limits>
#include <new>

namespace quillet {

bool DibPixels::sizeIsValid(qint64 width, qint64 height)
{
    if (width < 1 || height < 1 || width > std::numeric_limits<qint32>::max()
        || height > std::numeric_limits<qint32>::max())
        return false;
    // The bitmap header holds the image size in 32 bits; QImage and QRegion stay within int as well.
    return scanLineBytes(width) * height <= std::numeric_limits<qint32>::max();
}

std::shared_ptr<DibPixels> DibPixels::allocate(int width, int height)
{
    if (!sizeIsValid(width, height))
        return nullptr;
    const qsizetype bytesPerScanLine = qsizetype(scanLineBytes(width));
    std::unique_ptr<uchar[]> data(new (std::nothrow) uchar[size_t(bytesPerScanLine) * size_t(height)]());
    if (!data)
        return nullptr;
    auto pixels = std::make_shared<DibPixels>();
    pixels->width = width;
    pixels->height = height;
    pixels->bytesPerScanLine = bytesPerScanLine;
    pixels->data = std::move(data);
    return pixels;
}

} // namespace quillet
