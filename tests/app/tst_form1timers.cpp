// The main window's display, marquee and tray timers with the real libmpv player and null audio: they keep the
// time, the marquee and the tray icon moving while there is something to show, and stop when there is not.
#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "media/mediaplayer.h"
#include "settings/settingsstore.h"

#include <QLabel>
#include <QSet>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <clocale>

using namespace quillet;
using namespace quillet::testing;

class TstForm1Timers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void idleWindowSleepsUntilShown();
    void playingMovesTimeAndTrayUntilStopped();
};

void TstForm1Timers::idleWindowSleepsUntilShown()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    Form1 form;
    form.load({});
    form.show();
    form.showMinimized();
    // The first ticks still put up the position tooltip and the tray tip; then nothing is left to change.
    QTRY_VERIFY_WITH_TIMEOUT(!form.Timer1->isActive() && !form.Timer2->isActive() && !form.Timer4->isActive(), 4000);
    QVERIFY(form.Slider4->toolTip().startsWith(QStringLiteral("Current Position : ")));
    QCOMPARE(form.trayIcon()->record.tip, QStringLiteral("Quillet MP3 Player"));
    // Back on screen the marquee scrolls again.
    form.showNormal();
    const int left = form.Label3->x();
    QTRY_VERIFY_WITH_TIMEOUT(form.Label3->x() != left, 2000);
}

void TstForm1Timers::playingMovesTimeAndTrayUntilStopped()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("2"));
    Form1 form;
    form.load(testData(QStringLiteral("tone-187s.mp3")));
    form.showMinimized();
    const qint64 mainIcon = form.windowIcon().cacheKey();
    QSet<bool> trayShowsMainIcon;
    connect(form.Timer4, &QTimer::timeout, &form,
        [&] { trayShowsMainIcon << (form.trayIcon()->record.icon.cacheKey() == mainIcon); });

    // The time line follows the playing file, and the tray icon alternates with the visual options' icon.
    QTRY_COMPARE_WITH_TIMEOUT(form.Label7->text(), QStringLiteral("00:02"), 8000);
    QTRY_COMPARE_WITH_TIMEOUT(form.Label7->text(), QStringLiteral("00:03"), 3000);
    QCOMPARE(form.Label9->text(), QStringLiteral("Time : 00:03/03:07 "));
    QTRY_COMPARE_WITH_TIMEOUT(trayShowsMainIcon.size(), 2, 3000);

    // Stopped, the time stays where it was and the tray shows the main icon again, then its timer rests.
    form.command10->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form.Timer4->isActive(), 4000);
    QCOMPARE(form.trayIcon()->record.icon.cacheKey(), mainIcon);
    const QString stoppedAt = form.Label7->text();
    QTest::qWait(1700);
    QCOMPARE(form.Label7->text(), stoppedAt);
    QVERIFY(dialogs.messages.isEmpty());
}

QTEST_MAIN(TstForm1Timers)
#include "tst_form1timers.moc"
