// Playlist files: filtered and PLS reading, the default playlist's first field, line ends, character sets, writing.
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
    void read_data();
    void read();
    void missingFileIsAnErrorOnlyWhenFiltered();
    void roundTripKeepsOrderAndBytes();
    void writeFailureKeepsOldFile();
};

void TstPlaylistFile::read_data()
{
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    const auto list = [](std::initializer_list<const char *> texts) {
        QStringList result;
        for (const char *text : texts)
            result << QString::fromUtf8(text);
        return result;
    };
    const QStringList ab = list({"/a.mp3", "/b.mp3"});
    QTest::newRow("extended format keeps only paths")
        << true << QByteArray("#EXTM3U\r\n#EXTINF:123,Band - Song\r\nC:\\Music\\song.mp3\r\n#EXTINF:5,x\r\nrel/b.mp3\r\n")
        << list({"C:\\Music\\song.mp3", "rel/b.mp3"});
    QTest::newRow("PLS: File keys in number order")
        << true
        << QByteArray("\r\n  [Playlist]\r\nfile10=/ten.mp3\r\nTitle1=One\r\nFile2=http://h/s?a=b\r\nFILE1=/one.mp3\r\n"
                      "Length1=-1\r\nNumberOfEntries=3\r\nVersion=2\r\n")
        << list({"/one.mp3", "http://h/s?a=b", "/ten.mp3"});
    QTest::newRow("PLS header not first: lines as they stand")
        << true << QByteArray("/a.mp3\r\n[playlist]\r\nFile1=/b.mp3\r\n")
        << list({"/a.mp3", "[playlist]", "File1=/b.mp3"});
    QTest::newRow("blank line is an empty entry") << true << QByteArray("/a.mp3\r\n\r\n/b.mp3\r\n")
                                                  << list({"/a.mp3", "", "/b.mp3"});
    QTest::newRow("#ext in lower case is kept") << true << QByteArray("#extinf\r\n") << list({"#extinf"});
    QTest::newRow("LF") << true << QByteArray("/a.mp3\n/b.mp3\n") << ab;
    QTest::newRow("CR") << true << QByteArray("/a.mp3\r/b.mp3\r") << ab;
    QTest::newRow("no final line end") << true << QByteArray("/a.mp3\r\n/b.mp3") << ab;
    QTest::newRow("UTF-8") << true << QByteArray("/m\xc3\xbasica/\xe6\x97\xa5.mp3\n")
                           << list({"/m\u00fasica/\u65e5.mp3"});
    QTest::newRow("Windows-1252") << true << QByteArray("C:\\M\xfasica\\\x93q\x94 \x80.mp3\r\n")
                                  << list({"C:\\M\u00fasica\\\u201cq\u201d \u20ac.mp3"});
    QTest::newRow("empty file") << true << QByteArray() << QStringList{};
    // The default playlist: every line, or nothing when the first field is empty.
    QTest::newRow("default: all lines, #EXT included")
        << false << QByteArray("#EXTM3U\r\n/a.mp3\r\n\r\n") << list({"#EXTM3U", "/a.mp3", ""});
    QTest::newRow("default: PLS is not parsed") << false << QByteArray("[playlist]\r\nFile1=/a.mp3\r\n")
                                                << list({"[playlist]", "File1=/a.mp3"});
    QTest::newRow("default: empty first line") << false << QByteArray("\r\n/a.mp3\r\n") << QStringList{};
    QTest::newRow("default: blanks then comma") << false << QByteArray("   ,/a.mp3\r\n") << QStringList{};
    QTest::newRow("default: blanks before text") << false << QByteArray("  /a.mp3\r\n") << list({"  /a.mp3"});
}

void TstPlaylistFile::read()
{
    QFETCH(bool, filtered);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("list.pls"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const PlaylistFile::ReadResult result
        = filtered ? PlaylistFile::readFiltered(path) : PlaylistFile::readUnfiltered(path);
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
    // The default playlist makes relative entries absolute and leaves empty ones out.
    QCOMPARE(PlaylistFile::defaultPlaylistLines(entries + QStringList{QStringLiteral("a.mp3")}, QStringLiteral("/m/")),
             (QStringList{QStringLiteral("/z.mp3"), QStringLiteral("http://h/s?a=1,b"),
                          QStringLiteral("/\u00e9t\u00e9.mp3"),
                          QStringLiteral("/m/#not a comment"), QStringLiteral("/m/a.mp3")}));
}

void TstPlaylistFile::writeFailureKeepsOldFile()
{
    TestEnvironment env;
    // A parent that is a regular file cannot hold a playlist, even for root.
    const QString blocker = env.path(QStringLiteral("old.m3u"));
    QVERIFY(PlaylistFile::write(blocker, {QStringLiteral("old")}).ok);
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

QTEST_MAIN(TstPlaylistFile)
#include "tst_playlistfile.moc"
