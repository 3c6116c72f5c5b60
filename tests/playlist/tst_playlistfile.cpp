// Playlist files: filtered and unfiltered reading, line ends, character sets, atomic writing.
#include "fakes/testenv.h"
#include "playlist/playlistfile.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

class TstPlaylistFile : public QObject
{
    Q_OBJECT

private slots:
    void filtered_data();
    void filtered();
    void unfilteredFirstField_data();
    void unfilteredFirstField();
    void missingFileIsAnErrorOnlyWhenFiltered();
    void roundTripKeepsOrderAndBytes();
    void writeFailureKeepsOldFile();
    void garbageAndHugeLines();
    void defaultPlaylistLines();

private:
    static QString writeTemp(const TestEnvironment &env, const QByteArray &bytes)
    {
        const QString path = env.path(QStringLiteral("list.m3u"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }
};

void TstPlaylistFile::filtered_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("extended format keeps only paths")
        << QByteArray("#EXTM3U\r\n#EXTINF:123,Band - Song\r\nC:\\Music\\song.mp3\r\n#EXTINF:5,x\r\nrel/b.mp3\r\n")
        << QStringList{QStringLiteral("C:\\Music\\song.mp3"), QStringLiteral("rel/b.mp3")};
    QTest::newRow(".pls lines are entries as they stand")
        << QByteArray("[playlist]\r\nFile1=C:\\a.mp3\r\nNumberOfEntries=1\r\n")
        << QStringList{QStringLiteral("[playlist]"), QStringLiteral("File1=C:\\a.mp3"),
                       QStringLiteral("NumberOfEntries=1")};
    QTest::newRow("blank line is an empty entry") << QByteArray("/a.mp3\r\n\r\n/b.mp3\r\n")
                                                  << QStringList{QStringLiteral("/a.mp3"), QString(),
                                                                 QStringLiteral("/b.mp3")};
    QTest::newRow("#ext in lower case is kept") << QByteArray("#extinf\r\n")
                                                << QStringList{QStringLiteral("#extinf")};
    const QStringList ab = {QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")};
    QTest::newRow("CR LF") << QByteArray("/a.mp3\r\n/b.mp3\r\n") << ab;
    QTest::newRow("LF") << QByteArray("/a.mp3\n/b.mp3\n") << ab;
    QTest::newRow("CR") << QByteArray("/a.mp3\r/b.mp3\r") << ab;
    QTest::newRow("no final line end") << QByteArray("/a.mp3\r\n/b.mp3") << ab;
    QTest::newRow("UTF-8") << QByteArray("/m\xc3\xbasica/\xe6\x97\xa5.mp3\n")
                           << QStringList{QStringLiteral("/m\u00fasica/\u65e5.mp3")};
    QTest::newRow("Windows-1252") << QByteArray("C:\\M\xfasica\\\x93quoted\x94 \x80.mp3\r\n")
                                  << QStringList{QStringLiteral("C:\\M\u00fasica\\\u201cquoted\u201d \u20ac.mp3")};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TstPlaylistFile::filtered()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnvironment env;
    const PlaylistFile::ReadResult result = PlaylistFile::readFiltered(writeTemp(env, bytes));
    QVERIFY(result.ok);
    QCOMPARE(result.entries, expected);
}

void TstPlaylistFile::unfilteredFirstField_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all lines, #EXT included") << QByteArray("#EXTM3U\r\n/a.mp3\r\n\r\n")
                                              << QStringList{QStringLiteral("#EXTM3U"), QStringLiteral("/a.mp3"),
                                                             QString()};
    QTest::newRow("empty first line") << QByteArray("\r\n/a.mp3\r\n") << QStringList{};
    QTest::newRow("blanks then comma") << QByteArray("   ,/a.mp3\r\n") << QStringList{};
    QTest::newRow("blanks before text") << QByteArray("  /a.mp3\r\n") << QStringList{QStringLiteral("  /a.mp3")};
    QTest::newRow("comma after text") << QByteArray("a,b\r\n") << QStringList{QStringLiteral("a,b")};
}

void TstPlaylistFile::unfilteredFirstField()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnvironment env;
    const PlaylistFile::ReadResult result = PlaylistFile::readUnfiltered(writeTemp(env, bytes));
    QVERIFY(result.ok);
    QCOMPARE(result.entries, expected);
}

