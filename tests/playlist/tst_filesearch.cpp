#include "fakes/filetree.h"
#include "fakes/testenv.h"
#include "playlist/filesearch.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;

namespace {

void link(const QString &target, const QString &linkPath)
{
    QVERIFY2(QFile::link(target, linkPath), qPrintable(linkPath));
}

QStringList walkAll(const QString &directory, const QString &ending)
{
    QStringList found;
    FileSearch::walk(directory, ending, [&](const QString &path) { found << path; });
    return found;
}

QStringList relativeTo(const QString &root, QStringList paths)
{
    for (QString &path : paths) {
        if (path.startsWith(root + QLatin1Char('/')))
            path = path.mid(root.size() + 1);
    }
    paths.sort();
    return paths;
}

} // namespace

class TstFileSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void endings_data();
    void endings();
    void walksTheWholeTreeDepthFirst();
    void joinsWithOneSeparator();
    void neverFollowsDirectoryLinks();
    void unreadableStartGivesNothing();
    void walkStopsWhenCancelled();
    void threadedSearchReportsEveryPath();
    void restartDropsTheOlderSearch();
    void destroyingARunningSearchIsSafe();

private:
    std::unique_ptr<testing::TestEnvironment> m_env;
};

void TstFileSearch::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
}

void TstFileSearch::endings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("found");

    QTest::newRow("lower name, upper ending") << "song.mp3"
                                              << "MP3" << true;
    QTest::newRow("upper name") << "SONG.MP3"
                                << "mp3" << true;
    QTest::newRow("mixed case") << "Song.Mp3"
                                << "mP3" << true;
    QTest::newRow("no dot needed") << "xmp3"
                                   << "mp3" << true;
    QTest::newRow("ending is the whole name") << "mp3"
                                              << ".MP3" << false;
    QTest::newRow("ending equals the name") << "mp3"
                                            << "MP3" << true;
    QTest::newRow("ending longer than the name") << "p3"
                                                 << "mp3" << false;
    QTest::newRow("ending in the middle") << "song.mp3.txt"
                                          << "mp3" << false;
    QTest::newRow("with dot") << "a.wav"
                              << ".wav" << true;
    QTest::newRow("empty ending finds all") << "readme"
                                            << "" << true;
    QTest::newRow("hidden file") << ".hidden.mp3"
                                 << "mp3" << true;
    QTest::newRow("accents before an ASCII tail") << QString::fromUtf8("Ça été.MP3") << "mp3" << true;
    QTest::newRow("accented ending") << QString::fromUtf8("CAFÉ") << QString::fromUtf8("é") << true;
    QTest::newRow("accented tail, ASCII ending") << QString::fromUtf8("cafÉ") << "e" << false;
    // The Kelvin sign is written in lower case as a plain k.
    QTest::newRow("non-ASCII tail lowering to ASCII") << QString::fromUtf8("track\u212A") << "k" << true;
}

void TstFileSearch::endings()
{
    QFETCH(QString, name);
    QFETCH(QString, ending);
    QFETCH(bool, found);

    QTemporaryDir dir;
    QVERIFY(testing::makeFile(dir.path(), name));
    const QStringList result = walkAll(dir.path(), ending);
    QCOMPARE(result, found ? QStringList {dir.path() + QLatin1Char('/') + name} : QStringList {});
    QCOMPARE(FileSearch::endingMatches(name, ending), found);
}

