#include "appearance/cdibsection.h"
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include <limits>
#include <set>

using namespace quillet;
using namespace quillet::testing;

namespace {

// The byte of colour c (0 blue, 1 green, 2 red) of memory column x, memory row y.
uchar &pixelByte(cDIBSection &dib, int x, int y, int c)
{
    return dib.DIBSectionBitsPtr()[qsizetype(y) * dib.BytesPerScanLine() + 3 * x + c];
}

// Sets every byte of the pixel memory, padding included, from its offset so that each byte is told apart.
void fillPattern(cDIBSection &dib)
{
    const qsizetype size = qsizetype(dib.Height()) * dib.BytesPerScanLine();
    for (qsizetype i = 0; i < size; ++i)
        dib.DIBSectionBitsPtr()[i] = uchar((i * 37 + 11) % 251);
}

// Sets one colour component of the four pixels of a 2 x 2 bitmap, by memory row.
void setTwoByTwo(cDIBSection &dib, int c, uchar row0left, uchar row0right, uchar row1left, uchar row1right)
{
    pixelByte(dib, 0, 0, c) = row0left;
    pixelByte(dib, 1, 0, c) = row0right;
    pixelByte(dib, 0, 1, c) = row1left;
    pixelByte(dib, 1, 1, c) = row1right;
}

} // namespace

class TstCDIBSection : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void bytesPerScanLine_data();
    void bytesPerScanLine();
    void createRejectsSizes_data();
    void createRejectsSizes();
    void byteLayoutFromPicture_data();
    void byteLayoutFromPicture();
    void paintPictureClipsAndOffsets();
    void rasterOperations_data();
    void rasterOperations();
    void resampleSameSizeCopiesExactly();
    void resampleTwoByTwoToFourByFour();
    void resampleSourceOnePixelWideOrHigh();
    void randomiseBits_data();
    void randomiseBits();
    void copyToClipboard();
    void copyToClipboardAsDibShowsMessage();
    void clearUpRepeats();

private:
    std::unique_ptr<TestEnvironment> m_env;
};

void TstCDIBSection::bytesPerScanLine_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expected");
    QTest::newRow("172 pixels") << 172 << 516;
    QTest::newRow("3 pixels, three padding bytes") << 3 << 12;
    QTest::newRow("1 pixel") << 1 << 4;
    QTest::newRow("2 pixels") << 2 << 8;
    QTest::newRow("4 pixels, no padding") << 4 << 12;
    QTest::newRow("5 pixels") << 5 << 16;
}

void TstCDIBSection::bytesPerScanLine()
{
    QFETCH(int, width);
    QFETCH(int, expected);
    cDIBSection dib;
    QVERIFY(dib.Create(width, 7));
    QCOMPARE(dib.BytesPerScanLine(), expected);
    QCOMPARE(dib.Width(), width);
    QCOMPARE(dib.Height(), 7);
    const cDIBSection::BitmapInfoHeader &header = dib.descriptor();
    QCOMPARE(header.biSize, 40u);
    QCOMPARE(header.biPlanes, 1);
    QCOMPARE(header.biBitCount, 24);
    QCOMPARE(header.biCompression, 0u);
    QCOMPARE(header.biSizeImage, quint32(7 * expected));
    QVERIFY(dib.hdc() && dib.hDib() && dib.DIBSectionBitsPtr());
    // A new bitmap is black, padding included.
    for (int i = 0; i < 7 * expected; ++i)
        QCOMPARE(dib.DIBSectionBitsPtr()[i], uchar(0));
}

void TstCDIBSection::createRejectsSizes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("zero width") << 0 << 5;
    QTest::newRow("zero height") << 5 << 0;
    QTest::newRow("negative width") << -4 << 5;
    QTest::newRow("negative height (would be top-down)") << 5 << -3;
    QTest::newRow("row length overflows") << std::numeric_limits<int>::max() << 1;
    QTest::newRow("image of 2 GiB") << 32768 << 32768;
}

void TstCDIBSection::createRejectsSizes()
{
    QFETCH(int, width);
    QFETCH(int, height);
    cDIBSection dib;
    QVERIFY(dib.Create(3, 2));
    QVERIFY(!dib.Create(width, height));
    QVERIFY(!dib.hdc());
    QVERIFY(!dib.hDib());
    QVERIFY(!dib.DIBSectionBitsPtr());
    // Nothing to write into and nothing to resample from: these must not touch memory.
    dib.RandomiseBits();
    dib.RandomiseBits(true);
    QVERIFY(dib.toImage().isNull());
    QVERIFY(!dib.Resample(height, width));
}

