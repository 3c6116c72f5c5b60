#include "media/playbackerror.h"

#include <QTest>

#include <mpv/client.h>

using namespace quillet;

// How failures the engine reports are told to the user. The failures a test machine can cause are played in
// tst_mpvplayer; these need a name server or remote servers, or come from another system's paths.
class TestPlaybackError : public QObject
{
    Q_OBJECT

private slots:
    void describe_data();
    void describe();
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
    const auto row = [&](const char *what, int error, const QString &name, const char *log, int elapsed,
                         const char *description, const char *tip) {
        QTest::newRow(what) << error << name << QString::fromLatin1(log) << elapsed << QString::fromLatin1(description)
                            << QString::fromLatin1(tip);
    };
    row("unknown host", failed, url, "ffmpeg: tcp: Failed to resolve hostname radio.example: Name or service not known",
        20, "could not be found", "spelling of the address");
    row("silent until the timeout", failed, url, "stream: Failed to open http://radio.example/stream", 4050,
        "did not answer", "try again later");
    row("timed out message", failed, url, "ffmpeg: Connection timed out", 900, "did not answer", "try again later");
    row("other network failure", failed, url, "ffmpeg: http: HTTP error 404 Not Found", 100, "over the network",
        "network connection");
    row("missing file URL", failed, QStringLiteral("file:///nowhere/song.mp3"), "", 5, "was not found", "exists");
    row("path from another system", failed, QStringLiteral("C:\\Music\\song.mp3"), "", 5, "was not found", "exists");
    row("existing but unreadable", failed, QStringLiteral("/"), "", 5, "could not be played", "can be read");
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

QTEST_GUILESS_MAIN(TestPlaybackError)
#include "tst_playbackerror.moc"
