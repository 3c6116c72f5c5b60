// The main window with the real libmpv player and null audio, driven by mouse and keys: playing through a playlist
// that survives a restart, seeking with the position slider, Stop, and repeated plays.
#include "form1fixture.h"

#include <QLabel>
#include <QScrollBar>
#include <QSlider>

#include <clocale>

using namespace quillet;
using namespace quillet::testing;

class TstEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void playsThroughAndKeepsThePlaylist();
    void sliderSeeksWhilePaused_data();
    void sliderSeeksWhilePaused();
    void stopShowsTheStart();
    void repeatedPlaysEndAsOnePlay_data();
    void repeatedPlaysEndAsOnePlay();
};

// Starts the 187-second tone through automatic play and waits until it plays.
static Form1 &playLongTone(Form1Fixture &f)
{
    f.writeDefaultPlaylist(QFile::encodeName(testData(QStringLiteral("tone-187s.mp3"))) + "\r\n");
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("2"));
    f.load();
    Form1 &form = f.show();
    [&] { QTRY_COMPARE_WITH_TIMEOUT(form.Label8->text(), QStringLiteral("03:07"), 5000); }();
    return form;
}

void TstEndToEnd::playsThroughAndKeepsThePlaylist()
{
    const QStringList songs = threeSongs();
    Form1Fixture f(Form1Fixture::Engine::Real);
    QVERIFY(PlaylistFile::write(PlaylistFile::defaultPlaylistPath(), songs).ok);
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("2"));
    Form1 &form = f.load();
    QCOMPARE(f.entries(), songs);
    // The first tick of Timer2 starts the first entry; its end starts the second.
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song1.."), 5000);
    QCOMPARE(form.Label8->text(), QStringLiteral("00:02"));
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."), 8000);
    QCOMPARE(form.Label1->text(), QStringLiteral("1"));
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.join(QLatin1Char('\n'))));

    QFile::remove(PlaylistFile::defaultPlaylistPath());
    form.exitProgram();
    QTRY_COMPARE(f.endProcessCalls, 1);
    f.load();
    QCOMPARE(f.entries(), songs);
}

void TstEndToEnd::sliderSeeksWhilePaused_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("step");
    QTest::newRow("page up") << QStringLiteral("PageUp") << 10;
    QTest::newRow("right arrow") << QStringLiteral("Right") << 1;
    QTest::newRow("click on the groove right of the handle") << QStringLiteral("groove") << 10;
    QTest::newRow("fast forward button") << QStringLiteral("Command15") << 5;
}

void TstEndToEnd::sliderSeeksWhilePaused()
{
    QFETCH(QString, input);
    QFETCH(int, step);
    Form1Fixture f(Form1Fixture::Engine::Real);
    Form1 &form = playLongTone(f);
    f.click(QStringLiteral("command11"));
    QCOMPARE(form.MP1->state(), MediaPlayer::State::Paused);
    // One display tick puts the handle where playback paused.
    QTest::qWait(1000);
    const int start = form.Slider4->value();
    QCOMPARE(start, qRound(form.MP1->currentPosition()));

    if (input == QLatin1String("groove"))
        QTest::mouseClick(form.Slider4, Qt::LeftButton, {}, QPoint(form.Slider4->width() * 3 / 4, form.Slider4->height() / 2));
    else if (input.startsWith(QLatin1String("Command")))
        f.click(input);
    else
        QTest::keyClick(form.Slider4, input == QLatin1String("PageUp") ? Qt::Key_PageUp : Qt::Key_Right);
    QTRY_COMPARE_WITH_TIMEOUT(qRound(form.MP1->currentPosition()), start + step, 3000);
    // The next display ticks keep the handle where the user put it, and the player is still paused.
    QTest::qWait(1000);
    QCOMPARE(form.Slider4->value(), start + step);
    QCOMPARE(form.MP1->state(), MediaPlayer::State::Paused);
    QCOMPARE(form.Label2->text(), QStringLiteral("Paused.."));
}

void TstEndToEnd::stopShowsTheStart()
{
    Form1Fixture f(Form1Fixture::Engine::Real);
    Form1 &form = playLongTone(f);
    QTRY_COMPARE_WITH_TIMEOUT(form.Label7->text(), QStringLiteral("00:02"), 5000);
    f.click(QStringLiteral("command10"));
    QCOMPARE(form.MP1->currentPosition(), 0.0);
    QCOMPARE(form.MP1->duration(), 0.0);
    QCOMPARE(form.Slider4->value(), 0);
    QCOMPARE(form.Label7->text(), QStringLiteral("00:00"));
    QCOMPARE(form.Label9->text(), QStringLiteral("Time : 00:00/03:07 "));
    // Neither the display timer nor Fast Forward makes a stopped player look as if it played.
    QTest::qWait(1000);
    f.click(QStringLiteral("Command15"));
    QCOMPARE(form.Slider4->value(), 0);
    QCOMPARE(form.Label2->text(), QStringLiteral("Stoped.."));
    f.click(QStringLiteral("command9"));
    QTRY_COMPARE_WITH_TIMEOUT(form.MP1->state(), MediaPlayer::State::Playing, 3000);
    QVERIFY(form.MP1->currentPosition() < 1);
}

void TstEndToEnd::repeatedPlaysEndAsOnePlay_data()
{
    QTest::addColumn<QString>("continueSetting");
    QTest::newRow("Continue 1 moves on") << QStringLiteral("1");
    QTest::newRow("Continue 0 stops") << QStringLiteral("0");
}

void TstEndToEnd::repeatedPlaysEndAsOnePlay()
{
    QFETCH(QString, continueSetting);
    const QStringList songs = threeSongs();
    Form1Fixture f(Form1Fixture::Engine::Real);
    SettingsStore::write(QStringLiteral("Playlist"), QStringLiteral("Continue"), continueSetting);
    SettingsStore::write(QStringLiteral("Tray"), QStringLiteral("Animate"), QStringLiteral("1"));
    f.load();
    Form1 &form = f.show();
    for (const QString &song : songs)
        form.List1->add(song);
    // Play count 2, set with the key on the play count bar, then a double-click on the first song.
    QTest::keyClick(form.slider2, Qt::Key_Down);
    QCOMPARE(form.MP1->playCount(), 2);
    f.doubleClickEntry(0);
    QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song1.."), 5000);
    if (continueSetting == QLatin1String("1")) {
        QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."), 10000);
        QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(form.Label2->text(), QStringLiteral("Stoped.."), 10000);
    QCOMPARE(form.MP1->fileName(), songs.at(0));
    // The tray stops blinking: its icon is the window's own at every tick from now on.
    for (int tick = 0; tick < 2; ++tick) {
        QTest::qWait(1100);
        QCOMPARE(form.trayIcon()->record.icon.cacheKey(), form.windowIcon().cacheKey());
    }
}

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
