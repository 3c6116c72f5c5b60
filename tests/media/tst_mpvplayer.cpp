// The libmpv player on generated files: its events in order (none of a replaced file), plain-worded failures, probed
// durations, and what is heard (pcm output measured) after Stop and a seek, and for count, volume, balance, mute.
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "media/mpvplayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <clocale>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

// A player whose sound goes nowhere, or as WAV into pcmFile.
std::unique_ptr<MpvPlayer> makePlayer(PlayerPurpose purpose, const QString &pcmFile = {})
{
    qputenv("QUILLET_AUDIO_OUTPUT", pcmFile.isEmpty() ? "null" : "pcm");
    qputenv("QUILLET_AO_PCM_FILE", pcmFile.toUtf8());
    auto player = std::make_unique<MpvPlayer>(purpose);
    qputenv("QUILLET_AUDIO_OUTPUT", "null");
    qunsetenv("QUILLET_AO_PCM_FILE");
    return player;
}

// Samples of a WAV file (16-bit integer or 32-bit float), one list per channel, scaled to -1..1; none if unreadable.
struct Pcm
{
    int rate = 0;
    QList<QList<double>> channels;

    double seconds() const { return rate && !channels.isEmpty() ? double(channels[0].size()) / rate : 0; }
    // RMS level of a channel in dB (relative to full scale), leaving out a quarter second at both ends.
    double levelDb(int channel) const
    {
        const QList<double> &samples = channels.at(channel);
        const qsizetype skip = std::min<qsizetype>(rate / 4, samples.size() / 4);
        double sum = 0;
        for (qsizetype i = skip; i < samples.size() - skip; ++i)
            sum += samples.at(i) * samples.at(i);
        return sum > 0 ? 10.0 * std::log10(sum / double(samples.size() - 2 * skip)) : -HUGE_VAL;
    }

