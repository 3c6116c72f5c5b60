// Window shapes cut from pictures (as the remote control cuts its own), applied to windows, saved and loaded.
#include "appearance/cdibsection.h"
#include "appearance/cdibsectionregion.h"
#include "appearance/numberederror.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "perrunxorregion.h"

#include <QDataStream>
#include <QRandomGenerator>
#include <QTest>
#include <QWidget>

#include <array>
#include <climits>
#include <csignal>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

using Rects = QList<QRect>;
using RawRect = std::array<qint32, 4>; // left, top, right, bottom as stored in a file

namespace {

// A picture drawn from text rows, top row first: '#' white, '.' the transparent colour, 'x' the transparent
// colour with red and blue swapped.
QImage picture(const QStringList &rows, ColourValue trans)
{
    const QRgb clear = qRgb(trans & 0xFF, (trans >> 8) & 0xFF, (trans >> 16) & 0xFF);
    const QRgb swapped = qRgb(qBlue(clear), qGreen(clear), qRed(clear));
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x] == u'.' ? clear : rows[y][x] == u'x' ? swapped : qRgb(255, 255, 255));
    return image;
}

Rects rectsOf(const QRegion &region)
{
    return Rects(region.begin(), region.end());
}

// Region data written field by field, independently of the code under test.
QByteArray regionFile(const QList<RawRect> &rects, quint32 headerSize = 32, quint32 type = 1, int extra = 0)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << headerSize << type << quint32(rects.size() + extra) << quint32(16 * rects.size()) << 0 << 0 << 0 << 0;
    for (const RawRect &r : rects)
        out << r[0] << r[1] << r[2] << r[3];
    return data;
}

// Runs the call and returns the number of the NumberedError it raised, 0 when none.
template<typename Call> int errorNumber(Call call)
{
    try {
        call();
    } catch (const NumberedError &error) {
        return error.number();
    }
    return 0;
}

// The three rectangles of the sample region data file region9101.rgn.
const Rects sampleRects {QRect(0, 0, 5, 1), QRect(0, 1, 2, 2), QRect(3, 1, 2, 2)};

} // namespace

