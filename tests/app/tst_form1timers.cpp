// The main window's display, marquee and tray timers with the real libmpv player and null audio: they keep the
// time, the marquee and the tray icon moving while there is something to show, and stop when there is not.
#include "form1fixture.h"

#include <QLabel>
#include <QSet>
#include <QToolButton>

#include <clocale>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstForm1Timers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void idleWindowSleepsUntilShown()
    {
        Form1Fixture f(Form1Fixture::Engine::Real);
        Form1 &form = f.load();
        form.show();
        form.showMinimized();
        // The first ticks still put up the position tooltip and the tray tip; then nothing is left to change.
        QTRY_VERIFY_WITH_TIMEOUT(
            !form.Timer1->isActive() && !form.Timer2->isActive() && !form.Timer4->isActive(), 4000);
        QVERIFY(form.Slider4->toolTip().startsWith(u"Current Position : "_s));
        QCOMPARE(form.trayIcon()->record.tip, u"Quillet MP3 Player"_s);
        // Back on screen the marquee scrolls again.
        form.showNormal();
        const int left = form.Label3->x();
        QTRY_VERIFY_WITH_TIMEOUT(form.Label3->x() != left, 2000);
    }
    void playingMovesTimeAndTrayUntilStopped()
    {
        Form1Fixture f(Form1Fixture::Engine::Real);
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"2"_s);
        Form1 &form = f.load(testData(u"tone-187s.mp3"_s));
        form.showMinimized();
        const qint64 mainIcon = form.windowIcon().cacheKey();
        QSet<bool> trayShowsMainIcon;
        connect(form.Timer4, &QTimer::timeout, &form,
            [&] { trayShowsMainIcon << (form.trayIcon()->record.icon.cacheKey() == mainIcon); });

        // The time line follows the playing file, and the tray icon alternates with the visual options' icon.
        QTRY_COMPARE_WITH_TIMEOUT(form.Label7->text(), u"00:02"_s, 8000);
        QTRY_COMPARE_WITH_TIMEOUT(form.Label7->text(), u"00:03"_s, 3000);
        QCOMPARE(form.Label9->text(), u"Time : 00:03/03:07 "_s);
        QTRY_COMPARE_WITH_TIMEOUT(trayShowsMainIcon.size(), 2, 3000);

        // Stopped, the time stays where it was and the tray shows the main icon again, then its timer rests.
        form.command10->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Timer4->isActive(), 4000);
        QCOMPARE(form.trayIcon()->record.icon.cacheKey(), mainIcon);
        const QString stoppedAt = form.Label7->text();
        QTest::qWait(1700);
        QCOMPARE(form.Label7->text(), stoppedAt);
        QVERIFY(f.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TstForm1Timers)
#include "tst_form1timers.moc"
