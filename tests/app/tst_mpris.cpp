// The main window published as an MPRIS player on a private session bus, driven by real clients (playerctl, gdbus,
// dbus-monitor) while the real libmpv player plays generated, tagged files.
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
#include <QDBusConnection>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <clocale>
#include <csignal>
#include <memory>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

const QString kNextMessage = u"There Are No More Files To Play !"_s;

// One main window with the real player, fake dialogs and the MPRIS service, in its own temporary folders.
struct MprisFixture
{
    TestEnvironment env;
    FakeDialogs dialogs;
    std::unique_ptr<Form1> form;
    MprisService *service = nullptr;
    int endProcessCalls = 0;

    // Loads the window with the entries and publishes it; false when the service could not take its bus name.
    bool start(const QStringList &entries)
    {
        // Nothing starts by itself: each test starts what it needs.
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
        form = std::make_unique<Form1>();
        form->setEndProcess([this] { ++endProcessCalls; });
        form->load({});
        form->List1->addMany(entries);
        service = new MprisService(form.get());
        return service->registerOnSessionBus() && service->busName() == MprisService::serviceName();
    }
    // Starts an entry as a double-click does; false when it does not play.
    bool play(int index)
    {
        form->List1->setListIndex(index);
        form->startSelectedEntry();
        return QTest::qWaitFor(
            [this] {
                return form->MP1->state() == MediaPlayer::State::Playing
                    && service->player()->currentTrackId().startsWith(QLatin1String("/io/"))
                    && form->MP1->currentPosition() > 0.3;
            },
            10000);
    }
    QString status() const { return service->player()->playbackStatus(); }
};

ClientResult playerctl(const QStringList &arguments)
{
    return runClient(u"playerctl"_s, QStringList {u"--player=quillet"_s} + arguments);
}

// Calls a method of the player interface, or of org.freedesktop.DBus.Properties, with gdbus.
ClientResult callPlayer(const QString &method, const QStringList &arguments = {})
{
    const QString name = method.contains(QLatin1Char('.')) ? method : u"org.mpris.MediaPlayer2.Player."_s + method;
    return runClient(u"gdbus"_s,
        QStringList {u"call"_s, u"--session"_s, u"--dest"_s, MprisService::serviceName(), u"--object-path"_s,
            MprisService::objectPath(), u"--method"_s, name}
            + arguments);
}

QString playerProperty(const QString &name)
{
    return callPlayer(u"org.freedesktop.DBus.Properties.Get"_s, {u"org.mpris.MediaPlayer2.Player"_s, name}).out;
}

// dbus-monitor watching the signals of the MPRIS object.
class SignalMonitor
{
public:
    void start()
    {
        m_process.start(u"dbus-monitor"_s, {u"--session"_s, u"type='signal',path='/org/mpris/MediaPlayer2'"_s});
        QVERIFY(m_process.waitForStarted());
        // The monitor announces itself with NameLost once it watches.
        QTRY_VERIFY_WITH_TIMEOUT(read().isEmpty() && m_text.contains(QLatin1String("NameLost")), 10000);
    }
    ~SignalMonitor()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // The signals of the MPRIS object seen so far with the given member name, one text each.
    QStringList read(const QString &member = u"PropertiesChanged"_s)
    {
        m_text += QString::fromUtf8(m_process.readAllStandardOutput());
        QStringList found;
        for (const QString &message : m_text.split(u"\nsignal "_s)) {
            if (message.contains(QLatin1String("path=/org/mpris/MediaPlayer2;"))
                && message.contains(QLatin1String("member=") + member))
                found.append(message);
        }
        return found;
    }

private:
    QProcess m_process;
    QString m_text;
};

} // namespace

class TstMpris : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void metadataOfAPlayingFile_data();
    void metadataOfAPlayingFile();
    void clientCommandsRunTheWindowsOperations_data();
    void clientCommandsRunTheWindowsOperations();
    void seeking();
    void changesAreAnnounced();
    void messageBoxDoesNotHoldTheCaller();
    void raiseAndQuit();
    void runsWithoutSessionBus();

