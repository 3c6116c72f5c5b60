#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mpvplayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <mpv/render.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <memory>

Q_DECLARE_METATYPE(quillet::PlayerPurpose)

using namespace quillet;
using quillet::testing::testData;

namespace {

// Everything a player emitted, in order, with the file name it had at that moment.
struct EventLog
{
    QStringList events;
    QStringList files;
    bool offGuiThread = false;

    void attach(MediaPlayer *player)
    {
        const auto record = [this, player](const QString &what) {
            events << what;
            files << player->fileName();
            offGuiThread |= QThread::currentThread() != qApp->thread();
        };
        QObject::connect(player, &MediaPlayer::mediaOpened, player, [record] { record(QStringLiteral("opened")); });
        QObject::connect(player, &MediaPlayer::endOfStream, player, [record] { record(QStringLiteral("end")); });
        QObject::connect(player, &MediaPlayer::error, player, [record] { record(QStringLiteral("error")); });
    }
};

// A TCP socket bound to a free port of 127.0.0.1. Listening, it is a server that accepts (the kernel completes
// the handshake) and never answers; not listening, connections to its port are refused.
class LocalPort
{
public:
    explicit LocalPort(bool listening)
        : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) != 0
            || (listening && ::listen(m_fd, 16) != 0)
            || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
    }
    ~LocalPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LocalPort(const LocalPort &) = delete;
    LocalPort &operator=(const LocalPort &) = delete;

    // 0 when the socket could not be set up.
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

} // namespace

class TestMpvPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playsOnceWithOrderedEvents_data();
    void playsOnceWithOrderedEvents();
    void stopThenPlayStartsAgainFromZero();
    void emptyNameUnloads();
    void seek_data();
    void seek();
    void pauseKeepsPositionAndPlayResumes();
    void writingSameNameRestarts();
    void loadWhilePlayingDropsStaleEvents_data();
    void loadWhilePlayingDropsStaleEvents();
    void errorOfReplacedFileIsDropped();
    void loadAfterPausePlays();
    void errors_data();
    void errors();
    void probeDuration_data();
    void probeDuration();
    void videoSizeAfterReconfig();
    void aboutBoxNamesEngine();

private:
    std::unique_ptr<MpvPlayer> makePlayer(
        PlayerPurpose purpose = PlayerPurpose::Audio, const QByteArray &output = "null", const QString &pcmFile = {});
    QString address(const QString &kind) const;

    quillet::testing::TestEnvironment m_env;
    LocalPort m_silentServer {true};
    LocalPort m_refusingPort {false};
};

std::unique_ptr<MpvPlayer> TestMpvPlayer::makePlayer(
    PlayerPurpose purpose, const QByteArray &output, const QString &pcmFile)
{
    qputenv("QUILLET_AUDIO_OUTPUT", output);
    if (pcmFile.isEmpty())
        qunsetenv("QUILLET_AO_PCM_FILE");
    else
        qputenv("QUILLET_AO_PCM_FILE", pcmFile.toUtf8());
    auto player = std::make_unique<MpvPlayer>(purpose);
    qputenv("QUILLET_AUDIO_OUTPUT", "null");
    qunsetenv("QUILLET_AO_PCM_FILE");
    return player;
}

// An address for the network cases: a port nobody listens on, or a server that accepts and never answers.
QString TestMpvPlayer::address(const QString &kind) const
{
    const quint16 port = kind == QLatin1String("refused") ? m_refusingPort.port() : m_silentServer.port();
    return port ? QStringLiteral("http://127.0.0.1:%1/stream.mp3").arg(port) : QString();
}

void TestMpvPlayer::initTestCase()
{
    // libmpv parses numbers with the C locale; Qt has set the user's.
    std::setlocale(LC_NUMERIC, "C");
    for (const char *name : {"tone-44k-stereo.mp3", "tone-22k-mono.mp3", "tone.wav", "song1.mp3", "song2.mp3",
             "random.mp3", "clip-320x240.mkv"})
        QVERIFY2(QFile::exists(testData(QLatin1String(name))), name);
    QVERIFY(m_silentServer.port() != 0);
    QVERIFY(m_refusingPort.port() != 0);
}

void TestMpvPlayer::playsOnceWithOrderedEvents_data()
{
    QTest::addColumn<PlayerPurpose>("purpose");
    QTest::newRow("audio player") << PlayerPurpose::Audio;
    QTest::newRow("video player") << PlayerPurpose::Video;
    QTest::newRow("probe player") << PlayerPurpose::Probe;
}