    explicit Pcm(const QString &path)
    {
        const QByteArray bytes = fileBytes(path);
        const auto u16 = [&bytes](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
        const auto u32 = [&bytes](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        // The chunks by their names, which nothing else in the headers of these files spells.
        const qsizetype fmt = bytes.indexOf("fmt ") + 8, data = bytes.indexOf("data") + 8;
        if (!bytes.startsWith("RIFF") || fmt < 8 || data < fmt)
            return;
        const int format = u16(fmt) == 0xfffe ? u16(fmt + 24) : u16(fmt); // extensible: the sub-format's first bytes
        const int count = u16(fmt + 2), bits = u16(fmt + 14);
        if (count == 0 || bits != (format == 3 ? 32 : 16))
            return;
        rate = int(u32(fmt + 4));
        channels.resize(count);
        const qsizetype frames = std::min<qsizetype>(u32(data - 4), bytes.size() - data) / (bits / 8 * count);
        for (qsizetype f = 0; f < frames; ++f) {
            for (int c = 0; c < count; ++c) {
                const char *p = bytes.constData() + data + (f * count + c) * (bits / 8);
                channels[c].append(
                    format == 3 ? double(qFromLittleEndian<float>(p)) : qFromLittleEndian<qint16>(p) / 32768.0);
            }
        }
    }
};

// A named pipe the pcm output writes into, drained at 16 KiB per 10 ms by a thread of its own, so that the engine
// gets only so far ahead of the commands however loaded the machine. Counts the seconds of sound that came through.
struct PcmPipe
{
    std::atomic<bool> done = false;
    std::mutex lock; // over head and bytes
    QByteArray head;
    qint64 bytes = 0;
    std::thread reader;

    explicit PcmPipe(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        const int fd = path.isEmpty() || ::mkfifo(name.constData(), 0600) ? -1 : ::open(name, O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return;
        reader = std::thread([this, fd] {
            char buffer[16384];
            for (; !done; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
                const ssize_t got = ::read(fd, buffer, sizeof buffer);
                const std::lock_guard held(lock);
                if (got > 0 && head.size() < 4096)
                    head.append(buffer, std::min<qsizetype>(got, 4096 - head.size()));
                bytes += std::max<ssize_t>(got, 0);
            }
            ::close(fd);
        });
    }
    ~PcmPipe()
    {
        done = true;
        if (reader.joinable())
            reader.join();
    }
    double seconds()
    {
        const std::lock_guard held(lock);
        const qsizetype fmt = head.indexOf("fmt "), data = head.indexOf("data");
        if (fmt < 0 || data < 0 || fmt + 24 > head.size())
            return 0;
        const quint32 perSecond = qFromLittleEndian<quint32>(head.constData() + fmt + 16);
        return perSecond ? double(bytes - data - 8) / perSecond : 0;
    }
};

} // namespace

class TestMpvPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void events_data();
    void events();
    void output_data();
    void output();

private:
    TestEnvironment m_env;
    LocalPort m_silentServer {true};
    LocalPort m_refusingPort {false};
};

void TestMpvPlayer::initTestCase()
{
    // libmpv parses numbers with the C locale; Qt has set the user's.
    std::setlocale(LC_NUMERIC, "C");
    QVERIFY2(QFile::exists(testData(u"level-1k.wav"_s)), "generate the test data first");
    QVERIFY(!m_silentServer.url().isEmpty() && !m_refusingPort.url().isEmpty());
}

// Each row is a script of commands and checks, and the events (with the file the player had at that moment, and
// the duration known when it opened) that must come out, no more. "tone" is a 2 s file, song1 and song2 last 1.5 s.
void TestMpvPlayer::events_data()
{
    QTest::addColumn<QString>("kind"); // of player
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *script, const char *expected, const char *kind = "audio") {
        QTest::newRow(name) << QString::fromLatin1(kind) << QString::fromLatin1(script)
                            << QString::fromLatin1(expected);
    };
    const char *once = "opened song1.mp3 1.5, end song1.mp3";
    row("plays once", "load song1.mp3, end, Stopped, zero", once);
    row("video player plays once", "load song1.mp3, end, Stopped, zero", once, "video");
    row("stop is no end, play starts from zero",
        "load tone, reach 1, stop, Stopped, zero, wait 300, play, Opening, reach 0.01, Playing, below 0.8, end",
        "opened tone 2, end tone");
    row("empty name unloads", "load tone, reach 0.2, load, Stopped, play, Stopped, wait 2200", "opened tone 2");
    row("seek to the middle jumps", "load tone, seek 1.5, end", "opened tone 2, end tone");
    row("seek past the end ends once", "load tone, seek 30, end", "opened tone 2, end tone");
    row("pause holds, play resumes", "load tone, reach 0.3, pause, Paused, holds, play, Playing, end",
        "opened tone 2, end tone");
    row("same name again restarts", "load tone, reach 1, load tone, opened 2, below 0.8, end",
        "opened tone 2, opened tone 2, end tone");
    row("replaced before its events were delivered", "load tone, busy, load song2.mp3, end",
        "opened song2.mp3 1.5, end song2.mp3");
    row("replaced while playing", "load tone, reach 0.3, load song2.mp3, end",
        "opened tone 2, opened song2.mp3 1.5, end song2.mp3");
    row("failure of a replaced file dropped", "load missing.mp3, busy, load song1.mp3, end, no error", once);
    row("load while paused plays", "load tone, reach 0.2, pause, load song1.mp3, Opening, opened 2, Playing, end",
        "opened tone 2, opened song1.mp3 1.5, end song1.mp3");
    // As the ID3 playlist window probes: load, stop at once, probe (bounded: never the engine's minute-long network
    // timeout), read.
    row("probe an mp3", "load tone, stop, probe 2, Stopped", "", "probe");
    row("probe a missing file", "load missing.mp3, stop, probe 0", "", "probe");
    row("probe a silent server", "load silent, stop, probe 0", "", "probe");
    // Failures: the description names the file and says what went wrong (before "|"), the tip how to solve it.
    row("missing file", "load missing.mp3, error, Stopped, says was not found|exists", "error missing.mp3");
    row("not media", "load random.mp3, error, Stopped, says format|sound or video file", "error random.mp3");
    row("refused connection", "load refused, error, says refused|server is running", "error stream.mp3");
    // Nothing plays while the engine waits for the server.
    row("silent server",
        "load silent, Opening, wait 1500, Opening, error, Stopped, says did not answer|try again later",
        "error stream.mp3");
    // The pcm output (a few seconds ahead of each command, as the pipe lets it) comes to rest after Stop or Pause,
    // short of the whole of "long" (1800 s); sound again after Play; after a seek, only what lies beyond it.
    row("stop silences", "load long, reach 1, stop, silent 1700, play, heard 1", "opened long *", "pcm");
    row("seek while paused", "load long, reach 1, pause, silent 1700, seek 1780, at 1780, play, end, written 20",
        "opened long *, end long", "pcm");
    // The pcm output cannot create its file below a regular file.
    row("no audio device", "load tone.wav, error, says audio device|sound card", "opened tone.wav *, error tone.wav",
        "no device");
}

