// The splash window: it fills at the interval the settings give, and the main window shows only after it closed.
#include "app/frmsplash.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstFrmSplash : public QObject
{
    Q_OBJECT

private slots:
    void fillsThenShowsTheMainWindow()
    {
        TestEnvironment env;
        SettingsStore::write(u"Splash"_s, u"Interval"_s, u"80"_s);
        bool splashWasOpen = true;
        int shown = 0;
        QPointer<frmSplash> splash;
        splash = new frmSplash([&] {
            ++shown;
            splashWasOpen = splash && splash->isVisible();
        });
        splash->show();
        QCOMPARE(splash->Timer1->interval(), 80);
        QTRY_VERIFY(splash->Pbar1->value() > 0);
        QCOMPARE(shown, 0);
        QTRY_COMPARE(shown, 1);
        QVERIFY(!splashWasOpen);
        QTRY_VERIFY(splash.isNull());
    }
};

QTEST_MAIN(TstFrmSplash)
#include "tst_frmsplash.moc"