private:
    QTemporaryDir m_media;
    QStringList m_songs;
    QString m_untagged;
};

void TstMpris::initTestCase()
{
    std::setlocale(LC_NUMERIC, "C");
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no private session bus");
    QVERIFY2(
        runClient(u"playerctl"_s, {u"--version"_s}).exitCode == 0, "playerctl (Debian package playerctl) is needed");
    // Songs long enough to stay playing through a test, tagged as real files are; one without a tag, with a blank
    // in its name.
    const auto generate = [this](const QString &name, const QStringList &tags) {
        QStringList arguments = {u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
            u"sine=frequency=440:sample_rate=22050:duration=30"_s, u"-ac"_s, u"1"_s, u"-c:a"_s, u"libmp3lame"_s,
            u"-b:a"_s, u"32k"_s, u"-id3v2_version"_s, u"3"_s};
        for (const QString &tag : tags)
            arguments << u"-metadata"_s << tag;
        arguments << m_media.filePath(name);
        QProcess ffmpeg;
        ffmpeg.start(u"ffmpeg"_s, arguments);
        return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 ? m_media.filePath(name) : QString();
    };
    for (int n = 1; n <= 3; ++n) {
        m_songs.append(generate(u"long%1.mp3"_s.arg(n),
            {u"title=Long Song %1"_s.arg(n), u"artist=Singer %1"_s.arg(n), u"album=Record %1"_s.arg(n)}));
        QVERIFY(!m_songs.last().isEmpty());
    }
    m_untagged = generate(u"untagged tone.mp3"_s, {});
    QVERIFY(!m_untagged.isEmpty());
}

void TstMpris::metadataOfAPlayingFile_data()
{
    QTest::addColumn<bool>("tagged");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tagged") << true << u"Long Song 2|Singer 2|Record 2"_s;
    // Without a tag the file's name stands for the title, as in the window's title.
    QTest::newRow("untagged") << false << u"untagged tone||"_s;
}

void TstMpris::metadataOfAPlayingFile()
{
    QFETCH(bool, tagged);
    QFETCH(QString, expected);
    MprisFixture f;
    QVERIFY(f.start(m_songs + QStringList {m_untagged}));
    const QString file = tagged ? m_songs.at(1) : m_untagged;
    QVERIFY(f.play(f.form->List1->entries().indexOf(file)));

    QVERIFY(runClient(u"playerctl"_s, {u"--list-all"_s}).out.split(QLatin1Char('\n')).contains(u"quillet"_s));
    QCOMPARE(playerctl({u"status"_s}).out, u"Playing"_s);
    const ClientResult metadata = playerctl({u"metadata"_s, u"--format"_s,
        u"{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{xesam:url}}|{{mpris:length}}|{{mpris:trackid}}"_s});
    QVERIFY2(metadata.exitCode == 0, qPrintable(metadata.err));
    const QStringList fields = metadata.out.split(QLatin1Char('|'));
    QCOMPARE(fields.size(), 6);
    QCOMPARE(fields.mid(0, 3).join(QLatin1Char('|')), expected);
    QCOMPARE(QUrl(fields.at(3)).toLocalFile(), file);
    // Microseconds: the files last 30 s.
    const qlonglong length = fields.at(4).toLongLong();
    QVERIFY2(length > 29'500'000 && length < 30'500'000, qPrintable(fields.at(4)));
    // playerctl quotes object paths.
    QCOMPARE(fields.at(5), QLatin1Char('\'') + f.service->player()->currentTrackId() + QLatin1Char('\''));

    // The artist is a list of names, and the track id an object path, as MPRIS requires.
    const QString raw = playerProperty(u"Metadata"_s);
    QVERIFY2(raw.contains(QLatin1String("'mpris:trackid': <objectpath '/io/github/quillet/track/")), qPrintable(raw));
    if (tagged)
        QVERIFY2(raw.contains(QLatin1String("'xesam:artist': <['Singer 2']>")), qPrintable(raw));
}