void TestMpvPlayer::events()
{
    QFETCH(QString, kind);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    const QString wav = m_env.path(QLatin1String(QTest::currentDataTag()) + u".wav"_s);
    PcmPipe pipe(kind == u"pcm"_s ? wav : QString()); // outlives the player, which writes into it until it ends
    auto player = kind == u"no device"_s ? makePlayer(PlayerPurpose::Audio, testData(u"tone.wav/x.wav"_s))
        : kind == u"pcm"_s               ? makePlayer(PlayerPurpose::Audio, wav)
                                         : makePlayer(kind == u"video"_s ? PlayerPurpose::Video
                                                 : kind == u"probe"_s    ? PlayerPurpose::Probe
                                                                         : PlayerPurpose::Audio);
    QStringList log;
    bool offGuiThread = false;
    const auto record = [&](const QString &what) {
        offGuiThread |= QThread::currentThread() != qApp->thread();
        const QString name = QFileInfo(player->fileName()).fileName();
        log << what.arg(name == u"tone-44k-stereo.mp3"_s ? u"tone"_s : name == u"tone-30m.mp3"_s ? u"long"_s : name);
    };
    connect(player.get(), &MediaPlayer::mediaOpened, this,
        [&] { record(u"opened %1 "_s + QString::number(player->duration(), 'g', 2)); });
    connect(player.get(), &MediaPlayer::endOfStream, this, [&] { record(u"end %1"_s); });
    connect(player.get(), &MediaPlayer::error, this, [&] { record(u"error %1"_s); });
    // After a seek the position jumps: a file that played on would show 0.6 .. 1.4 s.
    QList<double> afterSeek;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] { afterSeek << player->currentPosition(); });
    const QStringList states {u"Stopped"_s, u"Playing"_s, u"Paused"_s, u"Opening"_s};
    // The GUI keeps running whatever the engine does, reading the player as the display timer does.
    int ticks = 0;
    QTimer gui;
    connect(&gui, &QTimer::timeout, this, [&] { ticks += int(player->currentPosition() + player->duration() >= 0); });
    gui.start(50);
    QElapsedTimer running;
    running.start();
    // Seconds the output had written when it came to rest.
    double marked = 0;
    const auto sinceMark = [&] { return pipe.seconds() - marked; };

    for (const QString &step : script.split(u", "_s)) {
        const QString command = step.section(u' ', 0, 0);
        const QString argument = step.section(u' ', 1);
        const double value = argument.toDouble();
        const QByteArray context = (step + u" (events: "_s + log.join(u", "_s) + u")"_s).toUtf8();
        if (command == u"load") {
            const QString name = argument == u"tone"_s ? u"tone-44k-stereo.mp3"_s
                : argument == u"long"_s                ? u"tone-30m.mp3"_s
                                                       : argument;
            const QString path = name.isEmpty() ? QString()
                : name.startsWith(u"missing")   ? m_env.path(name)
                : name == u"refused"_s          ? m_refusingPort.url()
                : name == u"silent"_s           ? m_silentServer.url()
                                                : testData(name);
            const qsizetype before = log.size();
            player->setFileName(path);
            QCOMPARE(player->fileName(), path);
            QCOMPARE(log.size(), before); // never delivered from inside the call
        } else if (command == u"reach") {
            QTRY_VERIFY2_WITH_TIMEOUT(player->currentPosition() >= value, context, 10000);
        } else if (command == u"below") {
            QVERIFY2(player->currentPosition() < value, qPrintable(QString::number(player->currentPosition())));
        } else if (command == u"zero") {
            QCOMPARE(player->currentPosition(), 0.0);
            QCOMPARE(player->duration(), 0.0);
        } else if (states.contains(command)) {
            QCOMPARE(states.at(int(player->state())), command);
        } else if (command == u"opened") {
            QTRY_VERIFY2_WITH_TIMEOUT(log.filter(u"opened"_s).size() == int(value), context, 10000);
        } else if (command == u"end") {
            QTRY_VERIFY2_WITH_TIMEOUT(!log.filter(u"end"_s).isEmpty(), context, 10000);
            QTest::qWait(400); // longer than anything a replaced or restarted file still had to play
        } else if (command == u"error") {
            QTRY_VERIFY2_WITH_TIMEOUT(!log.filter(u"error"_s).isEmpty(), context, 8000);
            QTest::qWait(300);
        } else if (command == u"says") {
            const QString text = player->errorDescription() + u" / "_s + player->errorCorrectionTip();
            QVERIFY2(player->errorDescription().contains(argument.section(u'|', 0, 0), Qt::CaseInsensitive),
                qPrintable(text));
            QVERIFY2(player->errorDescription().contains(player->fileName()), qPrintable(text));
            QVERIFY2(player->errorCorrectionTip().contains(argument.section(u'|', 1), Qt::CaseInsensitive),
                qPrintable(text));
        } else if (command == u"probe") {
            QElapsedTimer probing;
            probing.start();
            player->probeDuration();
            QVERIFY2(probing.elapsed() < 10000 && std::abs(player->duration() - value) < 0.1,
                qPrintable(u"%1 s after %2 ms"_s.arg(player->duration()).arg(probing.elapsed())));
            ticks = 0; // the probe holds the GUI thread, for a bounded time
            running.restart();
        } else if (command == u"seek") {
            QTRY_VERIFY2_WITH_TIMEOUT(!log.isEmpty(), context, 10000);
            player->setCurrentPosition(value);
            sampler.start(20);
        } else if (command == u"holds") {
            QTest::qWait(100);
            const double at = player->currentPosition();
            QTest::qWait(600);
            QVERIFY2(std::abs(player->currentPosition() - at) < 0.05, qPrintable(QString::number(at)));
        } else if (command == u"silent") {
            // The output comes to rest, long before the end of the file; that point is the mark.
            double last = -1;
            QElapsedTimer unchanged;
            const auto resting = [&] {
                const double now = pipe.seconds();
                if (now != last || !unchanged.isValid())
                    unchanged.start();
                last = now;
                return unchanged.elapsed() >= 200;
            };
            QTRY_VERIFY2_WITH_TIMEOUT(resting(), context, 10000);
            QVERIFY2(last < value, qPrintable(u"%1 s written"_s.arg(last)));
            marked = last;
        } else if (command == u"heard") {
            QTRY_VERIFY2_WITH_TIMEOUT(sinceMark() >= value, context, 20000);
        } else if (command == u"written") {
            QVERIFY2(std::abs(sinceMark() - value) < 1, qPrintable(u"%1 s written"_s.arg(sinceMark())));
        } else if (command == u"at") {
            QTRY_VERIFY2_WITH_TIMEOUT(std::abs(player->currentPosition() - value) < 0.05, context, 5000);
        } else if (command == u"busy") {
            QThread::msleep(300); // a busy GUI thread: the engine's events wait in the queue
        } else if (command == u"wait") {
            QTest::qWait(int(value));
        } else if (command == u"no") {
            QCOMPARE(player->errorDescription(), QString());
        } else if (command == u"play") {
            player->play();
        } else if (command == u"pause") {
            player->pause();
        } else {
            QCOMPARE(command, u"stop"_s);
            player->stop();
        }
    }
    // "*" stands for a duration the engine may or may not know yet.
    QVERIFY2(
        QRegularExpression::fromWildcard(expected).match(log.join(u", "_s)).hasMatch(), qPrintable(log.join(u", "_s)));
    QVERIFY(!offGuiThread);
    QVERIFY2(ticks >= running.elapsed() / 50 / 4, qPrintable(u"%1 ticks in %2 ms"_s.arg(ticks).arg(running.elapsed())));
    for (double position : std::as_const(afterSeek))
        QVERIFY2(position <= 0.6 || position >= 1.4, qPrintable(QString::number(position)));
}

