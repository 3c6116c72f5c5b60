// The libmpv player on generated files: the order of its events as commands come in, events of a replaced file
// never delivered, the failures a user can meet told in plain words, durations probed and the video size.
#include "fakes/testenv.h"
#include "media/mpvplayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
using namespace Qt::StringLiterals;

namespace {

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
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) == 0
            && (!listening || ::listen(m_fd, 16) == 0)
            && ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~LocalPort() { ::close(m_fd); }
    LocalPort(const LocalPort &) = delete;
    LocalPort &operator=(const LocalPort &) = delete;

    QString url() const { return m_port ? QStringLiteral("http://127.0.0.1:%1/stream.mp3").arg(m_port) : QString(); }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

std::unique_ptr<MpvPlayer> makePlayer(
    PlayerPurpose purpose, const QByteArray &output = "null", const QString &pcmFile = {})
{
    qputenv("QUILLET_AUDIO_OUTPUT", output);
    qputenv("QUILLET_AO_PCM_FILE", pcmFile.toUtf8());
    auto player = std::make_unique<MpvPlayer>(purpose);
    qputenv("QUILLET_AUDIO_OUTPUT", "null");
    qunsetenv("QUILLET_AO_PCM_FILE");
    return player;
}

} // namespace

class TestMpvPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void events_data();
    void events();
    void errors_data();
    void errors();
    void probeDuration_data();
    void probeDuration();
    void videoSizeAfterReconfig();

private:
    quillet::testing::TestEnvironment m_env;
    LocalPort m_silentServer {true};
    LocalPort m_refusingPort {false};
};

void TestMpvPlayer::initTestCase()
{
    // libmpv parses numbers with the C locale; Qt has set the user's.
    std::setlocale(LC_NUMERIC, "C");
    for (const char *name :
        {"tone-44k-stereo.mp3", "tone.wav", "song1.mp3", "song2.mp3", "random.mp3", "clip-320x240.mkv"})
        QVERIFY2(QFile::exists(testData(QLatin1String(name))), name);
    QVERIFY(!m_silentServer.url().isEmpty() && !m_refusingPort.url().isEmpty());
}

// Each row is a script of commands and checks, and the events (with the file the player had at that moment)
// that must come out, no more. "tone" is tone-44k-stereo.mp3 (2 s); song1 and song2 last 1.5 s.
void TestMpvPlayer::events_data()
{
    QTest::addColumn<PlayerPurpose>("purpose");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
    const auto row
        = [](const char *name, const QStringList &script, const QStringList &expected,
              PlayerPurpose purpose = PlayerPurpose::Audio) { QTest::newRow(name) << purpose << script << expected; };
    const QStringList playsOnce {u"load song1.mp3"_s, u"end"_s, u"state Stopped"_s, u"position 0"_s, u"duration 0"_s};
    const QStringList once {u"opened song1.mp3 1.5"_s, u"end song1.mp3"_s};
    row("plays once", playsOnce, once);
    row("video player plays once", playsOnce, once, PlayerPurpose::Video);
    row("probe player plays once", playsOnce, once, PlayerPurpose::Probe);
    row("stop is no end, play starts again from zero",
        {u"load tone"_s, u"reach 1.0"_s, u"stop"_s, u"state Stopped"_s, u"position 0"_s, u"wait 300"_s, u"play"_s,
            u"state Playing"_s, u"reach 0.01"_s, u"below 0.8"_s, u"end"_s},
        {u"opened tone 2"_s, u"end tone"_s});
    row("empty name unloads",
        {u"load tone"_s, u"reach 0.2"_s, u"load"_s, u"state Stopped"_s, u"play"_s, u"state Stopped"_s, u"wait 2200"_s},
        {u"opened tone 2"_s});
    row("seek to the middle jumps", {u"load tone"_s, u"seek 1.5"_s, u"end"_s}, {u"opened tone 2"_s, u"end tone"_s});
    row("seek past the end ends once", {u"load tone"_s, u"seek 30"_s, u"end"_s}, {u"opened tone 2"_s, u"end tone"_s});
    row("pause holds, play resumes",
        {u"load tone"_s, u"reach 0.3"_s, u"pause"_s, u"state Paused"_s, u"holds"_s, u"play"_s, u"state Playing"_s,
            u"end"_s},
        {u"opened tone 2"_s, u"end tone"_s});
    row("same name again restarts",
        {u"load tone"_s, u"reach 1.0"_s, u"load tone"_s, u"opened 2"_s, u"below 0.8"_s, u"end"_s},
        {u"opened tone 2"_s, u"opened tone 2"_s, u"end tone"_s});
    row("replaced before its events were delivered", {u"load tone"_s, u"busy"_s, u"load song2.mp3"_s, u"end"_s},
        {u"opened song2.mp3 1.5"_s, u"end song2.mp3"_s});
    row("replaced while playing", {u"load tone"_s, u"reach 0.3"_s, u"load song2.mp3"_s, u"end"_s},
        {u"opened tone 2"_s, u"opened song2.mp3 1.5"_s, u"end song2.mp3"_s});
    row("failure of a replaced file dropped",
        {u"load missing.mp3"_s, u"busy"_s, u"load song1.mp3"_s, u"end"_s, u"no error"_s}, once);
    row("load while paused plays",
        {u"load tone"_s, u"reach 0.2"_s, u"pause"_s, u"load song1.mp3"_s, u"state Playing"_s, u"end"_s},
        {u"opened tone 2"_s, u"opened song1.mp3 1.5"_s, u"end song1.mp3"_s});
}