void TstFileSearch::walksTheWholeTreeDepthFirst()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const QStringList files = {
        QStringLiteral("top.mp3"),
        QStringLiteral("a/one.MP3"),
        QStringLiteral("a/two.Mp3"),
        QStringLiteral("a/deep/er/three.mp3"),
        QStringLiteral("a/deep/four.mp3"),
        QStringLiteral("b/five.mp3"),
        QStringLiteral("b/.hidden/six.mp3"),
        QStringLiteral("c/seven.mp3"),
        QStringLiteral("c/x/y/z/eight.mp3"),
    };
    for (const QString &file : files)
        QVERIFY(testing::makeFile(root, file));
    QVERIFY(testing::makeFile(root, QStringLiteral("a/skip.txt")));
    QVERIFY(testing::makeFile(root, QStringLiteral("c/skip.mp3.bak")));
    QDir().mkpath(root + QStringLiteral("/empty/folder"));

    const QStringList found = walkAll(root, QStringLiteral("mp3"));
    QStringList expected = files;
    expected.sort();
    QCOMPARE(relativeTo(root, found), expected);

    // Depth first: everything below a folder is found in one run, before the walk goes on beside it.
    const QStringList folders = {QStringLiteral("a/"), QStringLiteral("a/deep/"), QStringLiteral("b/"),
        QStringLiteral("c/"), QStringLiteral("c/x/")};
    for (const QString &folder : folders) {
        const QString prefix = root + QLatin1Char('/') + folder;
        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype i = 0; i < found.size(); ++i) {
            if (found.at(i).startsWith(prefix)) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        for (qsizetype i = first; i <= last; ++i)
            QVERIFY2(
                found.at(i).startsWith(prefix), qPrintable(folder + QStringLiteral(" is split by ") + found.at(i)));
    }
}

void TstFileSearch::joinsWithOneSeparator()
{
    QTemporaryDir dir;
    QVERIFY(testing::makeFile(dir.path(), QStringLiteral("sub/a.mp3")));
    QVERIFY(testing::makeFile(dir.path(), QStringLiteral("b.mp3")));
    const QStringList plain = walkAll(dir.path(), QStringLiteral("mp3"));
    const QStringList slashed = walkAll(dir.path() + QLatin1Char('/'), QStringLiteral("mp3"));
    QCOMPARE(plain.size(), 2);
    QCOMPARE(slashed, plain);
    for (const QString &path : plain) {
        QVERIFY2(!path.contains(QStringLiteral("//")), qPrintable(path));
        QVERIFY(QFileInfo::exists(path));
    }
}

void TstFileSearch::neverFollowsDirectoryLinks()
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/tree");
    QVERIFY(testing::makeFile(root, QStringLiteral("a/x.mp3")));
    QVERIFY(testing::makeFile(root, QStringLiteral("b/y.mp3")));
    QVERIFY(testing::makeFile(dir.path(), QStringLiteral("outside/z.mp3")));
    link(root, root + QStringLiteral("/a/loop")); // back to the top of the tree
    link(QStringLiteral("."), root + QStringLiteral("/a/self")); // to itself
    link(root + QStringLiteral("/a"), root + QStringLiteral("/b/to-a")); // sideways
    link(dir.path() + QStringLiteral("/outside"), root + QStringLiteral("/b/out"));
    link(root + QStringLiteral("/a/x.mp3"), root + QStringLiteral("/b/link.mp3")); // a link to a file is a file
    link(root + QStringLiteral("/missing.mp3"), root + QStringLiteral("/b/dead.mp3"));

    QStringList found = walkAll(root, QStringLiteral("mp3"));
    QCOMPARE(relativeTo(root, found),
        QStringList({QStringLiteral("a/x.mp3"), QStringLiteral("b/link.mp3"), QStringLiteral("b/y.mp3")}));

    // The start directory itself is the user's choice and is entered even when it is a link.
    link(root, dir.path() + QStringLiteral("/start-link"));
    found = walkAll(dir.path() + QStringLiteral("/start-link"), QStringLiteral("mp3"));
    QCOMPARE(found.size(), 3);
}

