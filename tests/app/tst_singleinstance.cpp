// Quillet on a desktop (a private X server and session bus): one Quillet per user, with the real executable started
// twice; and the tray of today's desktops, which speak the StatusNotifierItem protocol (KDE Plasma, GNOME's
// extension), where a stand-in watcher takes the icon's registration and a click arrives as the Activate call.
#include "app/commandline.h"
#include "app/mprisservice.h"
#include "app/singleinstance.h"
#include "desktoptesting.h"
#include "form1fixture.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QLocalSocket>
#include <QThread>
#include <QUrl>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

static bool mprisNameTaken()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(MprisService::serviceName());
}

// The part of org.kde.StatusNotifierWatcher that Qt uses: a tray host is there, and items register with it.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
signals:
    void registered(const QString &service);
public slots:
    void RegisterStatusNotifierItem(const QString &service) { emit registered(service); }
};

class TstSingleInstance : public QObject
{
    Q_OBJECT
    // Qt asks the watcher synchronously from the window's thread, so it answers from a thread of its own.
    Watcher watcher;
    QThread watcherThread;
    QString trayItem;

private slots:
    void initTestCase()
    {
        connect(&watcher, &Watcher::registered, this, [this](const QString &item) { trayItem = item; });
        watcher.moveToThread(&watcherThread);
        watcherThread.start();
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"watcher"_s);
        QVERIFY(bus.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(bus.registerService(u"org.kde.StatusNotifierWatcher"_s));
    }
    void cleanupTestCase()
    {
        watcherThread.quit();
        watcherThread.wait();
    }
    void clickOnTheTrayRestoresTheWindow();
    void receivesOnlyWholeTexts();
    void commandLineTexts_data();
    void commandLineTexts();
    void secondStartHandsOver_data();
    void secondStartHandsOver();
};

void TstSingleInstance::commandLineTexts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("texts"); // names below the test data folder, or URLs
    const QString url = u"http://127.0.0.1:9/radio"_s;
    QTest::newRow("one file") << QStringList {u"song1.mp3"_s} << QStringList {u"song1.mp3"_s};
    QTest::newRow("one name with blanks, split by the shell")
        << QStringList {u"a"_s, u"b.mp3"_s} << QStringList {u"a b.mp3"_s};
    QTest::newRow("two files") << QStringList {u"song2.mp3"_s, u"song1.mp3"_s}
                               << QStringList {u"song2.mp3"_s, u"song1.mp3"_s};
    QTest::newRow("a file and a URL") << QStringList {u"song1.mp3"_s, url} << QStringList {u"song1.mp3"_s, url};
    QTest::newRow("a word that names nothing keeps the whole text")
        << QStringList {u"song1.mp3"_s, u"gone.mp3"_s} << QStringList {u"song1.mp3 gone.mp3"_s};
    QTest::newRow("nothing") << QStringList {} << QStringList {};
}

void TstSingleInstance::commandLineTexts()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, texts);
    TestEnvironment env;
    for (const char *name : {"song1.mp3", "song2.mp3", "a b.mp3", "a"})
        Form1Fixture::writeFile(env.path(QLatin1String(name)), "x");
    for (QString &text : texts)
        text = text.contains(u':') ? text : env.path(text);
    const QStringList got = CommandLine::texts(arguments, env.root());
    QCOMPARE(got, texts);
    // They reach a running Quillet as one message and come out as they went in.
    QCOMPARE(CommandLine::split(CommandLine::join(got)), texts);
}

void TstSingleInstance::receivesOnlyWholeTexts()
{
    TestEnvironment env;
    SingleInstance instance(env.path(u"q.socket"_s));
    QCOMPARE(instance.claim({}), SingleInstance::Outcome::Primary);
    QStringList got;
    connect(&instance, &SingleInstance::textReceived, this, [&got](const QString &text) { got << text; });
    // The text as a 4-byte big-endian length and UTF-8 bytes.
    const QString path = u"/music/Ünïcode & blanks/song one.mp3"_s;
    const QByteArray whole = QByteArray(3, 0) + char(path.toUtf8().size()) + path.toUtf8();
    // In pieces; empty (a start without a file); a length beyond any path; cut off.
    const QList<QList<QByteArray>> sent = {{whole.left(2), whole.mid(2, 7), whole.mid(9)}, {QByteArray(4, 0)},
        {QByteArray("\x7f\xff\xff\xff", 4) + "x"}, {whole.left(6)}};
    QByteArray answers;
    for (const QList<QByteArray> &chunks : sent) {
        QLocalSocket client;
        client.connectToServer(instance.socketPath());
        QVERIFY(client.waitForConnected(5000));
        for (const QByteArray &chunk : chunks) {
            client.write(chunk);
            client.flush();
            QTest::qWait(50);
        }
        QTest::qWait(300);
        answers += client.readAll() + '|';
    }
    // Only whole texts are confirmed and passed on.
    QCOMPARE(answers, QByteArray("K|K|||"));
    QCOMPARE(got, (QStringList {path, QString()}));
}