void TestMpvPlayer::events()
{
    QFETCH(PlayerPurpose, purpose);
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    auto player = makePlayer(purpose);
    QStringList log;
    bool offGuiThread = false;
    const auto record = [&](const QString &what, const QString &extra = {}) {
        offGuiThread |= QThread::currentThread() != qApp->thread();
        const QString name = QFileInfo(player->fileName()).fileName();
        log << what + QLatin1Char(' ') + (name == QLatin1String("tone-44k-stereo.mp3") ? u"tone"_s : name) + extra;
    };
    // With the duration known when the file opened, as the window shows it at once.
    connect(player.get(), &MediaPlayer::mediaOpened, this,
        [&] { record(u"opened"_s, QLatin1Char(' ') + QString::number(player->duration(), 'g', 2)); });
    connect(player.get(), &MediaPlayer::endOfStream, this, [&] { record(QStringLiteral("end")); });
    connect(player.get(), &MediaPlayer::error, this, [&] { record(QStringLiteral("error")); });
    // After a seek the position jumps: a file that played on would show 0.6 .. 1.4 s.
    QList<double> afterSeek;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] { afterSeek << player->currentPosition(); });

    for (const QString &step : std::as_const(script)) {
        const QString command = step.section(QLatin1Char(' '), 0, 0);
        const QString argument = step.section(QLatin1Char(' '), 1);
        const double value = argument.toDouble();
        const QString context = QStringLiteral("%1 (events: %2)").arg(step, log.join(QStringLiteral(", ")));
        if (command == QLatin1String("load")) {
            const QString name = argument == QLatin1String("tone") ? QStringLiteral("tone-44k-stereo.mp3") : argument;
            const QString path = name.isEmpty()             ? QString()
                : name.startsWith(QLatin1String("missing")) ? m_env.path(name)
                                                            : testData(name);
            const qsizetype before = log.size();
            player->setFileName(path);
            QCOMPARE(player->fileName(), path);
            QCOMPARE(log.size(), before); // never delivered from inside the call
        } else if (command == QLatin1String("reach")) {
            QTRY_VERIFY2_WITH_TIMEOUT(player->currentPosition() >= value, qPrintable(context), 10000);
        } else if (command == QLatin1String("below")) {
            QVERIFY2(player->currentPosition() < value, qPrintable(QString::number(player->currentPosition())));
        } else if (command == QLatin1String("position")) {
            QCOMPARE(player->currentPosition(), value);
        } else if (command == QLatin1String("duration")) {
            QCOMPARE(player->duration(), value);
        } else if (command == QLatin1String("state")) {
            const auto state = player->state();
            QCOMPARE(state == MediaPlayer::State::Playing ? u"Playing"_s
                    : state == MediaPlayer::State::Paused ? u"Paused"_s
                                                          : u"Stopped"_s,
                argument);
        } else if (command == QLatin1String("opened")) {
            QTRY_VERIFY2_WITH_TIMEOUT(
                log.filter(QStringLiteral("opened")).size() == int(value), qPrintable(context), 10000);
        } else if (command == QLatin1String("end")) {
            QTRY_VERIFY2_WITH_TIMEOUT(!log.filter(QStringLiteral("end")).isEmpty(), qPrintable(context), 10000);
            // Longer than anything a replaced or restarted file still had to play.
            QTest::qWait(600);
        } else if (command == QLatin1String("seek")) {
            QTRY_VERIFY2_WITH_TIMEOUT(!log.isEmpty(), qPrintable(context), 10000);
            player->setCurrentPosition(value);
            sampler.start(20);
        } else if (command == QLatin1String("holds")) {
            QTest::qWait(100);
            const double at = player->currentPosition();
            QTest::qWait(600);
            QVERIFY2(std::abs(player->currentPosition() - at) < 0.05, qPrintable(QString::number(at)));
        } else if (command == QLatin1String("busy")) {
            QThread::msleep(300); // a busy GUI thread: the engine's events wait in the queue
        } else if (command == QLatin1String("wait")) {
            QTest::qWait(int(value));
        } else if (command == QLatin1String("play")) {
            player->play();
        } else if (command == QLatin1String("pause")) {
            player->pause();
        } else if (command == QLatin1String("stop")) {
            player->stop();
        } else if (command == QLatin1String("no")) {
            QCOMPARE(player->errorDescription(), QString());
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
    QCOMPARE(log, expected);
    QVERIFY(!offGuiThread);
    for (double position : std::as_const(afterSeek))
        QVERIFY2(position <= 0.6 || position >= 1.4, qPrintable(QString::number(position)));
}

void TestMpvPlayer::errors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("descriptionWord");
    QTest::addColumn<QString>("tipWord");
    QTest::newRow("missing file") << "missing"
                                  << "was not found"
                                  << "exists";
    QTest::newRow("not media") << "random"
                               << "format"
                               << "sound or video file";
    QTest::newRow("refused connection") << "refused"
                                        << "refused"
                                        << "server is running";
    QTest::newRow("silent server") << "silent"
                                   << "did not answer"
                                   << "try again later";
    QTest::newRow("no audio device") << "no-device"
                                     << "audio device"
                                     << "sound card";
}

