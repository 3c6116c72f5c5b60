#include "fakes/testenv.h"
#include "media/mpvplayer.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <clocale>
#include <cmath>
#include <functional>
#include <memory>

using namespace quillet;
using quillet::testing::testData;

// What is heard: the player's output is written to WAV files (mpv's pcm output) and measured.
namespace {

// The events a player emitted, in order.
struct EventLog
{
    QStringList events;

    void attach(MediaPlayer *player)
    {
        QObject::connect(player, &MediaPlayer::mediaOpened, player, [this] { events << QStringLiteral("opened"); });
        QObject::connect(player, &MediaPlayer::endOfStream, player, [this] { events << QStringLiteral("end"); });
        QObject::connect(player, &MediaPlayer::error, player, [this] { events << QStringLiteral("error"); });
    }
};

// Samples of a WAV file, one list per channel, scaled to -1..1.
struct Pcm
{
    QString problem;
    int rate = 0;
    QList<QList<double>> channels;

    qsizetype frames() const { return channels.isEmpty() ? 0 : channels.first().size(); }

    // RMS level of a channel in dB (relative to full scale), leaving out a quarter second at both ends.
    double levelDb(int channel) const
    {
        const QList<double> &samples = channels.at(channel);
        const qsizetype skip = std::min<qsizetype>(rate / 4, samples.size() / 4);
        double sum = 0;
        for (qsizetype i = skip; i < samples.size() - skip; ++i)
            sum += samples.at(i) * samples.at(i);
        const qsizetype n = samples.size() - 2 * skip;
        return n > 0 && sum > 0 ? 10.0 * std::log10(sum / double(n)) : -HUGE_VAL;
    }
};

// Reads PCM (8/16/24/32 bit) and float WAV files. A data chunk whose size was never filled in runs to the end.
Pcm readWav(const QString &path)
{
    Pcm pcm;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open ") + path, 0, {}};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {QStringLiteral("not a WAV file: ") + path, 0, {}};
    const auto u16 = [&bytes](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&bytes](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    int format = 0, channelCount = 0, bits = 0;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        qsizetype size = u32(at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            format = u16(body);
            channelCount = u16(body + 2);
            pcm.rate = int(u32(body + 4));
            bits = u16(body + 14);
            if (format == 0xfffe && body + 26 <= bytes.size())
                format = u16(body + 24); // WAVE_FORMAT_EXTENSIBLE: the sub-format's first two bytes
        } else if (id == "data") {
            if (size == 0 || body + size > bytes.size())
                size = bytes.size() - body;
            if (channelCount <= 0 || bits % 8 != 0 || bits == 0)
                return {QStringLiteral("no usable fmt chunk"), 0, {}};
            const int width = bits / 8;
            const qsizetype frames = size / (width * channelCount);
            pcm.channels.resize(channelCount);
            for (qsizetype f = 0; f < frames; ++f) {
                for (int c = 0; c < channelCount; ++c) {
                    const char *p = bytes.constData() + body + (f * channelCount + c) * width;
                    double v = 0;
                    if (format == 3 && bits == 32)
                        v = qFromLittleEndian<float>(p);
                    else if (format == 3 && bits == 64)
                        v = qFromLittleEndian<double>(p);
                    else if (format == 1 && bits == 8)
                        v = (quint8(*p) - 128) / 128.0;
                    else if (format == 1 && bits == 16)
                        v = qFromLittleEndian<qint16>(p) / 32768.0;
                    else if (format == 1 && bits == 24)
                        v = ((qint32(quint8(p[0])) << 8 | qint32(quint8(p[1])) << 16 | qint32(quint8(p[2])) << 24) >> 8)
                            / 8388608.0;
                    else if (format == 1 && bits == 32)
                        v = qFromLittleEndian<qint32>(p) / 2147483648.0;
                    else
                        return {QStringLiteral("unsupported sample format %1/%2").arg(format).arg(bits), 0, {}};
                    pcm.channels[c].append(v);
                }
            }
            return pcm;
        }
        at = body + size + (size & 1);
    }
    return {QStringLiteral("no data chunk in ") + path, 0, {}};
}

} // namespace

class TestMpvOutput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playCountRepeatsThenEndsOnce_data();
    void playCountRepeatsThenEndsOnce();
    void levels_data();
    void levels();
    void balanceOnMonoFile();

private:
    // Plays a file to its end through the pcm output, after setup, and reads what was written.
    Pcm render(const QString &file, const std::function<void(MpvPlayer &)> &setup, EventLog *log = nullptr);

    quillet::testing::TestEnvironment m_env;
    int m_renders = 0;
};

Pcm TestMpvOutput::render(const QString &file, const std::function<void(MpvPlayer &)> &setup, EventLog *log)
{
    const QString out = m_env.path(QStringLiteral("render-%1.wav").arg(++m_renders));
    const QByteArray oldOutput = qgetenv("QUILLET_AUDIO_OUTPUT");
    qputenv("QUILLET_AUDIO_OUTPUT", "pcm");
    qputenv("QUILLET_AO_PCM_FILE", out.toUtf8());
    auto player = std::make_unique<MpvPlayer>(PlayerPurpose::Audio);
    qputenv("QUILLET_AUDIO_OUTPUT", oldOutput);
    qunsetenv("QUILLET_AO_PCM_FILE");
    EventLog ownLog;
    EventLog &events = log ? *log : ownLog;
    events.attach(player.get());
    if (setup)
        setup(*player);
    player->setFileName(file);
    if (!QTest::qWaitFor(
            [&events] {
                return events.events.contains(QStringLiteral("end")) || events.events.contains(QStringLiteral("error"));
            },
            20000))
        return {QStringLiteral("playback did not end"), 0, {}};
    QTest::qWait(100); // anything that would wrongly follow the end
    player.reset(); // closes the output, which completes the WAV header
    return readWav(out);
}

