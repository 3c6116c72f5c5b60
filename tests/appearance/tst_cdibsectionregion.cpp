#include "appearance/cdibsection.h"
#include "appearance/cdibsectionregion.h"
#include "appearance/numberederror.h"
#include "common/appdirs.h"
#include "fakes/testenv.h"
#include "perrunxorregion.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QWidget>

#include <array>
#include <csignal>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::testing;

using Rects = QList<QRect>;
using RawRect = std::array<qint32, 4>; // left, top, right, bottom as stored in a file

namespace {

// A bitmap drawn from text rows, top row first: '#' white, '.' the transparent colour, 'x' the transparent
// colour with red and blue swapped. The padding bytes of every row are left black (zero).
void drawPattern(cDIBSection &dib, const QStringList &rows, ColourValue trans)
{
    const int height = int(rows.size());
    const int width = int(rows.first().size());
    QVERIFY(dib.Create(width, height));
    const uchar red = trans & 0xFF, green = (trans >> 8) & 0xFF, blue = (trans >> 16) & 0xFF;
    for (int top = 0; top < height; ++top) {
        uchar *row = dib.DIBSectionBitsPtr() + qsizetype(height - 1 - top) * dib.BytesPerScanLine();
        for (int x = 0; x < width; ++x) {
            const char c = rows[top][x].toLatin1();
            uchar *pixel = row + 3 * x;
            pixel[0] = c == '.' ? blue : c == 'x' ? red : 255;
            pixel[1] = c == '#' ? 255 : green;
            pixel[2] = c == '.' ? red : c == 'x' ? blue : 255;
        }
    }
}

Rects rectsOf(const QRegion &region)
{
    return Rects(region.begin(), region.end());
}

// Region data written field by field, independently of the code under test.
QByteArray regionFile(const QList<RawRect> &rects, quint32 headerSize = 32, quint32 type = 1,
    std::optional<quint32> count = std::nullopt, RawRect bounds = {0, 0, 0, 0})
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << headerSize << type << count.value_or(quint32(rects.size())) << quint32(16 * rects.size());
    for (qint32 v : bounds)
        out << v;
    for (const RawRect &r : rects)
        for (qint32 v : r)
            out << v;
    return data;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the call and returns the number of the NumberedError it raised (0 when none); checks the source text.
template<typename Call> int errorNumber(Call call, QString *description = nullptr)
{
    try {
        call();
    } catch (const NumberedError &error) {
        if (!error.source().endsWith(QStringLiteral(".cDIBSectionRegion"))
            || !error.source().startsWith(applicationName()))
            return -1;
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

// A region with the three rectangles of the region9101.rgn resource.
Rects resourceRects()
{
    return {QRect(0, 0, 5, 1), QRect(0, 1, 2, 2), QRect(3, 1, 2, 2)};
}

} // namespace

class TstCDIBSectionRegion : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void createFromBitmap_data();
    void createFromBitmap();
    void createMatchesPerRunExclusiveOr_data();
    void createMatchesPerRunExclusiveOr();
    void createWithoutPixelsLeavesNoRegion();
    void appliedOnAndOff();
    void appliedRemovesSecondOfThree();
    void destroyedWindowIsDropped();
    void destroyAndCreateDetachWindows();
    void saveAndLoadRoundTrip();
    void handWrittenFileLoads();
    void saveErrors();
    void failedSaveKeepsOldFile();
    void loadFromFileErrors();
    void corruptFileLoadsNothing_data();
    void corruptFileLoadsNothing();
    void randomAndMutatedFiles();
    void loadFromOwnResource();
    void loadFromModule();

private:
    std::unique_ptr<TestEnvironment> m_env;
};

void TstCDIBSectionRegion::createFromBitmap_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<ColourValue>("trans");
    QTest::addColumn<Rects>("expected");
    const ColourValue black = 0;
    QTest::newRow("no transparent pixel: full rectangle")
        << QStringList {QStringLiteral("####"), QStringLiteral("####"), QStringLiteral("####")} << black
        << Rects {QRect(0, 0, 4, 3)};
    QTest::newRow("all transparent: empty")
        << QStringList {QStringLiteral("..."), QStringLiteral("...")} << ColourValue(0x00123456) << Rects {};
    QTest::newRow("run reaching the bottom row") << QStringList {QStringLiteral("###"), QStringLiteral("#.#"),
        QStringLiteral("#.#")} << black << Rects {QRect(0, 0, 3, 1), QRect(0, 1, 1, 2), QRect(2, 1, 1, 2)};
    // Width 3: nine pixel bytes and three black padding bytes per row, a whole pixel's worth.
    QTest::newRow("padding, black transparent, nothing cut")
        << QStringList {QStringLiteral("###"), QStringLiteral("###")} << black << Rects {QRect(0, 0, 3, 2)};
    QTest::newRow("padding, black transparent, last column cut")
        << QStringList {QStringLiteral("##."), QStringLiteral("##.")} << black << Rects {QRect(0, 0, 2, 2)};
    QTest::newRow("colour bytes in blue, green, red order") << QStringList {QStringLiteral(".x."),
        QStringLiteral("xx.")} << ColourValue(0x00FF8040) << Rects {QRect(1, 0, 1, 1), QRect(0, 1, 2, 1)};
    QTest::newRow("highest byte of the colour ignored")
        << QStringList {QStringLiteral("#.#")} << ColourValue(0xFF00FF00)
        << Rects {QRect(0, 0, 1, 1), QRect(2, 0, 1, 1)};
    QTest::newRow("equal rows merge into one band") << QStringList {QStringLiteral("#.#"), QStringLiteral("#.#"),
        QStringLiteral("...")} << black << Rects {QRect(0, 0, 1, 2), QRect(2, 0, 1, 2)};
}