void TstFileSearch::unreadableStartGivesNothing()
{
    QTemporaryDir dir;
    QVERIFY(testing::makeFile(dir.path(), QStringLiteral("file.mp3")));
    int calls = 0;
    const auto count = [&](const QString &) { ++calls; };
    QCOMPARE(FileSearch::walk(dir.path() + QStringLiteral("/missing"), QString(), count), 0);
    // A file is no directory to search.
    QCOMPARE(FileSearch::walk(dir.path() + QStringLiteral("/file.mp3"), QString(), count), 0);
    QCOMPARE(FileSearch::walk(QString(), QString(), count), 0);
    QCOMPARE(calls, 0);
}

void TstFileSearch::walkStopsWhenCancelled()
{
    QTemporaryDir dir;
    for (int i = 0; i < 20; ++i)
        QVERIFY(testing::makeFile(dir.path(), QStringLiteral("d%1/f%2.mp3").arg(i % 4).arg(i)));
    std::atomic_bool cancelled = false;
    int calls = 0;
    const qint64 count = FileSearch::walk(
        dir.path(), QString(),
        [&](const QString &) {
            if (++calls == 3)
                cancelled = true;
        },
        &cancelled);
    QCOMPARE(calls, 3);
    QCOMPARE(count, 3);
}

void TstFileSearch::threadedSearchReportsEveryPath()
{
    QTemporaryDir dir;
    QVERIFY(testing::makeLinkedFiles(dir.path(), 300, 7, QStringLiteral("f%1.mp3")));
    const QStringList expected = walkAll(dir.path(), QStringLiteral("MP3"));
    QCOMPARE(expected.size(), 300);

    FileSearch search;
    QStringList reported;
    qint64 lastTotal = 0;
    connect(&search, &FileSearch::found, this, [&](const QStringList &paths, qint64 total) {
        reported += paths;
        lastTotal = total;
    });
    QSignalSpy finished(&search, &FileSearch::finished);
    search.start(dir.path(), QStringLiteral("MP3"));
    QVERIFY(search.isRunning());
    QVERIFY(finished.wait(10000));
    QVERIFY(!search.isRunning());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toLongLong(), 300);
    QCOMPARE(finished.at(0).at(1).toBool(), false);
    QCOMPARE(lastTotal, 300);
    QCOMPARE(reported, expected);
}

void TstFileSearch::restartDropsTheOlderSearch()
{
    QTemporaryDir dir;
    QVERIFY(testing::makeLinkedFiles(dir.path() + QStringLiteral("/old"), 2000, 50, QStringLiteral("f%1.mp3")));
    QVERIFY(testing::makeFile(dir.path(), QStringLiteral("new/only.mp3")));

    FileSearch search;
    QStringList reported;
    connect(&search, &FileSearch::found, this, [&](const QStringList &paths, qint64) { reported += paths; });
    QSignalSpy finished(&search, &FileSearch::finished);
    search.start(dir.path() + QStringLiteral("/old"), QStringLiteral("mp3"));
    search.start(dir.path() + QStringLiteral("/new"), QStringLiteral("mp3"));
    QVERIFY(finished.wait(10000));
    // Let any late report of the first search arrive.
    QTest::qWait(200);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toLongLong(), 1);
    QCOMPARE(reported, QStringList {dir.path() + QStringLiteral("/new/only.mp3")});
}

void TstFileSearch::destroyingARunningSearchIsSafe()
{
    QTemporaryDir dir;
    QVERIFY(testing::makeLinkedFiles(dir.path(), 2000, 50, QStringLiteral("f%1.mp3")));
    int reports = 0;
    {
        FileSearch search;
        connect(&search, &FileSearch::found, this, [&] { ++reports; });
        connect(&search, &FileSearch::finished, this, [&] { ++reports; });
        search.start(dir.path(), QString());
        QTest::qWait(1);
    }
    // Reports the destroyed search had queued must not reach anyone.
    const int atDestruction = reports;
    QTest::qWait(300);
    QCOMPARE(reports, atDestruction);
}

QTEST_GUILESS_MAIN(TstFileSearch)
#include "tst_filesearch.moc"