void TestMpvPlayer::output_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("playCount");
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("balance");
    QTest::addColumn<bool>("mute");
    // Left and right levels against the file itself (left against right for the mono file), in dB, -inf for 90 dB
    // down or silent; and the seconds written.
    QTest::addColumn<QList<double>>("expected");
    const double silent = -HUGE_VAL;
    const QString stereo = u"level-1k.wav"_s; // 3 s
    const auto row = [](const char *name, const QString &file, int count, int volume, int balance, bool mute,
                         const QList<double> &expected) {
        QTest::newRow(name) << file << count << volume << balance << mute << expected;
    };
    // tone.wav lasts one second: each play is heard, then one end of stream.
    row("play count 3", u"tone.wav"_s, 3, 0, 0, false, {0, 0, 3});
    row("volume -20 dB", stereo, 1, -2000, 0, false, {-20, -20, 3});
    row("above full volume is full", stereo, 1, 500, 0, false, {0, 0, 3});
    row("balance -3 dB leans left", stereo, 1, 0, -300, false, {0, -3, 3});
    row("balance -96.4 dB silences right", stereo, 1, 0, -9640, false, {0, silent, 3});
    row("balance +30 dB leans right", stereo, 1, 0, 3000, false, {-30, 0, 3});
    row("volume and balance add", stereo, 1, -1000, -2000, false, {-10, -30, 3});
    row("mute with lower volume", stereo, 1, -2000, 1000, true, {silent, silent, 3});
    row("balance on a mono file", u"tone-22k-mono.mp3"_s, 1, 0, -3000, false, {0, -30, 2});
}

