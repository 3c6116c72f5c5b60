// The main window published as an MPRIS player on a private session bus, driven by real clients (playerctl, gdbus,
// dbus-send, dbus-monitor) while the real libmpv player plays.
#include "app/form1.h"
#include "app/mprisplayer.h"
#include "app/mprisservice.h"
#include "desktoptesting.h"
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mediaplayer.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <clocale>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

// One main window with the real player, fake dialogs and the MPRIS service, in its own temporary folders, with
// three long tagged songs under names of their own.
struct MprisFixture
{
    TestEnvironment env;
    FakeDialogs dialogs;
    QStringList songs;
    std::unique_ptr<Form1> form;
    MprisService *service = nullptr;
    int endProcessCalls = 0;

    // Publishes the window with the first count songs; false when the service could not take its bus name.
    bool start(int count = 3)
    {
        for (int n = 0; n < 3; ++n) {
            songs << env.path(u"long %1.mp3"_s.arg(n));
            QFile::copy(testData(u"tone-187s.mp3"_s), songs.last());
        }
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
        form = std::make_unique<Form1>();
        form->setEndProcess([this] { ++endProcessCalls; });
        form->load({});
        form->List1->addMany(songs.mid(0, count));
        form->show();
        service = new MprisService(form.get());
        return service->registerOnSessionBus() && service->busName() == MprisService::serviceName();
    }
    // Starts an entry as a double-click does; false when it does not play.
    bool play(int index)
    {
        form->List1->setListIndex(index);
        form->startSelectedEntry();
        return QTest::qWaitFor(
            [this] { return status() == u"Playing"_s && form->MP1->currentPosition() > 0.3; }, 10000);
    }
    QString status() const { return service->player()->playbackStatus(); }
};

ClientResult playerctl(const QString &arguments)
{
    return runClient(u"playerctl"_s, QStringList {u"--player=quillet"_s} + arguments.split(u' '));
}

// Calls a method on the MPRIS object with gdbus, e.g. "Player.Seek 5000000".
ClientResult call(const QString &method, const QStringList &arguments = {})
{
    return runClient(u"gdbus"_s,
        QStringList {u"call"_s, u"--session"_s, u"--dest"_s, MprisService::serviceName(), u"--object-path"_s,
            MprisService::objectPath(), u"--method"_s,
            (method.startsWith(u"org.") ? QString() : u"org.mpris.MediaPlayer2."_s) + method}
            + arguments);
}

QString playerProperty(const QString &name)
{
    return call(u"org.freedesktop.DBus.Properties.Get"_s, {u"org.mpris.MediaPlayer2.Player"_s, name}).out;
}

// dbus-monitor watching the signals of the MPRIS object.
struct SignalMonitor
{
    QProcess process;
    QString text;
    bool ready = false;
    SignalMonitor()
    {
        process.start(u"dbus-monitor"_s, {u"--session"_s, u"type='signal',path='/org/mpris/MediaPlayer2'"_s});
        ready = QTest::qWaitFor([this] { return !read(u"NameLost"_s).isEmpty(); }, 10000); // now it watches
    }
    ~SignalMonitor()
    {
        process.kill();
        process.waitForFinished();
    }
    // The signals seen so far with the member name, one text each.
    QStringList read(const QString &member = u"PropertiesChanged"_s)
    {
        text += QString::fromUtf8(process.readAllStandardOutput());
        return text.split(u"\nsignal "_s).filter(u"member="_s + member);
    }
};

} // namespace

class TstMpris : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void clientCommands_data();
    void clientCommands();
    void metadataSeekingAndSignals();
    void messageBoxDoesNotHoldTheCaller();
};

void TstMpris::initTestCase()
{
    std::setlocale(LC_NUMERIC, "C");
    QVERIFY2(runClient(u"playerctl"_s, {u"--version"_s}).exitCode == 0, "playerctl (Debian package playerctl) needed");
}