void TestMpvPlayer::errors()
{
    QFETCH(QString, kind);
    QFETCH(QString, descriptionWord);
    QFETCH(QString, tipWord);
    QString name = kind == QLatin1String("missing") ? m_env.path(QStringLiteral("no-such-file.mp3"))
        : kind == QLatin1String("random")           ? testData(QStringLiteral("random.mp3"))
        : kind == QLatin1String("refused")          ? m_refusingPort.url()
        : kind == QLatin1String("silent")           ? m_silentServer.url()
                                                    : testData(QStringLiteral("tone.wav"));
    // The pcm output cannot create its file below a regular file.
    const bool noDevice = kind == QLatin1String("no-device");
    auto player = noDevice ? makePlayer(PlayerPurpose::Audio, "pcm", testData(QStringLiteral("tone.wav/x.wav")))
                           : makePlayer(PlayerPurpose::Audio);
    QStringList log;
    connect(player.get(), &MediaPlayer::mediaOpened, this, [&] { log << QStringLiteral("opened"); });
    connect(player.get(), &MediaPlayer::endOfStream, this, [&] { log << QStringLiteral("end"); });
    connect(player.get(), &MediaPlayer::error, this, [&] { log << QStringLiteral("error"); });

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
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("error")), 8000);
    const qint64 elapsed = waited.elapsed();
    QVERIFY2(ticks >= elapsed / 50 / 4, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(elapsed)));
    QTest::qWait(300);

    const QStringList expected = noDevice ? QStringList {u"opened"_s, u"error"_s} : QStringList {u"error"_s};
    QCOMPARE(log, expected);
    QCOMPARE(player->state(), MediaPlayer::State::Stopped);
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
    QTest::newRow("mp3 after stop") << testData(QStringLiteral("tone-44k-stereo.mp3")) << true << 2.0;
    QTest::newRow("wav while loading") << testData(QStringLiteral("tone.wav")) << false << 1.0;
    QTest::newRow("missing file") << m_env.path(QStringLiteral("gone.mp3")) << true << 0.0;
    QTest::newRow("not media") << testData(QStringLiteral("random.mp3")) << true << 0.0;
    QTest::newRow("silent server") << m_silentServer.url() << true << 0.0;
}

void TestMpvPlayer::probeDuration()
{
    QFETCH(QString, name);
    QFETCH(bool, stopFirst);
    QFETCH(double, expected);
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
    if (stopFirst) {
        QCOMPARE(player->state(), MediaPlayer::State::Stopped);
        QCOMPARE(player->currentPosition(), 0.0);
    }
}

void TestMpvPlayer::videoSizeAfterReconfig()
{
    auto player = makePlayer(PlayerPurpose::Video);
    // The video display's part: a software render context on the player's handle.
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context *context = nullptr;
    QCOMPARE(mpv_render_context_create(&context, player->handle(), params), 0);
    const auto freeContext = qScopeGuard([context] { mpv_render_context_free(context); });
    QSignalSpy reconfigured(player.get(), &MpvPlayer::videoReconfigured);
    player->setFileName(testData(QStringLiteral("clip-320x240.mkv")));
    QTRY_VERIFY_WITH_TIMEOUT(reconfigured.count() >= 1, 10000);
    QCOMPARE(player->videoSize(), QSize(320, 240));
    player->stop();
    QVERIFY(!player->videoSize().isValid());
}

QTEST_MAIN(TestMpvPlayer)
#include "tst_mpvplayer.moc"
