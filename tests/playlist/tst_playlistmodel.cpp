// The sorted playlist: case-insensitive order, batches of every size as the list box shows them, dropped data.
#include "fakes/visiblerows.h"
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"

#include <QMimeData>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

using namespace quillet;
using quillet::testing::visibleRows;

static QStringList texts(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *text : list)
        result << QString::fromUtf8(text);
    return result;
}

class TstPlaylistModel : public QObject
{
    Q_OBJECT

private slots:
    void sortedInsertion_data();
    void sortedInsertion();
    void batchEqualsOneByOne();
    void everyBatchShowsAndKeepsTheSelection_data();
    void everyBatchShowsAndKeepsTheSelection();
    void droppedUriLists_data();
    void droppedUriLists();
};

void TstPlaylistModel::sortedInsertion_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case is ignored") << texts({"C:\\b.mp3", "C:\\A.mp3"}) << texts({"C:\\A.mp3", "C:\\b.mp3"});
    QTest::newRow("duplicates sit together") << texts({"/x", "/a", "/x"}) << texts({"/a", "/x", "/x"});
    QTest::newRow("equal without case: earlier first") << texts({"/Song", "/song", "/SONG"})
                                                       << texts({"/Song", "/song", "/SONG"});
    QTest::newRow("empty entry sorts first") << texts({"/a", ""}) << texts({"", "/a"});
    QTest::newRow("accents fold too") << texts({"/\u00c9t\u00e9", "/\u00e9a", "/e"})
                                      << texts({"/e", "/\u00e9a", "/\u00c9t\u00e9"});
}

void TstPlaylistModel::sortedInsertion()
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

void TstPlaylistModel::batchEqualsOneByOne()
{
    // Near-duplicates differing only in case, some not ASCII: batches merged and single adds must agree.
    QRandomGenerator random(42);
    QStringList first;
    QStringList second;
    const QStringList parts = texts({"a", "B", "b", "c", "\u00e9", "\u00c9"});
    for (int i = 0; i < 400; ++i) {
        QString name;
        for (int k = 0; k < 3; ++k)
            name += parts.at(int(random.bounded(parts.size())));
        (i % 2 ? first : second).append(name + QString::number(i % 3));
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

void TstPlaylistModel::everyBatchShowsAndKeepsTheSelection_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("one") << 1;
    QTest::newRow("31") << 31;
    QTest::newRow("500") << 500;
}

void TstPlaylistModel::everyBatchShowsAndKeepsTheSelection()
{
    QFETCH(int, size);
    PlaylistView view;
    view.resize(300, 400);
    view.show();
    view.addMany(texts({"/m", "/p", "/t"}));
    view.setListIndex(1);
    QCOMPARE(visibleRows(&view), (texts({"/m", "/p", "/t"})));

    QStringList batch;
    for (int i = 0; i < size; ++i)
        batch << QStringLiteral("/n%1").arg(i, 3, 10, QLatin1Char('0'));
    view.addMany(batch);
    const QStringList expected = texts({"/m"}) + batch + texts({"/p", "/t"});
    const QStringList shown = visibleRows(&view);
    // A run of the list, wherever the view scrolled to.
    QVERIFY(shown.size() >= std::min<qsizetype>(expected.size(), 10));
    QCOMPARE(shown, expected.mid(expected.indexOf(shown.first()), shown.size()));
    // The current entry and the selection stay on the entry they were on.
    QCOMPARE(view.currentText(), QStringLiteral("/p"));
    QCOMPARE(view.selectedRows(), QList<int>{view.listIndex()});
}

void TstPlaylistModel::droppedUriLists_data()
{
    QTest::addColumn<QByteArray>("uriList");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("file manager") << QByteArray("file:///music/a.mp3\r\nfile:///music/a%20b\r\n")
                                  << texts({"/music/a.mp3", "/music/a b"});
    QTest::newRow("comment and other schemes")
        << QByteArray("# from a browser\r\nhttp://x/y.mp3\r\nfile://localhost/music/b.mp3\r\nfile://nas/share/c.mp3\r\n")
        << texts({"/music/b.mp3"});
    // A playlist line cannot hold a path with a line break, and relative or empty paths name no dropped file.
    QTest::newRow("line break in a name") << QByteArray("file:///music/a%0Ab.mp3\nfile:///music/c%0D.mp3\n")
                                          << QStringList();
    QTest::newRow("no path") << QByteArray("file:\nfile:relative.mp3\nfile:///ok.mp3\n") << texts({"/ok.mp3"});
}

void TstPlaylistModel::droppedUriLists()
{
    QFETCH(QByteArray, uriList);
    QFETCH(QStringList, paths);
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), uriList);
    QCOMPARE(droppedLocalPaths(&data), paths);
}

QTEST_MAIN(TstPlaylistModel)
#include "tst_playlistmodel.moc"
