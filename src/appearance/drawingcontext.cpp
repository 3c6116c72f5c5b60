#include "appearance/drawingcontext.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace quillet {

namespace {

bool isDirectFormat(QImage::Format format)
{
    if (format == QImage::Format_BGR888)
        return true;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // 32-bit (A)RGB lies in memory as blue, green, red, alpha on a little-endian machine.
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
#else
    return false;
#endif
}

// The ternary raster operation with the brush fixed at all bits set: the operation's index byte holds the
// result for each combination of brush, source and destination bit, brush being the index's bit 2.
class RasterOperation
{
public:
    explicit RasterOperation(quint32 rop)
    {
        const uint code = (rop >> 16) & 0xFF;
        m_noSourceNoDest = (code & 0x10) ? 0xFF : 0;
        m_destOnly = (code & 0x20) ? 0xFF : 0;
        m_sourceOnly = (code & 0x40) ? 0xFF : 0;
        m_sourceAndDest = (code & 0x80) ? 0xFF : 0;
        m_usesSource = ((code & 0xCC) >> 2) != (code & 0x33);
        m_isSourceCopy = (code == 0xCC);
    }

    bool usesSource() const { return m_usesSource; }
    bool isSourceCopy() const { return m_isSourceCopy; }

    uchar apply(uchar s, uchar d) const
    {
        return uchar(
            (~s & ~d & m_noSourceNoDest) | (~s & d & m_destOnly) | (s & ~d & m_sourceOnly) | (s & d & m_sourceAndDest));
    }

private:
    uchar m_noSourceNoDest = 0;
    uchar m_destOnly = 0;
    uchar m_sourceOnly = 0;
    uchar m_sourceAndDest = 0;
    bool m_usesSource = false;
    bool m_isSourceCopy = false;
};

// Shrinks a span [start, start + length) so that it lies within [0, limit); moves the partner start along.
void clipSpan(qint64 &start, qint64 &partnerStart, qint64 &length, qint64 limit)
{
    if (start < 0) {
        partnerStart -= start;
        length += start;
        start = 0;
    }
    length = std::min(length, limit - start);
}

} // namespace

DrawingContext::DrawingContext(QImage *image)
    : m_image(image)
{
    if (m_image && !m_image->isNull() && !isDirectFormat(m_image->format())) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        m_image->convertTo(m_image->hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
#else
        m_image->convertTo(QImage::Format_BGR888);
#endif
    }
}

std::shared_ptr<DibPixels> DrawingContext::select(std::shared_ptr<DibPixels> pixels)
{
    std::swap(m_pixels, pixels);
    return pixels;
}

bool DrawingContext::hasPixels() const
{
    if (m_image)
        return !m_image->isNull();
    return m_pixels && m_pixels->data;
}

int DrawingContext::width() const
{
    if (!hasPixels())
        return 0;
    return m_image ? m_image->width() : m_pixels->width;
}

int DrawingContext::height() const
{
    if (!hasPixels())
        return 0;
    return m_image ? m_image->height() : m_pixels->height;
}

DrawingContext::Surface DrawingContext::surface(bool forWriting) const
{
    Surface s;
    if (!hasPixels())
        return s;
    if (m_image) {
        // bits() detaches a shared image, so the write lands in this image only.
        s.top = forWriting ? m_image->bits() : const_cast<uchar *>(m_image->constBits());
        s.stride = m_image->bytesPerLine();
        s.width = m_image->width();
        s.height = m_image->height();
        s.bytesPerPixel = m_image->depth() / 8;
        s.begin = s.top;
        s.end = s.top + s.stride * s.height;
    } else {
        // The DIB keeps the bottom row first: the top row is the last in memory.
        s.width = m_pixels->width;
        s.height = m_pixels->height;
        s.bytesPerPixel = 3;
        s.begin = m_pixels->data.get();
        s.end = s.begin + m_pixels->bytesPerScanLine * s.height;
        s.top = m_pixels->data.get() + m_pixels->bytesPerScanLine * (s.height - 1);
        s.stride = -m_pixels->bytesPerScanLine;
    }
    return s;
}

bool DrawingContext::bitBlt(DrawingContext *dest, int destLeft, int destTop, int width, int height,
    const DrawingContext *source, int srcLeft, int srcTop, quint32 rop)
{
    const RasterOperation operation(rop);
    if (!dest || !dest->hasPixels())
        return false;
    if (operation.usesSource() && (!source || !source->hasPixels()))
        return false;

    qint64 dx = destLeft, dy = destTop, sx = srcLeft, sy = srcTop, w = width, h = height;
    clipSpan(dx, sx, w, dest->width());
    clipSpan(dy, sy, h, dest->height());
    if (operation.usesSource()) {
        clipSpan(sx, dx, w, source->width());
        clipSpan(sy, dy, h, source->height());
    }
    if (w <= 0 || h <= 0)
        return true;

    const Surface to = dest->surface(true);
    Surface from;
    std::vector<uchar> sourceCopy;
    if (operation.usesSource()) {
        from = source->surface(false);
        if (from.begin < to.end && to.begin < from.end) {
            // Source and destination share memory: read the source rectangle before writing anything.
            sourceCopy.resize(size_t(w * h * from.bytesPerPixel));
            for (qint64 row = 0; row < h; ++row)
                std::memcpy(sourceCopy.data() + row * w * from.bytesPerPixel,
                    from.top + (sy + row) * from.stride + sx * from.bytesPerPixel, size_t(w * from.bytesPerPixel));
            from.top = sourceCopy.data();
            from.stride = w * from.bytesPerPixel;
            sx = 0;
            sy = 0;
        }
    }

    for (qint64 row = 0; row < h; ++row) {
        uchar *d = to.top + (dy + row) * to.stride + dx * to.bytesPerPixel;
        const uchar *s
            = operation.usesSource() ? from.top + (sy + row) * from.stride + sx * from.bytesPerPixel : nullptr;
        if (operation.isSourceCopy() && to.bytesPerPixel == 3 && from.bytesPerPixel == 3) {
            std::memcpy(d, s, size_t(w * 3));
            continue;
        }
        for (qint64 x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c)
                d[c] = operation.apply(s ? s[c] : 0, d[c]);
            if (to.bytesPerPixel == 4)
                d[3] = 0xFF;
            d += to.bytesPerPixel;
            if (s)
                s += from.bytesPerPixel;
        }
    }
    return true;
}

} // namespace quillet
