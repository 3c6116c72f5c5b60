// The tray icon on a real X server: under Xvfb with trayer as the system tray, the main window's tray icon
// appears in the tray, and leaves it at Exit.
#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QSystemTrayIcon>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

QProcess *g_xvfb = nullptr;
QProcess *g_trayer = nullptr;

} // namespace

class TstTrayDesktop : public QObject
{
    Q_OBJECT

private slots:
    void iconAppearsInTheTray();
};

void TstTrayDesktop::iconAppearsInTheTray()
{
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    TestEnvironment env;
    FakeDialogs dialogs;
    FakePlayerFactory players;
    int ended = 0;
    Form1 form;
    form.setEndProcess([&] { ++ended; });
    form.load({});
    form.show();
    QVERIFY(form.trayIcon()->isPresent());
    auto *icon = form.findChild<QSystemTrayIcon *>();
    QVERIFY(icon);
    QTRY_VERIFY(icon->isVisible());
    // The tray embeds the icon: it gets a place inside trayer's panel, 200 pixels wide at the top right.
    QTRY_VERIFY_WITH_TIMEOUT(icon->geometry().left() >= 1024 - 200, 10000);
    const QRect place = icon->geometry();
    QVERIFY2(place.left() >= 1024 - 200 && place.top() < 64, qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                           .arg(place.x())
                                                                           .arg(place.y())
                                                                           .arg(place.width())
                                                                           .arg(place.height())));
    QCOMPARE(icon->toolTip(), QStringLiteral("Quillet"));

    form.exitProgram();
    QTRY_COMPARE(ended, 1);
    QVERIFY(!icon->isVisible());
}

int main(int argc, char *argv[])
{
    // A private X server with a system tray, started before the application connects to a display.
    std::signal(SIGPIPE, SIG_IGN);
    // A free display number: no lock file and no socket yet.
    int number = 120 + int(getpid() % 300);
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
           || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
        ++number;
    g_xvfb = new QProcess;
    g_xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"),
                                           QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
    for (int wait = 0; wait < 100 && !QFile::exists(socket); ++wait)
        QThread::msleep(100);
    if (!QFile::exists(socket)) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    const QByteArray display = ":" + QByteArray::number(number);
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    g_trayer = new QProcess;
    g_trayer->start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                               QStringLiteral("--align"), QStringLiteral("right"),
                                               QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                               QStringLiteral("--width"), QStringLiteral("200")});
    int result = 1;
    {
        QApplication app(argc, argv);
        TstTrayDesktop test;
        result = QTest::qExec(&test, argc, argv);
    }
    g_trayer->kill();
    g_trayer->waitForFinished();
    g_xvfb->terminate();
    g_xvfb->waitForFinished();
    delete g_trayer;
    delete g_xvfb;
    return result;
}

#include "tst_traydesktop.moc"
