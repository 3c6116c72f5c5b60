// The playlist as data: case-insensitive order, batches of every size as the list box shows them, reading and
// writing playlist files.
#include "common/entrypath.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "fakes/visiblerows.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstPlaylistModel : public QObject
{
    Q_OBJECT

private slots:
    void sortedInsertion_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("equal without case: earlier first") << split("/Song|/song|/SONG") << split("/Song|/song|/SONG");
        QTest::newRow("empty entry sorts first") << split("/a|") << split("|/a");
    }
    void sortedInsertion()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        PlaylistModel model;
        for (const QString &entry : added)
            model.add(entry);
        QCOMPARE(model.entries(), expected);
        PlaylistModel batch;
        batch.addMany(added);
        QCOMPARE(batch.entries(), expected);
    }
    void batchEqualsOneByOne()
    {
        // Near-duplicates differing only in case, some not ASCII: batches merged and single adds must agree.
        QRandomGenerator random(42);
        QStringList first, second;
        const QStringList parts = split("a|B|b|c|\u00e9|\u00c9");
        for (int i = 0; i < 400; ++i) {
            QString name;
            for (int k = 0; k < 3; ++k)
                name += parts.at(int(random.bounded(parts.size())));
            (i % 2 ? first : second).append(name + u"/the same long middle/"_s + QString::number(i % 3));
        }
        PlaylistModel oneByOne;
        for (const QString &entry : first + second)
            oneByOne.add(entry);
        PlaylistModel batched;
        batched.addMany(first);
        batched.addMany(second);
        QCOMPARE(batched.entries(), oneByOne.entries());
        for (int i = 1; i < batched.count(); ++i)
            QVERIFY(QString::compare(batched.text(i - 1), batched.text(i), Qt::CaseInsensitive) <= 0);
    }
    void everyBatchShowsAndKeepsTheSelection_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("prefix"); // of the batch's names: "/n" sorts between "/m" and "/p", "/a" before all
        QTest::addColumn<int>("current"); // the row of the current entry before the batch: "/m", "/p" or "/t"
        QTest::newRow("one") << 1 << u"/n"_s << 1;
        QTest::newRow("31") << 31 << u"/n"_s << 1;
        QTest::newRow("500") << 500 << u"/n"_s << 1;
        QTest::newRow("500 before all, the first entry current") << 500 << u"/a"_s << 0;
    }
    void everyBatchShowsAndKeepsTheSelection()
    {
        QFETCH(int, size);
        QFETCH(QString, prefix);
        QFETCH(int, current);
        PlaylistView view;
        view.resize(300, 400);
        view.show();
        view.addMany(split("/m|/p|/t"));
        view.setListIndex(current);
        QCOMPARE(visibleRows(&view), split("/m|/p|/t"));
        const QString currentText = view.currentText();

        QStringList batch;
        for (int i = 0; i < size; ++i)
            batch << prefix + u"%1"_s.arg(i, 3, 10, QLatin1Char('0'));
        view.addMany(batch);
        QStringList expected = split("/m|/p|/t") + batch;
        expected.sort();
        const QStringList shown = visibleRows(&view);
        QVERIFY(shown.size() >= std::min<qsizetype>(expected.size(), 10));
        QCOMPARE(shown, expected.mid(expected.indexOf(shown.first()), shown.size()));
        // The current entry and the selection stay on the entry they were on.
        QCOMPARE(view.currentText(), currentText);
        QCOMPARE(view.selectedRows(), QList<int> {view.listIndex()});
    }
    void read_data()
    {
        QTest::addColumn<bool>("filtered");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, bool filtered, const QByteArray &bytes, const char *expected) {
            QTest::newRow(name) << filtered << bytes << (*expected ? split(expected) : QStringList());
        };
        row("extended format keeps only paths", true,
            "#EXTM3U\r\n#EXTINF:123,Band - Song\r\nC:\\Music\\song.mp3\r\n#EXTINF:5,x\r\nrel/b.mp3\r\n",
            "C:\\Music\\song.mp3|rel/b.mp3");
        row("PLS: File keys in number order", true,
            "\r\n  [Playlist]\r\nfile10=/ten.mp3\r\nTitle1=One\r\nFile2=http://h/s?a=b\r\nFILE1=/one.mp3\r\n"
            "Length1=-1\r\nNumberOfEntries=3\r\nVersion=2\r\n",
            "/one.mp3|http://h/s?a=b|/ten.mp3");
        row("PLS header not first: lines as they stand", true, "/a.mp3\r\n[playlist]\r\nFile1=/b.mp3\r\n",
            "/a.mp3|[playlist]|File1=/b.mp3");
        row("blank line is an empty entry", true, "/a.mp3\r\n\r\n/b.mp3\r\n", "/a.mp3||/b.mp3");
        row("LF, CR, no final line end", true, "/a.mp3\n/b.mp3\r/c", "/a.mp3|/b.mp3|/c");
        row("UTF-8", true, "/m\xc3\xbasica/\xe6\x97\xa5.mp3\n", "/m\u00fasica/\u65e5.mp3");
        row("Windows-1252", true, "C:\\M\xfasica\\\x93q\x94 \x80.mp3\r\n", "C:\\M\u00fasica\\\u201cq\u201d \u20ac.mp3");
        // A file URL on this computer is its path, escapes decoded; "#" and "?" belong to the name.
        row("file URLs", true,
            "file:///m/new%0Aline.mp3\r\nfile://localhost/a%20b.mp3\r\nfile://nas/share/c.mp3\r\nFILE:///"
            "caf%C3%A9.mp3\r\n"
            "file:///Track #1?.mp3\r\nfile:///m/%E9t%E9.mp3\r\nfile:rel%09x.mp3\r\nfile://\r\n",
            "/m/new\nline.mp3|/a b.mp3|file://nas/share/c.mp3|/caf\u00e9.mp3|"
            "/Track #1?.mp3|/m/\u00e9t\u00e9.mp3|rel\tx.mp3|file://");
        row("a line longer than any path is left out", true, "/a.mp3\n" + QByteArray(70000, 'x') + "\n/b.mp3\n",
            "/a.mp3|/b.mp3");
        // The default playlist: every line, or nothing when the first field is empty.
        row("default: all lines, #EXT included", false, "#EXTM3U\r\n/a.mp3\r\n\r\n", "#EXTM3U|/a.mp3|");
        row("default: PLS is not parsed", false, "[playlist]\r\nFile1=/a.mp3\r\n", "[playlist]|File1=/a.mp3");
        row("default: empty first line", false, "\r\n/a.mp3\r\n", "");
        row("default: blanks then comma", false, "   ,/a.mp3\r\n", "");
        row("default: file URL", false, "file:///a%0Ab.mp3\r\n", "/a\nb.mp3");
    }
    void read()
    {
        QFETCH(bool, filtered);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        TestEnvironment env;
        const QString path = env.path(u"list.pls"_s);
        QVERIFY(writeFileBytes(path, bytes));
        const PlaylistFile::ReadResult result
            = filtered ? PlaylistFile::readFiltered(path) : PlaylistFile::readUnfiltered(path);
        QVERIFY(result.ok);
        QCOMPARE(result.entries, expected);
        // Lines left out are told in one notice, naming the file.
        QCOMPARE(result.notice.contains(path), bytes.size() > MaxEntryLength);
    }
    // Entries are written one a line, in UTF-8 with CR LF, into a folder made for the file; those that a line cannot
    // hold as they are go as file URLs. Every entry reads back as it was, in a filtered read (Load List) and in an
    // unfiltered one (the default playlists). Other players read the absolute ones as files.
    void entriesALineCannotHold_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("plain entries as they are")
            << split("/z.mp3||http://h/s?a=1,b|/\u00e9t\u00e9.mp3|#not a comment") << u"/z.mp3"_s;
        QTest::newRow("line feed") << split("/m/new\nline.mp3") << u"file:///m/new%0Aline.mp3"_s;
        QTest::newRow("carriage return, other controls")
            << split("/m/cr\r\x01\x7f\u0085\u2028.mp3") << u"file:///m/cr%0D%01%7F%C2%85%E2%80%A8.mp3"_s;
        QTest::newRow("a tab stays") << split("/m/a\tb.mp3") << u"/m/a\tb.mp3"_s;
        QTest::newRow("relative") << split("sub/new\nline.mp3") << u"file:sub/new%0Aline.mp3"_s;
        QTest::newRow("URL") << split("http://h/a\nb") << u"file:http%3A//h/a%0Ab"_s;
        QTest::newRow("text that reads as a file URL") << split("file:///x%41.mp3") << u"file:file%3A///x%2541.mp3"_s;
        QTest::newRow("#EXT in a name") << split("/m/#EXTRA.mp3") << u"file:///m/%23EXTRA.mp3"_s;
        QTest::newRow("[playlist] first") << split("[Playlist]|File1=/a.mp3") << u"file:%5BPlaylist%5D"_s;
        QTest::newRow("empty first field") << split(" ,a:b.mp3|/a.mp3") << u"file:%20%2Ca%3Ab.mp3"_s;
        QTest::newRow("byte order mark first")
            << QStringList {QChar(0xFEFF) + u"/a.mp3"_s} << u"file:%EF%BB%BF/a.mp3"_s;
    }
    void entriesALineCannotHold()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, firstLine);
        TestEnvironment env;
        const QString path = env.path(u"sub/dir/list.m3u"_s);
        QVERIFY(PlaylistFile::write(path, entries).ok);
        QCOMPARE(fileBytes(path), (QStringList {firstLine} + entries.mid(1)).join(u"\r\n"_s).toUtf8() + "\r\n");
        QCOMPARE(PlaylistFile::readFiltered(path).entries, entries);
        QCOMPARE(PlaylistFile::readUnfiltered(path).entries, entries);
    }
};

QTEST_MAIN(TstPlaylistModel)
#include "tst_playlistmodel.moc"