void TstCDIBSectionRegion::createFromBitmap()
{
    QFETCH(QStringList, rows);
    QFETCH(ColourValue, trans);
    QFETCH(Rects, expected);
    cDIBSection dib;
    drawPattern(dib, rows, trans);
    cDIBSectionRegion region;
    region.Create(dib, trans);
    QVERIFY(region.region().has_value());
    QCOMPARE(rectsOf(*region.region()), expected);
    QCOMPARE(rectsOf(*region.region()), rectsOf(perRunXorRegion(dib, trans)));
}

void TstCDIBSectionRegion::createMatchesPerRunExclusiveOr_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("transparentPercent");
    QTest::newRow("1 x 1") << 1 << 1 << 50;
    QTest::newRow("7 x 5, sparse") << 7 << 5 << 10;
    QTest::newRow("33 x 17, half") << 33 << 17 << 50;
    QTest::newRow("64 x 48, dense") << 64 << 48 << 90;
    QTest::newRow("121 x 90, blocks") << 121 << 90 << -1;
}

void TstCDIBSectionRegion::createMatchesPerRunExclusiveOr()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, transparentPercent);
    QRandomGenerator random(quint32(width * 1000 + height));
    QStringList rows;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < width; ++x) {
            // Blocks of 8 x 4 with the same choice give bands that merge; otherwise every pixel is drawn.
            const bool transparent = transparentPercent < 0 ? ((x / 8) * 7 + (y / 4) * 3) % 5 < 2
                                                            : int(random.bounded(100)) < transparentPercent;
            row.append(transparent ? QLatin1Char('.') : QLatin1Char('#'));
        }
        rows << row;
    }
    cDIBSection dib;
    drawPattern(dib, rows, 0x00010203);
    cDIBSectionRegion region;
    region.Create(dib, 0x00010203);
    const QRegion reference = perRunXorRegion(dib, 0x00010203);
    QVERIFY(region.region().has_value());
    QCOMPARE(rectsOf(*region.region()), rectsOf(reference));
    QVERIFY(region.region()->xored(reference).isEmpty());
}

