#include "appearance/cdibsection.h"

#include "common/dialogservice.h"
#include "common/rounding.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScreen>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace quillet {

QString cDIBSection::dibClipboardMessage()
{
    return QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
}

cDIBSection::~cDIBSection()
{
    ClearUp();
}

bool cDIBSection::CopyToClipboard(bool bAsDIB)
{
    // Without a GUI application there is no screen and no clipboard.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || !QGuiApplication::primaryScreen())
        return false;
    if (bAsDIB) {
        dialogs().message(dibClipboardMessage());
        return false;
    }
    const QImage picture = toImage();
    if (picture.isNull())
        return false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setImage(picture);
    const QMimeData *data = clipboard->mimeData();
    return data && data->hasImage();
}

bool cDIBSection::CreateDIB(DrawingContext *lhDC, qint32 lWidth, qint32 lHeight, std::shared_ptr<DibPixels> &hDib)
{
    Q_UNUSED(lhDC)
    hDib.reset();
    if (!DibPixels::sizeIsValid(lWidth, lHeight))
        return false;
    m_descriptor = BitmapInfoHeader();
    m_descriptor.biWidth = lWidth;
    m_descriptor.biHeight = lHeight;
    m_descriptor.biPlanes = 1;
    m_descriptor.biBitCount = 24;
    m_descriptor.biSizeImage = quint32(qint64(lHeight) * BytesPerScanLine());
    hDib = DibPixels::allocate(lWidth, lHeight);
    m_bitsMemory = hDib;
    m_bits = hDib ? hDib->data.get() : nullptr;
    return hDib != nullptr;
}

void cDIBSection::CreateFromPicture(const QImage &picThis)
{
    if (!Create(picThis.width(), picThis.height()))
        return;
    // The context may convert the image's format; work on a copy so the caller's picture stays as it is.
    QImage picture = picThis;
    const DrawingContext source(&picture);
    LoadPictureBlt(&source, 0, 0, -1, -1, SourceCopy);
}

void cDIBSection::CreateFromPicture(const QPixmap &picThis)
{
    CreateFromPicture(picThis.toImage());
}

bool cDIBSection::Create(qint32 lWidth, qint32 lHeight)
{
    ClearUp();
    auto context = std::make_unique<DrawingContext>();
    std::shared_ptr<DibPixels> dib;
    if (!CreateDIB(context.get(), lWidth, lHeight, dib))
        return false;
    context->select(dib);
    m_dib = std::move(dib);
    m_hdc = std::move(context);
    return true;
}

qint32 cDIBSection::BytesPerScanLine() const
{
    return qint32(DibPixels::scanLineBytes(Width()));
}

