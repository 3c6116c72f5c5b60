// Editing the playlist from the main window as a user does: clicks, keys, drops, playlist files, song information.
#include "fakes/visiblerows.h"
#include "form1fixture.h"

#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

using namespace quillet;
using namespace quillet::testing;

namespace {

const QStringList kFive = {QStringLiteral("/m/0.mp3"), QStringLiteral("/m/1.mp3"), QStringLiteral("/m/2.mp3"),
    QStringLiteral("/m/3.mp3"), QStringLiteral("/m/4.mp3")};

// Bytes this process has read so far.
qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    const QByteArray text = io.open(QIODevice::ReadOnly) ? io.readAll() : QByteArray();
    const qsizetype at = text.indexOf("rchar: ");
    return at < 0 ? -1 : text.mid(at + 7, text.indexOf('\n', at) - at - 7).toLongLong();
}

void clickRow(PlaylistView *list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, modifiers, list->visualRect(list->model()->index(row, 0)).center());
}

} // namespace

class TstForm1Playlist : public QObject
{
    Q_OBJECT

private slots:
    void removeSelectedByKey_data();
    void removeSelectedByKey();
    void songInformation_data();
    void songInformation();
    void droppedFilesShow();
    void playlistFiles();
};

void TstForm1Playlist::removeSelectedByKey_data()
{
    // Clicks on rows, in order: "s" holds Shift, "c" holds Control.
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QList<int>>("remaining");
    QTest::addColumn<int>("expectedCurrent");
    QTest::newRow("1 and 3 with 1 current: the next entry becomes current") << "3 c1" << QList<int> {0, 2, 4} << 1;
    QTest::newRow("all selected empties the list") << "0 s4" << QList<int> {} << -1;
    QTest::newRow("1, with 3 current but not selected: none left selected") << "1 c3 c3" << QList<int> {0, 2, 3, 4} << -1;
    QTest::newRow("no current entry: a message, nothing removed") << "" << QList<int> {0, 1, 2, 3, 4} << -1;
}

void TstForm1Playlist::removeSelectedByKey()
{
    QFETCH(QString, clicks);
    QFETCH(QList<int>, remaining);
    QFETCH(int, expectedCurrent);
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.List1->addMany(kFive);
    for (const QString &click : clicks.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const Qt::KeyboardModifiers modifiers = click.startsWith(QLatin1Char('s')) ? Qt::ShiftModifier
            : click.startsWith(QLatin1Char('c'))                                   ? Qt::ControlModifier
                                                                                   : Qt::NoModifier;
        clickRow(form.List1, click.right(1).toInt(), modifiers);
    }
    QTest::keyClick(form.List1, Qt::Key_Period);
    QStringList expected;
    for (int row : remaining)
        expected << kFive.at(row);
    QCOMPARE(visibleRows(form.List1), expected);
    QCOMPARE(form.List1->selectedRows(), expectedCurrent < 0 ? QList<int> {} : QList<int> {expectedCurrent});
    QCOMPARE(f.dialogs.messages.size(), clicks.isEmpty() ? 1 : 0);
}

void TstForm1Playlist::songInformation_data()
{
    // A large file is made sparse: it costs no disk, yet a reader that scans it reads every byte.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tagged") << testData(QStringLiteral("song3.mp3")) << QByteArray() << "2. Song 3 - Artist 3";
    QTest::newRow("no tag") << testData(QStringLiteral("tone-22k-mono.mp3")) << QByteArray() << "2. tone-22k-mono";
    QTest::newRow("300 MB WAV") << "big.wav" << QByteArray("RIFF\xff\xff\xff\x0fWAVEfmt ", 16) << "2. big";
    QTest::newRow("300 MB video") << "film.mp4"
                                  << QByteArray("\0\0\0\x18"
                                                "ftypisom",
                                         12)
                                  << "2. film";
    QTest::newRow("300 MB without a signature") << "zeros.mp3" << QByteArray("data") << "2. zeros";
    QTest::newRow("ID3 tag before FLAC") << "tagged.flac" << QByteArray("ID3\x04\0\0\0\0\0\0fLaC", 14) << "2. tagged";
}

void TstForm1Playlist::songInformation()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, head);
    QFETCH(QString, expected);
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (!head.isEmpty()) {
        file = f.env.path(file);
        QFile big(file);
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(head);
        QVERIFY(big.resize(qint64(300) << 20));
    }
    form.List1->addMany({QString(), file});
    const qint64 before = bytesReadSoFar();
    clickRow(form.List1, 1);
    // The tag reader looks at a few KiB of a file that holds no MPEG audio, never at all of it.
    QVERIFY2(bytesReadSoFar() - before < 4 << 20, qPrintable(QString::number(bytesReadSoFar() - before)));
    QCOMPARE(form.Text3->text(), expected);
}

void TstForm1Playlist::droppedFilesShow()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.List1->add(QStringLiteral("/m/b.mp3"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/m/c.m3u8")), QUrl::fromLocalFile(QStringLiteral("/m/A.mp3")),
        QUrl::fromLocalFile(QStringLiteral("/m/dir")), QUrl(QStringLiteral("file://otherhost/m/z.mp3"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.List1->viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.List1->viewport(), &drop);
    // A file on another host names no file here and is left out.
    QCOMPARE(visibleRows(form.List1),
        (QStringList {QStringLiteral("/m/A.mp3"), QStringLiteral("/m/b.mp3"), QStringLiteral("/m/c.m3u8"),
            QStringLiteral("/m/dir")}));
}

void TstForm1Playlist::playlistFiles()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Save List and Load List give the same entries back; loading again appends them again.
    form.List1->addMany(kFive + QStringList {QStringLiteral("rel.mp3")});
    const QString saved = f.env.path(QStringLiteral("saved.m3u8"));
    f.dialogs.saveAnswers << saved;
    form.saveplay_Click();
    QVERIFY(f.dialogs.saveRequests.first().filter.contains(QStringLiteral("*.M3U8")));
    QCOMPARE(form.List1->listIndex(), 5);
    const QStringList entries = f.entries();
    form.clpl_Click();
    f.dialogs.openAnswers << saved << saved;
    form.loadplay_Click();
    QCOMPARE(visibleRows(form.List1), entries);
    form.loadplay_Click();
    QCOMPARE(form.List1->count(), 12);

    // A PLS file gives its File entries, and a small list shows at once.
    form.clpl_Click();
    const QString pls = f.env.path(QStringLiteral("radio.pls"));
    Form1Fixture::writeFile(
        pls, "[playlist]\r\nFile2=/m/b.mp3\r\nTitle1=One\r\nFile1=/m/z.mp3\r\nNumberOfEntries=2\r\n");
    f.dialogs.openAnswers << pls;
    form.loadplay_Click();
    QCOMPARE(visibleRows(form.List1), (QStringList {QStringLiteral("/m/b.mp3"), QStringLiteral("/m/z.mp3")}));

    f.dialogs.saveAnswers << pls + QStringLiteral("/list.m3u");
    form.saveplay_Click();
    QVERIFY(f.dialogs.messages.at(0).contains(QStringLiteral("list.m3u")));
}

QTEST_MAIN(TstForm1Playlist)
#include "tst_form1playlist.moc"
