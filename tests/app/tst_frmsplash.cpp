// The splash window: the bar fills at the stored speed (a whole number of milliseconds, otherwise 20), and the
// main window is shown once, after the splash window has closed.
#include "app/frmsplash.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace quillet;

class TstFrmSplash : public QObject
{
    Q_OBJECT

private slots:
    void fillsThenShowsMainWindow_data();
    void fillsThenShowsMainWindow();
};

void TstFrmSplash::fillsThenShowsMainWindow_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("interval");
    QTest::newRow("none") << QString() << 20;
    QTest::newRow("1") << u"1"_s << 1;
    QTest::newRow("0") << u"0"_s << 20;
    QTest::newRow("above 32767") << u"40000"_s << 20;
    QTest::newRow("not a number") << u"fast"_s << 20;
}

void TstFrmSplash::fillsThenShowsMainWindow()
{
    QFETCH(QString, stored);
    QFETCH(int, interval);
    testing::TestEnvironment env;
    if (!stored.isNull())
        SettingsStore::write(u"Splash"_s, u"Interval"_s, stored);
    int shown = 0;
    int barWhenShown = -1;
    QPointer<frmSplash> splash;
    splash = new frmSplash([&] {
        ++shown;
        barWhenShown = splash && !splash->isVisible() ? splash->Pbar1->value() : -1;
    });
    QCOMPARE(splash->Timer1->interval(), interval);
    splash->show();
    QTRY_COMPARE(shown, 1);
    QCOMPARE(barWhenShown, 100);
    QTRY_VERIFY(splash.isNull());
    QCOMPARE(shown, 1);
}

QTEST_MAIN(TstFrmSplash)
#include "tst_frmsplash.moc"