void TstCDIBSectionRegion::createWithoutPixelsLeavesNoRegion()
{
    cDIBSection dib;
    QVERIFY(dib.Create(4, 4));
    cDIBSectionRegion region;
    region.Create(dib);
    QVERIFY(region.region().has_value());
    // After ClearUp the descriptor still says 4 x 4, but there is no pixel memory to read.
    dib.ClearUp();
    region.Create(dib);
    QVERIFY(!region.region().has_value());
    cDIBSection never;
    region.Create(never, 0);
    QVERIFY(!region.region().has_value());
}

void TstCDIBSectionRegion::appliedOnAndOff()
{
    cDIBSection dib;
    drawPattern(dib, {QStringLiteral("#.#"), QStringLiteral("###")}, 0);
    cDIBSectionRegion region;
    region.Create(dib);
    QWidget window, other;
    window.resize(3, 2);
    QVERIFY(!region.Applied(&window));
    QCOMPARE(region.AppliedToCount(), 0);

    region.Applied(&window, true);
    region.Applied(&window, true);
    QVERIFY(region.Applied(&window));
    QCOMPARE(region.AppliedToCount(), 1);
    QCOMPARE(region.hWndForIndex(1), &window);
    QCOMPARE(window.mask(), *region.region());

    // Off for a window never listed: its shape goes, the list stays.
    other.setMask(QRegion(0, 0, 1, 1));
    region.Applied(&other, false);
    QVERIFY(other.mask().isEmpty());
    QCOMPARE(region.AppliedToCount(), 1);
    QCOMPARE(window.mask(), *region.region());

    QCOMPARE(errorNumber([&] { region.hWndForIndex(0); }), 9);
    QCOMPARE(errorNumber([&] { region.hWndForIndex(2); }), 9);

    region.Applied(&window, false);
    QVERIFY(!region.Applied(&window));
    QCOMPARE(region.AppliedToCount(), 0);
    QVERIFY(window.mask().isEmpty());

    // An empty region (every pixel transparent) leaves no pixel of the window showing.
    drawPattern(dib, {QStringLiteral("...")}, 0x00ABCDEF);
    region.Create(dib, 0x00ABCDEF);
    region.Applied(&window, true);
    QVERIFY(!window.mask().isEmpty());
    QVERIFY(window.mask().intersected(window.rect()).isEmpty());
}

void TstCDIBSectionRegion::appliedRemovesSecondOfThree()
{
    cDIBSection dib;
    drawPattern(dib, {QStringLiteral("#.")}, 0);
    cDIBSectionRegion region;
    region.Create(dib);
    QWidget first, second, third;
    region.Applied(&first, true);
    region.Applied(&second, true);
    region.Applied(&third, true);
    QCOMPARE(region.AppliedToCount(), 3);

    region.Applied(&second, false);
    QCOMPARE(region.AppliedToCount(), 2);
    QCOMPARE(region.hWndForIndex(1), &first);
    QCOMPARE(region.hWndForIndex(2), &third);
    QVERIFY(second.mask().isEmpty());
    QCOMPARE(first.mask(), QRegion(0, 0, 1, 1));
    QCOMPARE(third.mask(), QRegion(0, 0, 1, 1));
    QCOMPARE(errorNumber([&] { region.hWndForIndex(3); }), 9);
}

void TstCDIBSectionRegion::destroyedWindowIsDropped()
{
    cDIBSection dib;
    drawPattern(dib, {QStringLiteral("##."), QStringLiteral("#..")}, 0);
    cDIBSectionRegion region;
    region.Create(dib);
    QWidget kept;
    auto gone = std::make_unique<QWidget>();
    region.Applied(gone.get(), true);
    region.Applied(&kept, true);
    gone.reset();
    QCOMPARE(region.AppliedToCount(), 1);
    QCOMPARE(region.hWndForIndex(1), &kept);
    // The region outlives the window it shaped: the other window keeps it, and it still saves.
    QCOMPARE(kept.mask(), *region.region());
    QVERIFY(region.Save(m_env->path(QStringLiteral("after.rgn"))));
    region.Destroy();
    QVERIFY(kept.mask().isEmpty());

    // A window owning the region object that shapes it: the region goes down with the window's children.
    auto owner = std::make_unique<QWidget>();
    auto *owned = new cDIBSectionRegion(owner.get());
    owned->Create(dib);
    owner->show();
    owned->Applied(owner.get(), true);
    owner.reset();
}

