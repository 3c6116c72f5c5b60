// The tray icon on a real X server with a real tray (trayer): minimising hides the main window behind the icon, which
// shows its tip; a right click on the icon opens the main menu, a left click or double-click brings the window back,
// and the middle button does nothing; Exit takes the icon away.
#include "form1fixture.h"

#include "fakes/xvfb.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

// The icon's own window, once the tray has taken it in.
QWidget *trayWindow()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->inherits("QSystemTrayIconSys") && top->isVisible())
            return top;
    return nullptr;
}

} // namespace

class TstTray : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_trayer.start(u"trayer"_s, {u"--edge"_s, u"top"_s, u"--widthtype"_s, u"request"_s});
        QVERIFY2(m_trayer.waitForStarted(), "trayer (Debian package trayer) is needed for this test");
        QTRY_VERIFY_WITH_TIMEOUT(TrayIcon::trayAvailable(), 10000);
    }
    void cleanupTestCase()
    {
        m_trayer.terminate();
        m_trayer.waitForFinished();
    }
    void clicks_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("expected"); // "menu", "restored" or "" (the window stays hidden)
        QTest::newRow("right click: the menu") << Qt::RightButton << false << u"menu"_s;
        QTest::newRow("left click: the window") << Qt::LeftButton << false << u"restored"_s;
        QTest::newRow("double-click: the window") << Qt::LeftButton << true << u"restored"_s;
        QTest::newRow("middle click: nothing") << Qt::MiddleButton << false << QString();
        QTest::newRow("resting on it: the tip") << Qt::NoButton << false << QString();
    }
    void clicks()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, doubleClick);
        QFETCH(QString, expected);
        Form1Fixture f;
        SettingsStore::write(u"Tray"_s, u"Hide"_s, u"1"_s);
        SettingsStore::write(u"Remote"_s, u"Auto"_s, u"0"_s);
        Form1 &form = f.show();
        f.click(u"imgMinimize"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible() && trayWindow(), 10000);

        // The menu runs its own event loop: note that it opened, then close it as a user would.
        bool menuShown = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (form.mnuBar->isVisible()) {
                menuShown = true;
                form.mnuBar->close();
            }
        });
        closer.start(50);
        QWidget *icon = trayWindow();
        const QPoint middle = icon->rect().center();
        if (button == Qt::NoButton) {
            // The tip follows the window's caption within a second. A tip left on screen by an earlier window is not
            // the icon's. A busy machine may let a late event cut the hover timer short; a resting hand moves a pixel
            // now and then.
            const QString caption = form.windowTitle().trimmed();
            auto *tray = form.findChild<QSystemTrayIcon *>();
            QVERIFY(tray);
            QTRY_COMPARE_WITH_TIMEOUT(tray->toolTip(), caption, 5000);
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
            for (int nudge = 0; nudge < 8 && !QToolTip::isVisible(); ++nudge) {
                QTest::mouseMove(icon, middle + QPoint(nudge % 2, 0));
                (void)QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000);
            }
            QCOMPARE(QToolTip::text(), caption);
        } else if (doubleClick) {
            QTest::mouseDClick(icon, button, {}, middle);
        } else {
            QTest::mouseClick(icon, button, {}, middle);
        }
        // Shown again and out of its minimised state, or a desktop would leave it an icon in its task bar; without a
        // window manager the X server keeps reporting it minimised afterwards, so this is read at once.
        const bool restored = form.isVisible() && !(form.windowState() & Qt::WindowMinimized);
        QTest::qWait(300); // anything a click would open or show
        QStringList seen;
        if (menuShown)
            seen << u"menu"_s;
        if (form.isVisible())
            seen << (restored ? u"restored"_s : u"shown minimised"_s);
        QCOMPARE(seen.join(u','), expected);
        // Exit takes the icon out of the tray.
        form.exitProgram();
        QTRY_VERIFY(!trayWindow());
    }

    // A double-click on the icon brings a main window that another window covers back to the front, where it shows.
    void doubleClickBringsACoveredWindowToTheFront()
    {
        Form1Fixture f;
        SettingsStore::write(u"Remote"_s, u"Auto"_s, u"0"_s);
        Form1 &form = f.show();
        QTRY_VERIFY_WITH_TIMEOUT(trayWindow(), 10000);
        QWidget cover(nullptr, Qt::FramelessWindowHint);
        cover.setPalette(QPalette(Qt::magenta));
        cover.setAutoFillBackground(true);
        cover.setGeometry(form.frameGeometry());
        cover.show();
        const QPoint middle = form.geometry().center();
        const auto seen = [middle] {
            return QApplication::primaryScreen()->grabWindow(0, middle.x(), middle.y(), 1, 1).toImage().pixel(0, 0);
        };
        QTRY_COMPARE(seen(), QColor(Qt::magenta).rgb());
        QTest::mouseDClick(trayWindow(), Qt::LeftButton, {}, trayWindow()->rect().center());
        QTRY_VERIFY(seen() != QColor(Qt::magenta).rgb());
    }

private:
    QProcess m_trayer;
};

QUILLET_XVFB_TEST_MAIN(TstTray)

#include "tst_tray.moc"
