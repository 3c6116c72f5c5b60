// Faults from outside: a default playlist that is a folder, playback that cannot start, a storm of transport clicks,
// and the process killed in the middle of writing the default playlist. In each, Quillet keeps running, says what
// failed and loses nothing it had saved. (A read-only data folder and a full disk are covered with the shutdown tests.)
#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mediaplayer.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <clocale>
#include <csignal>
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

// A main window with nothing playing, in its own temporary folders; not yet loaded. Without an audio device, its
// player's output is a file that cannot be created below a regular file.
struct Window
{
    TestEnvironment env;
    FakeDialogs dialogs;
    bool noAudioDevice;
    Form1 form;
    int ended = 0;
    explicit Window(bool withoutAudioDevice = false)
        : noAudioDevice((qputenv("QUILLET_AUDIO_OUTPUT", withoutAudioDevice ? "pcm" : "null"),
            qputenv("QUILLET_AO_PCM_FILE", testData(u"tone.wav/out.wav"_s).toUtf8()), withoutAudioDevice))
    {
        qputenv("QUILLET_AUDIO_OUTPUT", "null");
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
        form.setEndProcess([this] { ++ended; });
    }
};

} // namespace

class TstFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void defaultPlaylistIsAFolder_data();
    void defaultPlaylistIsAFolder();
    void playbackCannotStart_data();
    void playbackCannotStart();
    void rapidTransportClicks();
    void killedDuringDefaultPlaylistWrite();
};

void TstFaults::defaultPlaylistIsAFolder_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Exit") << false;
    QTest::newRow("the window's close box") << true;
}

void TstFaults::defaultPlaylistIsAFolder()
{
    QFETCH(bool, closeBox);
    Window w;
    QVERIFY(QDir().mkpath(PlaylistFile::defaultPlaylistPath()));
    w.form.load({});
    QVERIFY(w.form.List1->count() == 0 && w.dialogs.messages.isEmpty());
    w.form.List1->add(u"/music/kept.mp3"_s);
    if (closeBox)
        w.form.close();
    else
        w.form.exitProgram();
    QTRY_COMPARE(w.ended, 1);
    // The write is refused and reported once; the folder stays.
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages.first().contains(PlaylistFile::defaultPlaylistPath()));
    QVERIFY(QFileInfo(PlaylistFile::defaultPlaylistPath()).isDir());
}

void TstFaults::playbackCannotStart_data()
{
    QTest::addColumn<bool>("noAudioDevice");
    QTest::newRow("audio output cannot be opened") << true;
    QTest::newRow("network address never answers") << false;
}

void TstFaults::playbackCannotStart()
{
    QFETCH(bool, noAudioDevice);
    Window w(noAudioDevice);
    const LocalPort silentServer(true); // accepts and never answers
    w.form.load({});
    w.form.List1->add(noAudioDevice ? testData(u"song1.mp3"_s) : silentServer.url());
    w.form.List1->setListIndex(0);
    w.form.startEntry();
    QTRY_COMPARE_WITH_TIMEOUT(w.form.Label2->text(), u"ERROR !"_s, 15000);
    QCOMPARE(w.dialogs.messages.size(), 2);
    QVERIFY(w.dialogs.messages.at(0).startsWith(u"An Error Has Occured ! "_s));
    // The window still works: the playlist can be edited.
    w.form.List1->add(u"/music/more.mp3"_s);
    QCOMPARE(w.form.List1->count(), 2);
}

void TstFaults::rapidTransportClicks()
{
    Window w;
    w.form.load({});
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    const QStringList songs = {testData(u"song1.mp3"_s), testData(u"song2.mp3"_s), testData(u"song3.mp3"_s)};
    w.form.List1->addMany(songs);
    QToolButton *buttons[] = {w.form.command9, w.form.command10, w.form.command12};
    QRandomGenerator random(7);
    for (int i = 0; i < 200; ++i) {
        QTest::mouseClick(buttons[random.bounded(3)], Qt::LeftButton);
        if (i % 20 == 0)
            QCoreApplication::processEvents();
    }
    // After the storm a plain Next plays the entry after the current one, and the player reports it.
    w.dialogs.messages.clear();
    w.form.Label1->setText(u"0"_s);
    QTest::mouseClick(w.form.command12, Qt::LeftButton);
    QCOMPARE(w.form.MP1->fileName(), songs.at(1));
    QTRY_COMPARE_WITH_TIMEOUT(w.form.windowTitle(), u" Quillet MP3 Player - song2.."_s, 5000);
    QCOMPARE(w.form.Label2->text(), u"Playing.."_s);
    QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join(u'\n')));
}

void TstFaults::killedDuringDefaultPlaylistWrite()
{
    TestEnvironment env;
    const QString path = PlaylistFile::defaultPlaylistPath();
    QByteArray written[2];
    for (int n = 0; n < 2; ++n) {
        QVERIFY(PlaylistFile::write(path, playlist(n ? 25000 : 40000)).ok);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        written[n] = file.readAll();
    }
    QRandomGenerator random(11);
    for (int round = 0; round < 12; ++round) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {u"--write-forever"_s, path});
        QVERIFY(writer.waitForStarted());
        QThread::msleep(50 + random.bounded(400));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray found = file.readAll();
        QVERIFY2(found == written[0] || found == written[1], qPrintable(QString::number(found.size())));
    }
}

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--write-forever") {
        // Child: writes the two lists in turn through the default-playlist writer until killed.
        QCoreApplication app(argc, argv);
        const QStringList lists[] = {playlist(40000), playlist(25000)};
        for (unsigned n = 0;; ++n)
            PlaylistFile::write(QString::fromLocal8Bit(argv[2]), lists[n % 2]);
    }
    QApplication app(argc, argv);
    TstFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
