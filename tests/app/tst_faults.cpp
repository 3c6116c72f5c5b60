// Faults from outside: a default playlist that is a folder, a file deleted while it plays, an audio output that
// cannot be opened, a network address that never answers, a storm of transport commands, and the process killed
// in the middle of writing the default playlist. In each, Quillet keeps running, says what failed and loses
// nothing it had saved. (A read-only data folder and a full disk are covered with the shutdown tests.)
#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mediaplayer.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QApplication>

#include <arpa/inet.h>
#include <clocale>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Two playlists of different sizes, so that a torn write could not pass for either.
QStringList playlistA()
{
    QStringList entries;
    for (int i = 0; i < 40000; ++i)
        entries << QStringLiteral("/music/a/%1.mp3").arg(i, 6, 10, QLatin1Char('0'));
    return entries;
}

QStringList playlistB()
{
    QStringList entries;
    for (int i = 0; i < 25000; ++i)
        entries << QStringLiteral("/music/b/long-name-%1.mp3").arg(i, 6, 10, QLatin1Char('0'));
    return entries;
}

QByteArray fileBytes(const QStringList &entries)
{
    return (entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

// Child mode: writes the two lists in turn through the default-playlist writer until killed.
[[noreturn]] void writeForever(const QString &path)
{
    const QStringList a = playlistA();
    const QStringList b = playlistB();
    for (unsigned n = 0;; ++n)
        PlaylistFile::write(path, n % 2 ? b : a);
}

// A TCP socket on 127.0.0.1 that accepts connections and never answers.
struct SilentServer
{
    int fd = -1;
    int port = 0;
    SilentServer()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(fd, 8);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd); }
};

} // namespace

class TstFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void defaultPlaylistIsAFolder();
    void fileDeletedWhilePlaying();
    void audioOutputCannotBeOpened();
    void networkAddressNeverAnswers();
    void rapidTransportCommands();
    void killedDuringDefaultPlaylistWrite();
};

void TstFaults::defaultPlaylistIsAFolder()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    QVERIFY(QDir().mkpath(PlaylistFile::defaultPlaylistPath()));
    int ended = 0;
    Form1 form;
    form.setEndProcess([&] { ++ended; });
    form.load({});
    QCOMPARE(form.List1->count(), 0);
    QVERIFY(dialogs.messages.isEmpty());
    form.List1->add(QStringLiteral("/music/kept.mp3"));
    form.exitProgram();
    QTRY_COMPARE(ended, 1);
    // The write is refused and reported; the folder and whatever is in it stay.
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.first().contains(PlaylistFile::defaultPlaylistPath()));
    QVERIFY(QFileInfo(PlaylistFile::defaultPlaylistPath()).isDir());
}

void TstFaults::fileDeletedWhilePlaying()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    const QString doomed = env.path(QStringLiteral("doomed.mp3"));
    QVERIFY(QFile::copy(testData(QStringLiteral("song1.mp3")), doomed));
    const QString next = testData(QStringLiteral("song2.mp3"));
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("0"));
    Form1 form;
    form.setEndProcess([] {});
    form.load({});
    form.List1->addMany({doomed, next});
    form.List1->setListIndex(form.List1->entries().indexOf(doomed));
    form.startEntry();
    QTRY_COMPARE_WITH_TIMEOUT(form.Label8->text(), QStringLiteral("00:02"), 5000);
    QVERIFY(QFile::remove(doomed));
    // The player either finishes what it had read or reports the loss; either way the list moves on.
    QTRY_COMPARE_WITH_TIMEOUT(form.MP1->fileName(), next, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."), 5000);
}

void TstFaults::audioOutputCannotBeOpened()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    const QString blocker = env.path(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("QUILLET_AUDIO_OUTPUT", "pcm");
    qputenv("QUILLET_AO_PCM_FILE", (blocker + QStringLiteral("/out.wav")).toUtf8());
    {
        Form1 form;
        form.setEndProcess([] {});
        form.load({});
        form.List1->add(testData(QStringLiteral("song1.mp3")));
        form.List1->setListIndex(0);
        form.startEntry();
        QTRY_COMPARE_WITH_TIMEOUT(form.Label2->text(), QStringLiteral("ERROR !"), 10000);
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(dialogs.messages.at(0).startsWith(QStringLiteral("An Error Has Occured ! ")));
        QVERIFY(dialogs.messages.at(1).size() > QStringLiteral("Tip To Solve The Problem: ").size());
        // The window still works: the playlist can be edited.
        form.List1->add(QStringLiteral("/music/more.mp3"));
        QCOMPARE(form.List1->count(), 2);
    }
    qputenv("QUILLET_AUDIO_OUTPUT", "null");
    qunsetenv("QUILLET_AO_PCM_FILE");
}

void TstFaults::networkAddressNeverAnswers()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    SilentServer server;
    Form1 form;
    form.setEndProcess([] {});
    form.load({});
    const QString url = QStringLiteral("http://127.0.0.1:%1/stream.mp3").arg(server.port);
    form.List1->add(url);
    form.List1->setListIndex(0);
    // The event loop keeps turning while the address stays silent.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(50);
    QElapsedTimer clock;
    clock.start();
    form.startEntry();
    QTRY_COMPARE_WITH_TIMEOUT(form.Label2->text(), QStringLiteral("ERROR !"), 15000);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ticks >= clock.elapsed() / 50 / 2);
    QCOMPARE(dialogs.messages.size(), 2);
}

void TstFaults::rapidTransportCommands()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("0"));
    Form1 form;
    form.setEndProcess([] {});
    form.load({});
    const QStringList songs = {testData(QStringLiteral("song1.mp3")), testData(QStringLiteral("song2.mp3")),
                               testData(QStringLiteral("song3.mp3"))};
    form.List1->addMany(songs);
    QRandomGenerator random(7);
    for (int i = 0; i < 200; ++i) {
        switch (random.bounded(3)) {
        case 0:
            form.command12_Click();
            break;
        case 1:
            form.command10_Click();
            break;
        default:
            form.command9_Click();
            break;
        }
        if (i % 20 == 0)
            QCoreApplication::processEvents();
    }
    // After the storm a plain Next plays the entry after the current one, and the player reports it.
    dialogs.messages.clear();
    form.Label1->setText(QStringLiteral("0"));
    form.command12_Click();
    QCOMPARE(form.MP1->fileName(), songs.at(1));
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."), 5000);
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
    QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.join(QLatin1Char('\n'))));
}

void TstFaults::killedDuringDefaultPlaylistWrite()
{
    TestEnvironment env;
    const QString path = PlaylistFile::defaultPlaylistPath();
    const QByteArray a = fileBytes(playlistA());
    const QByteArray b = fileBytes(playlistB());
    QVERIFY(PlaylistFile::write(path, playlistA()).ok);
    QRandomGenerator random(11);
    for (int round = 0; round < 12; ++round) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-forever"), path});
        QVERIFY(writer.waitForStarted());
        QThread::msleep(50 + random.bounded(400));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray found = file.readAll();
        QVERIFY2(found == a || found == b, qPrintable(QStringLiteral("round %1: %2 bytes").arg(round).arg(found.size())));
    }
}

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--write-forever") {
        QCoreApplication app(argc, argv);
        writeForever(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TstFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