void TstSingleInstance::secondStartHandsOver_data()
{
    // The arguments of each start ("|" between them), and the file the running Quillet then plays (if it must).
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("whileStarting");
    QTest::addColumn<QStringList>("playlist");
    QTest::addColumn<QString>("plays");
    const QString song1 = testData(u"song1.mp3"_s), song2 = testData(u"song2.mp3"_s), song3 = testData(u"song3.mp3"_s);
    const QString tone = testData(u"tone-187s.mp3"_s);
    // A file opened from the desktop plays at once.
    QTest::newRow("media file") << song1 << tone << false << QStringList {song1, tone} << tone;
    // Handed over while the first still shows its splash window: kept until its main window is there.
    QTest::newRow("media file during start-up") << song1 << song2 << true << QStringList {song1, song2} << QString();
    QTest::newRow("m3u8 playlist") << song1 << u"LIST"_s << false << QStringList {song1, song3} << QString();
    QTest::newRow("names relative to the caller's folder")
        << u"song1.mp3"_s << u"song2.mp3"_s << false << QStringList {song1, song2} << QString();
    // Several files: each its own entry; handed over, the first given plays.
    QTest::newRow("several files at start-up")
        << u"song2.mp3|song1.mp3"_s << QString() << false << QStringList {song1, song2} << QString();
    QTest::newRow("several files handed over")
        << song1 << u"tone-187s.mp3|song3.mp3"_s << false << QStringList {song1, song3, tone} << tone;
}

void TstSingleInstance::secondStartHandsOver()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, whileStarting);
    QFETCH(QStringList, playlist);
    QFETCH(QString, plays);
    TestEnvironment env;
    const QString runtimeDir = env.path(u"runtime"_s);
    QVERIFY(QDir().mkdir(runtimeDir));
    writeProgramSetting(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
    writeProgramSetting(u"Playlist"_s, u"Save"_s, u"1"_s);
    writeProgramSetting(u"Splash"_s, u"Interval"_s, whileStarting ? u"800"_s : u"1"_s);
    if (second == u"LIST") {
        second = env.path(u"list.m3u8"_s);
        Form1Fixture::writeFile(second, QFile::encodeName(testData(u"song3.mp3"_s)) + "\r\n");
    }
    QProcess running, later;
    for (QProcess *process : {&running, &later}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(testDataDir());
    }
    running.start(quilletExecutable(), first.split(u'|'));
    const auto sockets = [&] { return QDir(runtimeDir).entryList({u"*.socket"_s}, QDir::System); };
    if (whileStarting)
        QTRY_COMPARE_WITH_TIMEOUT(sockets().size(), 1, 10000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    later.start(quilletExecutable(), second.isEmpty() ? QStringList() : second.split(u'|'));
    QVERIFY(later.waitForFinished(20000));
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(running.state(), QProcess::Running);
    QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    if (!plays.isEmpty()) {
        // As a panel sees it: the handed file is the one that plays.
        const auto playing = [] {
            return runClient(
                u"playerctl"_s, {u"--player=quillet"_s, u"metadata"_s, u"--format"_s, u"{{status}} {{xesam:url}}"_s})
                .out;
        };
        const QString expected = u"Playing "_s + QUrl::fromLocalFile(plays).toString(QUrl::FullyEncoded);
        QTRY_COMPARE_WITH_TIMEOUT(playing(), expected, 10000);
    }
    // The handed text is opened from the event loop; give it a moment, then end as logging out does.
    QTest::qWait(500);
    ::kill(pid_t(running.processId()), SIGTERM);
    QVERIFY(running.waitForFinished(20000));
    QCOMPARE(running.exitCode(), 0);
    const QByteArray written = Form1Fixture::readFile(env.dataDir() + u"/default.m3u"_s);
    QCOMPARE(QString::fromUtf8(written).split(u"\r\n"_s, Qt::SkipEmptyParts), playlist);
    // The socket goes with the instance that ended normally.
    QCOMPARE(sockets(), QStringList());
}

void TstSingleInstance::clickOnTheTrayRestoresTheWindow()
{
    Form1Fixture f;
    SettingsStore::write(u"Tray"_s, u"Hide"_s, u"1"_s);
    f.load();
    Form1 &form = f.show();
    QTRY_VERIFY_WITH_TIMEOUT(!trayItem.isEmpty(), 10000);
    const QString item = trayItem;
    f.click(u"imgMinimize"_s);
    QTRY_VERIFY(!form.isVisible());
    // One click on the icon in the tray.
    const ClientResult clicked = runClient(u"gdbus"_s,
        {u"call"_s, u"--session"_s, u"--dest"_s, item, u"--object-path"_s, u"/StatusNotifierItem"_s, u"--method"_s,
            u"org.kde.StatusNotifierItem.Activate"_s, u"0"_s, u"0"_s});
    QVERIFY2(clicked.exitCode == 0, qPrintable(clicked.err));
    QTRY_VERIFY(form.isVisible());
    QVERIFY(!(form.windowState() & Qt::WindowMinimized));
    // Exit takes the icon out of the tray.
    form.exitProgram();
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(item));
}

int main(int argc, char *argv[])
{
    // Trays are offered to windows on a real display: the test runs again on a private X server.
    if (!qEnvironmentVariableIsSet("QUILLET_TEST_XVFB")) {
        qputenv("QUILLET_TEST_XVFB", "1");
        qputenv("QT_QPA_PLATFORM", "xcb");
        std::vector<char *> arguments {const_cast<char *>("xvfb-run"), const_cast<char *>("-a"),
            const_cast<char *>("-s"), const_cast<char *>("-screen 0 1024x768x24")};
        arguments.insert(arguments.end(), argv, argv + argc);
        arguments.push_back(nullptr);
        ::execvp(arguments[0], arguments.data());
        std::perror("xvfb-run (Debian package xvfb) is needed for this test");
        return 1;
    }
    return mainOnPrivateBus(argc, argv, [](int argc, char **argv) {
        QApplication app(argc, argv);
        TstSingleInstance test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "tst_singleinstance.moc"
