// The video display window with a fake player: what it asks of its player, full screen by key and
// double-click, error messages, closing, and the size it takes for a video.
#include "fakes/fakedialogs.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"
#include "video/frmbrowser.h"
#include "video/videowidget.h"

#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace quillet;

class TstFrmBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sizingTimerAsksForAutoSizeAndFit();
    void mediaOpenedTurnsAutoSizeOn();
    void playerErrorShowsItsDescription();
    void fullScreenByKeyAndDoubleClick_data();
    void fullScreenByKeyAndDoubleClick();
    void windowManagerFullScreenIsFollowed();
    void closingEndsTheVideo();
    void fittedSize_data();
    void fittedSize();

private:
    testing::FakePlayer *player() const;

    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeDialogs> m_dialogs;
    std::unique_ptr<testing::FakePlayerFactory> m_players;
};

void TstFrmBrowser::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_dialogs = std::make_unique<testing::FakeDialogs>();
    m_players = std::make_unique<testing::FakePlayerFactory>();
}

void TstFrmBrowser::cleanup()
{
    frmBrowser::unload();
    m_players.reset();
    m_dialogs.reset();
    m_env.reset();
}

testing::FakePlayer *TstFrmBrowser::player() const
{
    return frmBrowser::instance() ? qobject_cast<testing::FakePlayer *>(frmBrowser::instance()->Media1) : nullptr;
}

void TstFrmBrowser::sizingTimerAsksForAutoSizeAndFit()
{
    frmBrowser *window = frmBrowser::open();
    QCOMPARE(window->windowTitle(), QStringLiteral("Video Player"));
    QCOMPARE(m_players->purposes, QList<PlayerPurpose> {PlayerPurpose::Video});
    QCOMPARE(window->Picture->renderer(), VideoWidget::Renderer::None);
    QCOMPARE(window->Timer1->interval(), 100);
    QVERIFY(window->Timer1->isActive());

    window->setFileName(QStringLiteral("/v/a.avi"));
    QCOMPARE(player()->calls, QStringList {QStringLiteral("setFileName /v/a.avi")});
    QTRY_VERIFY(player()->autoSize());
    QCOMPARE(player()->displaySize(), 4);
    QVERIFY(!window->isFullScreen());
    // The picture covers the whole window.
    QCOMPARE(window->Picture->geometry(), window->rect());
    window->resize(400, 300);
    QCOMPARE(window->Picture->geometry(), QRect(0, 0, 400, 300));
}

void TstFrmBrowser::mediaOpenedTurnsAutoSizeOn()
{
    frmBrowser *window = frmBrowser::open();
    window->Timer1->stop();
    player()->setAutoSize(false);
    player()->emitMediaOpened();
    QVERIFY(player()->autoSize());
}

void TstFrmBrowser::playerErrorShowsItsDescription()
{
    frmBrowser::open()->setFileName(QStringLiteral("/v/missing.avi"));
    player()->setError(QStringLiteral("The file could not be found."), QStringLiteral("Check the name."));
    player()->emitError();
    QCOMPARE(m_dialogs->messages, QStringList {QStringLiteral("The file could not be found.")});
    // The window stays, ready for the next video.
    QVERIFY(frmBrowser::instance() != nullptr);
}

void TstFrmBrowser::fullScreenByKeyAndDoubleClick_data()
{
    QTest::addColumn<QString>("action"); // F, Ctrl+F, Escape, double-click, right double-click
    QTest::addColumn<bool>("fullBefore");
    QTest::addColumn<bool>("fullAfter");

    QTest::newRow("F enters") << "F" << false << true;
    QTest::newRow("F leaves") << "F" << true << false;
    QTest::newRow("Ctrl+F does nothing") << "Ctrl+F" << false << false;
    QTest::newRow("Escape leaves") << "Escape" << true << false;
    QTest::newRow("Escape in a window does nothing") << "Escape" << false << false;
    QTest::newRow("double-click enters") << "double-click" << false << true;
    QTest::newRow("double-click leaves") << "double-click" << true << false;
    QTest::newRow("right double-click does nothing") << "right double-click" << false << false;
}