class TstCDIBSectionRegion : public QObject
{
    Q_OBJECT

private slots:
    void shapeOfPicture_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<ColourValue>("trans");
        QTest::newRow("all transparent") << QStringList {u"..."_s, u"..."_s} << ColourValue(0x00123456);
        QTest::newRow("run reaching the bottom row") << QStringList {u"###"_s, u"#.#"_s, u"#.#"_s} << ColourValue(0);
        // Width 3: the three black padding bytes of each row are no pixel.
        QTest::newRow("black, padding not cut") << QStringList {u"###"_s, u"###"_s} << ColourValue(0);
        QTest::newRow("black, last column cut") << QStringList {u"##."_s, u"##."_s} << ColourValue(0);
        QTest::newRow("colour as 0x00BBGGRR") << QStringList {u".x."_s, u"xx."_s} << ColourValue(0x00FF8040);
        // A picture read from a file may hold its pixels as three bytes, red first.
        QTest::newRow("colour as 0x00BBGGRR, 24-bit picture")
            << QStringList {u".x."_s, u"xx."_s} << ColourValue(0x00FF8040);
        QTest::newRow("highest byte of the colour ignored") << QStringList {u"#.#"_s} << ColourValue(0xFF00FF00);
        // Random pixels, and blocks of 8 x 4 that give bands to merge.
        for (const QSize size : {QSize(7, 5), QSize(33, 17), QSize(121, 90)}) {
            QRandomGenerator random(quint32(size.width()));
            QStringList rows(size.height(), QString(size.width(), u'#'));
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    if (size.width() > 100 ? ((x / 8) * 7 + (y / 4) * 3) % 5 < 2 : random.bounded(2))
                        rows[y][x] = u'.';
            QTest::addRow("%d x %d", size.width(), size.height()) << rows << ColourValue(0x00010203);
        }
    }
    void shapeOfPicture()
    {
        QFETCH(QStringList, rows);
        QFETCH(ColourValue, trans);
        cDIBSection dib;
        QImage image = picture(rows, trans);
        if (QByteArray(QTest::currentDataTag()).endsWith("24-bit picture"))
            image.convertTo(QImage::Format_RGB888);
        dib.CreateFromPicture(image);
        cDIBSectionRegion region;
        region.Create(dib, trans);
        QVERIFY(region.region().has_value());
        // The area the picture's own pixels say...
        QRegion drawn;
        for (int y = 0; y < rows.size(); ++y)
            for (int x = 0; x < rows[y].size(); ++x)
                drawn += rows[y][x] == u'.' ? QRect() : QRect(x, y, 1, 1);
        QVERIFY(region.region()->xored(drawn).isEmpty());
        // ...in the same rectangles, in the same order, as the slow per-run build.
        QCOMPARE(rectsOf(*region.region()), rectsOf(perRunXorRegion(dib, trans)));
    }
    void appliedToWindows()
    {
        cDIBSection dib;
        dib.CreateFromPicture(picture({u"#.#"_s, u"###"_s}, 0));
        cDIBSectionRegion region;
        region.Create(dib);
        const QRegion shape = *region.region();
        QWidget first, second;
        auto gone = std::make_unique<QWidget>();
        for (QWidget *window : {&first, gone.get(), &second, &first})
            region.Applied(window, true);
        QVERIFY(region.AppliedToCount() == 3 && first.mask() == shape && second.mask() == shape);
        // A window that goes away leaves the list; the others keep their place and shape.
        gone.reset();
        QVERIFY(region.AppliedToCount() == 2 && region.hWndForIndex(2) == &second);
        QCOMPARE(errorNumber([&] { region.hWndForIndex(3); }), 9);
        region.Applied(&first, false);
        QVERIFY(!region.Applied(&first) && first.mask().isEmpty());
        QCOMPARE(second.mask(), shape);
        {
            // An all-transparent picture leaves nothing showing; the region's end takes the shape away.
            dib.CreateFromPicture(picture({u"..."_s}, 0x00ABCDEF));
            cDIBSectionRegion shortLived;
            shortLived.Create(dib, 0x00ABCDEF);
            shortLived.Applied(&first, true);
            QVERIFY(!first.mask().isEmpty() && first.mask().intersected(first.rect()).isEmpty());
        }
        QVERIFY(first.mask().isEmpty());
        // A new shape takes the old one from every window.
        region.Create(dib, 0x00ABCDEF);
        QVERIFY(second.mask().isEmpty() && region.AppliedToCount() == 0);
    }
    void fileRoundTrip()
    {
        // With no region there is nothing to save; the sample file loads from the resources and saves back byte for
        // byte.
        const QByteArray sample = fileBytes(u":/rcdata/9101"_s);
        cDIBSectionRegion region;
        QCOMPARE(errorNumber([&] { region.Save(m_env.path(u"none.rgn"_s)); }), 26010);
        QVERIFY(region.LoadFromResource(9101));
        QCOMPARE(rectsOf(*region.region()), sampleRects);
        QCOMPARE(errorNumber([&] { region.LoadFromResource(4242); }), 326);
        const QString path = m_env.path(u"shape.rgn"_s);
        QVERIFY(writeFileBytes(path, QByteArray(500, 'z')));
        QVERIFY(region.Save(path));
        QCOMPARE(fileBytes(path), sample);

        // A shape cut from a picture comes back the same; so does an empty one.
        cDIBSection dib;
        for (const QStringList &rows : {QStringList {u"#..##"_s, u"#...#"_s, u"#####"_s}, QStringList {u".."_s}}) {
            dib.CreateFromPicture(picture(rows, 0));
            region.Create(dib);
            QVERIFY(region.Save(path));
            cDIBSectionRegion loaded;
            QVERIFY(loaded.LoadFromFile(path) && loaded.region().has_value());
            QCOMPARE(rectsOf(*loaded.region()), rectsOf(*region.region()));
        }
        QCOMPARE(fileBytes(path), regionFile({}));

        // A save that fails leaves the old file as it was. 50 rectangles: 832 bytes, more than the files the process
        // may write.
        dib.CreateFromPicture(picture({QString(50, u'#').replace(u'#', u"#."_s)}, 0));
        region.Create(dib);
        QCOMPARE(errorNumber([&] { region.Save(m_env.root()); }), 75);
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small {100, saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const int number = errorNumber([&] { region.Save(path); });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(number, 57);
        QCOMPARE(fileBytes(path), regionFile({}));

        // Other programs' files: rectangles in any order, overlapping, empty or inverted, bytes after the list.
        QVERIFY(writeFileBytes(path,
            regionFile({{3, 1, 5, 3}, {0, 0, 5, 1}, {0, 1, 2, 3}, {1, 1, 2, 2}, {9, 9, 9, 12}, {7, 7, 6, 8}})
                + QByteArray(2, 0)));
        QVERIFY(region.LoadFromFile(path));
        QCOMPARE(rectsOf(*region.region()), sampleRects);
    }
    void badFileLoadsNothing_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("error");
        const QList<RawRect> one {{0, 0, 2, 2}};
        QTest::newRow("missing") << QByteArray("<missing>") << 53;
        QTest::newRow("a folder") << QByteArray("<folder>") << 75;
        QTest::newRow("empty") << QByteArray() << 62;
        QTest::newRow("shorter than the header") << regionFile(one).left(20) << 0;
        QTest::newRow("header size 40") << regionFile(one, 40) << 0;
        QTest::newRow("type 2") << regionFile(one, 32, 2) << 0;
        QTest::newRow("count beyond the data") << regionFile(one, 32, 1, 1) << 0;
        QTest::newRow("last rectangle cut short") << regionFile({{0, 0, 2, 2}, {4, 4, 6, 6}}).chopped(1) << 0;
        // 16 x 2^28 wraps to 0 in 32 bits, which would "fit" an empty list.
        QTest::newRow("count whose byte size wraps") << regionFile({}, 32, 1, 0x10000000) << 0;
        QTest::newRow("width overflows") << regionFile({{INT_MIN, 0, INT_MAX, 1}}) << 0;
    }
    void badFileLoadsNothing()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, error);
        const QString path = data == "<folder>" ? m_env.root() : m_env.path(u"bad.rgn"_s);
        QVERIFY(data.startsWith('<') || writeFileBytes(path, data));
        cDIBSectionRegion region;
        QVERIFY(region.LoadFromResource(9101));
        QWidget window;
        region.Applied(&window, true);
        bool loaded = true;
        QCOMPARE(errorNumber([&] { loaded = region.LoadFromFile(path); }), error);
        // Raised before anything was read, the old shape stays; malformed data is a failed build that leaves no
        // region and takes the windows' shape.
        QVERIFY(region.region().has_value() == (error != 0) && (error || !loaded));
        QCOMPARE(window.mask(), error ? QRegion(sampleRects.first()) + sampleRects[1] + sampleRects[2] : QRegion());
    }

private:
    TestEnvironment m_env;
};

QTEST_MAIN(TstCDIBSectionRegion)
#include "tst_cdibsectionregion.moc"
