// The tray icon on today's desktops, whose trays speak the StatusNotifierItem protocol (KDE Plasma, GNOME's
// extension): on a private X server and session bus, a stand-in watcher takes the icon's registration as the tray
// does, and a click arrives as the tray calls it, through the item's Activate method.
#include "desktoptesting.h"
#include "form1fixture.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMutex>
#include <QThread>

#include <csignal>
#include <cstdio>

using namespace quillet;
using namespace quillet::testing;

// The part of org.kde.StatusNotifierWatcher that Qt uses: a host is there, and items register with it.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const
    {
        QMutexLocker lock(&m_mutex);
        return m_items;
    }

public slots:
    void RegisterStatusNotifierItem(const QString &service)
    {
        QMutexLocker lock(&m_mutex);
        m_items.append(service);
    }
    void RegisterStatusNotifierHost(const QString &) {}

private:
    mutable QMutex m_mutex;
    QStringList m_items;
};

class TstTrayDesktop : public QObject
{
    Q_OBJECT

public:
    // Answers on a connection and thread of its own: Qt asks it synchronously from the thread of the window.
    Watcher watcher;
    QThread watcherThread;

private slots:
    void initTestCase()
    {
        watcher.moveToThread(&watcherThread);
        watcherThread.start();
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("watcher"));
        QVERIFY(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    }
    void cleanupTestCase()
    {
        watcherThread.quit();
        watcherThread.wait();
    }
    void clickRestoresWindowHiddenInTheTray();
};

void TstTrayDesktop::clickRestoresWindowHiddenInTheTray()
{
    Form1Fixture f;
    SettingsStore::write(QStringLiteral("Tray"), QStringLiteral("Hide"), QStringLiteral("1"));
    f.load();
    Form1 &form = f.show();
    QTRY_COMPARE_WITH_TIMEOUT(watcher.items().size(), 1, 10000);
    const QString item = watcher.items().first();
    QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(item));

    f.click(QStringLiteral("imgMinimize"));
    QTRY_VERIFY(!form.isVisible());
    // One click on the icon in the tray.
    const ClientResult activated = runClient(QStringLiteral("gdbus"),
        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"), item,
            QStringLiteral("--object-path"), QStringLiteral("/StatusNotifierItem"), QStringLiteral("--method"),
            QStringLiteral("org.kde.StatusNotifierItem.Activate"), QStringLiteral("0"), QStringLiteral("0")});
    QVERIFY2(activated.exitCode == 0, qPrintable(activated.err));
    QTRY_VERIFY(form.isVisible());
    QVERIFY(!(form.windowState() & Qt::WindowMinimized));

    // Exit takes the icon out of the tray.
    form.exitProgram();
    QTRY_COMPARE(f.endProcessCalls, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!QDBusConnection::sessionBus().interface()->isServiceRegistered(item), 5000);
}

int main(int argc, char *argv[])
{
    return mainOnPrivateBus(argc, argv, [](int argc, char **argv) {
        // A private X server: the tray protocol is offered to windows of a real display.
        std::signal(SIGPIPE, SIG_IGN);
        int number = 120 + int(getpid() % 300);
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
               || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            ++number;
        QProcess xvfb;
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"),
                                             QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                             QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        for (int wait = 0; wait < 100 && !QFile::exists(socket); ++wait)
            QThread::msleep(100);
        if (!QFile::exists(socket)) {
            std::fprintf(stderr, "Xvfb did not start\n");
            return 1;
        }
        qputenv("DISPLAY", ":" + QByteArray::number(number));
        qputenv("QT_QPA_PLATFORM", "xcb");
        qunsetenv("WAYLAND_DISPLAY");
        int result = 1;
        {
            QApplication app(argc, argv);
            TstTrayDesktop test;
            result = QTest::qExec(&test, argc, argv);
        }
        xvfb.terminate();
        xvfb.waitForFinished();
        return result;
    });
}

#include "tst_traydesktop.moc"