void TstFrmBrowser::fullScreenByKeyAndDoubleClick()
{
    QFETCH(QString, action);
    QFETCH(bool, fullBefore);
    QFETCH(bool, fullAfter);
    frmBrowser *window = frmBrowser::open();
    QTRY_COMPARE(player()->displaySize(), 4);
    if (fullBefore) {
        window->toggleFullScreen();
        QTRY_VERIFY(window->isFullScreen());
    }

    // Double-clicks land on the picture, as a user's would.
    if (action == QLatin1String("F"))
        QTest::keyClick(window, Qt::Key_F);
    else if (action == QLatin1String("Ctrl+F"))
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    else if (action == QLatin1String("Escape"))
        QTest::keyClick(window, Qt::Key_Escape);
    else if (action == QLatin1String("double-click"))
        QTest::mouseDClick(window->Picture, Qt::LeftButton);
    else
        QTest::mouseDClick(window->Picture, Qt::RightButton);

    QCOMPARE(player()->displaySize(), fullAfter ? 3 : 4);
    QTRY_COMPARE(window->isFullScreen(), fullAfter);
    // The sizing timer keeps what was chosen.
    QTest::qWait(250);
    QCOMPARE(window->isFullScreen(), fullAfter);
    QCOMPARE(player()->displaySize(), fullAfter ? 3 : 4);
}

void TstFrmBrowser::windowManagerFullScreenIsFollowed()
{
    frmBrowser *window = frmBrowser::open();
    window->setWindowState(Qt::WindowFullScreen);
    QCOMPARE(player()->displaySize(), 3);
    window->setWindowState(Qt::WindowNoState);
    QCOMPARE(player()->displaySize(), 4);
}

void TstFrmBrowser::closingEndsTheVideo()
{
    QPointer<frmBrowser> window = frmBrowser::open();
    window->setFileName(QStringLiteral("/v/a.avi"));
    QPointer<MediaPlayer> media = window->Media1;
    QVERIFY(window->close());
    QTRY_VERIFY(window.isNull());
    QVERIFY(media.isNull());
    QVERIFY(frmBrowser::instance() == nullptr);

    // The next play makes a new window with a new player.
    frmBrowser::open()->setFileName(QStringLiteral("/v/b.avi"));
    QCOMPARE(m_players->players.size(), 1); // the factory forgets destroyed players
    QVERIFY(player() != nullptr);
    QCOMPARE(player()->calls, QStringList {QStringLiteral("setFileName /v/b.avi")});
}

void TstFrmBrowser::fittedSize_data()
{
    QTest::addColumn<QSize>("video");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("fits") << QSize(320, 240) << QSize(1024, 700) << QSize(320, 240);
    QTest::newRow("exactly fits") << QSize(1024, 700) << QSize(1024, 700) << QSize(1024, 700);
    QTest::newRow("too wide") << QSize(1920, 800) << QSize(960, 700) << QSize(960, 400);
    QTest::newRow("too tall") << QSize(1280, 720) << QSize(1366, 360) << QSize(640, 360);
    QTest::newRow("both too large") << QSize(3840, 2160) << QSize(1920, 1040) << QSize(1848, 1040);
    QTest::newRow("no screen known") << QSize(640, 480) << QSize() << QSize(640, 480);
    QTest::newRow("no video") << QSize() << QSize(1024, 700) << QSize();
}

void TstFrmBrowser::fittedSize()
{
    QFETCH(QSize, video);
    QFETCH(QSize, available);
    QFETCH(QSize, expected);
    QCOMPARE(frmBrowser::fittedSize(video, available), expected);
}

QTEST_MAIN(TstFrmBrowser)
#include "tst_frmbrowser.moc"
