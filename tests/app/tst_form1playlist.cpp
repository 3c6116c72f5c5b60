// Editing the playlist from the main window as a user does: clicks, keys, drops, playlist files, song information.
#include "common/appdirs.h"
#include "fakes/tagfiles.h"
#include "fakes/tagsaves.h"
#include "fakes/visiblerows.h"
#include "form1fixture.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

const QStringList kFive = {u"/m/0.mp3"_s, u"/m/1.mp3"_s, u"/m/2.mp3"_s, u"/m/3.mp3"_s, u"/m/4.mp3"_s};

// Bytes this process has read so far.
qint64 bytesReadSoFar()
{
    QFile io(u"/proc/self/io"_s);
    const QByteArray text = io.open(QIODevice::ReadOnly) ? io.readAll() : QByteArray();
    const qsizetype at = text.indexOf("rchar: ");
    return at < 0 ? -1 : text.mid(at + 7, text.indexOf('\n', at) - at - 7).toLongLong();
}

// Descriptors of this process that are open on path.
int descriptorsOn(const QString &path)
{
    int count = 0;
    const QDir fds(u"/proc/self/fd"_s);
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        count += fd.symLinkTarget() == path;
    return count;
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
    void removeSelectedByKey_data()
    {
        // Clicks on rows, in order: "s" holds Shift, "c" holds Control.
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QList<int>>("remaining");
        QTest::addColumn<int>("expectedCurrent");
        QTest::addColumn<int>("key");
        const int del = Qt::Key_Delete;
        QTest::newRow("1 and 3 with 1 current: the next entry becomes current")
            << "3 c1" << QList<int> {0, 2, 4} << 1 << del;
        QTest::newRow("all selected empties the list") << "0 s4" << QList<int> {} << -1 << del;
        QTest::newRow("1, with 3 current but not selected: none left selected")
            << "1 c3 c3" << QList<int> {0, 2, 3, 4} << -1 << del;
        QTest::newRow("no current entry: a message, nothing removed") << "" << QList<int> {0, 1, 2, 3, 4} << -1 << del;
        // "." removes as Delete does.
        QTest::newRow("period key") << "3 c1" << QList<int> {0, 2, 4} << 1 << int(Qt::Key_Period);
        QTest::newRow("period key, no current entry") << "" << QList<int> {0, 1, 2, 3, 4} << -1 << int(Qt::Key_Period);
    }
    void removeSelectedByKey()
    {
        QFETCH(QString, clicks);
        QFETCH(QList<int>, remaining);
        QFETCH(int, expectedCurrent);
        QFETCH(int, key);
        Form1Fixture f;
        Form1 &form = f.show();
        form.List1->addMany(kFive);
        for (const QString &click : clicks.split(u' ', Qt::SkipEmptyParts)) {
            const Qt::KeyboardModifiers modifiers = click.startsWith(u's') ? Qt::ShiftModifier
                : click.startsWith(u'c')                                   ? Qt::ControlModifier
                                                                           : Qt::NoModifier;
            clickRow(form.List1, click.right(1).toInt(), modifiers);
        }
        QTest::keyClick(form.List1, Qt::Key(key));
        QStringList expected;
        for (int row : remaining)
            expected << kFive.at(row);
        QCOMPARE(visibleRows(form.List1), expected);
        QCOMPARE(form.List1->selectedRows(), expectedCurrent < 0 ? QList<int> {} : QList<int> {expectedCurrent});
        QCOMPARE(f.dialogs.messages.size(), clicks.isEmpty() ? 1 : 0);
    }
    // The keyboard alone: the arrows show each entry's song as a click does, Enter plays it, Space pauses and resumes.
    void keysPlayPauseAndShowTheSong()
    {
        Form1Fixture f;
        Form1 &form = f.show();
        const QStringList songs = {testData(u"song1.mp3"_s), testData(u"song2.mp3"_s), testData(u"song3.mp3"_s)};
        form.List1->addMany(songs);
        clickRow(form.List1, 0);
        QCOMPARE(form.Text3->text(), u"1. Song 1 - Artist 1"_s);
        QTest::keyClick(form.List1, Qt::Key_Down);
        QCOMPARE(form.Text3->text(), u"2. Song 2 - Artist 2"_s);
        QTest::keyClick(form.List1, Qt::Key_End);
        QCOMPARE(form.Text3->text(), u"3. Song 3 - Artist 3"_s);
        QTest::keyClick(form.List1, Qt::Key_Up);
        QTest::keyClick(form.List1, Qt::Key_Return);
        QCOMPARE(f.player().fileName(), songs[1]);
        f.player().emitMediaOpened();
        f.player().setPosition(0.5);
        QCOMPARE(form.Label2->text(), u"Playing.."_s);
        QTest::keyClick(form.List1, Qt::Key_Space);
        QCOMPARE(f.player().state(), MediaPlayer::State::Paused);
        QCOMPARE(form.Label2->text(), u"Paused.."_s);
        QTest::keyClick(form.List1, Qt::Key_Space);
        QCOMPARE(f.player().state(), MediaPlayer::State::Playing);
        QCOMPARE(form.Label2->text(), u"Playing.."_s);
        // Space only plays and pauses: the selection stays on the playing entry.
        QCOMPARE(form.List1->selectedRows(), QList<int> {1});
        QVERIFY(f.dialogs.messages.isEmpty());
    }
    void songInformation_data()
    {
        // A large file is made sparse: it costs no disk, yet a reader that scans it reads every byte.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no tag") << testData(u"tone-22k-mono.mp3"_s) << QByteArray() << "2. tone-22k-mono";
        QTest::newRow("300 MB WAV") << "big.wav" << QByteArray("RIFF\xff\xff\xff\x0fWAVEfmt ", 16) << "2. big";
        QTest::newRow("300 MB video") << "film.mp4" << QByteArray("\0\0\0\x18", 4) + "ftypisom"
                                      << "2. film";
        QTest::newRow("300 MB without a signature") << "zeros.mp3" << QByteArray("data") << "2. zeros";
        QTest::newRow("300 MB Matroska") << "film.mkv" << QByteArray("\x1A\x45\xDF\xA3", 4) << "2. film";
        QTest::newRow("ID3 tag before FLAC")
            << "tagged.flac" << QByteArray("ID3\x04\0\0\0\0\0\0fLaC", 14) << "2. tagged";
        // Its pages are whole, but no page ends the stream: the reader would search all of it for the last one.
        QTest::newRow("300 MB Ogg without its last page")
            << "cut.ogg" << Form1Fixture::readFile(testData(u"fmt.ogg"_s)) << "2. cut";
        QTest::newRow("URL") << "http://example.invalid/cbr%20128.mp3" << QByteArray() << "2. cbr 128";
    }
    void songInformation()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, head);
        QFETCH(QString, expected);
        Form1Fixture f;
        Form1 &form = f.show();
        if (!head.isEmpty()) {
            file = f.env.path(file);
            Form1Fixture::writeFile(file, head);
            QVERIFY(QFile::resize(file, qint64(300) << 20));
        }
        form.List1->addMany({QString(), file});
        const qint64 before = bytesReadSoFar();
        clickRow(form.List1, 1);
        // The tag reader looks at a few KiB of a file that holds no MPEG audio, never at all of it.
        QVERIFY2(bytesReadSoFar() - before < 4 << 20, qPrintable(QString::number(bytesReadSoFar() - before)));
        QCOMPARE(form.Text3->text(), expected);
        // Nothing keeps the file open afterwards: the user may delete it, or unmount the disk it is on.
        QCOMPARE(descriptorsOn(QFileInfo(file).absoluteFilePath()), 0);
    }
    void droppedFilesShow_data()
    {
        QTest::addColumn<QByteArray>("uriList");
        QTest::addColumn<QStringList>("shown"); // with /m/b.mp3, in the list before the drop
        // Only files of this computer are added: other hosts and schemes name no file here, nor do URLs without an
        // absolute path. A line break in a name is kept.
        QTest::newRow("files, a folder, another host")
            << QByteArray("file:///m/c.m3u8\r\nfile:///m/A.mp3\r\nfile:///m/dir\r\nfile://otherhost/m/z.mp3\r\n")
            << QStringList {u"/m/A.mp3"_s, u"/m/b.mp3"_s, u"/m/c.m3u8"_s, u"/m/dir"_s};
        QTest::newRow("comment and other schemes") << QByteArray(
            "# from a browser\r\nhttp://x/y.mp3\r\nfile://localhost/music/b.mp3\r\nfile://nas/share/c.mp3\r\n")
                                                   << QStringList {u"/m/b.mp3"_s, u"/music/b.mp3"_s};
        QTest::newRow("line break in a name") << QByteArray("file:///music/a%0Ab.mp3\nfile:///music/c%0D.mp3\n")
                                              << QStringList {u"/m/b.mp3"_s, u"/music/a\nb.mp3"_s, u"/music/c\r.mp3"_s};
        QTest::newRow("no path") << QByteArray("file:\nfile:rel.mp3\nfile:///a%20b.mp3\n")
                                 << QStringList {u"/a b.mp3"_s, u"/m/b.mp3"_s};
    }
    void droppedFilesShow()
    {
        QFETCH(QByteArray, uriList);
        QFETCH(QStringList, shown);
        Form1Fixture f;
        Form1 &form = f.show();
        form.List1->add(u"/m/b.mp3"_s);
        QMimeData files;
        files.setData(u"text/uri-list"_s, uriList);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.List1->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.List1->viewport(), &drop);
        QCOMPARE(visibleRows(form.List1), shown);
    }
    void playlistFiles()
    {
        Form1Fixture f;
        Form1 &form = f.show();
        // Save List and Load List give the same entries back; loading again appends them again.
        form.List1->addMany(kFive + QStringList {u"rel.mp3"_s});
        const QString saved = f.env.path(u"saved.m3u8"_s);
        f.dialogs.saveAnswers << saved;
        form.saveplay_Click();
        QVERIFY(f.dialogs.saveRequests.first().filter.contains(u"*.M3U8"_s));
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
        const QString pls = f.env.path(u"radio.pls"_s);
        Form1Fixture::writeFile(
            pls, "[playlist]\r\nFile2=/m/b.mp3\r\nTitle1=One\r\nFile1=/m/z.mp3\r\nNumberOfEntries=2\r\n");
        f.dialogs.openAnswers << pls;
        form.loadplay_Click();
        QCOMPARE(visibleRows(form.List1), (QStringList {u"/m/b.mp3"_s, u"/m/z.mp3"_s}));

        f.dialogs.saveAnswers << pls + u"/list.m3u"_s;
        form.saveplay_Click();
        QVERIFY(f.dialogs.messages.at(0).contains(u"list.m3u"_s));
    }
    void cutTagSaveReported_data()
    {
        QTest::addColumn<bool>("id3Playlist"); // read by the ID3 playlist's reader threads, or by a click on the entry
        QTest::newRow("a click on the entry") << false;
        QTest::newRow("the ID3 playlist") << true;
    }
    // A tag save cut short, then another tagger's edit: reading the file leaves the edit, and the main window says once
    // where the old file is kept.
    void cutTagSaveReported()
    {
        QFETCH(bool, id3Playlist);
        Form1Fixture f;
        const QString path = f.env.path(u"song.mp3"_s);
        QVERIFY(placeTestFile(u"tags-v1v2.mp3"_s, path) && linkPath(path, path + u".link"_s));
        QVERIFY(cutSave(path, u"Cut Title"_s, SaveStop {SaveStop::Write, 1}));
        QVERIFY(otherTaggerSetsArtist(path, u"Other"_s));
        const QByteArray edited = Form1Fixture::readFile(path);
        Form1 &form = f.show();
        form.List1->addMany({path});
        // The ID3 playlist first asks for patience; the notices are the messages that name the file.
        const auto notices = [&f, &path] { return f.dialogs.messages.filter(path); };
        if (id3Playlist)
            QTest::keyClick(form.List1, Qt::Key_3);
        else
            clickRow(form.List1, 0);
        QTRY_COMPARE_WITH_TIMEOUT(notices().size(), 1, 10000);
        // Read again, it tells nothing more.
        clickRow(form.List1, 0);
        QCoreApplication::processEvents();
        QCOMPARE(notices().size(), 1);
        QCOMPARE(form.Text9->text(), u"Other"_s);
        QVERIFY2(notices().first().contains(dataFile(u"tag-recovery/"_s)), qPrintable(notices().first()));
        QCOMPARE(Form1Fixture::readFile(path), edited);
    }
};

QTEST_MAIN(TstForm1Playlist)
#include "tst_form1playlist.moc"