void TstCDIBSectionRegion::destroyAndCreateDetachWindows()
{
    cDIBSection dib;
    drawPattern(dib, {QStringLiteral("#.")}, 0);
    QWidget a, b;
    {
        cDIBSectionRegion region;
        region.Create(dib);
        region.Applied(&a, true);
        region.Applied(&b, true);
        // A new Create takes the old shape from every window and empties the list.
        region.Create(dib);
        QVERIFY(a.mask().isEmpty() && b.mask().isEmpty());
        QCOMPARE(region.AppliedToCount(), 0);
        QVERIFY(region.region().has_value());

        region.Applied(&a, true);
        region.Destroy();
        QVERIFY(a.mask().isEmpty());
        QCOMPARE(region.AppliedToCount(), 0);
        QVERIFY(!region.region().has_value());
        region.Destroy();

        region.Create(dib);
        region.Applied(&b, true);
        QVERIFY(!b.mask().isEmpty());
    }
    // Destroying the object takes its shape from the windows.
    QVERIFY(b.mask().isEmpty());
}

void TstCDIBSectionRegion::saveAndLoadRoundTrip()
{
    cDIBSection dib;
    drawPattern(dib, {QStringLiteral("#..##"), QStringLiteral("#...#"), QStringLiteral("#####")}, 0);
    cDIBSectionRegion region;
    region.Create(dib);
    const QString path = m_env->path(QStringLiteral("shape.rgn"));
    QVERIFY(writeFile(path, QByteArray(500, 'z')));
    QVERIFY(region.Save(path));

    // One band per row: the rows differ, so even the left column is one rectangle per band.
    const Rects expected {
        QRect(0, 0, 1, 1), QRect(3, 0, 2, 1), QRect(0, 1, 1, 1), QRect(4, 1, 1, 1), QRect(0, 2, 5, 1)};
    QCOMPARE(rectsOf(*region.region()), expected);
    // The whole file is the region data, the old longer content gone.
    QCOMPARE(readFile(path),
        regionFile(
            {{0, 0, 1, 1}, {3, 0, 5, 1}, {0, 1, 1, 2}, {4, 1, 5, 2}, {0, 2, 5, 3}}, 32, 1, std::nullopt, {0, 0, 5, 3}));

    cDIBSectionRegion loaded;
    QVERIFY(loaded.LoadFromFile(path));
    QCOMPARE(rectsOf(*loaded.region()), expected);

    // An empty region saves as a header alone and loads back as an empty region.
    drawPattern(dib, {QStringLiteral("..")}, 0);
    region.Create(dib);
    QVERIFY(region.Save(path));
    QCOMPARE(readFile(path), regionFile({}));
    QVERIFY(loaded.LoadFromFile(path));
    QVERIFY(loaded.region().has_value() && loaded.region()->isEmpty());
}

void TstCDIBSectionRegion::handWrittenFileLoads()
{
    const QString path = m_env->path(QStringLiteral("hand.rgn"));
    // As files made by other programs list them: banded, with their own bounds and list size fields.
    QVERIFY(writeFile(path, regionFile({{0, 0, 5, 1}, {0, 1, 2, 3}, {3, 1, 5, 3}}, 32, 1, std::nullopt, {0, 0, 5, 3})));
    cDIBSectionRegion region;
    QVERIFY(region.LoadFromFile(path));
    QCOMPARE(rectsOf(*region.region()), resourceRects());

    // Rectangles in any order, overlapping, touching, empty or inverted, with bytes after the list: the union.
    QByteArray data = regionFile({{3, 1, 5, 3}, {0, 0, 5, 1}, {0, 1, 2, 3}, {1, 1, 2, 2}, {9, 9, 9, 12}, {7, 7, 6, 8},
        {-4, 10, -2, 12}, {-2, 11, 0, 12}});
    data.append(QByteArray(7, '\0'));
    QVERIFY(writeFile(path, data));
    QVERIFY(region.LoadFromFile(path));
    QRegion reference = QRegion(3, 1, 2, 2) | QRegion(0, 0, 5, 1) | QRegion(0, 1, 2, 2) | QRegion(-4, 10, 2, 2)
        | QRegion(-2, 11, 2, 1);
    QCOMPARE(rectsOf(*region.region()), rectsOf(reference));
}