void TestMpvOutput::initTestCase()
{
    // libmpv parses numbers with the C locale; Qt has set the user's.
    std::setlocale(LC_NUMERIC, "C");
    for (const char *name : {"tone.wav", "level-1k.wav", "tone-22k-mono.mp3"})
        QVERIFY2(QFile::exists(testData(QLatin1String(name))), name);
}

void TestMpvOutput::playCountRepeatsThenEndsOnce_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("once") << 1;
    QTest::newRow("twice") << 2;
    QTest::newRow("three times") << 3;
}

void TestMpvOutput::playCountRepeatsThenEndsOnce()
{
    QFETCH(int, count);
    EventLog log;
    const Pcm pcm = render(
        testData(QStringLiteral("tone.wav")), [count](MpvPlayer &p) { p.setPlayCount(count); }, &log);
    QVERIFY2(pcm.problem.isEmpty(), qPrintable(pcm.problem));
    QCOMPARE(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}));
    // tone.wav lasts one second.
    const double seconds = double(pcm.frames()) / pcm.rate;
    QVERIFY2(std::abs(seconds - count) < 0.1, qPrintable(QStringLiteral("%1 s of output").arg(seconds)));
}

void TestMpvOutput::levels_data()
{
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("balance");
    QTest::addColumn<bool>("mute");
    // Levels against the file itself, in dB; -inf means at least 90 dB down or silent.
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    const double silent = -HUGE_VAL;
    QTest::newRow("full volume, centre") << 0 << 0 << false << 0.0 << 0.0;
    QTest::newRow("volume -6 dB") << -600 << 0 << false << -6.0 << -6.0;
    QTest::newRow("volume -20 dB") << -2000 << 0 << false << -20.0 << -20.0;
    QTest::newRow("volume -40 dB") << -4000 << 0 << false << -40.0 << -40.0;
    QTest::newRow("above full volume is full") << 500 << 0 << false << 0.0 << 0.0;
    QTest::newRow("balance -3 dB leans left") << 0 << -300 << false << 0.0 << -3.0;
    QTest::newRow("balance -96.4 dB leans left") << 0 << -9640 << false << 0.0 << silent;
    QTest::newRow("balance +30 dB leans right") << 0 << 3000 << false << -30.0 << 0.0;
    QTest::newRow("volume and balance add") << -1000 << -2000 << false << -10.0 << -30.0;
    QTest::newRow("mute") << 0 << 0 << true << silent << silent;
    QTest::newRow("mute with lower volume") << -2000 << 1000 << true << silent << silent;
}

void TestMpvOutput::levels()
{
    QFETCH(int, volume);
    QFETCH(int, balance);
    QFETCH(bool, mute);
    QFETCH(double, left);
    QFETCH(double, right);
    const QString file = testData(QStringLiteral("level-1k.wav"));
    const Pcm source = readWav(file);
    QVERIFY2(source.problem.isEmpty(), qPrintable(source.problem));
    const Pcm out = render(file, [&](MpvPlayer &p) {
        p.setVolume(volume);
        p.setBalance(balance);
        p.setMute(mute);
    });
    QVERIFY2(out.problem.isEmpty(), qPrintable(out.problem));
    QCOMPARE(out.channels.size(), 2);
    QVERIFY2(std::abs(double(out.frames()) / out.rate - 3.0) < 0.1, "the whole file is written");
    const double expected[] = {left, right};
    for (int c = 0; c < 2; ++c) {
        const double level = out.levelDb(c) - source.levelDb(c);
        const QByteArray what
            = QStringLiteral("channel %1: %2 dB, expected %3").arg(c).arg(level).arg(expected[c]).toUtf8();
        if (std::isinf(expected[c]))
            QVERIFY2(level <= -90.0, what.constData());
        else
            QVERIFY2(std::abs(level - expected[c]) <= 0.5, what.constData());
    }
}

void TestMpvOutput::balanceOnMonoFile()
{
    EventLog log;
    const Pcm out = render(
        testData(QStringLiteral("tone-22k-mono.mp3")), [](MpvPlayer &p) { p.setBalance(-3000); }, &log);
    QVERIFY2(out.problem.isEmpty(), qPrintable(out.problem));
    QCOMPARE(log.events, QStringList({QStringLiteral("opened"), QStringLiteral("end")}));
    QCOMPARE(out.channels.size(), 2);
    const double difference = out.levelDb(0) - out.levelDb(1);
    QVERIFY2(std::abs(difference - 30.0) <= 0.5, qPrintable(QString::number(difference)));
}

QTEST_MAIN(TestMpvOutput)
#include "tst_mpvoutput.moc"