void TstPlaylistFile::missingFileIsAnErrorOnlyWhenFiltered()
{
    TestEnvironment env;
    const QString missing = env.path(QStringLiteral("none.m3u"));
    const PlaylistFile::ReadResult filtered = PlaylistFile::readFiltered(missing);
    QVERIFY(!filtered.ok);
    QVERIFY(filtered.error.contains(missing));
    const PlaylistFile::ReadResult unfiltered = PlaylistFile::readUnfiltered(missing);
    QVERIFY(unfiltered.ok);
    QVERIFY(unfiltered.entries.isEmpty());
    // A folder in place of the file is reported, not read.
    QVERIFY(!PlaylistFile::readFiltered(env.root()).ok);
}

void TstPlaylistFile::roundTripKeepsOrderAndBytes()
{
    TestEnvironment env;
    const QStringList entries = {QStringLiteral("/z.mp3"), QString(), QStringLiteral("http://h/s?a=1,b"),
                                 QStringLiteral("/\u00e9t\u00e9.mp3"), QStringLiteral("#not a comment")};
    const QString path = env.path(QStringLiteral("sub/dir/out.m3u"));
    QVERIFY(PlaylistFile::write(path, entries).ok);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("/z.mp3\r\n\r\nhttp://h/s?a=1,b\r\n/\xc3\xa9t\xc3\xa9.mp3\r\n#not a comment\r\n"));
    QCOMPARE(PlaylistFile::readFiltered(path).entries, entries);
}

void TstPlaylistFile::writeFailureKeepsOldFile()
{
    TestEnvironment env;
    // A parent that is a regular file cannot hold a playlist, even for root.
    const QString blocker = writeTemp(env, "old\r\n");
    const FileResult result = PlaylistFile::write(blocker + QStringLiteral("/inside.m3u"), {QStringLiteral("x")});
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    // A folder where the file should be is not replaced.
    const QString folder = env.path(QStringLiteral("taken.m3u"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!PlaylistFile::write(folder, {QStringLiteral("x")}).ok);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(PlaylistFile::readFiltered(blocker).entries, QStringList{QStringLiteral("old")});
}

void TstPlaylistFile::garbageAndHugeLines()
{
    TestEnvironment env;
    QByteArray garbage;
    for (int i = 0; i < 200000; ++i)
        garbage.append(char((i * 7919) % 256));
    const PlaylistFile::ReadResult g = PlaylistFile::readFiltered(writeTemp(env, garbage));
    QVERIFY(g.ok);
    QVERIFY(!g.entries.isEmpty());

    const QByteArray huge = QByteArray(10 * 1024 * 1024, 'a') + "\r\n/b.mp3\r\n";
    const PlaylistFile::ReadResult h = PlaylistFile::readFiltered(writeTemp(env, huge));
    QVERIFY(h.ok);
    QCOMPARE(h.entries.size(), 2);
    QCOMPARE(h.entries.at(0).size(), 10 * 1024 * 1024);
}

void TstPlaylistFile::defaultPlaylistLines()
{
    const QStringList lines = PlaylistFile::defaultPlaylistLines(
        {QString(), QStringLiteral("a.mp3"), QStringLiteral("/abs.mp3"), QStringLiteral("C:\\x.mp3"), QString()},
        QStringLiteral("/music/"));
    QCOMPARE(lines, (QStringList{QStringLiteral("/music/a.mp3"), QStringLiteral("/abs.mp3"),
                                 QStringLiteral("C:\\x.mp3")}));
}

QTEST_MAIN(TstPlaylistFile)
#include "tst_playlistfile.moc"
