// Windows opened from the remote control, which stays on top of all windows, on a real X server under a window
// manager (openbox): the stacking order the X server reports puts them in front of the remote, never under it, and
// they open beside it where the screen has room.
#include "desktoptesting.h"
#include "form1fixture.h"

#include "app/windowregistry.h"
#include "appearance/form6.h"
#include "fakes/xvfb.h"
#include "settings/frmoptions.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

// The client windows the window manager stacks, from bottom to top.
QList<quint64> stacking()
{
    QList<quint64> ids;
    const QString text = runClient(u"xprop"_s, {u"-root"_s, u"_NET_CLIENT_LIST_STACKING"_s}, 10000).out;
    for (const QRegularExpressionMatch &match : QRegularExpression(u"0x[0-9a-f]+"_s).globalMatch(text))
        ids << match.captured().toULongLong(nullptr, 16);
    return ids;
}

} // namespace

class TstStacking : public QObject
{
    Q_OBJECT
    QProcess m_windowManager;

private slots:
    void initTestCase()
    {
        m_windowManager.start(u"openbox"_s, {u"--sm-disable"_s});
        QVERIFY2(m_windowManager.waitForStarted(10000), "openbox (Debian package openbox) is needed for this test");
        QTRY_VERIFY_WITH_TIMEOUT(
            runClient(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}, 10000).out.contains(u"window id"_s),
            10000);
    }
    void cleanupTestCase()
    {
        m_windowManager.terminate();
        m_windowManager.waitForFinished(5000);
    }
    void preferencesFromTheRemoteComeUpInFront_data()
    {
        QTest::addColumn<bool>("remoteAtTheRight"); // of the screen; else at its left
        QTest::newRow("right of a remote at the left") << false;
        QTest::newRow("left of a remote at the right") << true;
    }
    void preferencesFromTheRemoteComeUpInFront()
    {
        QFETCH(bool, remoteAtTheRight);
        Form1Fixture f;
        SettingsStore::write(u"Remote"_s, u"Top"_s, u"1"_s);
        Form1 &form = f.show();
        // Preferences already open from the main menu, then the remote over them.
        form.menuItem(u"preference"_s)->trigger();
        auto *options = form.windows()->find<frmOptions>();
        QVERIFY(options);
        QTRY_VERIFY(stacking().contains(options->winId()));
        form.menuItem(u"remotecontrol"_s)->trigger();
        Form6 *remote = Form6::instance();
        QVERIFY(remote);
        QTRY_VERIFY(stacking().contains(remote->winId()));
        const QRect screen = remote->screen()->availableGeometry();
        remote->move(
            remoteAtTheRight ? screen.right() - remote->frameGeometry().width() - 10 : screen.left() + 10, 100);
        QTest::qWait(300);
        // "P" on the remote.
        QTest::mouseClick(remote->Label4, Qt::LeftButton);
        options = form.windows()->find<frmOptions>();
        QVERIFY(options && options->isVisible());
        const auto inFront = [&] {
            const QList<quint64> order = stacking();
            return order.contains(options->winId()) && order.indexOf(options->winId()) > order.indexOf(remote->winId());
        };
        QTRY_VERIFY_WITH_TIMEOUT(inFront(), 5000);
        // It stays there once the window manager has settled.
        QTest::qWait(500);
        QVERIFY(inFront());
        const QRect beside = options->frameGeometry();
        const QRect remoteFrame = remote->frameGeometry();
        QVERIFY2(remoteAtTheRight ? beside.right() < remoteFrame.left() : beside.left() > remoteFrame.right(),
            qPrintable(u"preferences at %1, remote at %2"_s.arg(beside.x()).arg(remoteFrame.x())));
        options->close();
        remote->close();
    }
};

QUILLET_XVFB_TEST_MAIN(TstStacking)

#include "tst_stacking.moc"