void TestMpvPlayer::playsOnceWithOrderedEvents()
{
    QFETCH(PlayerPurpose, purpose);
    auto player = makePlayer(purpose);
    EventLog log;
    log.attach(player.get());
    double durationWhenOpened = -1;
    MediaPlayer::State stateWhenOpened = MediaPlayer::State::Stopped;
    connect(player.get(), &MediaPlayer::mediaOpened, player.get(), [&] {
        durationWhenOpened = player->duration();
        stateWhenOpened = player->state();
    });
    const QString file = testData(QStringLiteral("song1.mp3"));
    player->setFileName(file);
    QVERIFY(log.events.isEmpty()); // never delivered from inside the call
    QCOMPARE(player->fileName(), file);
    QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}), 10000);
    QTest::qWait(400);
    QCOMPARE(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}));
    QVERIFY(!log.offGuiThread);
    QVERIFY2(std::abs(durationWhenOpened - 1.5) < 0.1, qPrintable(QString::number(durationWhenOpened)));
    QCOMPARE(stateWhenOpened, MediaPlayer::State::Playing);
    QCOMPARE(player->state(), MediaPlayer::State::Stopped);
    QCOMPARE(player->currentPosition(), 0.0);
    QCOMPARE(player->duration(), 0.0);
    QCOMPARE(player->fileName(), file);
}

void TestMpvPlayer::stopThenPlayStartsAgainFromZero()
{
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    const QString file = testData(QStringLiteral("tone-44k-stereo.mp3"));
    player->setFileName(file);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() >= 1.0, 10000);
    player->stop();
    QCOMPARE(player->state(), MediaPlayer::State::Stopped);
    QCOMPARE(player->currentPosition(), 0.0);
    QCOMPARE(player->duration(), 0.0);
    QCOMPARE(player->fileName(), file);
    QTest::qWait(300);
    QCOMPARE(log.events, QStringList({QStringLiteral("opened")})); // a stop is not an end of stream

    player->play();
    QCOMPARE(player->state(), MediaPlayer::State::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() > 0, 10000);
    QVERIFY2(player->currentPosition() < 0.8, qPrintable(QString::number(player->currentPosition())));
    QVERIFY(std::abs(player->duration() - 2.0) < 0.1);
    // The same file again: no new media opened, one end of stream for the finished play.
    QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}), 10000);
    QTest::qWait(300);
    QCOMPARE(log.events.size(), 2);
}

void TestMpvPlayer::emptyNameUnloads()
{
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    player->setFileName(testData(QStringLiteral("tone-44k-stereo.mp3")));
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() > 0.2, 10000);
    player->setFileName(QString());
    QCOMPARE(player->fileName(), QString());
    QCOMPARE(player->state(), MediaPlayer::State::Stopped);
    QCOMPARE(player->currentPosition(), 0.0);
    player->play(); // nothing to play
    QCOMPARE(player->state(), MediaPlayer::State::Stopped);
    QTest::qWait(2200); // longer than the rest of the file
    QCOMPARE(log.events, QStringList({QStringLiteral("opened")}));
}

void TestMpvPlayer::seek_data()
{
    QTest::addColumn<double>("target");
    QTest::newRow("to the middle") << 1.5;
    QTest::newRow("past the end") << 30.0;
}

void TestMpvPlayer::seek()
{
    QFETCH(double, target);
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    player->setFileName(testData(QStringLiteral("tone-44k-stereo.mp3")));
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 1, 10000);
    player->setCurrentPosition(target);
    // Positions seen from here on jump to the target: a file that played on would pass 0.6 .. 1.4.
    QList<double> seen;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] { seen << player->currentPosition(); });
    sampler.start(20);
    QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}), 10000);
    sampler.stop();
    for (double position : std::as_const(seen))
        QVERIFY2(position <= 0.6 || position >= 1.4, qPrintable(QString::number(position)));
    QTest::qWait(300);
    QCOMPARE(log.events.size(), 2);
}

void TestMpvPlayer::pauseKeepsPositionAndPlayResumes()
{
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    player->setFileName(testData(QStringLiteral("tone-44k-stereo.mp3")));
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() >= 0.3, 10000);
    player->pause();
    QCOMPARE(player->state(), MediaPlayer::State::Paused);
    QTest::qWait(100);
    const double pausedAt = player->currentPosition();
    QTest::qWait(600);
    QVERIFY2(std::abs(player->currentPosition() - pausedAt) < 0.05,
        qPrintable(QStringLiteral("%1 -> %2").arg(pausedAt).arg(player->currentPosition())));
    QVERIFY(pausedAt >= 0.3);
    QCOMPARE(log.events, QStringList({QStringLiteral("opened")}));
    player->play();
    QCOMPARE(player->state(), MediaPlayer::State::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() > pausedAt + 0.2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}), 10000);
}