void TstCDIBSection::byteLayoutFromPicture_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("32-bit RGB") << QImage::Format_RGB32;
    QTest::newRow("32-bit ARGB") << QImage::Format_ARGB32;
    QTest::newRow("24-bit RGB, converted") << QImage::Format_RGB888;
    QTest::newRow("24-bit BGR") << QImage::Format_BGR888;
}

void TstCDIBSection::byteLayoutFromPicture()
{
    QFETCH(QImage::Format, format);
    // 3 x 2 picture: width 3 leaves three padding bytes per row.
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb colours[2][3]
        = {{qRgb(1, 2, 3), qRgb(10, 20, 30), qRgb(100, 150, 200)}, {qRgb(250, 0, 5), qRgb(7, 8, 9), qRgb(40, 50, 60)}};
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x)
            picture.setPixel(x, row, colours[row][x]);
    picture = picture.convertToFormat(format);
    const QImage untouched = picture;

    cDIBSection dib;
    dib.CreateFromPicture(picture);
    QCOMPARE(dib.Width(), 3);
    QCOMPARE(dib.Height(), 2);
    QCOMPARE(picture, untouched);
    for (int row = 0; row < 2; ++row) {
        // Bottom-up: the picture's top row is the last row in memory.
        const int memoryRow = 1 - row;
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(pixelByte(dib, x, memoryRow, 0), uchar(qBlue(colours[row][x])));
            QCOMPARE(pixelByte(dib, x, memoryRow, 1), uchar(qGreen(colours[row][x])));
            QCOMPARE(pixelByte(dib, x, memoryRow, 2), uchar(qRed(colours[row][x])));
        }
        for (int pad = 9; pad < 12; ++pad)
            QCOMPARE(dib.DIBSectionBitsPtr()[memoryRow * 12 + pad], uchar(0));
    }
    QCOMPARE(dib.toImage(), picture.convertToFormat(QImage::Format_RGB32));

    cDIBSection fromPixmap;
    fromPixmap.CreateFromPicture(QPixmap::fromImage(picture));
    QCOMPARE(fromPixmap.toImage(), dib.toImage());
}

void TstCDIBSection::paintPictureClipsAndOffsets()
{
    cDIBSection dib;
    QVERIFY(dib.Create(4, 3));
    fillPattern(dib);
    const QImage whole = dib.toImage();

    // Source (1, 1), 2 x 2, onto (3, 0) of a 4 x 4 image: only one column fits.
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(qRgb(9, 9, 9));
    DrawingContext context(&target);
    dib.PaintPicture(&context, 3, 0, 2, 2, 1, 1, cDIBSection::SourceCopy);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const QRgb expected = (x == 3 && y < 2) ? whole.pixel(1, y + 1) : qRgb(9, 9, 9);
            QCOMPARE(target.pixel(x, y), expected);
        }
    }

    // Width and height -1 stand for the whole bitmap; a negative destination offset clips the source's left.
    target.fill(qRgb(9, 9, 9));
    dib.PaintPicture(&context, -1, 0, -1, -1, 0, 0, cDIBSection::SourceCopy);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            QCOMPARE(target.pixel(x, y), whole.pixel(x + 1, y));
    QCOMPARE(target.pixel(3, 0), qRgb(9, 9, 9));

    // LoadPictureBlt reads from (lSrcLeft, lSrcTop) into (0, 0).
    cDIBSection copy;
    QVERIFY(copy.Create(2, 2));
    copy.LoadPictureBlt(dib.hdc(), 2, 1, -1, -1, cDIBSection::SourceCopy);
    const QImage copied = copy.toImage();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            QCOMPARE(copied.pixel(x, y), whole.pixel(x + 2, y + 1));
}

void TstCDIBSection::rasterOperations_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<uchar>("expected");
    // Source byte 0x5C over destination byte 0x3A; the brush is white (0xFF).
    const uchar s = 0x5C, d = 0x3A;
    QTest::newRow("source copy") << 0x00CC0020u << s;
    QTest::newRow("source invert (xor)") << 0x00660046u << uchar(s ^ d);
    QTest::newRow("source and") << 0x008800C6u << uchar(s & d);
    QTest::newRow("source paint (or)") << 0x00EE0086u << uchar(s | d);
    QTest::newRow("not source copy") << 0x00330008u << uchar(~s);
    QTest::newRow("source erase") << 0x00440328u << uchar(s & ~d);
    QTest::newRow("destination invert") << 0x00550009u << uchar(~d);
    QTest::newRow("blackness") << 0x00000042u << uchar(0);
    QTest::newRow("whiteness") << 0x00FF0062u << uchar(0xFF);
    QTest::newRow("pattern copy (white brush)") << 0x00F00021u << uchar(0xFF);
    QTest::newRow("pattern invert") << 0x005A0049u << uchar(~d);
}

