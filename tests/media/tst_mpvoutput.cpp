// What is heard: the player's output is written to WAV files (mpv's pcm output) and measured, for the play count
// and for volume, balance and mute.
#include "fakes/testenv.h"
#include "media/mpvplayer.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <clocale>
#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;
using namespace quillet;
using quillet::testing::testData;

namespace {

// Samples of a WAV file (16 or 32-bit integer, 32-bit float), one list per channel, scaled to -1..1; none when
// the file cannot be read. A data chunk whose size was never filled in runs to the end of the file.
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
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const auto u16 = [&bytes](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
        const auto u32 = [&bytes](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        int format = 0, count = 0, bits = 0;
        for (qsizetype at = 12; bytes.startsWith("RIFF") && at + 8 <= bytes.size();) {
            const QByteArray id = bytes.mid(at, 4);
            const qsizetype body = at + 8;
            const qsizetype size
                = u32(at + 4) && body + u32(at + 4) <= bytes.size() ? u32(at + 4) : bytes.size() - body;
            if (id == "fmt ") {
                format = u16(body) == 0xfffe ? u16(body + 24) : u16(body); // extensible: the sub-format's first bytes
                count = u16(body + 2);
                rate = int(u32(body + 4));
                bits = u16(body + 14);
            } else if (id == "data" && count > 0 && (bits == 16 || bits == 32)) {
                channels.resize(count);
                for (qsizetype f = 0; f < size / (bits / 8 * count); ++f) {
                    for (int c = 0; c < count; ++c) {
                        const char *p = bytes.constData() + body + (f * count + c) * (bits / 8);
                        channels[c].append(format == 3 ? double(qFromLittleEndian<float>(p))
                                : bits == 16           ? qFromLittleEndian<qint16>(p) / 32768.0
                                                       : qFromLittleEndian<qint32>(p) / 2147483648.0);
                    }
                }
                return;
            }
            at = body + size + (size & 1);
        }
    }
};

} // namespace

class TestMpvOutput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); } // libmpv parses numbers with the C locale
    void output_data();
    void output();

private:
    quillet::testing::TestEnvironment m_env;
};

void TestMpvOutput::output_data()
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
    row("play count 1", u"tone.wav"_s, 1, 0, 0, false, {0, 0, 1});
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

void TestMpvOutput::output()
{
    QFETCH(QString, file);
    QFETCH(int, playCount);
    QFETCH(int, volume);
    QFETCH(int, balance);
    QFETCH(bool, mute);
    QFETCH(QList<double>, expected);
    const QString out = m_env.path(u"%1.wav"_s.arg(QLatin1String(QTest::currentDataTag())));
    qputenv("QUILLET_AUDIO_OUTPUT", "pcm");
    qputenv("QUILLET_AO_PCM_FILE", out.toUtf8());
    auto player = std::make_unique<MpvPlayer>(PlayerPurpose::Audio);
    qputenv("QUILLET_AUDIO_OUTPUT", "null");
    qunsetenv("QUILLET_AO_PCM_FILE");
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

QTEST_MAIN(TestMpvOutput)
#include "tst_mpvoutput.moc"
