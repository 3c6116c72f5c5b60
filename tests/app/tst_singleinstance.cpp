// Quillet on a desktop (a private X server and session bus): one Quillet per user, with the real executable started
// twice, also handing over files that are no playlists; a flood of desktop calls while a message box is open; and
// saves killed half-way, whose leftovers the next start removes.
#include "app/commandline.h"
#include "app/mprisservice.h"
#include "app/singleinstance.h"
#include "appearance/skinfile.h"
#include "desktoptesting.h"
#include "fakes/xvfb.h"
#include "form1fixture.h"
#include "settings/settingsformat.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QLocalSocket>
#include <QUrl>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

static bool mprisNameTaken()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(MprisService::serviceName());
}

// Set in a child that saves: the signal that the save's rename raises, stopping or killing the child between the
// temporary file and its rename over the saved file.
static int g_signalAtRename = 0;

extern "C" int rename(const char *from, const char *to)
{
    if (g_signalAtRename)
        ::raise(g_signalAtRename);
    return ::renameat(AT_FDCWD, from, AT_FDCWD, to);
}

// Quillet started from the test data folder, with a runtime folder of its own, a 1 ms splash and no automatic play.
struct RunningQuillet
{
    QProcess process;
    explicit RunningQuillet(TestEnvironment &env)
    {
        QDir().mkpath(env.path(u"runtime"_s));
        writeProgramSetting(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
        writeProgramSetting(u"Splash"_s, u"Interval"_s, u"1"_s);
        QProcessEnvironment environmentVariables = QProcessEnvironment::systemEnvironment();
        environmentVariables.insert(u"XDG_RUNTIME_DIR"_s, env.path(u"runtime"_s));
        process.setProcessEnvironment(environmentVariables);
        process.setWorkingDirectory(testDataDir());
    }
    void start(const QStringList &arguments = {}) { process.start(quilletExecutable(), arguments); }
    // Ends it as logging out does; true when it ended normally.
    bool terminate()
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }
};

class TstSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void receivesOnlyWholeTexts()
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
    void commandLineTexts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("texts"); // names below the test data folder, or URLs
        const QString url = u"http://127.0.0.1:9/radio"_s;
        QTest::newRow("one name with blanks, split by the shell")
            << QStringList {u"a"_s, u"b.mp3"_s} << QStringList {u"a b.mp3"_s};
        QTest::newRow("a file and a URL") << QStringList {u"song1.mp3"_s, url} << QStringList {u"song1.mp3"_s, url};
        QTest::newRow("a word that names nothing keeps the whole text")
            << QStringList {u"song1.mp3"_s, u"gone.mp3"_s} << QStringList {u"song1.mp3 gone.mp3"_s};
        QTest::newRow("nothing") << QStringList {} << QStringList {};
    }
    void commandLineTexts()
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
    void secondStartHandsOver_data()
    {
        // The arguments of each start ("|" between them), and the file the running Quillet then plays (if it must).
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("whileStarting");
        QTest::addColumn<QStringList>("playlist");
        QTest::addColumn<QString>("plays");
        const QString song1 = testData(u"song1.mp3"_s), song2 = testData(u"song2.mp3"_s),
                      song3 = testData(u"song3.mp3"_s);
        const QString tone = testData(u"tone-187s.mp3"_s);
        // Handed over while the first still shows its splash window: kept until its main window is there.
        QTest::newRow("media file during start-up")
            << song1 << song2 << true << QStringList {song1, song2} << QString();
        QTest::newRow("m3u8 playlist") << song1 << u"LIST"_s << false << QStringList {song1, song3} << QString();
        // Several files named relative to the caller's folder, each its own entry; handed over, the first plays at
        // once.
        QTest::newRow("several files at start-up")
            << u"song2.mp3|song1.mp3"_s << QString() << false << QStringList {song1, song2} << QString();
        QTest::newRow("several files handed over")
            << song1 << u"tone-187s.mp3|song3.mp3"_s << false << QStringList {song1, song3, tone} << tone;
        // Files that are no playlists, and a name longer than any path: the running window says so in a box and still
        // saves its playlist when the session ends.
        QTest::newRow("named pipe as playlist") << song1 << u"PIPE"_s << false << QStringList {song1} << QString();
        QTest::newRow("name longer than any path")
            << song1 << u"/m/"_s + QString(70000, u'a') + u".mp3"_s << false << QStringList {song1} << QString();
    }
    void secondStartHandsOver()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, whileStarting);
        QFETCH(QStringList, playlist);
        QFETCH(QString, plays);
        TestEnvironment env;
        RunningQuillet running(env), later(env);
        writeProgramSetting(u"Playlist"_s, u"Save"_s, u"1"_s);
        if (whileStarting)
            writeProgramSetting(u"Splash"_s, u"Interval"_s, u"800"_s);
        if (second == u"LIST") {
            second = env.path(u"list.m3u8"_s);
            Form1Fixture::writeFile(second, QFile::encodeName(testData(u"song3.mp3"_s)) + "\r\n");
        } else if (second == u"PIPE") {
            second = env.path(u"pipe.m3u"_s);
            QCOMPARE(::mkfifo(QFile::encodeName(second).constData(), 0600), 0);
        }
        running.start(first.split(u'|'));
        const auto sockets = [&] { return QDir(env.path(u"runtime"_s)).entryList({u"*.socket"_s}, QDir::System); };
        if (whileStarting)
            QTRY_COMPARE_WITH_TIMEOUT(sockets().size(), 1, 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
        later.start(second.isEmpty() ? QStringList() : second.split(u'|'));
        QVERIFY(later.process.waitForFinished(20000));
        QCOMPARE(later.process.exitCode(), 0);
        QCOMPARE(running.process.state(), QProcess::Running);
        QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
        // As a panel sees it: the handed file is the one that plays.
        const QStringList metadata
            = {u"--player=quillet"_s, u"metadata"_s, u"--format"_s, u"{{status}} {{xesam:url}}"_s};
        if (!plays.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(runClient(u"playerctl"_s, metadata).out,
                u"Playing "_s + QUrl::fromLocalFile(plays).toString(QUrl::FullyEncoded), 10000);
        // The handed text is opened from the event loop; give it a moment, then end as logging out does.
        QTest::qWait(500);
        QVERIFY(running.terminate());
        const QByteArray written = Form1Fixture::readFile(env.dataDir() + u"/default.m3u"_s);
        QCOMPARE(QString::fromUtf8(written).split(u"\r\n"_s, Qt::SkipEmptyParts), playlist);
        // The socket goes with the instance that ended normally.
        QCOMPARE(sockets(), QStringList());
    }
    // Next on the last entry says so in a box. A flood of Next calls (a media key held down, a script) while that box
    // is open opens no second box inside it: the calls are answered and dropped, the window answers the desktop all
    // along, and the playlist is saved when the session ends.
    void floodOfNextWhileAMessageIsOpen()
    {
        TestEnvironment env;
        RunningQuillet quillet(env);
        quillet.start({testData(u"song1.mp3"_s)});
        QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
        // The message boxes on the X server: top-level windows with the title "Quillet" (the main window's is longer).
        const auto messageBoxes = [] {
            return runClient(u"xwininfo"_s, {u"-root"_s, u"-tree"_s}).out.count(u"\"Quillet\": ("_s);
        };
        QDBusConnection bus = QDBusConnection::sessionBus();
        const auto call = [](const QString &interface, const QString &method) {
            return QDBusMessage::createMethodCall(
                MprisService::serviceName(), MprisService::objectPath(), interface, method);
        };
        const QDBusMessage status = call(u"org.freedesktop.DBus.Properties"_s, u"Get"_s)
            << u"org.mpris.MediaPlayer2.Player"_s << u"PlaybackStatus"_s;
        for (int i = 0; i < 300; ++i)
            QVERIFY(bus.send(call(u"org.mpris.MediaPlayer2.Player"_s, u"Next"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(messageBoxes() > 0, 20000);
        // Answered from inside the box's event loop, after every Next before it has been taken.
        QCOMPARE(bus.call(status, QDBus::Block, 20000).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(messageBoxes(), 1);
        QVERIFY(quillet.terminate());
        QCOMPARE(PlaylistFile::readUnfiltered(env.dataDir() + u"/default.m3u"_s).entries,
            QStringList {testData(u"song1.mp3"_s)});
    }
    // A save killed (kill -9) between writing its temporary file and renaming it leaves that file beside the saved one;
    // the next start removes it. A save that is still running in another process (stopped there) keeps its file.
    void leftoversOfKilledSaves_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("killed");
        QTest::newRow("default skin, killed") << u"default.qsk"_s << true;
        QTest::newRow("settings, killed") << u"quillet.ini"_s << true;
        QTest::newRow("default playlist, still saving") << u"default.m3u"_s << false;
    }
    void leftoversOfKilledSaves()
    {
        QFETCH(QString, file);
        QFETCH(bool, killed);
        TestEnvironment env;
        RunningQuillet quillet(env);
        const QString folder = file.endsWith(u".ini"_s) ? env.configDir() : env.dataDir();
        // The temporary files of saves of the file left in its folder, and a lock file of the save.
        const auto leftovers = [&] {
            return QDir(folder).entryList({file + u".??????"_s, file + u".lock"_s}, QDir::Files | QDir::Hidden);
        };
        QProcess saver;
        saver.start(QCoreApplication::applicationFilePath(), {u"--save-twice"_s, file, killed ? u"KILL"_s : u"STOP"_s});
        if (killed) {
            QVERIFY(saver.waitForFinished(20000));
            QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
        } else {
            const QString stat = u"/proc/%1/stat"_s.arg(saver.processId());
            QTRY_VERIFY_WITH_TIMEOUT(Form1Fixture::readFile(stat).contains(") T "), 20000);
        }
        const QStringList left = leftovers();
        QCOMPARE(left.size(), file.endsWith(u".ini"_s) ? 2 : 1);

        quillet.start();
        QTRY_VERIFY_WITH_TIMEOUT(mprisNameTaken(), 20000);
        QCOMPARE(leftovers(), killed ? QStringList() : left);
        QVERIFY(quillet.terminate());
        if (!killed) {
            // Let go, the save finishes with its own file.
            ::kill(pid_t(saver.processId()), SIGCONT);
            QVERIFY(saver.waitForFinished(20000));
            QCOMPARE(saver.exitCode(), 0);
            QCOMPARE(leftovers(), QStringList());
            QCOMPARE(
                PlaylistFile::readUnfiltered(env.dataDir() + u"/"_s + file).entries, QStringList {u"/m/second.mp3"_s});
        }
    }
};

int main(int argc, char *argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--save-twice") {
        // Child: saves the file with the program's own writer, then again, stopping or dying at the rename.
        QCoreApplication app(argc, argv);
        const QString file = QString::fromLocal8Bit(argv[2]);
        for (const char *entry : {"/m/first.mp3", "/m/second.mp3"}) {
            bool saved = false;
            if (file == u"default.qsk") {
                Skin skin;
                skin.fontName = QString::fromLatin1(entry);
                saved = SkinFile::write(SkinFile::defaultSkinPath(), skin).ok;
            } else if (file == u"quillet.ini") {
                QSettings settings(
                    qEnvironmentVariable("QUILLET_CONFIG_DIR") + u"/quillet.ini"_s, SettingsFormat::format());
                settings.setValue(u"Splash/Interval"_s, QString::fromLatin1(entry));
                settings.sync();
                saved = settings.status() == QSettings::NoError;
            } else {
                saved = PlaylistFile::write(PlaylistFile::defaultPlaylistPath(), {QString::fromLatin1(entry)}).ok;
            }
            if (!saved)
                return 1;
            g_signalAtRename = QByteArray(argv[3]) == "KILL" ? SIGKILL : SIGSTOP;
        }
        return 0;
    }
    // Trays are offered to windows on a real display: the test runs on a private X server and session bus.
    return mainOnPrivateBus(argc, argv, [](int argc, char **argv) {
        return runOnXvfb([&] {
            QApplication app(argc, argv);
            TstSingleInstance test;
            return QTest::qExec(&test, argc, argv);
        });
    });
}

#include "tst_singleinstance.moc"
