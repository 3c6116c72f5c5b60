// The splash window: the interval it takes from the settings, and the main window shown only after it closed.
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
    void interval_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("default") << QString() << 20;
        QTest::newRow("200") << QStringLiteral("200") << 200;
        // Outside the 20 to 200 that the preferences window offers: the nearer end, as that window shows.
        QTest::newRow("30000") << QStringLiteral("30000") << 200;
        QTest::newRow("negative") << QStringLiteral("-5") << 20;
        QTest::newRow("not a number") << QStringLiteral("fast") << 20;
    }
    void interval()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        TestEnvironment env;
        if (!stored.isNull())
            SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), stored);
        frmSplash splash({});
        QCOMPARE(splash.Timer1->interval(), expected);
    }

    // The bar fills on the real timer; the main window comes only once the splash is gone.
    void fillsThenShowsTheMainWindow()
    {
        TestEnvironment env;
        SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("80"));
        bool splashWasOpen = true;
        int shown = 0;
        QPointer<frmSplash> splash;
        splash = new frmSplash([&] {
            ++shown;
            splashWasOpen = splash && splash->isVisible();
        });
        splash->show();
        QTRY_VERIFY(splash->Pbar1->value() > 0);
        QCOMPARE(shown, 0);
        QTRY_COMPARE(shown, 1);
        QVERIFY(!splashWasOpen);
        QTRY_VERIFY(splash.isNull());
    }
};

QTEST_MAIN(TstFrmSplash)
#include "tst_frmsplash.moc"