void TestMpvPlayer::output()
{
    QFETCH(QString, file);
    QFETCH(int, playCount);
    QFETCH(int, volume);
    QFETCH(int, balance);
    QFETCH(bool, mute);
    QFETCH(QList<double>, expected);
    const QString out = m_env.path(u"%1.wav"_s.arg(QLatin1String(QTest::currentDataTag())));
    auto player = makePlayer(PlayerPurpose::Audio, out);
    QStringList events;
    connect(player.get(), &MediaPlayer::mediaOpened, this, [&] { events << u"opened"_s; });
    connect(player.get(), &MediaPlayer::endOfStream, this, [&] { events << u"end"_s; });
    connect(player.get(), &MediaPlayer::error, this, [&] { events << u"error"_s; });
    player->setPlayCount(playCount);
    player->setVolume(volume);
    player->setBalance(balance);
    player->setMute(mute);
    player->setFileName(testData(file));
    QTRY_VERIFY_WITH_TIMEOUT(events.size() >= 2, 20000);
    QTest::qWait(100); // anything that would wrongly follow the end
    player.reset(); // closes the output, which completes the WAV header
    QCOMPARE(events, QStringList({u"opened"_s, u"end"_s}));

    const Pcm pcm(out);
    QCOMPARE(pcm.channels.size(), 2);
    QVERIFY2(std::abs(pcm.seconds() - expected[2]) < 0.1, qPrintable(u"%1 s"_s.arg(pcm.seconds())));
    const bool mono = file.contains(u"mono"_s);
    const Pcm source = mono ? pcm : Pcm(testData(file));
    for (int c = 0; c < 2; ++c) {
        const double level = pcm.levelDb(c) - source.levelDb(mono ? 0 : c);
        const QByteArray what = u"channel %1: %2 dB"_s.arg(c).arg(level).toUtf8();
        QVERIFY2(std::isinf(expected[c]) ? level <= -90.0 : std::abs(level - expected[c]) <= 0.5, what.constData());
    }
}

QTEST_MAIN(TestMpvPlayer)
#include "tst_mpvplayer.moc"
