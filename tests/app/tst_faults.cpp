// Faults from outside the program (special files, folders it cannot write, playback that cannot start, floods of
// clicks, a kill mid-write): Quillet keeps running (or ends cleanly), says what failed and loses nothing it had saved.
// (A full disk is covered with the playlist saved at exit.)
#include "app/windowregistry.h"
#include "appearance/skinfile.h"
#include "common/entrypath.h"
#include "common/messagetext.h"
#include "form1fixture.h"
#include "media/mediaplayer.h"
#include "video/form3.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QToolButton>
#include <QUrl>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

// A playlist of count entries; two of different sizes, so that a torn write could pass for neither.
QStringList playlist(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << u"/music/%1/%2.mp3"_s.arg(count).arg(i, 6, 10, QLatin1Char('0'));
    return entries;
}

// A main window on the real engine with nothing playing, in its own temporary folders; not yet loaded.
struct Window : Form1Fixture
{
    Window()
        : Form1Fixture(Engine::Real)
    {
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
    }
};

} // namespace

class TstFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void defaultPlaylistIsAFolder_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Exit") << false;
        QTest::newRow("the window's close box") << true;
    }
    void defaultPlaylistIsAFolder()
    {
        QFETCH(bool, closeBox);
        Window w;
        QVERIFY(QDir().mkpath(PlaylistFile::defaultPlaylistPath()));
        w.load();
        QVERIFY(w.form->List1->count() == 0 && w.dialogs.messages.isEmpty());
        w.form->List1->add(u"/music/kept.mp3"_s);
        if (closeBox)
            w.form->close();
        else
            w.form->exitProgram();
        QTRY_COMPARE(w.endProcessCalls, 1);
        // The write is refused and reported once; the folder stays.
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY(w.dialogs.messages.first().contains(PlaylistFile::defaultPlaylistPath()));
        QVERIFY(QFileInfo(PlaylistFile::defaultPlaylistPath()).isDir());
    }
    // Files handed to the window that are no playlists or skins: nothing blocks or fills the memory, and the user is
    // told once, by the file's name, what is wrong with it. "message" is a text of the one message, empty for none.
    void filesThatAreNoLists_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("playlist argument is a named pipe")
            << u"pipe.m3u"_s << u"pipe.m3u: it is a named pipe"_s << QStringList();
        QTest::newRow("playlist argument links to /dev/zero")
            << u"zero.m3u"_s << u"zero.m3u: it is a device"_s << QStringList();
        QTest::newRow("playlist argument cannot be read")
            << u"unreadable.m3u"_s << u"unreadable.m3u: Input/output error"_s << QStringList();
        QTest::newRow("skin argument is a named pipe")
            << u"pipe.qsk"_s << u"pipe.qsk: it is a named pipe"_s << QStringList();
        QTest::newRow("default skin's picture is a named pipe")
            << u"picture"_s << u"picture.jpg: it is a named pipe"_s << QStringList();
        QTest::newRow("default playlist is a named pipe") << u"default"_s << QString() << QStringList();
        QTest::newRow("lines longer than any path")
            << u"long.m3u"_s << u"3 lines of "_s << QStringList {u"/m/a.mp3"_s, u"/m/b.mp3"_s};
        QTest::newRow("argument longer than any path")
            << u"long argument"_s << u"longer than any real path"_s << QStringList();
    }
    void filesThatAreNoLists()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QStringList, entries);
        Form1Fixture f;
        const auto pipe = [](const QString &path) { QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); };
        QString argument = f.env.path(file);
        if (file == u"zero.m3u") {
            QVERIFY(QFile::link(u"/dev/zero"_s, argument));
        } else if (file == u"unreadable.m3u") {
            // A regular file whose every read fails, as on a failing disk.
            QVERIFY(QFile::link(u"/proc/self/mem"_s, argument));
        } else if (file == u"picture") {
            argument.clear();
            pipe(f.env.path(u"picture.jpg"_s));
            Skin skin;
            skin.pictureOn = 1;
            skin.pictureFile = f.env.path(u"picture.jpg"_s);
            QVERIFY(SkinFile::write(SkinFile::defaultSkinPath(), skin).ok);
        } else if (file == u"default") {
            argument.clear();
            pipe(PlaylistFile::defaultPlaylistPath());
        } else if (file == u"long.m3u") {
            const QByteArray line(MaxEntryLength + 1, 'x');
            Form1Fixture::writeFile(argument, line + "\n/m/a.mp3\n" + line + "\r\n/m/b.mp3\n" + line);
        } else if (file == u"long argument") {
            argument = u"/m/"_s + QString(MaxEntryLength, u'a') + u".mp3"_s;
        } else {
            pipe(argument);
        }
        f.load(argument);
        QCOMPARE(f.entries(), entries);
        QCOMPARE(f.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(f.dialogs.messages.first().contains(message), qPrintable(f.dialogs.messages.first()));
    }
    // A file name with a line break (legal on Linux) is saved as one line that Quillet and other players (mpv) read as
    // that file, and after a restart it plays.
    void nameWithALineBreakSurvivesARestart()
    {
        Window w;
        const QString song = w.env.path(u"new\nline.mp3"_s);
        QVERIFY(QFile::copy(testData(u"song1.mp3"_s), song));
        w.load();
        w.form->List1_OLEDragDrop({song});
        w.form->unload();
        const QString saved = PlaylistFile::defaultPlaylistPath();
        QCOMPARE(Form1Fixture::readFile(saved), QByteArray("file://" + QUrl::toPercentEncoding(song, "/") + "\r\n"));
        QProcess mpv;
        mpv.start(
            u"mpv"_s, {u"--no-config"_s, u"--ao=null"_s, u"--vo=null"_s, u"--length=0.1"_s, u"--playlist="_s + saved});
        QVERIFY(mpv.waitForFinished(30000));
        QVERIFY2(mpv.exitCode() == 0, mpv.readAllStandardError().constData());

        Form1 again;
        again.setEndProcess([] {});
        again.load({});
        QCOMPARE(again.List1->entries(), QStringList {song});
        again.List1->setListIndex(0);
        again.startEntry();
        QTRY_COMPARE_WITH_TIMEOUT(again.Text4->text(), u"Song 1"_s, 10000);
    }
    // Qt's own message box: a text of megabytes is shortened in the middle before the box lays it out, and a message
    // that is on screen is not opened again inside it.
    void messageBoxesStayShortAndSingle()
    {
        TestEnvironment env;
        struct Watcher : QObject
        {
            QStringList shown;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                auto *box = qobject_cast<QMessageBox *>(watched);
                if (box && event->type() == QEvent::Show) {
                    shown << box->text();
                    // From the box's own event loop: the same message again, then OK.
                    QTimer::singleShot(0, box, [this, box] {
                        if (shown.size() == 1)
                            dialogs().message(text);
                        box->done(0);
                    });
                }
                return false;
            }
            QString text = u"Cannot read /m/"_s + QString(300000, u'x') + u"/end.m3u"_s;
        } watcher;
        qApp->installEventFilter(&watcher);
        dialogs().message(watcher.text);
        qApp->removeEventFilter(&watcher);
        QCOMPARE(watcher.shown.size(), 1);
        const QString shown = watcher.shown.first();
        QVERIFY2(shown.size() <= MaxMessageLength, qPrintable(QString::number(shown.size())));
        QVERIFY(shown.startsWith(u"Cannot read /m/xxx"_s) && shown.endsWith(u"xxx/end.m3u"_s));
    }
    // Run as an ordinary user whose data folder is not theirs: Exit says that the folder cannot be written, and the
    // saved playlist stays as it was.
    void folderTheUserCannotWrite()
    {
        TestEnvironment env;
        const QString data = env.dataDir();
        Form1Fixture::writeFile(PlaylistFile::defaultPlaylistPath(), "/old/a.mp3\r\n");
        // The user may enter the folders and read the file, but write in none of them.
        for (const QString &path : {env.root(), data, env.configDir(), PlaylistFile::defaultPlaylistPath()})
            QVERIFY(QFile::setPermissions(path,
                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                    | QFile::ReadOther | QFile::ExeOther));
        QProcess child;
        child.start(u"setpriv"_s,
            {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, QCoreApplication::applicationFilePath(),
                u"--exit-with-an-entry"_s});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
        const QString messages = QString::fromUtf8(child.readAllStandardOutput());
        QVERIFY2(messages.contains(u"the folder "_s + data + u" is not writable"_s), qPrintable(messages));
        QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), QByteArray("/old/a.mp3\r\n"));
    }
    // The audio output cannot be opened: the error is reported and the window goes on working.
    void playbackCannotStart()
    {
        Window w;
        // Without an audio device: the player's output is a file that cannot be created below a regular file.
        qputenv("QUILLET_AUDIO_OUTPUT", "pcm");
        qputenv("QUILLET_AO_PCM_FILE", testData(u"tone.wav/out.wav"_s).toUtf8());
        w.load();
        qputenv("QUILLET_AUDIO_OUTPUT", "null");
        w.form->List1->add(testData(u"song1.mp3"_s));
        w.form->List1->setListIndex(0);
        w.form->startEntry();
        QTRY_COMPARE_WITH_TIMEOUT(w.form->Label2->text(), u"ERROR !"_s, 15000);
        QCOMPARE(w.dialogs.messages.size(), 2);
        QVERIFY(w.dialogs.messages.at(0).startsWith(u"An Error Has Occured ! "_s));
        // The window still works: the playlist can be edited.
        w.form->List1->add(u"/music/more.mp3"_s);
        QCOMPARE(w.form->List1->count(), 2);
    }
    void rapidTransportClicks()
    {
        Window w;
        w.show();
        const QStringList songs = {testData(u"song1.mp3"_s), testData(u"song2.mp3"_s), testData(u"song3.mp3"_s)};
        w.form->List1->addMany(songs);
        QToolButton *buttons[] = {w.form->command9, w.form->command10, w.form->command12};
        QRandomGenerator random(7);
        for (int i = 0; i < 200; ++i) {
            QTest::mouseClick(buttons[random.bounded(3)], Qt::LeftButton);
            if (i % 20 == 0)
                QCoreApplication::processEvents();
        }
        // After the storm a plain Next plays the entry after the current one, and the player reports it.
        w.dialogs.messages.clear();
        w.form->Label1->setText(u"0"_s);
        QTest::mouseClick(w.form->command12, Qt::LeftButton);
        QCOMPARE(w.form->MP1->fileName(), songs.at(1));
        QTRY_COMPARE_WITH_TIMEOUT(w.form->windowTitle(), u" Quillet MP3 Player - song2.."_s, 5000);
        // The caption names the file once the engine opened it; the status line follows once it plays.
        QTRY_COMPARE_WITH_TIMEOUT(w.form->Label2->text(), u"Playing.."_s, 5000);
        QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join(u'\n')));
    }
    void killedDuringDefaultPlaylistWrite()
    {
        TestEnvironment env;
        const QString path = PlaylistFile::defaultPlaylistPath();
        QByteArray written[2];
        for (int n = 0; n < 2; ++n) {
            QVERIFY(PlaylistFile::write(path, playlist(n ? 25000 : 40000)).ok);
            written[n] = Form1Fixture::readFile(path);
        }
        QRandomGenerator random(11);
        for (int round = 0; round < 12; ++round) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {u"--write-forever"_s, path});
            QVERIFY(writer.waitForStarted());
            QThread::msleep(50 + random.bounded(400));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());
            const QByteArray found = Form1Fixture::readFile(path);
            QVERIFY2(found == written[0] || found == written[1], qPrintable(QString::number(found.size())));
        }
    }
    // Quitting (the tray's Exit, a desktop call, a signal) while a message box is open over a window that goes at exit:
    // the box is answered first, then every window closes, none under the box's own event loop.
    void quitWhileAMessageBoxIsOpen()
    {
        Window w;
        w.show();
        w.form->windows()->showVideoPlayer();
        QVERIFY(QTest::qWaitForWindowActive(Form3::instance()));
        setDialogService(nullptr); // the real message box, over the active window
        QTimer::singleShot(0, w.form.get(), [&w] {
            if (QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }))
                w.form->exitProgram();
        });
        dialogs().message(u"The file \"/films/clip.avi\" was not found."_s);
        QTRY_COMPARE(w.endProcessCalls, 1);
        QVERIFY(!Form3::instance());
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--write-forever") {
        // Child: writes the two lists in turn through the default-playlist writer until killed.
        QCoreApplication app(argc, argv);
        const QStringList lists[] = {playlist(40000), playlist(25000)};
        for (unsigned n = 0;; ++n)
            PlaylistFile::write(QString::fromLocal8Bit(argv[2]), lists[n % 2]);
    }
    if (argc == 2 && QByteArray(argv[1]) == "--exit-with-an-entry") {
        // Child, run as another user: adds an entry, exits, and prints the messages shown.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        FakeDialogs shown;
        Form1 form;
        form.setEndProcess([] {});
        form.load({});
        form.List1->add(u"/new/b.mp3"_s);
        form.unload();
        std::fputs(shown.messages.join(u'\n').toUtf8().constData(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    TstFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