void TestMpvPlayer::writingSameNameRestarts()
{
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    const QString file = testData(QStringLiteral("tone-44k-stereo.mp3"));
    player->setFileName(file);
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() >= 1.0, 10000);
    player->setFileName(file);
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 2, 10000);
    QCOMPARE(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("opened")}));
    QVERIFY2(player->currentPosition() < 0.8, qPrintable(QString::number(player->currentPosition())));
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 3, 10000);
    QTest::qWait(400);
    QCOMPARE(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("opened"), QStringLiteral("end")}));
}

void TestMpvPlayer::loadWhilePlayingDropsStaleEvents_data()
{
    QTest::addColumn<bool>("waitForFirst");
    QTest::addColumn<QStringList>("expectedEvents");
    QTest::addColumn<QStringList>("expectedFiles");
    const QString first = testData(QStringLiteral("tone-44k-stereo.mp3"));
    const QString second = testData(QStringLiteral("song2.mp3"));
    QTest::newRow("first opened but not yet delivered")
        << false << QStringList({QStringLiteral("opened"), QStringLiteral("end")}) << QStringList({second, second});
    QTest::newRow("while the first plays")
        << true << QStringList({QStringLiteral("opened"), QStringLiteral("opened"), QStringLiteral("end")})
        << QStringList({first, second, second});
}

void TestMpvPlayer::loadWhilePlayingDropsStaleEvents()
{
    QFETCH(bool, waitForFirst);
    QFETCH(QStringList, expectedEvents);
    QFETCH(QStringList, expectedFiles);
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    player->setFileName(testData(QStringLiteral("tone-44k-stereo.mp3")));
    if (waitForFirst)
        QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() > 0.3, 10000);
    else
        QThread::msleep(300); // a busy GUI thread: the first file's events wait in the queue
    player->setFileName(testData(QStringLiteral("song2.mp3")));
    QTRY_VERIFY_WITH_TIMEOUT(log.events.contains(QStringLiteral("end")), 10000);
    QTest::qWait(700); // past the end the first file would have had
    QCOMPARE(log.events, expectedEvents);
    QCOMPARE(log.files, expectedFiles);
}

void TestMpvPlayer::errorOfReplacedFileIsDropped()
{
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    player->setFileName(m_env.path(QStringLiteral("missing.mp3")));
    QThread::msleep(300); // a busy GUI thread: the failure waits in the queue
    player->setFileName(testData(QStringLiteral("song1.mp3")));
    QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}), 10000);
    QTest::qWait(300);
    QCOMPARE(log.events.size(), 2);
    QCOMPARE(player->errorDescription(), QString());
}

void TestMpvPlayer::loadAfterPausePlays()
{
    auto player = makePlayer();
    EventLog log;
    log.attach(player.get());
    player->setFileName(testData(QStringLiteral("tone-44k-stereo.mp3")));
    QTRY_VERIFY_WITH_TIMEOUT(player->currentPosition() > 0.2, 10000);
    player->pause();
    player->setFileName(testData(QStringLiteral("song1.mp3")));
    QCOMPARE(player->state(), MediaPlayer::State::Playing);
    // Only a file that really plays reaches its end.
    QTRY_COMPARE_WITH_TIMEOUT(
        log.events, QStringList({QStringLiteral("opened"), QStringLiteral("opened"), QStringLiteral("end")}), 10000);
}

void TestMpvPlayer::errors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opensFirst");
    QTest::addColumn<QString>("descriptionWord");
    QTest::addColumn<QString>("tipWord");
    QTest::newRow("missing file") << "missing" << false << "was not found"
                                  << "exists";
    QTest::newRow("not media") << "random" << false << "format"
                               << "sound or video file";
    QTest::newRow("refused connection") << "refused" << false << "refused"
                                        << "server is running";
    QTest::newRow("silent server") << "silent" << false << "did not answer"
                                   << "try again later";
    QTest::newRow("no audio device") << "no-device" << true << "audio device"
                                     << "sound card";
}

