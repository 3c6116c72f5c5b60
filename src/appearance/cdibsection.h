#pragma once

#include "appearance/dibpixels.h"
#include "appearance/drawingcontext.h"

#include <QImage>
#include <QPixmap>

#include <memory>

namespace quillet {

// A 24-bit device-independent bitmap whose pixel memory can be addressed directly, selected into a memory
// drawing context for its whole life. Pixel memory: rows of Width() pixels as blue, green, red bytes, padded
// to BytesPerScanLine(); memory row 0 is the bottom row of the picture. The byte of colour c (0 blue, 1 green,
// 2 red) of memory column x, memory row y lies at y * BytesPerScanLine() + 3x + c.
class cDIBSection
{
public:
    // The 40-byte bitmap information header that describes the bitmap.
    struct BitmapInfoHeader
    {
        quint32 biSize = 40;
        qint32 biWidth = 0;
        qint32 biHeight = 0;
        quint16 biPlanes = 0;
        quint16 biBitCount = 0;
        quint32 biCompression = 0;
        quint32 biSizeImage = 0;
        qint32 biXPelsPerMeter = 0;
        qint32 biYPelsPerMeter = 0;
        quint32 biClrUsed = 0;
        quint32 biClrImportant = 0;
    };
    static_assert(sizeof(BitmapInfoHeader) == 40);

    // The raster operation that copies the source unchanged.
    static constexpr quint32 SourceCopy = DrawingContext::SourceCopy;
    // The message shown when a copy in DIB form is asked for.
    static QString dibClipboardMessage();

    // An empty object: no bitmap, no context.
    cDIBSection() = default;
    // Releases the bitmap and its context.
    ~cDIBSection();
    cDIBSection(const cDIBSection &) = delete;
    cDIBSection &operator=(const cDIBSection &) = delete;

    // Puts a copy of the picture on the clipboard as an image; true when the clipboard took it. Asked for a
    // DIB (bAsDIB true), shows a message instead and returns false. False too when there is no bitmap.
    bool CopyToClipboard(bool bAsDIB = false);
    // Fills the descriptor for lWidth x lHeight at 24 bits and makes new zeroed pixel memory, returned in hDib
    // (the caller owns it). Points the bits pointer at it without selecting it anywhere. The context plays no
    // part for a 24-bit bitmap. False for a size below 1 or of 2 GiB or more.
    bool CreateDIB(DrawingContext *lhDC, qint32 lWidth, qint32 lHeight, std::shared_ptr<DibPixels> &hDib);
    // Makes the object a copy of the picture (of the picture's size); nothing is copied if that size fails.
    void CreateFromPicture(const QImage &picThis);
    // Makes the object a copy of the picture (of the picture's size); nothing is copied if that size fails.
    void CreateFromPicture(const QPixmap &picThis);
    // Replaces the bitmap by a new black one of that size, selected into a new memory context.
    bool Create(qint32 lWidth, qint32 lHeight);
    // The row length in bytes: 3 bytes a pixel rounded up to a multiple of 4.
    qint32 BytesPerScanLine() const;
    // The descriptor's width (kept after ClearUp).
    qint32 Width() const { return m_descriptor.biWidth; }
    // The descriptor's height (kept after ClearUp).
    qint32 Height() const { return m_descriptor.biHeight; }
    // Copies from lhDC at (lSrcLeft, lSrcTop) into this bitmap at (0, 0) with the raster operation eRop;
    // a width or height below 0 stands for this bitmap's own.
    void LoadPictureBlt(const DrawingContext *lhDC, qint32 lSrcLeft = 0, qint32 lSrcTop = 0, qint32 lSrcWidth = -1,
        qint32 lSrcHeight = -1, quint32 eRop = SourceCopy);
    // Copies this bitmap from (lSrcLeft, lSrcTop) onto lhDC at (lDestLeft, lDestTop) with eRop; a width or
    // height below 0 stands for this bitmap's own.
    void PaintPicture(DrawingContext *lhDC, qint32 lDestLeft = 0, qint32 lDestTop = 0, qint32 lDestWidth = -1,
        qint32 lDestHeight = -1, qint32 lSrcLeft = 0, qint32 lSrcTop = 0, quint32 eRop = SourceCopy) const;
    // The memory context the bitmap is selected into; nullptr when empty.
    DrawingContext *hdc() const { return m_hdc.get(); }
    // The bitmap; nullptr when empty.
    DibPixels *hDib() const { return m_dib.get(); }
    // The first byte of the pixel memory; nullptr when empty.
    uchar *DIBSectionBitsPtr() { return m_bits; }
    // The first byte of the pixel memory; nullptr when empty.
    const uchar *DIBSectionBitsPtr() const { return m_bits; }
    // Fills every pixel with random values seeded from the time of day: in colour, blue 0 and random green and
    // red; in gray, one random value in all three bytes. Padding bytes are left alone.
    void RandomiseBits(bool bGray = false);
    // Releases the bitmap, its context and the pixel memory; the descriptor keeps its size. Can be repeated.
    void ClearUp();
    // A new bitmap of lNewWidth x lNewHeight (height first) made by bilinear interpolation, or an exact copy
    // when the size is unchanged; nullptr when the new bitmap cannot be made.
    std::unique_ptr<cDIBSection> Resample(qint32 lNewHeight, qint32 lNewWidth) const;

    // A top-down copy of the picture for drawing (32-bit RGB); a null image when empty.
    QImage toImage() const;
    // The bitmap information header.
    const BitmapInfoHeader &descriptor() const { return m_descriptor; }

private:
    void interpolateInto(cDIBSection &destination) const;

    BitmapInfoHeader m_descriptor;
    std::shared_ptr<DibPixels> m_dib;
    std::unique_ptr<DrawingContext> m_hdc;
    uchar *m_bits = nullptr;
    // The memory the bits pointer points into, kept alive for as long as the pointer is held.
    std::shared_ptr<DibPixels> m_bitsMemory;
};

} // namespace quillet
