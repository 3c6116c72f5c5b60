// The splash window: its interval setting, its eleven ticks and the main window shown only after it closed.
#include "app/frmsplash.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QLabel>
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
    void elevenTicksThenMainWindow();
    void texts();
};

void TstFrmSplash::interval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("default") << QString() << 20;
    QTest::newRow("200") << QStringLiteral("200") << 200;
    // Outside the 20 to 200 that the preferences window offers, the nearer end, as that window shows.
    QTest::newRow("1") << QStringLiteral("1") << 20;
    QTest::newRow("30000") << QStringLiteral("30000") << 200;
    QTest::newRow("negative") << QStringLiteral("-5") << 20;
    QTest::newRow("not a number") << QStringLiteral("fast") << 20;
    QTest::newRow("fraction") << QStringLiteral("2.5") << 20;
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
    splash.Timer1->stop();
}

void TstFrmSplash::elevenTicksThenMainWindow()
{
    TestEnvironment env;
    bool splashWasOpen = true;
    int shown = 0;
    QPointer<frmSplash> splash;
    splash = new frmSplash([&] {
        ++shown;
        splashWasOpen = splash && splash->isVisible();
    });
    splash->show();
    splash->Timer1->stop();
    for (int tick = 1; tick <= 10; ++tick) {
        splash->Timer1_Timer();
        QCOMPARE(splash->Pbar1->value(), tick * 10);
        QCOMPARE(shown, 0);
    }
    splash->Timer1_Timer();
    QCOMPARE(shown, 1);
    QVERIFY(!splashWasOpen);
    QTRY_VERIFY(splash.isNull());
}

void TstFrmSplash::texts()
{
    TestEnvironment env;
    frmSplash splash({});
    splash.Timer1->stop();
    QCOMPARE(splash.lblProduct->text(), QStringLiteral("Quillet MP3"));
    QCOMPARE(splash.lblVersion->text(), QStringLiteral("1.3 Beta"));
    QCOMPARE(splash.lblPlatform->text(), QStringLiteral("Windows 98/NT"));
    QVERIFY(!splash.imgLogo->pixmap().isNull());
}

QTEST_MAIN(TstFrmSplash)
#include "tst_frmsplash.moc"