// playerctl commands (gdbus for "Raise" and "Quit"), one table: what the window then plays, its status, its status
// line, its list, its volume scroll bar (set to -1000, three quarters, before) and its messages. "SONGn" stands for
// the URL of a song; a command starting with "!" must be refused.
void TstMpris::clientCommands_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<int>("playing");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("scrollBar");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *commands, int start, int playing, const char *status, int entries = 3,
                         int scrollBar = -1000, const char *message = "") {
        QTest::newRow(commands) << start << QString::fromLatin1(commands) << playing << QString::fromLatin1(status)
                                << entries << scrollBar << QString::fromLatin1(message);
    };
    row("play-pause", 1, 1, "Paused/Paused..");
    row("pause, play-pause", 1, 1, "Playing/Playing..");
    row("next", 1, 2, "Playing/Playing..");
    row("previous", 1, 0, "Playing/Playing..");
    row("pause, play, next", 2, 0, "Playing/Playing..", 3, -1000, "There Are No More Files To Play !");
    row("stop", 1, 1, "Stopped/Stoped..");
    row("stop, play", 1, 1, "Playing/Playing..");
    row("open SONG2", -1, 2, "Playing/Playing..", 3);
    row("open SONG1", -1, 1, "Playing/Playing..", 2);
    row("!open ftp://example.invalid/song.mp3", -1, -1, "Stopped", 2);
    // A folder adds its media files (here the three songs) as the directory browser does, and plays the first; one
    // without any is refused, as is a URI longer than any real one.
    row("open FOLDER", -1, 0, "Playing/Playing..", 5);
    row("!open EMPTY", -1, -1, "Stopped", 2);
    row("!open LONG", -1, -1, "Stopped", 2);
    row("volume 0.5", -1, -1, "Stopped", 3, -2000);
    row("volume 0", -1, -1, "Stopped", 3, -4000);
    row("volume 1.5", -1, -1, "Stopped", 3, 0);
    row("Raise", -1, -1, "Stopped");
    row("Quit", -1, -1, "Stopped");
}

void TstMpris::clientCommands()
{
    QFETCH(int, start);
    QFETCH(QString, commands);
    QFETCH(int, playing);
    QFETCH(QString, status);
    QFETCH(int, entries);
    QFETCH(int, scrollBar);
    QFETCH(QString, message);
    MprisFixture f;
    QVERIFY(f.start(commands.contains(u"open") ? 2 : 3));
    QVERIFY(start < 0 || f.play(start));
    f.form->volume1->setValue(-1000);
    QCOMPARE(playerctl(u"volume"_s).out.toDouble(), 0.75);
    f.form->hide();
    for (QString command : commands.split(u", "_s)) {
        for (int n = 0; n < 3; ++n)
            command.replace(u"SONG%1"_s.arg(n), QUrl::fromLocalFile(f.songs.at(n)).toString(QUrl::FullyEncoded));
        command.replace(u"FOLDER"_s, QUrl::fromLocalFile(f.env.root()).toString(QUrl::FullyEncoded));
        command.replace(u"EMPTY"_s, QUrl::fromLocalFile(f.env.dataDir()).toString(QUrl::FullyEncoded));
        command.replace(u"LONG"_s, u"http://example.invalid/"_s + QString(70000, u'a'));
        const bool refused = command.startsWith(u'!');
        const ClientResult result = command.at(0).isUpper() ? call(command) : playerctl(command.remove(u'!'));
        QVERIFY2(result.finished && (result.exitCode != 0 || !result.err.isEmpty()) == refused,
            qPrintable(command.left(200)));
        if (command == u"pause"_s || command == u"stop"_s)
            QTRY_COMPARE_WITH_TIMEOUT(f.status(), command == u"stop"_s ? u"Stopped"_s : u"Paused"_s, 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), status.section(u'/', 0, 0), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), playing < 0 ? QString() : f.songs.at(playing), 5000);
    QCOMPARE(playerctl(u"status"_s).out, f.status());
    if (status.contains(u'/'))
        QCOMPARE(f.form->Label2->text(), status.section(u'/', 1));
    QCOMPARE(f.dialogs.messages.join(QString()), message);
    QCOMPARE(f.form->List1->count(), entries);
    // The scroll bar moves and sets the player's volume, as when the user moves it.
    QTRY_COMPARE_WITH_TIMEOUT(f.form->volume1->value(), scrollBar, 5000);
    QCOMPARE(f.form->MP1->volume(), scrollBar);
    if (playing >= 0) {
        QCOMPARE(f.form->List1->currentText(), f.songs.at(playing));
        QTRY_COMPARE_WITH_TIMEOUT(
            QUrl(playerctl(u"metadata xesam:url"_s).out).toLocalFile(), f.songs.at(playing), 5000);
    }
    // Stop, then Play, starts the same file from its beginning; Raise shows the window; Quit is Exit.
    QVERIFY(!commands.endsWith(u"play") || f.form->MP1->currentPosition() < 2.0);
    QCOMPARE(f.form->isVisible(), commands == u"Raise"_s);
    QTRY_COMPARE_WITH_TIMEOUT(f.endProcessCalls, commands == u"Quit"_s ? 1 : 0, 5000);
}

