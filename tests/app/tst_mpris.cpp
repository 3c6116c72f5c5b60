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
#include <QDBusConnectionInterface>
#include <QDir>
#include <QLabel>
#include <QProcess>
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

namespace {

const QString kPlayerctl = QStringLiteral("playerctl");
const QString kNextMessage = QStringLiteral("There Are No More Files To Play !");

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
        SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("0"));
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
                    && service->player()->currentTrackId().startsWith(QLatin1String("/io/"));
            },
            10000);
    }
    QString status() const { return service->player()->playbackStatus(); }
};

// Runs playerctl against Quillet's player.
ClientResult playerctl(const QStringList &arguments)
{
    return runClient(kPlayerctl, QStringList {QStringLiteral("--player=quillet")} + arguments);
}

// Calls a method of Quillet's player interface with gdbus.
ClientResult callPlayer(const QString &method, const QStringList &arguments = {})
{
    return runClient(QStringLiteral("gdbus"),
        QStringList {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
            MprisService::serviceName(), QStringLiteral("--object-path"), MprisService::objectPath(),
            QStringLiteral("--method"), QStringLiteral("org.mpris.MediaPlayer2.Player.") + method}
            + arguments);
}

// A property of Quillet's player interface as gdbus prints it, e.g. "(<true>,)".
QString playerProperty(const QString &name)
{
    return runClient(QStringLiteral("gdbus"),
        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"), MprisService::serviceName(),
            QStringLiteral("--object-path"), MprisService::objectPath(), QStringLiteral("--method"),
            QStringLiteral("org.freedesktop.DBus.Properties.Get"), QStringLiteral("org.mpris.MediaPlayer2.Player"),
            name})
        .out;
}

