// The sorted playlist: case-insensitive order, duplicates, batched merges and the view's selection.
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"

#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using namespace quillet;

class TstPlaylistModel : public QObject
{
    Q_OBJECT

private slots:
    void sortedInsertion_data();
    void sortedInsertion();
    void batchEqualsOneByOne();
    void countChangedOncePerBatch();
    void mergeKeepsCurrentAndSelection();
    void outOfRangeIsHarmless();
    void droppedData();
    void droppedUriLists_data();
    void droppedUriLists();
};

void TstPlaylistModel::sortedInsertion_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case is ignored") << QStringList{QStringLiteral("C:\\b.mp3"), QStringLiteral("C:\\A.mp3")}
                                     << QStringList{QStringLiteral("C:\\A.mp3"), QStringLiteral("C:\\b.mp3")};
    QTest::newRow("duplicates sit together")
        << QStringList{QStringLiteral("/x"), QStringLiteral("/a"), QStringLiteral("/x")}
        << QStringList{QStringLiteral("/a"), QStringLiteral("/x"), QStringLiteral("/x")};
    QTest::newRow("equal without case: earlier first")
        << QStringList{QStringLiteral("/Song"), QStringLiteral("/song"), QStringLiteral("/SONG")}
        << QStringList{QStringLiteral("/Song"), QStringLiteral("/song"), QStringLiteral("/SONG")};
    QTest::newRow("empty entry sorts first") << QStringList{QStringLiteral("/a"), QString()}
                                             << QStringList{QString(), QStringLiteral("/a")};
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
    // Random names with many near-duplicates differing only in case; both paths must agree exactly.
    QRandomGenerator random(42);
    QStringList first;
    QStringList second;
    const QStringList parts = {QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("b"), QStringLiteral("c")};
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
}

void TstPlaylistModel::countChangedOncePerBatch()
{
    PlaylistModel model;
    QSignalSpy spy(&model, &PlaylistModel::countChanged);
    QStringList many;
    for (int i = 0; i < 1000; ++i)
        many << QStringLiteral("/f%1").arg(i);
    model.addMany(many);
    model.addMany({QStringLiteral("/a"), QStringLiteral("/b")});
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().first().toInt(), 1002);
    model.clear();
    QCOMPARE(spy.last().first().toInt(), 0);
}

void TstPlaylistModel::mergeKeepsCurrentAndSelection()
{
    PlaylistView view;
    view.addMany({QStringLiteral("/m"), QStringLiteral("/p"), QStringLiteral("/t")});
    view.setListIndex(1);
    QStringList many;
    for (int i = 0; i < 100; ++i)
        many << QStringLiteral("/n%1").arg(i, 3, 10, QLatin1Char('0'));
    view.addMany(many);
    QCOMPARE(view.currentText(), QStringLiteral("/p"));
    QCOMPARE(view.selectedRows(), QList<int>{view.listIndex()});
    QCOMPARE(view.count(), 103);
}

void TstPlaylistModel::outOfRangeIsHarmless()
{
    PlaylistView view;
    QCOMPARE(view.text(0), QString());
    view.removeAt(3);
    view.setListIndex(5);
    QCOMPARE(view.listIndex(), -1);
    QCOMPARE(view.currentText(), QString());
}

void TstPlaylistModel::droppedData()
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/b.mp3")), QUrl(QStringLiteral("http://x/y.mp3")),
                   QUrl::fromLocalFile(QStringLiteral("/music/a folder"))});
    QCOMPARE(droppedLocalPaths(&files),
             (QStringList{QStringLiteral("/music/b.mp3"), QStringLiteral("/music/a folder")}));
    QMimeData text;
    text.setText(QStringLiteral("/music/b.mp3"));
    QVERIFY(droppedLocalPaths(&text).isEmpty());
    QVERIFY(droppedLocalPaths(nullptr).isEmpty());
}

void TstPlaylistModel::droppedUriLists_data()
{
    QTest::addColumn<QByteArray>("uriList");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("file manager") << QByteArray("file:///music/a.mp3\r\nfile:///music/a%20b\r\n")
                                  << QStringList {QStringLiteral("/music/a.mp3"), QStringLiteral("/music/a b")};
    QTest::newRow("comment and other schemes") << QByteArray(
        "# from a browser\r\nhttp://x/y.mp3\r\nfile://localhost/music/b.mp3\r\n"
        "file://nas/share/c.mp3\r\n") << QStringList {QStringLiteral("/music/b.mp3")};
    // A playlist line cannot hold a path with a line break, and relative or empty paths name no dropped file.
    QTest::newRow("line break in a name")
        << QByteArray("file:///music/a%0Ab.mp3\nfile:///music/c%0D.mp3\n") << QStringList();
    QTest::newRow("no path") << QByteArray("file:\nfile:relative.mp3\nfile:///ok.mp3\n")
                             << QStringList {QStringLiteral("/ok.mp3")};
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
