// Real video through libmpv's software renderer on the offscreen platform: the display window shows the test
// picture's four coloured blocks where they belong, sizes itself to the video, and plays beside an audio player.
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mpvplayer.h"
#include "video/frmbrowser.h"
#include "video/videowidget.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <clocale>
#include <memory>

using namespace quillet;

class TstVideoPlayback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsTheBlocksAtTheirPlaces();
    void followsTheWindowSizeWhenFullScreen();
    void reportsAFileThatCannotBePlayed();
    void playsBesideAnAudioPlayer();
    void closingWhilePlayingEndsTheVideo();

private:
    // Opens the display window on the block picture and waits for a rendered frame at the video's size.
    frmBrowser *playBlocks();

    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
};

namespace {

// Whether a pixel is within a few steps of a colour: H.264 in 4:2:0 does not keep pure colours exactly.
bool near(QRgb pixel, QColor expected)
{
    constexpr int Tolerance = 40;
    return qAbs(qRed(pixel) - expected.red()) <= Tolerance && qAbs(qGreen(pixel) - expected.green()) <= Tolerance
        && qAbs(qBlue(pixel) - expected.blue()) <= Tolerance;
}

QString describe(QRgb pixel)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

} // namespace

void TstVideoPlayback::initTestCase()
{
    qputenv("QUILLET_VIDEO_RENDERER", "software");
    // libmpv reads numbers with the C locale.
    std::setlocale(LC_NUMERIC, "C");
    QVERIFY2(QFile::exists(testing::testData(QStringLiteral("bars-320x240.mp4"))), "test media missing");
}

void TstVideoPlayback::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
}

void TstVideoPlayback::cleanup()
{
    frmBrowser::unload();
    m_dialogs.reset();
    m_env.reset();
}

frmBrowser *TstVideoPlayback::playBlocks()
{
    frmBrowser *window = frmBrowser::open();
    auto *player = qobject_cast<MpvPlayer *>(window->Media1);
    if (!player || window->Picture->renderer() != VideoWidget::Renderer::Software)
        return nullptr;
    window->setFileName(testing::testData(QStringLiteral("bars-320x240.mp4")));
    if (!QTest::qWaitFor([&] { return player->videoSize().isValid() && window->Picture->framesRendered() > 2; }, 10000))
        return nullptr;
    return window;
}

void TstVideoPlayback::showsTheBlocksAtTheirPlaces()
{
    frmBrowser *window = playBlocks();
    QVERIFY2(window, "no picture rendered");
    auto *player = qobject_cast<MpvPlayer *>(window->Media1);
    QCOMPARE(player->videoSize(), QSize(320, 240));
    QVERIFY(player->autoSize());
    QCOMPARE(player->displaySize(), 4);
    // The window's inside takes the video's size and the picture fills it.
    QTRY_COMPARE(window->size(), QSize(320, 240));
    QCOMPARE(window->Picture->geometry(), QRect(0, 0, 320, 240));

    // A frame drawn at the final size, then the window as a user sees it.
    const quint64 frames = window->Picture->framesRendered();
    QTRY_VERIFY(window->Picture->framesRendered() > frames + 1);
    const QImage shot = window->grab().toImage().scaled(320, 240);
    struct Probe
    {
        QPoint at;
        QColor colour;
        const char *name;
    };
    const Probe probes[] = {
        {{80, 60}, QColor(255, 0, 0), "red top left"},
        {{240, 60}, QColor(0, 255, 0), "green top right"},
        {{80, 180}, QColor(0, 0, 255), "blue bottom left"},
        {{240, 180}, QColor(255, 255, 255), "white bottom right"},
        {{20, 20}, QColor(255, 0, 0), "red near the top left corner"},
        {{300, 220}, QColor(255, 255, 255), "white near the bottom right corner"},
    };
    for (const Probe &probe : probes) {
        const QRgb pixel = shot.pixel(probe.at);
        QVERIFY2(
            near(pixel, probe.colour), qPrintable(QLatin1String(probe.name) + QLatin1String(" is ") + describe(pixel)));
        QCOMPARE(qAlpha(pixel), 255);
    }
}