// dbus-monitor watching the signals of the MPRIS object; its output split into one text per signal.
class SignalMonitor
{
public:
    void start()
    {
        m_process.start(QStringLiteral("dbus-monitor"),
            {QStringLiteral("--session"), QStringLiteral("type='signal',path='/org/mpris/MediaPlayer2'")});
        QVERIFY(m_process.waitForStarted());
        // The monitor announces itself with NameLost once it watches.
        QTRY_VERIFY_WITH_TIMEOUT(read().isEmpty() && m_text.contains(QLatin1String("NameLost")), 10000);
    }
    ~SignalMonitor()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // The last PropertiesChanged signal seen, empty when none.
    QString last()
    {
        const QStringList all = read();
        return all.isEmpty() ? QString() : all.constLast();
    }
    // The signals of the MPRIS object seen so far with the given member name.
    QStringList read(const QString &member = QStringLiteral("PropertiesChanged"))
    {
        m_text += QString::fromUtf8(m_process.readAllStandardOutput());
        QStringList found;
        const QStringList messages = m_text.split(QStringLiteral("\nsignal "));
        for (const QString &message : messages) {
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
    void statusAndMetadataOfAPlayingFile_data();
    void statusAndMetadataOfAPlayingFile();
    void transportRunsTheWindowsCommands_data();
    void transportRunsTheWindowsCommands();
    void seekAndSetPosition();
    void volumeFollowsTheScrollBar_data();
    void volumeFollowsTheScrollBar();
    void openUri_data();
    void openUri();
    void propertiesChangedAnnouncesChanges();
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
    const ClientResult version = runClient(kPlayerctl, {QStringLiteral("--version")});
    QVERIFY2(version.finished && version.exitCode == 0, "playerctl (Debian package playerctl) is needed");
    // Songs long enough to stay playing through a test, tagged as real files are; one without a tag, with a blank
    // in its name.
    const auto generate = [this](const QString &name, const QStringList &tags) {
        QStringList arguments = {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=22050:duration=30"), QStringLiteral("-ac"),
            QStringLiteral("1"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
            QStringLiteral("32k"), QStringLiteral("-id3v2_version"), QStringLiteral("3")};
        for (const QString &tag : tags)
            arguments << QStringLiteral("-metadata") << tag;
        const QString path = m_media.filePath(name);
        arguments << path;
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
        return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 ? path : QString();
    };
    for (int n = 1; n <= 3; ++n) {
        const QString name = QStringLiteral("long%1.mp3").arg(n);
        m_songs.append(generate(name,
            {QStringLiteral("title=Long Song %1").arg(n), QStringLiteral("artist=Singer %1").arg(n),
                QStringLiteral("album=Record %1").arg(n)}));
        QVERIFY(!m_songs.last().isEmpty());
    }
    m_untagged = generate(QStringLiteral("untagged tone.mp3"), {});
    QVERIFY(!m_untagged.isEmpty());
}

void TstMpris::statusAndMetadataOfAPlayingFile_data()
{
    QTest::addColumn<bool>("tagged");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");

    QTest::newRow("tagged") << true << QStringLiteral("Long Song 2") << QStringLiteral("Singer 2")
                            << QStringLiteral("Record 2");
    // Without a tag the file's name stands for the title, as in the window's title.
    QTest::newRow("untagged") << false << QStringLiteral("untagged tone") << QString() << QString();
}

void TstMpris::statusAndMetadataOfAPlayingFile()
{
    QFETCH(bool, tagged);
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(QString, album);

    MprisFixture f;
    QVERIFY(f.start(m_songs + QStringList {m_untagged}));
    const QString file = tagged ? m_songs.at(1) : m_untagged;
    QVERIFY(f.play(f.form->List1->entries().indexOf(file)));

    const ClientResult listed = runClient(kPlayerctl, {QStringLiteral("--list-all")});
    QVERIFY(listed.out.split(QLatin1Char('\n')).contains(QStringLiteral("quillet")));
    QCOMPARE(playerctl({QStringLiteral("status")}).out, QStringLiteral("Playing"));

    const ClientResult metadata = playerctl({QStringLiteral("metadata"), QStringLiteral("--format"),
        QStringLiteral(
            "{{mpris:trackid}}|{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{xesam:url}}|{{mpris:length}}")});
    QVERIFY2(metadata.exitCode == 0, qPrintable(metadata.err));
    const QStringList fields = metadata.out.split(QLatin1Char('|'));
    QCOMPARE(fields.size(), 6);
    // playerctl quotes object paths.
    QCOMPARE(fields.at(0), QLatin1Char('\'') + f.service->player()->currentTrackId() + QLatin1Char('\''));
    QCOMPARE(fields.at(1), title);
    QCOMPARE(fields.at(2), artist);
    QCOMPARE(fields.at(3), album);
    QCOMPARE(fields.at(4), QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
    QCOMPARE(QUrl(fields.at(4)).toLocalFile(), file);
    // Microseconds: the files last 30 s.
    const qlonglong length = fields.at(5).toLongLong();
    QVERIFY2(length > 29'500'000 && length < 30'500'000, qPrintable(fields.at(5)));

    // The artist is a list of names, and the track id an object path, as MPRIS requires.
    const ClientResult raw = runClient(QStringLiteral("gdbus"),
        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"), MprisService::serviceName(),
            QStringLiteral("--object-path"), MprisService::objectPath(), QStringLiteral("--method"),
            QStringLiteral("org.freedesktop.DBus.Properties.Get"), QStringLiteral("org.mpris.MediaPlayer2.Player"),
            QStringLiteral("Metadata")});
    QVERIFY(raw.out.contains(QLatin1String("'mpris:trackid': <objectpath '/io/github/quillet/track/")));
    if (tagged)
        QVERIFY2(raw.out.contains(QLatin1String("'xesam:artist': <['Singer 2']>")), qPrintable(raw.out));
}

void TstMpris::transportRunsTheWindowsCommands_data()
{
    QTest::addColumn<int>("startIndex");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("playingIndex");
    QTest::addColumn<QString>("statusLine");
    QTest::addColumn<QStringList>("messages");

    const QString playing = QStringLiteral("Playing..");
    QTest::newRow("play-pause pauses") << 1 << QStringList {QStringLiteral("play-pause")} << QStringLiteral("Paused")
                                       << 1 << QStringLiteral("Paused..") << QStringList();
    QTest::newRow("play-pause resumes") << 1 << QStringList {QStringLiteral("pause"), QStringLiteral("play-pause")}
                                        << QStringLiteral("Playing") << 1 << playing << QStringList();
    QTest::newRow("next") << 1 << QStringList {QStringLiteral("next")} << QStringLiteral("Playing") << 2 << playing
                          << QStringList();
    QTest::newRow("previous") << 1 << QStringList {QStringLiteral("previous")} << QStringLiteral("Playing") << 0
                              << playing << QStringList();
    QTest::newRow("next at the last entry wraps")
        << 2 << QStringList {QStringLiteral("next")} << QStringLiteral("Playing") << 0 << playing
        << QStringList {kNextMessage};
    QTest::newRow("stop") << 1 << QStringList {QStringLiteral("stop")} << QStringLiteral("Stopped") << 1
                          << QStringLiteral("Stoped..") << QStringList();
    QTest::newRow("stop then play") << 1 << QStringList {QStringLiteral("stop"), QStringLiteral("play")}
                                    << QStringLiteral("Playing") << 1 << playing << QStringList();
}

void TstMpris::transportRunsTheWindowsCommands()
{
    QFETCH(int, startIndex);
    QFETCH(QStringList, commands);
    QFETCH(QString, status);
    QFETCH(int, playingIndex);
    QFETCH(QString, statusLine);
    QFETCH(QStringList, messages);

    MprisFixture f;
    QVERIFY(f.start(m_songs));
    QVERIFY(f.play(startIndex));
    // Pause needs a position above 0.
    QTRY_VERIFY_WITH_TIMEOUT(f.form->MP1->currentPosition() > 0.3, 5000);
    for (const QString &command : commands) {
        const ClientResult result = playerctl({command});
        QVERIFY2(result.finished && result.exitCode == 0, qPrintable(command + QLatin1Char(' ') + result.err));
        const QString reached = command == QLatin1String("pause") ? QStringLiteral("Paused")
            : command == QLatin1String("stop")                    ? QStringLiteral("Stopped")
                                                                  : status;
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({QStringLiteral("status")}).out, reached, 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), m_songs.at(playingIndex), 5000);
    QCOMPARE(f.status(), status);
    QCOMPARE(f.form->Label2->text(), statusLine);
    QCOMPARE(f.dialogs.messages, messages);
    if (commands.contains(QStringLiteral("next")) || commands.contains(QStringLiteral("previous"))) {
        QCOMPARE(f.form->Label1->text(), QString::number(playingIndex));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}).out,
            QStringLiteral("Long Song %1").arg(playingIndex + 1), 10000);
    }
    // Stop, then Play, starts the same file from its beginning.
    if (commands.endsWith(QStringLiteral("play")))
        QVERIFY2(f.form->MP1->currentPosition() < 2.0, qPrintable(QString::number(f.form->MP1->currentPosition())));
}

