// The 24-bit bitmap's own pixel work, read back byte by byte from its memory: resized copies and random fills.
#include "appearance/cdibsection.h"

#include <QTest>

using namespace quillet;
using namespace Qt::StringLiterals;

namespace {

// A bitmap of that size whose memory rows are the given hex strings (blue, green, red a pixel); padding is
// filled with 0xAB so that a stray write shows.
std::unique_ptr<cDIBSection> bitmap(qint32 width, const QStringList &rows)
{
    auto dib = std::make_unique<cDIBSection>();
    if (!dib->Create(width, qint32(rows.size())))
        return nullptr;
    for (qsizetype y = 0; y < rows.size(); ++y) {
        uchar *row = dib->DIBSectionBitsPtr() + y * dib->BytesPerScanLine();
        std::fill(row, row + dib->BytesPerScanLine(), uchar(0xAB));
        const QByteArray pixels = QByteArray::fromHex(rows[y].toLatin1());
        std::copy(pixels.begin(), pixels.end(), row);
    }
    return dib;
}

// The memory rows of the bitmap as hex strings, padding left out.
QStringList rowsOf(const cDIBSection &dib)
{
    QStringList rows;
    for (qint32 y = 0; y < dib.Height(); ++y) {
        const auto *row = reinterpret_cast<const char *>(dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine());
        rows << QString::fromLatin1(QByteArray(row, 3 * dib.Width()).toHex());
    }
    return rows;
}

} // namespace

class TstCDibSection : public QObject
{
    Q_OBJECT

private slots:
    void resample_data()
    {
        QTest::addColumn<qint32>("width");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint32>("newWidth");
        QTest::addColumn<qint32>("newHeight");
        QTest::addColumn<QStringList>("expected");

        const QStringList square {u"000aff641400"_s, u"c81e003229ff"_s};
        QTest::newRow("same size: an exact copy") << 2 << square << 2 << 2 << square;
        // The scale is 1/4: column and row 3 sample position 0.75 and never reach the last source pixel. Rows are
        // blended first and rounded, then columns; 12.5 rounds to the even 12.
        QTest::newRow("2 x 2 to 4 x 4") << 2 << square << 4 << 4
                                        << QStringList {u"000aff190cbf320f804b1240"_s, u"320fbf3c129f4514804e1660"_s,
                                               u"6414805e1680581980511c80"_s, u"961940801c606a1e8054219f"_s};
        QTest::newRow("only wider: interpolated too")
            << 2 << square << 4 << 2 << QStringList {u"000aff190cbf320f804b1240"_s, u"6414805e1680581980511c80"_s};
        QTest::newRow("one pixel wide: the edge is its own neighbour")
            << 1 << QStringList {u"010203"_s, u"090807"_s} << 2 << 3
            << QStringList {u"010203010203"_s, u"040404040404"_s, u"060606060606"_s};
        QTest::newRow("to no width: nothing") << 2 << square << 0 << 2 << QStringList();
    }
    void resample()
    {
        QFETCH(qint32, width);
        QFETCH(QStringList, rows);
        QFETCH(qint32, newWidth);
        QFETCH(qint32, newHeight);
        QFETCH(QStringList, expected);
        const auto source = bitmap(width, rows);
        QVERIFY(source);
        const auto resampled = source->Resample(newHeight, newWidth);
        QCOMPARE(bool(resampled), !expected.isEmpty());
        if (!resampled)
            return;
        QCOMPARE(resampled->Width(), newWidth);
        QCOMPARE(rowsOf(*resampled), expected);
        QCOMPARE(rowsOf(*source), rows);
    }
    void randomFillWritesEveryPixelAndNoPadding_data()
    {
        QTest::addColumn<bool>("gray");
        QTest::newRow("colour") << false;
        QTest::newRow("gray") << true;
    }
    void randomFillWritesEveryPixelAndNoPadding()
    {
        QFETCH(bool, gray);
        // Three pixels a row leave three bytes of padding; every pixel starts as 01 02 03, which neither mode
        // can leave behind.
        const QString start = u"010203"_s.repeated(3);
        const auto dib = bitmap(3, QStringList(4, start));
        QVERIFY(dib);
        dib->RandomiseBits(gray);

        QSet<QByteArray> seen;
        for (qint32 y = 0; y < dib->Height(); ++y) {
            const uchar *row = dib->DIBSectionBitsPtr() + y * dib->BytesPerScanLine();
            for (int x = 0; x < 3; ++x) {
                const uchar *pixel = row + 3 * x;
                // Gray pixels have three equal bytes; coloured ones leave the blue byte at 0.
                QVERIFY2(gray ? pixel[0] == pixel[1] && pixel[1] == pixel[2] : pixel[0] == 0,
                    qPrintable(u"pixel %1,%2"_s.arg(x).arg(y)));
                seen.insert(QByteArray(reinterpret_cast<const char *>(pixel), 3));
            }
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(row) + 9, 3), QByteArray(3, char(0xAB)));
        }
        // Twelve pixels drawn at random are not all alike.
        QVERIFY2(seen.size() > 1, "every pixel got the same value");
    }
};

QTEST_GUILESS_MAIN(TstCDibSection)
#include "tst_cdibsection.moc"