void TstVideoPlayback::followsTheWindowSizeWhenFullScreen()
{
    frmBrowser *window = playBlocks();
    QVERIFY2(window, "no picture rendered");
    QTRY_COMPARE(window->size(), QSize(320, 240));
    window->toggleFullScreen();
    QCOMPARE(window->Media1->displaySize(), 3);
    QTRY_VERIFY(window->isFullScreen());
    // Full screen is left alone by the sizing timer, and the picture fills the screen keeping its shape.
    QTest::qWait(250);
    QVERIFY(window->isFullScreen());
    const QSize screen = window->size();
    QVERIFY2(screen.width() > 320, "the full-screen window is no larger than the video");
    QCOMPARE(window->Picture->size(), screen);
    const quint64 frames = window->Picture->framesRendered();
    QTRY_VERIFY(window->Picture->framesRendered() > frames + 1);
    const QImage shot = window->grab().toImage();
    const QSize picture = QSize(320, 240).scaled(shot.size(), Qt::KeepAspectRatio);
    const QPoint origin((shot.width() - picture.width()) / 2, (shot.height() - picture.height()) / 2);
    const QPoint topLeftBlock = origin + QPoint(picture.width() / 4, picture.height() / 4);
    const QPoint bottomRightBlock = origin + QPoint(picture.width() * 3 / 4, picture.height() * 3 / 4);
    QVERIFY2(near(shot.pixel(topLeftBlock), QColor(255, 0, 0)), qPrintable(describe(shot.pixel(topLeftBlock))));
    QVERIFY2(
        near(shot.pixel(bottomRightBlock), QColor(255, 255, 255)), qPrintable(describe(shot.pixel(bottomRightBlock))));

    // Leaving full screen brings back the video's size.
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(window->Media1->displaySize(), 4);
    QTRY_VERIFY(!window->isFullScreen());
    QTRY_COMPARE(window->size(), QSize(320, 240));
}

void TstVideoPlayback::reportsAFileThatCannotBePlayed()
{
    frmBrowser *window = frmBrowser::open();
    window->setFileName(m_env->path(QStringLiteral("no such video.avi")));
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->messages.size(), 1, 10000);
    QVERIFY(!window->Media1->errorDescription().isEmpty());
    QCOMPARE(m_dialogs->messages.first(), window->Media1->errorDescription());
}

void TstVideoPlayback::playsBesideAnAudioPlayer()
{
    MpvPlayer music(PlayerPurpose::Audio);
    music.setPlayCount(0); // endless, so that it still plays when the video has started
    music.setFileName(testing::testData(QStringLiteral("tone-44k-stereo.mp3")));
    frmBrowser *window = playBlocks();
    QVERIFY2(window, "no picture rendered");
    QCOMPARE(music.state(), MediaPlayer::State::Playing);
    const double musicAt = music.currentPosition();
    const double videoAt = window->Media1->currentPosition();
    QTRY_VERIFY(music.currentPosition() > musicAt + 0.2 && window->Media1->currentPosition() > videoAt + 0.2);
    QCOMPARE(music.fileName(), testing::testData(QStringLiteral("tone-44k-stereo.mp3")));
}

void TstVideoPlayback::closingWhilePlayingEndsTheVideo()
{
    QPointer<frmBrowser> window = playBlocks();
    QVERIFY2(window, "no picture rendered");
    QPointer<MediaPlayer> player = window->Media1;
    QVERIFY(window->close());
    QTRY_VERIFY(window.isNull());
    QVERIFY(player.isNull());
    QVERIFY(frmBrowser::instance() == nullptr);
    // The next play makes a new window that plays again.
    QVERIFY2(playBlocks(), "no picture after reopening");
}

QTEST_MAIN(TstVideoPlayback)
#include "tst_videoplayback.moc"
