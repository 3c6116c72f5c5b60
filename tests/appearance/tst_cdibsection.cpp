// The bitmap the remote control builds its shape from: a picture's pixels in bottom-up, blue-green-red rows
// padded to four bytes, and sizes that cannot be held refused without touching memory.
#include "appearance/cdibsection.h"

#include <QTest>

#include <limits>

using namespace quillet;

class TstCDIBSection : public QObject
{
    Q_OBJECT

private slots:
    void byteLayoutFromPicture_data();
    void byteLayoutFromPicture();
    void refusesSizes_data();
    void refusesSizes();
};

void TstCDIBSection::byteLayoutFromPicture_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("32-bit RGB") << QImage::Format_RGB32;
    QTest::newRow("32-bit ARGB") << QImage::Format_ARGB32;
    QTest::newRow("24-bit RGB, converted") << QImage::Format_RGB888;
}

void TstCDIBSection::byteLayoutFromPicture()
{
    QFETCH(QImage::Format, format);
    // Width 3 leaves three padding bytes per row.
    QImage picture(3, 2, QImage::Format_RGB32);
    const QRgb colours[2][3]
        = {{qRgb(1, 2, 3), qRgb(10, 20, 30), qRgb(100, 150, 200)}, {qRgb(250, 0, 5), qRgb(7, 8, 9), qRgb(40, 50, 60)}};
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x)
            picture.setPixel(x, row, colours[row][x]);
    picture = picture.convertToFormat(format);

    cDIBSection dib;
    dib.CreateFromPicture(picture);
    QCOMPARE(dib.Width(), 3);
    QCOMPARE(dib.Height(), 2);
    QCOMPARE(dib.BytesPerScanLine(), 12);
    const uchar *bits = dib.DIBSectionBitsPtr();
    for (int row = 0; row < 2; ++row) {
        // The picture's top row is the last row in memory.
        const uchar *line = bits + (1 - row) * 12;
        for (int x = 0; x < 3; ++x) {
            QCOMPARE(line[3 * x], uchar(qBlue(colours[row][x])));
            QCOMPARE(line[3 * x + 1], uchar(qGreen(colours[row][x])));
            QCOMPARE(line[3 * x + 2], uchar(qRed(colours[row][x])));
        }
        for (int pad = 9; pad < 12; ++pad)
            QCOMPARE(line[pad], uchar(0));
    }
    QCOMPARE(dib.toImage(), picture.convertToFormat(QImage::Format_RGB32));
}

void TstCDIBSection::refusesSizes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("zero width") << 0 << 5;
    QTest::newRow("negative height") << 5 << -3;
    QTest::newRow("row length overflows") << std::numeric_limits<int>::max() << 1;
    QTest::newRow("image of 2 GiB") << 32768 << 32768;
}

void TstCDIBSection::refusesSizes()
{
    QFETCH(int, width);
    QFETCH(int, height);
    cDIBSection dib;
    QVERIFY(dib.Create(3, 2));
    QVERIFY(!dib.Create(width, height));
    QVERIFY(!dib.DIBSectionBitsPtr());
    QVERIFY(dib.toImage().isNull());
}

QTEST_MAIN(TstCDIBSection)
#include "tst_cdibsection.moc"
