// The splash window: its speed setting, and the main window shown only once the bar is full and the splash closed.
#include "app/frmsplash.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

using namespace quillet;
using namespace quillet::testing;

class TstFrmSplash : public QObject
{
    Q_OBJECT

private slots:
    void interval_data();
    void interval();
    void fillsThenShowsMainWindow();
};

void TstFrmSplash::interval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("none") << QString() << 20;
    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("32767") << QStringLiteral("32767") << 32767;
    QTest::newRow("0") << QStringLiteral("0") << 20;
    QTest::newRow("too large") << QStringLiteral("40000") << 20;
    QTest::newRow("not a number") << QStringLiteral("fast") << 20;
}

void TstFrmSplash::interval()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    TestEnvironment env;
    if (!stored.isNull())
        SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), stored);
    frmSplash splash({});
    QCOMPARE(splash.Timer1->interval(), expected);
}

void TstFrmSplash::fillsThenShowsMainWindow()
{
    TestEnvironment env;
    SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("5"));
    int shown = 0;
    bool splashOpen = true;
    int barWhenShown = -1;
    QPointer<frmSplash> splash;
    splash = new frmSplash([&] {
        ++shown;
        splashOpen = splash && splash->isVisible();
        barWhenShown = splash ? splash->Pbar1->value() : -1;
    });
    splash->show();
    QTRY_COMPARE(shown, 1);
    QVERIFY(!splashOpen);
    QCOMPARE(barWhenShown, 100);
    QTRY_VERIFY(splash.isNull());
    QTest::qWait(100);
    QCOMPARE(shown, 1);
}

QTEST_MAIN(TstFrmSplash)
#include "tst_frmsplash.moc"