void TstCDIBSection::rasterOperations()
{
    QFETCH(quint32, rop);
    QFETCH(uchar, expected);
    QImage source(2, 1, QImage::Format_RGB32);
    source.fill(qRgb(0x5C, 0x5C, 0x5C));
    const DrawingContext sourceContext(&source);
    cDIBSection dib;
    QVERIFY(dib.Create(2, 1));
    for (int i = 0; i < 6; ++i)
        dib.DIBSectionBitsPtr()[i] = 0x3A;
    dib.DIBSectionBitsPtr()[6] = 0x77; // padding
    dib.LoadPictureBlt(&sourceContext, 0, 0, -1, -1, rop);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(dib.DIBSectionBitsPtr()[i], expected);
    QCOMPARE(dib.DIBSectionBitsPtr()[6], uchar(0x77));
}

void TstCDIBSection::resampleSameSizeCopiesExactly()
{
    cDIBSection dib;
    QVERIFY(dib.Create(7, 5));
    fillPattern(dib);
    // Height first.
    const std::unique_ptr<cDIBSection> copy = dib.Resample(5, 7);
    QVERIFY(copy);
    QCOMPARE(copy->Width(), 7);
    QCOMPARE(copy->Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c)
                QCOMPARE(pixelByte(*copy, x, y, c), pixelByte(dib, x, y, c));

    const std::unique_ptr<cDIBSection> turned = dib.Resample(7, 5);
    QVERIFY(turned);
    QCOMPARE(turned->Width(), 5);
    QCOMPARE(turned->Height(), 7);
    QVERIFY(!dib.Resample(0, 7));
}

void TstCDIBSection::resampleTwoByTwoToFourByFour()
{
    cDIBSection dib;
    QVERIFY(dib.Create(2, 2));
    setTwoByTwo(dib, 0, 0, 100, 40, 201);
    setTwoByTwo(dib, 1, 255, 0, 0, 255);
    setTwoByTwo(dib, 2, 7, 7, 7, 7);
    const std::unique_ptr<cDIBSection> big = dib.Resample(4, 4);
    QVERIFY(big);

    // Scale (2 - 1) / 4 = 0.25: samples at 0, 0.25, 0.5 and 0.75, never at the last source column or row.
    // Rows are blended first and rounded (ties to even), then the columns. Blue, by memory row:
    //   row sample 0.5: left 20, right nearest(150.5) = 150; x 0.25 gives 52.5 -> 52, x 0.75 gives 117.5 -> 118.
    const int blue[4][4] = {{0, 25, 50, 75}, {10, 39, 68, 96}, {20, 52, 85, 118}, {30, 66, 103, 140}};
    //   green: left 255, 191, 128, 64 and right 0, 64, 128, 191 by row sample.
    const int green[4][4] = {{255, 191, 128, 64}, {191, 159, 128, 96}, {128, 128, 128, 128}, {64, 96, 128, 159}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            QCOMPARE(int(pixelByte(*big, x, y, 0)), blue[y][x]);
            QCOMPARE(int(pixelByte(*big, x, y, 1)), green[y][x]);
            QCOMPARE(int(pixelByte(*big, x, y, 2)), 7);
        }
    }
}

void TstCDIBSection::resampleSourceOnePixelWideOrHigh()
{
    // One pixel wide, three high (memory rows 0, 100, 200): the missing right neighbour is the pixel itself.
    cDIBSection column;
    QVERIFY(column.Create(1, 3));
    for (int y = 0; y < 3; ++y)
        for (int c = 0; c < 3; ++c)
            pixelByte(column, 0, y, c) = uchar(100 * y + c);
    std::unique_ptr<cDIBSection> wide = column.Resample(4, 3);
    QVERIFY(wide);
    // Scale 2 / 4 = 0.5: samples at rows 0, 0.5, 1 and 1.5.
    const int expected[4] = {0, 50, 100, 150};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                QCOMPARE(int(pixelByte(*wide, x, y, c)), expected[y] + c);

    // One pixel high: the missing row below is the row itself.
    cDIBSection row;
    QVERIFY(row.Create(3, 1));
    for (int x = 0; x < 3; ++x)
        pixelByte(row, x, 0, 1) = uchar(60 * x);
    std::unique_ptr<cDIBSection> tall = row.Resample(3, 6);
    QVERIFY(tall);
    // Scale 2 / 6 = 1/3 in single precision: samples 0, 1/3, 2/3, 1, 4/3, 5/3.
    const int greens[6] = {0, 20, 40, 60, 80, 100};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            QCOMPARE(int(pixelByte(*tall, x, y, 1)), greens[x]);
}