// playerctl commands, one table: what the window then plays, its status, its status line, its messages, its list
// and its volume scroll bar (set to -1000, three quarters, before the commands). "SONGn" stands for the URL of a
// song; a command starting with "!" must be refused.
void TstMpris::clientCommandsRunTheWindowsOperations_data()
{
    QTest::addColumn<int>("startIndex");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("playingIndex");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("statusLine");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("scrollBar");
    const auto row
        = [](const char *name, int start, const QStringList &commands, int playing, const QString &status,
              const QString &line, int entries = 3, int scrollBar = -1000, const QStringList &messages = {}) {
              QTest::newRow(name) << start << commands << playing << status << line << messages << entries << scrollBar;
          };
    const QString playing = u"Playing.."_s;
    row("play-pause pauses", 1, {u"play-pause"_s}, 1, u"Paused"_s, u"Paused.."_s);
    row("play-pause resumes", 1, {u"pause"_s, u"play-pause"_s}, 1, u"Playing"_s, playing);
    row("next", 1, {u"next"_s}, 2, u"Playing"_s, playing);
    row("previous", 1, {u"previous"_s}, 0, u"Playing"_s, playing);
    row("next at the last entry wraps", 2, {u"next"_s}, 0, u"Playing"_s, playing, 3, -1000, {kNextMessage});
    row("stop", 1, {u"stop"_s}, 1, u"Stopped"_s, u"Stoped.."_s);
    row("stop then play", 1, {u"stop"_s, u"play"_s}, 1, u"Playing"_s, playing);
    row("open a new file", -1, {u"open SONG2"_s}, 2, u"Playing"_s, playing, 3);
    row("open a listed file", -1, {u"open SONG1"_s}, 1, u"Playing"_s, playing, 2);
    row("open an unsupported scheme", -1, {u"!open ftp://example.invalid/song.mp3"_s}, -1, u"Stopped"_s, {}, 2);
    row("volume half", -1, {u"volume 0.5"_s}, -1, u"Stopped"_s, {}, 3, -2000);
    row("volume zero", -1, {u"volume 0"_s}, -1, u"Stopped"_s, {}, 3, -4000);
    row("volume above full is full", -1, {u"volume 1.5"_s}, -1, u"Stopped"_s, {}, 3, 0);
}

void TstMpris::clientCommandsRunTheWindowsOperations()
{
    QFETCH(int, startIndex);
    QFETCH(QStringList, commands);
    QFETCH(int, playingIndex);
    QFETCH(QString, status);
    QFETCH(QString, statusLine);
    QFETCH(QStringList, messages);
    QFETCH(int, entries);
    QFETCH(int, scrollBar);

    MprisFixture f;
    // The "open" rows start with the first two songs only.
    const bool opening = commands.first().contains(QLatin1String("open"));
    QVERIFY(f.start(opening ? m_songs.mid(0, 2) : m_songs));
    if (startIndex >= 0)
        QVERIFY(f.play(startIndex));
    f.form->volume1->setValue(-1000);
    QCOMPARE(playerctl({u"volume"_s}).out.toDouble(), 0.75);
    for (QString command : std::as_const(commands)) {
        const bool refused = command.startsWith(QLatin1Char('!'));
        command.remove(0, refused ? 1 : 0);
        for (int n = 0; n < m_songs.size(); ++n)
            command.replace(u"SONG%1"_s.arg(n), QUrl::fromLocalFile(m_songs.at(n)).toString(QUrl::FullyEncoded));
        const ClientResult result = playerctl(command.split(QLatin1Char(' ')));
        QVERIFY2(result.finished, qPrintable(command));
        if (refused) {
            QVERIFY2(result.exitCode != 0 || !result.err.isEmpty(), qPrintable(command));
        } else {
            QVERIFY2(result.exitCode == 0, qPrintable(command + QLatin1Char(' ') + result.err));
        }
        if (command == QLatin1String("pause") || command == QLatin1String("stop"))
            QTRY_COMPARE_WITH_TIMEOUT(f.status(), command == QLatin1String("stop") ? u"Stopped"_s : u"Paused"_s, 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), status, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), playingIndex < 0 ? QString() : m_songs.at(playingIndex), 5000);
    QCOMPARE(playerctl({u"status"_s}).out, status);
    if (!statusLine.isEmpty())
        QCOMPARE(f.form->Label2->text(), statusLine);
    QCOMPARE(f.dialogs.messages, messages);
    QCOMPARE(f.form->List1->count(), entries);
    // The scroll bar moves and sets the player's volume, as when the user moves it.
    QTRY_COMPARE_WITH_TIMEOUT(f.form->volume1->value(), scrollBar, 5000);
    QCOMPARE(f.form->MP1->volume(), scrollBar);
    if (playingIndex >= 0) {
        QCOMPARE(f.form->List1->currentText(), m_songs.at(playingIndex));
        QTRY_COMPARE_WITH_TIMEOUT(
            playerctl({u"metadata"_s, u"xesam:title"_s}).out, u"Long Song %1"_s.arg(playingIndex + 1), 10000);
    }
    // Stop, then Play, starts the same file from its beginning.
    if (commands.endsWith(u"play"_s))
        QVERIFY2(f.form->MP1->currentPosition() < 2.0, qPrintable(QString::number(f.form->MP1->currentPosition())));
}