void cDIBSection::LoadPictureBlt(
    const DrawingContext *lhDC, qint32 lSrcLeft, qint32 lSrcTop, qint32 lSrcWidth, qint32 lSrcHeight, quint32 eRop)
{
    DrawingContext::bitBlt(m_hdc.get(), 0, 0, lSrcWidth < 0 ? Width() : lSrcWidth,
        lSrcHeight < 0 ? Height() : lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(DrawingContext *lhDC, qint32 lDestLeft, qint32 lDestTop, qint32 lDestWidth,
    qint32 lDestHeight, qint32 lSrcLeft, qint32 lSrcTop, quint32 eRop) const
{
    DrawingContext::bitBlt(lhDC, lDestLeft, lDestTop, lDestWidth < 0 ? Width() : lDestWidth,
        lDestHeight < 0 ? Height() : lDestHeight, m_hdc.get(), lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::RandomiseBits(bool bGray)
{
    if (!m_bits)
        return;
    QRandomGenerator random(quint32(QTime::currentTime().msecsSinceStartOfDay()));
    const auto next = [&random] { return uchar(roundHalfEven(random.generateDouble() * 255.0)); };
    const qsizetype stride = BytesPerScanLine();
    const qsizetype xEnd = (qsizetype(Width()) - 1) * 3;
    const qsizetype height = Height();
    if (!bGray) {
        for (qsizetype x = 0; x <= xEnd; x += 3) {
            for (qsizetype y = 0; y < height; ++y) {
                uchar *pixel = m_bits + y * stride + x;
                pixel[0] = 0;
                pixel[1] = next();
                pixel[2] = next();
            }
        }
    } else {
        for (qsizetype y = 0; y < height; ++y) {
            for (qsizetype x = 0; x <= xEnd; x += 3) {
                uchar *pixel = m_bits + y * stride + x;
                pixel[0] = pixel[1] = pixel[2] = next();
            }
        }
    }
}

void cDIBSection::ClearUp()
{
    m_hdc.reset();
    m_dib.reset();
    m_bits = nullptr;
    m_bitsMemory.reset();
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(qint32 lNewHeight, qint32 lNewWidth) const
{
    auto resampled = std::make_unique<cDIBSection>();
    if (!resampled->Create(lNewWidth, lNewHeight))
        return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height())
        resampled->LoadPictureBlt(m_hdc.get(), 0, 0, -1, -1, SourceCopy);
    else
        interpolateInto(*resampled);
    return resampled;
}

namespace {

// The sample position of destination index i: the whole part (kept within the source) and the fraction.
struct SamplePosition
{
    qsizetype index0;
    qsizetype index1;
    float fraction;
};

SamplePosition samplePosition(float scale, qsizetype i, qsizetype sourceSize)
{
    const float position = float(double(scale) * double(i));
    const double whole = std::floor(position);
    SamplePosition p;
    p.fraction = float(double(position) - whole);
    // A source one pixel wide or high has no second neighbour, and single-precision rounding can land a
    // position on the last pixel: the missing neighbour is then the edge pixel itself.
    p.index0 = std::clamp(qsizetype(whole), qsizetype(0), sourceSize - 1);
    p.index1 = std::min(p.index0 + 1, sourceSize - 1);
    return p;
}

uchar blend(float fraction, qint64 a, qint64 b)
{
    const float rest = 1.0f - fraction;
    return uchar(
        std::clamp(roundHalfEven(double(rest) * double(a) + double(fraction) * double(b)), qint64(0), qint64(255)));
}

} // namespace

void cDIBSection::interpolateInto(cDIBSection &destination) const
{
    uchar *to = destination.DIBSectionBitsPtr();
    if (!m_bits || !to)
        return;
    const qsizetype sourceWidth = Width(), sourceHeight = Height();
    const qsizetype width = destination.Width(), height = destination.Height();
    const qsizetype sourceStride = BytesPerScanLine(), stride = destination.BytesPerScanLine();
    // The divisor is the destination size, so the last source column and row are never reached exactly.
    const float xScale = float(double(sourceWidth - 1) / double(width));
    const float yScale = float(double(sourceHeight - 1) / double(height));

    for (qsizetype y = 0; y < height; ++y) {
        const SamplePosition sy = samplePosition(yScale, y, sourceHeight);
        const uchar *row0 = m_bits + sy.index0 * sourceStride;
        const uchar *row1 = m_bits + sy.index1 * sourceStride;
        uchar *out = to + y * stride;
        for (qsizetype x = 0; x < width; ++x) {
            const SamplePosition sx = samplePosition(xScale, x, sourceWidth);
            const qsizetype o0 = 3 * sx.index0, o1 = 3 * sx.index1;
            for (int c = 0; c < 3; ++c) {
                // Between the rows first; the two intermediate values are rounded to whole numbers.
                const uchar left = blend(sy.fraction, row0[o0 + c], row1[o0 + c]);
                const uchar right = blend(sy.fraction, row0[o1 + c], row1[o1 + c]);
                out[3 * x + c] = blend(sx.fraction, left, right);
            }
        }
    }
}

QImage cDIBSection::toImage() const
{
    if (!m_hdc || !m_hdc->hasPixels())
        return QImage();
    QImage picture(m_hdc->width(), m_hdc->height(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    DrawingContext target(&picture);
    DrawingContext::bitBlt(&target, 0, 0, picture.width(), picture.height(), m_hdc.get(), 0, 0, SourceCopy);
    return picture;
}

} // namespace quillet
