// One Quillet per user: the local-socket exchange on its own, and the real quillet executable started twice (or
// after a crash), checked through the first instance's MPRIS name on a private bus and the default playlist it
// writes when it ends.
#include "app/mprisservice.h"
#include "app/singleinstance.h"
#include "desktoptesting.h"
#include "fakes/testenv.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

QByteArray framed(const QByteArray &text)
{
    QByteArray message(4, Qt::Uninitialized);
    qToBigEndian(quint32(text.size()), message.data());
    return message + text;
}

// Leaves a socket file behind as a crashed program does: bound, but nobody listens.
bool makeDeadSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    qstrncpy(address.sun_path, bytes.constData(), sizeof address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

bool mprisNameTaken()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(MprisService::serviceName());
}

// Real quillet processes sharing one temporary data, settings and runtime folder.
struct Instances
{
    TestEnvironment env;
    QString runtimeDir;
    std::vector<std::unique_ptr<QProcess>> processes;

    Instances()
        : runtimeDir(env.path(QStringLiteral("runtime")))
    {
        QDir().mkpath(runtimeDir);
        QFile::setPermissions(runtimeDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        writeProgramSetting(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("0"));
        writeProgramSetting(QStringLiteral("Playlist"), QStringLiteral("Save"), QStringLiteral("1"));
        writeProgramSetting(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("1"));
    }
    ~Instances()
    {
        for (const auto &process : processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    }
    QProcess &start(const QStringList &arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        process->setProcessEnvironment(environment);
        process->start(quilletExecutable(), arguments);
        processes.push_back(std::move(process));
        return *processes.back();
    }
    // The socket files in the runtime folder.
    QStringList sockets() const { return QDir(runtimeDir).entryList({QStringLiteral("*.socket")}, QDir::System); }
    // Ends an instance as logging out does; it writes its default playlist on the way.
    static void terminate(QProcess &process)
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }
    QStringList defaultPlaylist() const
    {
        QFile file(env.dataDir() + QStringLiteral("/default.m3u"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
};

} // namespace

class TstSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void receivesWholeTexts_data();
    void receivesWholeTexts();
    void claimTakesOverDeadSockets_data();
    void claimTakesOverDeadSockets();
    void secondStartHandsOverAndExits_data();
    void secondStartHandsOverAndExits();
    void simultaneousStartsLeaveOnePlayer();
    void crashedInstanceDoesNotBlockTheNextStart();
    void silentInstanceIsReported();
};

void TstSingleInstance::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no private session bus");
    QVERIFY2(!quilletExecutable().isEmpty(), "build the quillet target first");
}

void TstSingleInstance::receivesWholeTexts_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("confirmed");

    const QString path = QStringLiteral("/music/Ünïcode & blanks/song one.mp3");
    QTest::newRow("one write") << QList<QByteArray> {framed(path.toUtf8())} << QStringList {path} << true;
    const QByteArray whole = framed(path.toUtf8());
    QTest::newRow("in pieces") << QList<QByteArray> {whole.left(2), whole.mid(2, 7), whole.mid(9)} << QStringList {path}
                               << true;
    // An empty text is a start without a file: the running window only comes forward.
    QTest::newRow("empty") << QList<QByteArray> {framed({})} << QStringList {QString()} << true;
    QTest::newRow("oversized length") << QList<QByteArray> {QByteArray("\x7f\xff\xff\xff", 4) + "x"} << QStringList()
                                      << false;
    QTest::newRow("incomplete") << QList<QByteArray> {framed("/a/b.mp3").left(6)} << QStringList() << false;
}

void TstSingleInstance::receivesWholeTexts()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, texts);
    QFETCH(bool, confirmed);

    TestEnvironment env;
    SingleInstance instance(env.path(QStringLiteral("q.socket")));
    QCOMPARE(instance.claim(QStringLiteral("/first.mp3")), SingleInstance::Outcome::Primary);
    QVERIFY(instance.isListening());
    QSignalSpy received(&instance, &SingleInstance::textReceived);

    QLocalSocket client;
    client.connectToServer(instance.socketPath());
    QVERIFY(client.waitForConnected(5000));
    for (const QByteArray &chunk : chunks) {
        client.write(chunk);
        client.flush();
        QTest::qWait(50);
    }
    if (confirmed) {
        QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() > 0, 5000);
        QCOMPARE(client.readAll(), QByteArray("K"));
    } else {
        QTest::qWait(300);
        QCOMPARE(client.bytesAvailable(), 0);
    }
    QStringList got;
    for (const QList<QVariant> &arguments : std::as_const(received))
        got.append(arguments.at(0).toString());
    QCOMPARE(got, texts);
}

void TstSingleInstance::claimTakesOverDeadSockets_data()
{
    QTest::addColumn<QString>("leftover");
    QTest::addColumn<SingleInstance::Outcome>("outcome");

    QTest::newRow("nothing there") << QString() << SingleInstance::Outcome::Primary;
    QTest::newRow("socket of a crashed instance") << QStringLiteral("socket") << SingleInstance::Outcome::Primary;
    QTest::newRow("lock of a crashed instance") << QStringLiteral("lock") << SingleInstance::Outcome::Primary;
    // The socket's folder is a file: nothing can listen, and the program runs on its own.
    QTest::newRow("no usable folder") << QStringLiteral("folder is a file") << SingleInstance::Outcome::Alone;
}