void TstMpris::seeking()
{
    MprisFixture f;
    QVERIFY(f.start(m_songs));
    f.form->show();
    QVERIFY(f.play(0));
    // Paused, the position stays where a seek put it.
    QCOMPARE(playerctl({u"pause"_s}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Paused"_s, 5000);
    SignalMonitor monitor;
    monitor.start();
    const auto position = [&] { return f.form->MP1->currentPosition(); };
    const auto seeked = [&] { return monitor.read(u"Seeked"_s); };

    // Absolute (SetPosition with the current track id), then relative steps (Seek) both ways.
    QCOMPARE(playerctl({u"position"_s, u"12"_s}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 12.0) < 0.6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 1, 5000);
    QVERIFY2(seeked().constLast().contains(QLatin1String("int64 12000000")), qPrintable(seeked().constLast()));
    QCOMPARE(callPlayer(u"Seek"_s, {u"5000000"_s}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 17.0) < 0.6, 5000);
    QVERIFY(std::abs(playerctl({u"position"_s}).out.toDouble() - position()) < 0.6);
    QCOMPARE(callPlayer(u"Seek"_s, {u"--"_s, u"-10000000"_s}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 7.0) < 0.6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 3, 5000);

    // A position for a track that is no longer the opened one is ignored.
    QCOMPARE(callPlayer(u"SetPosition"_s, {u"/io/github/quillet/track/999"_s, u"25000000"_s}).exitCode, 0);
    QTest::qWait(500);
    QVERIFY2(std::abs(position() - 7.0) < 0.6, qPrintable(QString::number(position())));

    // The window's fast forward button is a jump too; time passing is not.
    QTest::mouseClick(f.form->Command15, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 4, 5000);
    QTest::qWait(1000);
    QCOMPARE(seeked().size(), 4);

    // Seeking past the end goes on to the next entry.
    QCOMPARE(callPlayer(u"Seek"_s, {u"60000000"_s}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), m_songs.at(1), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Playing"_s, 10000);

    // A stopped file does not seek.
    QCOMPARE(playerctl({u"stop"_s}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Stopped"_s, 5000);
    QCOMPARE(playerProperty(u"CanSeek"_s), u"(<false>,)"_s);
    const qsizetype before = seeked().size();
    QCOMPARE(callPlayer(u"Seek"_s, {u"5000000"_s}).exitCode, 0);
    QTest::qWait(500);
    QCOMPARE(f.form->MP1->state(), MediaPlayer::State::Stopped);
    QCOMPARE(seeked().size(), before);
}

void TstMpris::changesAreAnnounced()
{
    MprisFixture f;
    QVERIFY(f.start(m_songs));
    f.form->show();
    SignalMonitor monitor;
    monitor.start();
    const auto announced = [&](const QString &text) { return !monitor.read().filter(text).isEmpty(); };
    QVERIFY(f.play(0));
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"Long Song 1"_s) && announced(u"\"Playing\""_s), 5000);

    // The window's own Pause button and volume scroll bar are announced too.
    QTest::mouseClick(f.form->command11, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"\"Paused\""_s), 5000);
    f.form->volume1->setValue(-2000);
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"double 0.5"_s), 5000);
    // A track change announces the new metadata.
    QCOMPARE(playerctl({u"next"_s}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(announced(u"Long Song 2"_s), 10000);

    // Nothing changes while the player is paused: no signal follows.
    QCOMPARE(playerctl({u"pause"_s}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Paused"_s, 5000);
    QTest::qWait(300);
    const qsizetype settled = monitor.read().size();
    QTest::qWait(2000);
    QCOMPARE(monitor.read().size(), settled);
}

void TstMpris::messageBoxDoesNotHoldTheCaller()
{
    MprisFixture f;
    QVERIFY(f.start({m_songs.at(0)}));
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
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.messages, QStringList {kNextMessage}, 25000);
    QVERIFY(clientDoneWhileOpen);
}

void TstMpris::raiseAndQuit()
{
    MprisFixture f;
    QVERIFY(f.start(m_songs));
    f.form->hide();
    const auto callRoot = [](const QString &method) {
        return runClient(u"dbus-send"_s,
            {u"--session"_s, u"--print-reply"_s, u"--dest="_s + MprisService::serviceName(), MprisService::objectPath(),
                u"org.mpris.MediaPlayer2."_s + method});
    };
    QCOMPARE(callRoot(u"Raise"_s).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(f.form->isVisible(), 5000);
    QCOMPARE(f.endProcessCalls, 0);
    QCOMPARE(callRoot(u"Quit"_s).exitCode, 0);
    // Quit is Exit: the closing steps run and the process would end.
    QTRY_COMPARE_WITH_TIMEOUT(f.endProcessCalls, 1, 5000);
    QVERIFY(!f.form->isVisible());
}

void TstMpris::runsWithoutSessionBus()
{
    const QString program = quilletExecutable();
    QVERIFY2(!program.isEmpty(), "build the quillet target first");
    TestEnvironment env;
    QVERIFY(QDir().mkpath(env.path(u"runtime"_s)));
    QVERIFY(writeProgramSetting(u"Opening Files"_s, u"Auto Play"_s, u"0"_s));
    QVERIFY(writeProgramSetting(u"Playlist"_s, u"Save"_s, u"1"_s));
    QVERIFY(writeProgramSetting(u"Splash"_s, u"Interval"_s, u"1"_s));
    QProcess quillet;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + env.path(u"no-bus"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, env.path(u"runtime"_s));
    environment.remove(u"DISPLAY"_s);
    quillet.setProcessEnvironment(environment);
    quillet.start(program, {m_songs.at(0)});
    QVERIFY(quillet.waitForStarted());
    // The main window comes up and the program ends normally, writing its default playlist.
    QTest::qWait(3000);
    QCOMPARE(quillet.state(), QProcess::Running);
    ::kill(pid_t(quillet.processId()), SIGTERM);
    QVERIFY(quillet.waitForFinished(15000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillet.exitCode(), 0);
    QFile playlist(env.dataDir() + u"/default.m3u"_s);
    QVERIFY(playlist.open(QIODevice::ReadOnly));
    QCOMPARE(playlist.readAll().trimmed(), m_songs.at(0).toUtf8());
    const QString errors = QString::fromUtf8(quillet.readAllStandardError());
    QVERIFY2(!errors.contains(QLatin1String("bus"), Qt::CaseInsensitive), qPrintable(errors));
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