void TstMpris::metadataSeekingAndSignals()
{
    MprisFixture f;
    QVERIFY(f.start());
    SignalMonitor monitor;
    QVERIFY(monitor.ready);
    const auto announced = [&](const QString &text) { return !monitor.read().filter(text).isEmpty(); };
    const auto seeked = [&] { return monitor.read(u"Seeked"_s); };
    const auto position = [&] { return f.form->MP1->currentPosition(); };
    QVERIFY(f.play(0));
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"Three Minutes"_s) && announced(u"\"Playing\""_s), 5000);
    QVERIFY(runClient(u"playerctl"_s, {u"--list-all"_s}).out.split(u'\n').contains(u"quillet"_s));
    const QStringList fields = playerctl(
        u"metadata --format {{xesam:title}}|{{xesam:artist}}|{{xesam:url}}|{{mpris:length}}|{{mpris:trackid}}"_s)
                                   .out.split(u'|');
    QCOMPARE(fields.mid(0, 2), QStringList({u"Three Minutes"_s, u"Long Player"_s}));
    QCOMPARE(fields.size(), 5);
    QCOMPARE(QUrl(fields.at(2)).toLocalFile(), f.songs.at(0));
    QVERIFY2(std::abs(fields.at(3).toLongLong() - 187'000'000) < 500'000, qPrintable(fields.at(3))); // microseconds
    // An object path, which playerctl quotes; the artist a list of names.
    QCOMPARE(fields.at(4), u'\'' + f.service->player()->currentTrackId() + u'\'');
    QVERIFY(playerProperty(u"Metadata"_s).contains(u"'xesam:artist': <['Long Player']>"_s));
    // The window's own Pause button and volume scroll bar are announced too.
    QTest::mouseClick(f.form->command11, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"\"Paused\""_s), 5000);
    f.form->volume1->setValue(-2000);
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"double 0.5"_s), 5000);
    // Nothing changes while the player is paused: no signal follows.
    const qsizetype settled = monitor.read().size();
    QTest::qWait(1500);
    QCOMPARE(monitor.read().size(), settled);

    // Paused, the position stays where a seek put it: absolute (with the current track id), then relative.
    QCOMPARE(playerctl(u"position 12"_s).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 12.0) < 0.6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 1, 5000);
    QVERIFY2(seeked().constLast().contains(u"int64 12000000"_s), qPrintable(seeked().constLast()));
    QCOMPARE(call(u"Player.Seek"_s, {u"--"_s, u"-5000000"_s}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 7.0) < 0.6, 5000);
    // A position for a track that is no longer the opened one is ignored.
    QCOMPARE(call(u"Player.SetPosition"_s, {u"/io/github/quillet/track/999"_s, u"25000000"_s}).exitCode, 0);
    QTest::qWait(500);
    QVERIFY2(std::abs(position() - 7.0) < 0.6, qPrintable(QString::number(position())));
    // The window's fast forward button is a jump too.
    QTest::mouseClick(f.form->Command15, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 3, 5000);
    // Seeking past the end goes on to the next entry.
    QCOMPARE(call(u"Player.Seek"_s, {u"200000000"_s}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), f.songs.at(1), 5000);
    // A stopped file does not seek.
    QCOMPARE(playerctl(u"stop"_s).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Stopped"_s, 5000);
    QCOMPARE(playerProperty(u"CanSeek"_s), u"(<false>,)"_s);
    const qsizetype before = seeked().size();
    QCOMPARE(call(u"Player.Seek"_s, {u"5000000"_s}).exitCode, 0);
    QTest::qWait(500);
    QCOMPARE(f.status(), u"Stopped"_s);
    QCOMPARE(seeked().size(), before);
}

void TstMpris::messageBoxDoesNotHoldTheCaller()
{
    MprisFixture f;
    QVERIFY(f.start(1));
    QVERIFY(f.play(0));
    // A real message box runs its own event loop until the user presses OK. The D-Bus caller must have its answer
    // while the box is still open.
    QProcess client;
    bool clientDoneWhileOpen = false;
    f.dialogs.onMessage = [&](const QString &) {
        QEventLoop box;
        QObject::connect(&client, &QProcess::finished, &box, &QEventLoop::quit);
        QTimer::singleShot(20000, &box, &QEventLoop::quit);
        if (client.state() != QProcess::NotRunning)
            box.exec();
        clientDoneWhileOpen = client.state() == QProcess::NotRunning && client.exitCode() == 0;
    };
    client.start(u"playerctl"_s, {u"--player=quillet"_s, u"next"_s});
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.messages.size(), 1, 25000);
    QVERIFY(clientDoneWhileOpen);
}

int main(int argc, char *argv[])
{
    return mainOnPrivateBus(argc, argv, [](int argc, char **argv) {
        QApplication app(argc, argv);
        TstMpris test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "tst_mpris.moc"