void TstSingleInstance::claimTakesOverDeadSockets()
{
    QFETCH(QString, leftover);
    QFETCH(SingleInstance::Outcome, outcome);

    TestEnvironment env;
    QString path = env.path(QStringLiteral("q.socket"));
    if (leftover == QLatin1String("socket")) {
        QVERIFY(makeDeadSocket(path));
    } else if (leftover == QLatin1String("lock")) {
        // A lock file naming a process that has ended.
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QFile lock(path + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nquillet\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    } else if (leftover == QLatin1String("folder is a file")) {
        QFile file(env.path(QStringLiteral("plain")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        path = env.path(QStringLiteral("plain/q.socket"));
    }
    SingleInstance instance(path);
    QCOMPARE(instance.claim(QStringLiteral("/song.mp3"), 2000), outcome);
    QCOMPARE(instance.isListening(), outcome == SingleInstance::Outcome::Primary);
    if (outcome == SingleInstance::Outcome::Primary) {
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected(2000));
    }
}

void TstSingleInstance::secondStartHandsOverAndExits_data()
{
    QTest::addColumn<bool>("whileStarting");
    QTest::addColumn<QString>("handed");
    QTest::addColumn<QStringList>("playlist");

    const QString song1 = testData(QStringLiteral("song1.mp3"));
    const QString song2 = testData(QStringLiteral("song2.mp3"));
    const QString song3 = testData(QStringLiteral("song3.mp3"));
    QTest::newRow("media file") << false << song2 << QStringList {song1, song2};
    // Handed over while the first still shows its splash window: kept until its main window is there.
    QTest::newRow("media file during start-up") << true << song2 << QStringList {song1, song2};
    QTest::newRow("playlist") << false << QStringLiteral("LIST") << QStringList {song1, song3};
    QTest::newRow("no file") << false << QString() << QStringList {song1};
}

void TstSingleInstance::secondStartHandsOverAndExits()
{
    QFETCH(bool, whileStarting);
    QFETCH(QString, handed);
    QFETCH(QStringList, playlist);

    Instances instances;
    if (whileStarting)
        QVERIFY(writeProgramSetting(QStringLiteral("Splash"), QStringLiteral("Interval"), QStringLiteral("800")));
    if (handed == QLatin1String("LIST")) {
        handed = instances.env.path(QStringLiteral("list.m3u"));
        QFile list(handed);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(QFile::encodeName(testData(QStringLiteral("song3.mp3"))) + "\r\n");
    }
    QProcess &first = instances.start({testData(QStringLiteral("song1.mp3"))});
    if (whileStarting)
        QTRY_COMPARE_WITH_TIMEOUT(instances.sockets().size(), 1, 10000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);

    QProcess &second = instances.start(handed.isEmpty() ? QStringList() : QStringList {handed});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    if (whileStarting)
        QVERIFY2(!mprisNameTaken(), "the first instance should still show its splash window");

    QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    // The handed text is opened from the event loop; give it a moment before ending.
    QTest::qWait(500);
    Instances::terminate(first);
    QCOMPARE(instances.defaultPlaylist(), playlist);
    // The socket goes with the instance that ended normally.
    QCOMPARE(instances.sockets(), QStringList());
}

void TstSingleInstance::simultaneousStartsLeaveOnePlayer()
{
    Instances instances;
    const QString song1 = testData(QStringLiteral("song1.mp3"));
    const QString song2 = testData(QStringLiteral("song2.mp3"));
    QProcess &a = instances.start({song1});
    QProcess &b = instances.start({song2});
    // One of them hands its file to the other and ends; the other plays on with both files.
    QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning, 20000);
    QProcess &ended = a.state() == QProcess::NotRunning ? a : b;
    QProcess &running = a.state() == QProcess::NotRunning ? b : a;
    QCOMPARE(ended.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    QTest::qWait(500);
    QCOMPARE(running.state(), QProcess::Running);
    Instances::terminate(running);
    QCOMPARE(instances.defaultPlaylist(), (QStringList {song1, song2}));
}

void TstSingleInstance::crashedInstanceDoesNotBlockTheNextStart()
{
    Instances instances;
    const QString song1 = testData(QStringLiteral("song1.mp3"));
    const QString song3 = testData(QStringLiteral("song3.mp3"));
    QProcess &crashed = instances.start({testData(QStringLiteral("song2.mp3"))});
    QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    crashed.kill();
    QVERIFY(crashed.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(!mprisNameTaken(), 10000);
    QCOMPARE(instances.sockets().size(), 1);

    // The next start finds the dead socket, takes it over, and receives the start after it.
    QProcess &next = instances.start({song1});
    QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    QProcess &third = instances.start({song3});
    QVERIFY(third.waitForFinished(20000));
    QCOMPARE(third.exitCode(), 0);
    QTest::qWait(500);
    Instances::terminate(next);
    QCOMPARE(instances.defaultPlaylist(), (QStringList {song1, song3}));
}

void TstSingleInstance::silentInstanceIsReported()
{
    Instances instances;
    // Learn the socket's name from a real instance, then put a server there that never answers.
    QProcess &first = instances.start({});
    QTRY_COMPARE_WITH_TIMEOUT(instances.sockets().size(), 1, 10000);
    const QString path = instances.runtimeDir + QLatin1Char('/') + instances.sockets().first();
    QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
    Instances::terminate(first);
    QLocalServer silent;
    QVERIFY(silent.listen(path));

    QProcess &second = instances.start({testData(QStringLiteral("song1.mp3"))});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
    // Not taken for success, and not a second player either.
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(QLatin1String("did not answer")));
    QVERIFY(!mprisNameTaken());
}

int main(int argc, char *argv[])
{
    return mainOnPrivateBus(argc, argv, [](int argc, char **argv) {
        QApplication app(argc, argv);
        TstSingleInstance test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "tst_singleinstance.moc"