void TstCDIBSectionRegion::saveErrors()
{
    cDIBSectionRegion region;
    QString description;
    QCOMPARE(errorNumber([&] { region.Save(m_env->path(QStringLiteral("none.rgn"))); }, &description), 26010);
    QCOMPARE(description, QStringLiteral("No region to save"));
    QVERIFY(!QFile::exists(m_env->path(QStringLiteral("none.rgn"))));

    cDIBSection dib;
    drawPattern(dib, {QStringLiteral("#")}, 0);
    region.Create(dib);
    const QString blocker = m_env->path(QStringLiteral("plain-file"));
    QVERIFY(writeFile(blocker, "x"));
    QCOMPARE(errorNumber([&] { region.Save(blocker + QStringLiteral("/below.rgn")); }), 75);
    QCOMPARE(errorNumber([&] { region.Save(m_env->root()); }), 75);
}

void TstCDIBSectionRegion::failedSaveKeepsOldFile()
{
    const QString path = m_env->path(QStringLiteral("kept.rgn"));
    const QByteArray old = regionFile({{0, 0, 1, 1}});
    QVERIFY(writeFile(path, old));
    // A region whose data (32 + 16 x 50 bytes) is larger than the files the process may now write.
    QStringList rows {QString(100, QLatin1Char('#'))};
    for (int x = 1; x < 100; x += 2)
        rows[0][x] = QLatin1Char('.');
    cDIBSection dib;
    drawPattern(dib, rows, 0);
    cDIBSectionRegion region;
    region.Create(dib);
    QCOMPARE(region.region()->rectCount(), 50);

    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int number = errorNumber([&] { region.Save(path); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(number, 57);
    QCOMPARE(readFile(path), old);
}

void TstCDIBSectionRegion::loadFromFileErrors()
{
    cDIBSectionRegion region;
    QVERIFY(region.LoadFromResource(9101));
    QCOMPARE(errorNumber([&] { region.LoadFromFile(m_env->path(QStringLiteral("missing.rgn"))); }), 53);
    QCOMPARE(errorNumber([&] { region.LoadFromFile(m_env->root()); }), 75);
    const QString empty = m_env->path(QStringLiteral("empty.rgn"));
    QVERIFY(writeFile(empty, QByteArray()));
    QCOMPARE(errorNumber([&] { region.LoadFromFile(empty); }), 62);
    // An error before the data is read leaves the region as it was.
    QCOMPARE(rectsOf(*region.region()), resourceRects());
}

void TstCDIBSectionRegion::corruptFileLoadsNothing_data()
{
    QTest::addColumn<QByteArray>("data");
    const QList<RawRect> one {{0, 0, 2, 2}};
    QTest::newRow("shorter than the header") << regionFile(one).left(20);
    QTest::newRow("header size 40") << regionFile(one, 40);
    QTest::newRow("header size 0") << regionFile(one, 0);
    QTest::newRow("type 2") << regionFile(one, 32, 2);
    QTest::newRow("count beyond the data") << regionFile(one, 32, 1, 2);
    QTest::newRow("last rectangle cut short") << regionFile({{0, 0, 2, 2}, {4, 4, 6, 6}}).chopped(1);
    // 16 x 2^28 wraps to 0 in 32 bits, which would "fit" an empty list.
    QTest::newRow("count whose byte size wraps") << regionFile({}, 32, 1, 0x10000000u);
    QTest::newRow("count 2^32 - 1") << regionFile(one, 32, 1, 0xFFFFFFFFu);
    QTest::newRow("width overflows") << regionFile(
        {{std::numeric_limits<qint32>::min(), 0, std::numeric_limits<qint32>::max(), 1}});
    QTest::newRow("coordinate far out") << regionFile({{0, 0, 1, 1 << 30}});
}

void TstCDIBSectionRegion::corruptFileLoadsNothing()
{
    QFETCH(QByteArray, data);
    const QString path = m_env->path(QStringLiteral("corrupt.rgn"));
    QVERIFY(writeFile(path, data));
    cDIBSectionRegion region;
    QVERIFY(region.LoadFromResource(QStringLiteral("REMOTESHAPE")));
    QWidget window;
    region.Applied(&window, true);
    QVERIFY(!region.LoadFromFile(path));
    // As a failed build: the old region is gone and the windows lost their shape.
    QVERIFY(!region.region().has_value());
    QVERIFY(window.mask().isEmpty());
    QCOMPARE(region.AppliedToCount(), 0);
}

void TstCDIBSectionRegion::randomAndMutatedFiles()
{
    QRandomGenerator random(20261206);
    const QString path = m_env->path(QStringLiteral("fuzz.rgn"));
    const QByteArray valid = regionFile({{0, 0, 5, 1}, {0, 1, 2, 3}, {3, 1, 5, 3}, {1, 4, 9, 6}});
    int loaded = 0, refused = 0, raised = 0;
    for (int round = 0; round < 1000; ++round) {
        QByteArray data;
        QList<RawRect> rects;
        switch (round % 4) {
        case 0: // random bytes
            data.resize(qsizetype(random.bounded(1, 200)));
            for (char &c : data)
                c = char(random.bounded(256));
            break;
        case 1: // a valid file with bytes changed, cut short or lengthened
            data = valid;
            for (int i = int(random.bounded(1, 6)); i > 0; --i)
                data[random.bounded(int(data.size()))] = char(random.bounded(256));
            if (random.bounded(3) == 0)
                data.truncate(random.bounded(int(data.size())));
            else if (random.bounded(3) == 0)
                data.append(QByteArray(random.bounded(40), char(random.bounded(256))));
            break;
        default: { // a valid header over random rectangles, some empty, inverted, overlapping or far out
            const int count = int(random.bounded(0, 60));
            const qint32 spread = (random.bounded(8) == 0) ? (1 << 29) : 40;
            for (int i = 0; i < count; ++i) {
                rects.append(RawRect {qint32(random.bounded(-spread, spread)), qint32(random.bounded(-spread, spread)),
                    qint32(random.bounded(-spread, spread)), qint32(random.bounded(-spread, spread))});
            }
            data = regionFile(rects, 32, 1, random.bounded(10) == 0 ? quint32(count + 1) : quint32(count));
            break;
        }
        }
        QVERIFY(writeFile(path, data));
        cDIBSectionRegion region;
        bool ok = false;
        try {
            ok = region.LoadFromFile(path);
        } catch (const NumberedError &error) {
            // Only the empty file raises; everything else loads or is refused.
            QCOMPARE(error.number(), 62);
            ++raised;
            continue;
        }
        QCOMPARE(region.region().has_value(), ok);
        ok ? ++loaded : ++refused;
        if (ok && !rects.isEmpty()) {
            // A well-formed random file: the region is exactly the union of its non-empty rectangles.
            QRegion reference;
            for (const RawRect &r : std::as_const(rects))
                if (r[0] < r[2] && r[1] < r[3])
                    reference += QRect(r[0], r[1], r[2] - r[0], r[3] - r[1]);
            QVERIFY(region.region()->xored(reference).isEmpty());
        }
        if (ok) {
            // What loaded saves and loads back unchanged.
            QVERIFY(region.Save(path));
            cDIBSectionRegion again;
            QVERIFY(again.LoadFromFile(path));
            QCOMPARE(rectsOf(*again.region()), rectsOf(*region.region()));
        }
    }
    qInfo("fuzz: %d loaded, %d refused, %d raised", loaded, refused, raised);
    QVERIFY(loaded > 100);
    QVERIFY(refused > 100);
}

void TstCDIBSectionRegion::loadFromOwnResource()
{
    cDIBSectionRegion region;
    QVERIFY(region.LoadFromResource(9101));
    QCOMPARE(rectsOf(*region.region()), resourceRects());
    QVERIFY(region.LoadFromResource(QStringLiteral("REMOTESHAPE")));
    QCOMPARE(rectsOf(*region.region()), resourceRects());
    QString description;
    QCOMPARE(errorNumber([&] { region.LoadFromResource(4242); }, &description), 326);
    QCOMPARE(description, QStringLiteral("Resource with identifier '4242' not found"));
}

void TstCDIBSectionRegion::loadFromModule()
{
    // A module with rcdata/7 (region data), rcdata/8 (empty) and rcdata/9 (a folder, not data).
    const QString dir = m_env->path(QStringLiteral("module"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/nine")));
    QVERIFY(writeFile(dir + QStringLiteral("/seven.rgn"), regionFile({{0, 0, 5, 1}, {0, 1, 2, 3}, {3, 1, 5, 3}})));
    QVERIFY(writeFile(dir + QStringLiteral("/eight.rgn"), QByteArray()));
    QVERIFY(writeFile(dir + QStringLiteral("/nine/inside.rgn"), regionFile({})));
    QVERIFY(writeFile(dir + QStringLiteral("/module.qrc"),
        "<RCC><qresource prefix=\"/rcdata\"><file alias=\"7\">seven.rgn</file><file alias=\"8\">eight.rgn</file>"
        "<file alias=\"9/inside\">nine/inside.rgn</file></qresource></RCC>"));
    const QString module = dir + QStringLiteral("/shapes.rcc");
    QProcess rcc;
    rcc.setWorkingDirectory(dir);
    rcc.start(QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc"),
        {QStringLiteral("--binary"), QStringLiteral("module.qrc"), QStringLiteral("-o"), module});
    QVERIFY(rcc.waitForFinished());
    QVERIFY2(rcc.exitCode() == 0 && QFile::exists(module), rcc.readAllStandardError().constData());

    cDIBSectionRegion region;
    QVERIFY(region.LoadFromResource(7, module));
    QCOMPARE(rectsOf(*region.region()), resourceRects());
    // A text that reads as a number is numeric too.
    QVERIFY(region.LoadFromResource(QStringLiteral("7"), module));
    QCOMPARE(rectsOf(*region.region()), resourceRects());

    QString description;
    QCOMPARE(errorNumber([&] { region.LoadFromResource(QStringLiteral("abc"), module); }, &description), 26014);
    QCOMPARE(description, QStringLiteral("Resource with ID abc could not be found"));
    QCOMPARE(errorNumber([&] { region.LoadFromResource(12, module); }, &description), 26014);
    QCOMPARE(description, QStringLiteral("Resource with ID 12 could not be found"));
    QCOMPARE(errorNumber([&] { region.LoadFromResource(9, module); }, &description), 26014);
    QCOMPARE(description, QStringLiteral("Cannot access data for resource with ID 9 could not be found"));
    // The own resources are not looked up in a module, nor the module's after the load.
    QCOMPARE(errorNumber([&] { region.LoadFromResource(9101, module); }), 26014);
    QCOMPARE(errorNumber([&] { region.LoadFromResource(7); }), 326);
    QVERIFY(region.region().has_value());

    QVERIFY(!region.LoadFromResource(8, module));
    QCOMPARE(
        errorNumber([&] { region.LoadFromResource(7, dir + QStringLiteral("/missing.rcc")); }, &description), 26013);
    QCOMPARE(description, QStringLiteral("Can't open DLL for Resource Access"));
    QCOMPARE(errorNumber([&] { region.LoadFromResource(7, dir + QStringLiteral("/seven.rgn")); }), 26013);
    // An empty file is no module either (and the sanitizer build sees that nothing of it is kept).
    QVERIFY(writeFile(dir + QStringLiteral("/empty.rcc"), {}));
    QCOMPARE(errorNumber([&] { region.LoadFromResource(7, dir + QStringLiteral("/empty.rcc")); }), 26013);
}

QTEST_MAIN(TstCDIBSectionRegion)
#include "tst_cdibsectionregion.moc"
