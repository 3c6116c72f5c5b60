#pragma once

#include "appearance/dibpixels.h"

#include <QImage>

#include <memory>

namespace quillet {

// A drawing context: a surface that pixels are copied to and from with a raster operation. It is either
// a context on a QImage (pictures, the screen's stand-in) or a memory context into which the pixel memory of
// a DIB is selected. The brush of every context is white, as a fresh memory context's is; raster operations
// that use the brush see all bits set.
class DrawingContext
{
public:
    // The raster operation that copies the source unchanged.
    static constexpr quint32 SourceCopy = 0x00CC0020;

    // A memory context with no bitmap selected; copies to or from it do nothing until one is selected.
    DrawingContext() = default;
    // A context drawing into and reading from the image, which must outlive it. An image in a format other
    // than 24-bit BGR or 32-bit (A)RGB is first converted in place to 32-bit (A)RGB.
    explicit DrawingContext(QImage *image);
    DrawingContext(const DrawingContext &) = delete;
    DrawingContext &operator=(const DrawingContext &) = delete;

    // Selects a DIB's pixel memory into this memory context and returns the memory selected before.
    std::shared_ptr<DibPixels> select(std::shared_ptr<DibPixels> pixels);
    // Whether there are pixels to copy to or from.
    bool hasPixels() const;
    // The surface's width in pixels (0 without pixels).
    int width() const;
    // The surface's height in pixels (0 without pixels).
    int height() const;

    // Copies width x height pixels from (srcLeft, srcTop) of the source to (destLeft, destTop) of the
    // destination, each result byte made from the source, destination and brush bytes by the ternary raster
    // operation rop. The rectangle is clipped to both surfaces; source and destination may overlap. The source
    // may be null for operations that do not read it. False when a needed context has no pixels.
    static bool bitBlt(DrawingContext *dest, int destLeft, int destTop, int width, int height,
        const DrawingContext *source, int srcLeft, int srcTop, quint32 rop);

private:
    // A view of the surface in picture order: row 0 is the top row, stride may be negative.
    struct Surface
    {
        uchar *top = nullptr;
        qsizetype stride = 0;
        int width = 0;
        int height = 0;
        int bytesPerPixel = 0;
        const uchar *begin = nullptr;
        const uchar *end = nullptr;
    };
    Surface surface(bool forWriting) const;

    QImage *m_image = nullptr;
    std::shared_ptr<DibPixels> m_pixels;
};

} // namespace quillet