void TstMpris::seekAndSetPosition()
{
    MprisFixture f;
    QVERIFY(f.start(m_songs));
    QVERIFY(f.play(0));
    QTRY_VERIFY_WITH_TIMEOUT(f.form->MP1->currentPosition() > 0.3, 5000);
    // Paused, the position stays where a seek put it.
    QCOMPARE(playerctl({QStringLiteral("pause")}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Paused"), 5000);
    SignalMonitor monitor;
    monitor.start();
    const auto position = [&] { return f.form->MP1->currentPosition(); };
    const auto seeked = [&] { return monitor.read(QStringLiteral("Seeked")); };

    // Absolute (SetPosition with the current track id), then relative steps (Seek) both ways.
    QCOMPARE(playerctl({QStringLiteral("position"), QStringLiteral("12")}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 12.0) < 0.6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 1, 5000);
    QVERIFY2(seeked().constLast().contains(QLatin1String("int64 12000000")), qPrintable(seeked().constLast()));
    QCOMPARE(callPlayer(QStringLiteral("Seek"), {QStringLiteral("5000000")}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 17.0) < 0.6, 5000);
    QVERIFY(std::abs(playerctl({QStringLiteral("position")}).out.toDouble() - position()) < 0.6);
    QCOMPARE(callPlayer(QStringLiteral("Seek"), {QStringLiteral("--"), QStringLiteral("-10000000")}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 7.0) < 0.6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 3, 5000);

    // A position request for a track that is no longer the opened one is ignored.
    QCOMPARE(callPlayer(QStringLiteral("SetPosition"),
                 {QStringLiteral("/io/github/quillet/track/999"), QStringLiteral("25000000")})
                 .exitCode,
        0);
    QTest::qWait(500);
    QVERIFY2(std::abs(position() - 7.0) < 0.6, qPrintable(QString::number(position())));

    // Fast forward in the window is a jump too, announced at a tick of the time display; time passing is not.
    f.form->Timer1_Timer();
    f.form->Command15_Click();
    QTRY_COMPARE_WITH_TIMEOUT(seeked().size(), 4, 5000);
    QTest::qWait(1000);
    QCOMPARE(seeked().size(), 4);

    // Seeking past the end goes on to the next entry.
    QCOMPARE(callPlayer(QStringLiteral("Seek"), {QStringLiteral("60000000")}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), m_songs.at(1), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Playing"), 10000);
    QCOMPARE(f.form->Label1->text(), QStringLiteral("1"));

    // A stopped file does not seek.
    QCOMPARE(playerctl({QStringLiteral("stop")}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Stopped"), 5000);
    QCOMPARE(playerProperty(QStringLiteral("CanSeek")), QStringLiteral("(<false>,)"));
    const int before = seeked().size();
    QCOMPARE(callPlayer(QStringLiteral("Seek"), {QStringLiteral("5000000")}).exitCode, 0);
    QTest::qWait(500);
    QCOMPARE(f.form->MP1->state(), MediaPlayer::State::Stopped);
    QCOMPARE(seeked().size(), before);
}

void TstMpris::volumeFollowsTheScrollBar_data()
{
    QTest::addColumn<QString>("clientVolume");
    QTest::addColumn<int>("scrollBar");

    QTest::newRow("full") << QStringLiteral("1") << 0;
    QTest::newRow("half") << QStringLiteral("0.5") << -2000;
    QTest::newRow("quarter") << QStringLiteral("0.25") << -3000;
    QTest::newRow("bottom") << QStringLiteral("0") << -4000;
    QTest::newRow("above full is clamped") << QStringLiteral("1.5") << 0;
}

void TstMpris::volumeFollowsTheScrollBar()
{
    QFETCH(QString, clientVolume);
    QFETCH(int, scrollBar);

    MprisFixture f;
    QVERIFY(f.start(m_songs));
    f.form->volume1->setValue(-1000);
    QCOMPARE(playerctl({QStringLiteral("volume")}).out.toDouble(), 0.75);

    QCOMPARE(playerctl({QStringLiteral("volume"), clientVolume}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.form->volume1->value(), scrollBar, 5000);
    // The scroll bar sets the player's volume, as when the user moves it.
    QCOMPARE(f.form->MP1->volume(), scrollBar);
}

void TstMpris::openUri_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("entries");

    QTest::newRow("new file") << QStringLiteral("NEW") << true << 3;
    QTest::newRow("file already listed") << QStringLiteral("LISTED") << true << 2;
    QTest::newRow("unsupported scheme") << QStringLiteral("ftp://example.invalid/song.mp3") << false << 2;
}

void TstMpris::openUri()
{
    QFETCH(QString, uri);
    QFETCH(bool, accepted);
    QFETCH(int, entries);

    MprisFixture f;
    QVERIFY(f.start({m_songs.at(0), m_songs.at(1)}));
    const QString file = uri == QLatin1String("NEW") ? m_songs.at(2) : m_songs.at(1);
    if (uri == QLatin1String("NEW") || uri == QLatin1String("LISTED"))
        uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);

    const ClientResult result = playerctl({QStringLiteral("open"), uri});
    if (!accepted) {
        QVERIFY(result.exitCode != 0 || !result.err.isEmpty());
        const ClientResult direct = callPlayer(QStringLiteral("OpenUri"), {uri});
        QVERIFY(direct.exitCode != 0);
        QVERIFY2(direct.err.contains(QLatin1String("NotSupported")), qPrintable(direct.err));
        QTest::qWait(200);
        QVERIFY(f.form->MP1->fileName().isEmpty());
    } else {
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), file, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Playing"), 10000);
        QCOMPARE(f.form->List1->currentText(), file);
    }
    QCOMPARE(f.form->List1->count(), entries);
}

void TstMpris::propertiesChangedAnnouncesChanges()
{
    MprisFixture f;
    QVERIFY(f.start(m_songs));
    SignalMonitor monitor;
    monitor.start();
    QProcess follower;
    follower.start(
        kPlayerctl, {QStringLiteral("--player=quillet"), QStringLiteral("--follow"), QStringLiteral("status")});
    QVERIFY(follower.waitForStarted());
    QByteArray followed;
    QTRY_VERIFY2_WITH_TIMEOUT((followed += follower.readAllStandardOutput()).contains("Stopped"),
        followed + follower.readAllStandardError(), 10000);

    QVERIFY(f.play(0));
    QTRY_VERIFY_WITH_TIMEOUT(!monitor.read().filter(QStringLiteral("Long Song 1")).isEmpty(), 5000);
    QVERIFY(!monitor.read().filter(QStringLiteral("\"Playing\"")).isEmpty());
    QTRY_VERIFY2_WITH_TIMEOUT((followed += follower.readAllStandardOutput()).contains("Playing"),
        followed + follower.readAllStandardError(), 10000);

    // The window's own Pause button is announced too (at the next tick of the time display).
    const int beforePause = monitor.read().size();
    QTRY_VERIFY_WITH_TIMEOUT(f.form->MP1->currentPosition() > 0.3, 5000);
    f.form->command11_Click();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.read().size() > beforePause, 5000);
    QVERIFY(monitor.last().contains(QLatin1String("\"Paused\"")));
    QTRY_VERIFY2_WITH_TIMEOUT((followed += follower.readAllStandardOutput()).contains("Paused"),
        followed + follower.readAllStandardError(), 10000);

    // The volume scroll bar.
    f.form->volume1->setValue(-2000);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.last().contains(QLatin1String("double 0.5")), 5000);

    // A track change announces the new metadata; Next through D-Bus runs the window's Next.
    QCOMPARE(playerctl({QStringLiteral("next")}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!monitor.read().filter(QStringLiteral("Long Song 2")).isEmpty(), 10000);

    // Nothing changes while the player is paused: no signal follows.
    QCOMPARE(playerctl({QStringLiteral("pause")}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Paused"), 5000);
    QTest::qWait(300);
    const int settled = monitor.read().size();
    QTest::qWait(2000);
    QCOMPARE(monitor.read().size(), settled);
    follower.kill();
    follower.waitForFinished();
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
    client.start(kPlayerctl, {QStringLiteral("--player=quillet"), QStringLiteral("next")});
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.messages.size(), 1, 25000);
    QCOMPARE(f.dialogs.messages.first(), kNextMessage);
    QVERIFY(clientDoneWhileOpen);
}

void TstMpris::raiseAndQuit()
{
    MprisFixture f;
    QVERIFY(f.start(m_songs));
    f.form->hide();
    const auto callRoot = [](const QString &method) {
        return runClient(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=") + MprisService::serviceName(), MprisService::objectPath(),
                QStringLiteral("org.mpris.MediaPlayer2.") + method});
    };
    QCOMPARE(callRoot(QStringLiteral("Raise")).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(f.form->isVisible(), 5000);
    QCOMPARE(f.endProcessCalls, 0);
    QCOMPARE(callRoot(QStringLiteral("Quit")).exitCode, 0);
    // Quit is Exit: the closing steps run and the process would end.
    QTRY_COMPARE_WITH_TIMEOUT(f.endProcessCalls, 1, 5000);
    QVERIFY(!f.form->isVisible());
}

void TstMpris::runsWithoutSessionBus()
{
    const QString program = quilletExecutable();
    QVERIFY2(!program.isEmpty(), "build the quillet target first");
    TestEnvironment env;
    QVERIFY(QDir().mkpath(env.path(QStringLiteral("runtime"))));
    QVERIFY(writeProgramSetting(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("0")));
    QVERIFY(writeProgramSetting(QStringLiteral("Playlist"), QStringLiteral("Save"), QStringLiteral("1")));
    // The splash window fills its bar at once.
    QVERIFY(writeProgramSetting(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("1")));
    QProcess quillet;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + env.path(QStringLiteral("no-bus")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), env.path(QStringLiteral("runtime")));
    environment.remove(QStringLiteral("DISPLAY"));
    quillet.setProcessEnvironment(environment);
    quillet.start(program, {m_songs.at(0)});
    QVERIFY(quillet.waitForStarted());
    // The main window comes up (its default playlist is written at the end) and the program ends normally.
    QTest::qWait(3000);
    QCOMPARE(quillet.state(), QProcess::Running);
    ::kill(pid_t(quillet.processId()), SIGTERM);
    QVERIFY(quillet.waitForFinished(15000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillet.exitCode(), 0);
    QFile playlist(env.dataDir() + QStringLiteral("/default.m3u"));
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