void TestMpvPlayer::errors()
{
    QFETCH(QString, kind);
    QFETCH(bool, opensFirst);
    QFETCH(QString, descriptionWord);
    QFETCH(QString, tipWord);
    QString name;
    std::unique_ptr<MpvPlayer> player;
    if (kind == QLatin1String("no-device")) {
        // The pcm output cannot create its file below a regular file.
        player
            = makePlayer(PlayerPurpose::Audio, "pcm", testData(QStringLiteral("tone.wav")) + QStringLiteral("/x.wav"));
        name = testData(QStringLiteral("tone.wav"));
    } else {
        player = makePlayer();
        if (kind == QLatin1String("missing"))
            name = m_env.path(QStringLiteral("no-such-file.mp3"));
        else if (kind == QLatin1String("random"))
            name = testData(QStringLiteral("random.mp3"));
        else
            name = address(kind);
    }
    QVERIFY(!name.isEmpty());
    EventLog log;
    log.attach(player.get());

    // The GUI keeps running while the file fails to load, reading the player as the display timer does.
    int ticks = 0;
    QTimer gui;
    connect(&gui, &QTimer::timeout, this, [&] {
        ++ticks;
        player->currentPosition();
        player->duration();
    });
    gui.start(50);
    QElapsedTimer waited;
    waited.start();
    player->setFileName(name);
    QTRY_VERIFY_WITH_TIMEOUT(log.events.contains(QStringLiteral("error")), 8000);
    const qint64 elapsed = waited.elapsed();
    QVERIFY2(ticks >= elapsed / 50 / 4, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(elapsed)));
    QTest::qWait(300);
    gui.stop();

    const QStringList expected = opensFirst ? QStringList({QStringLiteral("opened"), QStringLiteral("error")})
                                            : QStringList({QStringLiteral("error")});
    QCOMPARE(log.events, expected);
    QVERIFY(!log.offGuiThread);
    QCOMPARE(player->state(), MediaPlayer::State::Stopped);
    QCOMPARE(player->fileName(), name);
    const QString description = player->errorDescription();
    QVERIFY2(description.contains(descriptionWord, Qt::CaseInsensitive), qPrintable(description));
    QVERIFY2(description.contains(name), qPrintable(description));
    QVERIFY2(
        player->errorCorrectionTip().contains(tipWord, Qt::CaseInsensitive), qPrintable(player->errorCorrectionTip()));
}

void TestMpvPlayer::probeDuration_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("stopFirst");
    QTest::addColumn<double>("expected");
    QTest::newRow("stereo mp3 after stop") << testData(QStringLiteral("tone-44k-stereo.mp3")) << true << 2.0;
    QTest::newRow("mono mp3 after stop") << testData(QStringLiteral("tone-22k-mono.mp3")) << true << 2.0;
    QTest::newRow("wav while loading") << testData(QStringLiteral("tone.wav")) << false << 1.0;
    QTest::newRow("missing file") << m_env.path(QStringLiteral("gone.mp3")) << true << 0.0;
    QTest::newRow("not media") << testData(QStringLiteral("random.mp3")) << true << 0.0;
    QTest::newRow("silent server") << QStringLiteral("silent") << true << 0.0;
}

void TestMpvPlayer::probeDuration()
{
    QFETCH(QString, name);
    QFETCH(bool, stopFirst);
    QFETCH(double, expected);
    if (name == QLatin1String("silent"))
        name = address(name);
    auto player = makePlayer(PlayerPurpose::Probe);
    // As the ID3 playlist window does: load, stop at once, probe, read.
    player->setFileName(name);
    if (stopFirst)
        player->stop();
    QElapsedTimer waited;
    waited.start();
    player->probeDuration();
    // Bounded: never the engine's own minute-long network timeout.
    QVERIFY2(waited.elapsed() < 10000, qPrintable(QString::number(waited.elapsed())));
    QVERIFY2(std::abs(player->duration() - expected) < 0.1, qPrintable(QString::number(player->duration())));
    QCOMPARE(player->fileName(), name);
    if (stopFirst) {
        QCOMPARE(player->state(), MediaPlayer::State::Stopped);
        QCOMPARE(player->currentPosition(), 0.0);
    }
}

void TestMpvPlayer::videoSizeAfterReconfig()
{
    auto player = makePlayer(PlayerPurpose::Video);
    QVERIFY(player->handle());
    // The video display's part: a software render context on the player's handle.
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context *context = nullptr;
    QCOMPARE(mpv_render_context_create(&context, player->handle(), params), 0);
    const auto freeContext = qScopeGuard([context] { mpv_render_context_free(context); });
    QSignalSpy reconfigured(player.get(), &MpvPlayer::videoReconfigured);
    QVERIFY(!player->videoSize().isValid());
    player->setFileName(testData(QStringLiteral("clip-320x240.mkv")));
    QTRY_VERIFY_WITH_TIMEOUT(reconfigured.count() >= 1, 10000);
    QCOMPARE(player->videoSize(), QSize(320, 240));
    player->stop();
    QVERIFY(!player->videoSize().isValid());
}

void TestMpvPlayer::aboutBoxNamesEngine()
{
    quillet::testing::FakeDialogs dialogs;
    auto player = makePlayer();
    const QString engine = player->engineName();
    QVERIFY2(engine.contains(QRegularExpression(QStringLiteral("^mpv .*\\d+\\.\\d+"))), qPrintable(engine));
    player->aboutBox(nullptr);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().contains(engine), qPrintable(dialogs.messages.first()));
}

QTEST_MAIN(TestMpvPlayer)
#include "tst_mpvplayer.moc"
