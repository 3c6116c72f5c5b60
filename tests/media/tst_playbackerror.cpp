#include "fakes/testenv.h"
#include "media/playbackerror.h"

#include <QTest>

#include <mpv/client.h>

using namespace quillet;
using quillet::testing::testData;

// How failures the engine reports are told to the user. The real failures are played in tst_mpvplayer; these are
// the ones a test machine cannot cause (no DNS, no remote servers).
class TestPlaybackError : public QObject
{
    Q_OBJECT

private slots:
    void describe_data();
    void describe();
    void engineMissing();
};

void TestPlaybackError::describe_data()
{
    QTest::addColumn<int>("mpvError");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("log");
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<QString>("descriptionWord");
    QTest::addColumn<QString>("tipWord");
    const int failed = MPV_ERROR_LOADING_FAILED;
    const QString url = QStringLiteral("http://radio.example/stream");
    QTest::newRow("unknown host") << failed << url
                                  << "ffmpeg: tcp: Failed to resolve hostname radio.example: Name or service not known"
                                  << 20 << "could not be found"
                                  << "spelling of the address";
    QTest::newRow("refused") << failed << url
                             << "ffmpeg: tcp: Connection to tcp://radio.example:80 failed: "
                                "Connection refused"
                             << 20 << "refused"
                             << "server is running";
    QTest::newRow("silent until the timeout")
        << failed << url << QStringLiteral("stream: Failed to open ") + url << 4050 << "did not answer"
        << "try again later";
    QTest::newRow("timed out message") << failed << url << "ffmpeg: Connection timed out" << 900 << "did not answer"
                                       << "try again later";
    QTest::newRow("other network failure")
        << failed << url << "ffmpeg: http: HTTP error 404 Not Found" << 100 << "over the network"
        << "network connection";
    QTest::newRow("stream that is not media") << int(MPV_ERROR_UNKNOWN_FORMAT) << url << QString() << 300 << "format"
                                              << "sound or video file";
    QTest::newRow("missing file URL") << failed << QStringLiteral("file:///nowhere/song.mp3") << QString() << 5
                                      << "was not found"
                                      << "exists";
    QTest::newRow("path from another system")
        << failed << QStringLiteral("C:\\Music\\song.mp3") << QString() << 5 << "was not found"
        << "exists";
    QTest::newRow("no audio device") << int(MPV_ERROR_AO_INIT_FAILED) << testData(QStringLiteral("tone.wav"))
                                     << "ao: Failed to initialize audio driver 'alsa'" << 30 << "audio device"
                                     << "sound card";
    QTest::newRow("existing but unreadable") << failed << testData(QString()) << QString() << 5 << "could not be played"
                                             << "can be read";
}

void TestPlaybackError::describe()
{
    QFETCH(int, mpvError);
    QFETCH(QString, name);
    QFETCH(QString, log);
    QFETCH(int, elapsedMs);
    QFETCH(QString, descriptionWord);
    QFETCH(QString, tipWord);
    const PlaybackError error = PlaybackError::describe(mpvError, name, log, elapsedMs, 4000);
    QVERIFY2(error.description.contains(descriptionWord, Qt::CaseInsensitive), qPrintable(error.description));
    QVERIFY2(error.description.contains(name), qPrintable(error.description));
    QVERIFY2(error.tip.contains(tipWord, Qt::CaseInsensitive), qPrintable(error.tip));
}

void TestPlaybackError::engineMissing()
{
    const PlaybackError error = PlaybackError::engineMissing();
    QVERIFY(error.description.contains(QLatin1String("libmpv")));
    QVERIFY(!error.tip.isEmpty());
}

QTEST_GUILESS_MAIN(TestPlaybackError)
#include "tst_playbackerror.moc"