void TstCDIBSection::randomiseBits_data()
{
    QTest::addColumn<bool>("gray");
    QTest::newRow("colour") << false;
    QTest::newRow("gray") << true;
}

void TstCDIBSection::randomiseBits()
{
    QFETCH(bool, gray);
    cDIBSection dib;
    // Width 5: 15 bytes of pixels and one padding byte per row.
    QVERIFY(dib.Create(5, 40));
    const int stride = dib.BytesPerScanLine();
    for (int y = 0; y < 40; ++y)
        dib.DIBSectionBitsPtr()[y * stride + 15] = 0xA5;
    dib.RandomiseBits(gray);

    std::set<int> values;
    int greenDiffersFromRed = 0;
    for (int y = 0; y < 40; ++y) {
        QCOMPARE(dib.DIBSectionBitsPtr()[y * stride + 15], uchar(0xA5));
        for (int x = 0; x < 5; ++x) {
            const int b = pixelByte(dib, x, y, 0), g = pixelByte(dib, x, y, 1), r = pixelByte(dib, x, y, 2);
            if (gray) {
                QCOMPARE(b, g);
                QCOMPARE(g, r);
            } else {
                QCOMPARE(b, 0);
                greenDiffersFromRed += (g != r);
            }
            values.insert(g);
            values.insert(r);
        }
    }
    // 200 pixels of uniform values over 0..255: far more than a handful of distinct values.
    QVERIFY2(values.size() > 50, qPrintable(QString::number(values.size())));
    if (!gray)
        QVERIFY(greenDiffersFromRed > 100);
}

void TstCDIBSection::copyToClipboard()
{
    QImage picture(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            picture.setPixel(x, y, qRgb(40 * x, 80 * y, 7));
    cDIBSection dib;
    dib.CreateFromPicture(picture);

    QApplication::clipboard()->setText(QStringLiteral("before"));
    QVERIFY(dib.CopyToClipboard(false));
    const QImage copied = QApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(5, 3));
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), picture);

    cDIBSection empty;
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QVERIFY(!empty.CopyToClipboard(false));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
}

void TstCDIBSection::copyToClipboardAsDibShowsMessage()
{
    FakeDialogs dialogs;
    cDIBSection dib;
    QVERIFY(dib.Create(2, 2));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QVERIFY(!dib.CopyToClipboard(true));
    QCOMPARE(dialogs.messages,
        QStringList {QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!")});
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    QVERIFY(!QApplication::clipboard()->mimeData()->hasImage());
}

void TstCDIBSection::clearUpRepeats()
{
    cDIBSection dib;
    dib.ClearUp();
    dib.ClearUp();
    QVERIFY(!dib.hdc() && !dib.hDib() && !dib.DIBSectionBitsPtr());

    QVERIFY(dib.Create(6, 4));
    dib.ClearUp();
    dib.ClearUp();
    QVERIFY(!dib.hdc() && !dib.hDib() && !dib.DIBSectionBitsPtr());
    // The descriptor keeps its size; the bitmap can be made again.
    QCOMPARE(dib.Width(), 6);
    QCOMPARE(dib.Height(), 4);
    QVERIFY(dib.Create(2, 3));
    QCOMPARE(dib.BytesPerScanLine(), 8);
    QVERIFY(dib.DIBSectionBitsPtr());

    // Memory handed out by CreateDIB stays valid for the bits pointer even after the caller lets it go.
    std::shared_ptr<DibPixels> handle;
    QVERIFY(dib.CreateDIB(nullptr, 3, 3, handle));
    uchar *bits = dib.DIBSectionBitsPtr();
    QCOMPARE(bits, handle->data.get());
    handle.reset();
    bits[3 * 12 - 1] = 0x42;
    QCOMPARE(dib.DIBSectionBitsPtr()[3 * 12 - 1], uchar(0x42));
}

QTEST_MAIN(TstCDIBSection)
#include "tst_cdibsection.moc"
