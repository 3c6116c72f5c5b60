// Start-up and shutdown of the main window: the command-line text, the default playlist, automatic play, a file
// handed over while running, and the default playlist written at exit.
#include "form1fixture.h"

#include "video/form3.h"
#include "video/frmbrowser.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScopeGuard>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstForm1Startup : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void defaultPlaylistFirstField_data();
    void defaultPlaylistFirstField();
    void automaticPlay_data();
    void automaticPlay();
    void videosHandedOverPlay();
    void playlistSurvivesRestart();
    void shutdownLeavesFileWhenNotSaving_data();
    void shutdownLeavesFileWhenNotSaving();
    void failedSaveKeepsTheOldPlaylist_data();
    void failedSaveKeepsTheOldPlaylist();
};

void TstForm1Startup::commandLine_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("manage");
    QTest::addColumn<QStringList>("expectedEntries");
    QTest::addColumn<bool>("video");
    QTest::addColumn<int>("messages"); // a video window greets with one

    const QStringList defaults = {u"/music/b.mp3"_s, u"/music/c.mp3"_s};
    QTest::newRow("no argument") << QString() << u"0"_s << defaults << false << 0;
    for (const char *ending : {".avi", ".mpeg", ".mov", ".mp4", ".m4v", ".mkv", ".webm", ".ogv"})
        QTest::newRow(ending) << u"/films/clip"_s + QLatin1String(ending) << u"0"_s << defaults << true << 1;
    QTest::newRow("capital AVI is an ordinary entry") << u"/films/CLIP.AVI"_s << u"0"_s
                                                      << QStringList {u"/films/CLIP.AVI"_s} << false << 0;
    QTest::newRow("media with Manage 0 holds only the file") << u"/music/a.mp3"_s << u"0"_s
                                                             << QStringList {u"/music/a.mp3"_s} << false << 0;
    QTest::newRow("media with Manage 1 joins the default playlist")
        << u"/music/d.mp3"_s << u"1"_s << QStringList {u"/music/b.mp3"_s, u"/music/c.mp3"_s, u"/music/d.mp3"_s}
        << false << 0;
    QTest::newRow("Manage 1.0 reads as the number 1")
        << u"/music/a.mp3"_s << u"1.0"_s << QStringList {u"/music/a.mp3"_s, u"/music/b.mp3"_s, u"/music/c.mp3"_s}
        << false << 0;
    QTest::newRow("m3u") << u"LIST.m3u"_s << u"0"_s << QStringList {u"/music/x.mp3"_s} << false << 0;
    QTest::newRow("m3u8") << u"LIST.m3u8"_s << u"0"_s << QStringList {u"/music/x.mp3"_s} << false << 0;
    QTest::newRow("playlist without entries falls back to the default") << u"EMPTY.m3u"_s << u"0"_s << defaults
                                                                        << false << 0;
    QTest::newRow("unreadable playlist is reported, start-up goes on") << u"/gone/list.m3u"_s << u"0"_s << defaults
                                                                       << false << 1;
}

void TstForm1Startup::commandLine()
{
    QFETCH(QString, argument);
    QFETCH(QString, manage);
    QFETCH(QStringList, expectedEntries);
    QFETCH(bool, video);
    QFETCH(int, messages);
    Form1Fixture f;
    f.writeDefaultPlaylist("/music/c.mp3\r\n/music/b.mp3\r\n");
    SettingsStore::write(u"Opening Files"_s, u"Manage"_s, manage);
    if (argument.startsWith(u"LIST"_s) || argument.startsWith(u"EMPTY"_s)) {
        argument = f.env.path(argument);
        Form1Fixture::writeFile(argument, argument.contains(u"LIST"_s) ? "#EXTM3U\n/music/x.mp3\n" : "#EXTM3U\n");
    }
    const auto closeVideoWindow = qScopeGuard([] { Form3::unload(); });
    Form1 &form = f.load(argument);
    QCOMPARE(f.entries(), expectedEntries);
    QCOMPARE(form.commandLineVideo(), video ? argument : QString());
    QCOMPARE(f.dialogs.messages.size(), messages);
    QVERIFY(form.trayIcon()->isPresent());
    QCOMPARE(form.Label9->text(), u"Time : 00:00/00:00 "_s);
}

void TstForm1Startup::defaultPlaylistFirstField_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("paths") << QByteArray("/m/a.mp3\r\n/m/b.mp3\r\n") << QStringList {u"/m/a.mp3"_s, u"/m/b.mp3"_s};
    QTest::newRow("empty first line hides the list") << QByteArray("\r\n/m/a.mp3\r\n/m/b.mp3\r\n") << QStringList {};
    QTest::newRow("first field empty before a comma") << QByteArray("  ,x\r\n/m/a.mp3\r\n") << QStringList {};
    QTest::newRow("lines with #EXT are kept unfiltered") << QByteArray("#EXTM3U\r\n/m/a.mp3\r\n")
                                                         << QStringList {u"#EXTM3U"_s, u"/m/a.mp3"_s};
    QTest::newRow("LF line ends") << QByteArray("/m/b.mp3\n/m/a.mp3\n") << QStringList {u"/m/a.mp3"_s, u"/m/b.mp3"_s};
}

void TstForm1Startup::defaultPlaylistFirstField()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    Form1Fixture f;
    f.writeDefaultPlaylist(content);
    f.load();
    QCOMPARE(f.entries(), expected);
}

void TstForm1Startup::automaticPlay_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("expectedIndex");
    QTest::newRow("clock 12:00:41 picks the last of 3") << u"1"_s << QTime(12, 0, 41) << QString() << 2;
    QTest::newRow("clock 12:00:01 picks index 1") << u"1"_s << QTime(12, 0, 1) << QString() << 1;
    QTest::newRow("first file") << u"2"_s << QTime(12, 0, 41) << QString() << 0;
    QTest::newRow("disabled") << u"0"_s << QTime(12, 0, 1) << QString() << -1;
    QTest::newRow("a video argument suppresses it") << u"2"_s << QTime(12, 0, 1) << u"/v/clip.wmv"_s << -1;
}

void TstForm1Startup::automaticPlay()
{
    QFETCH(QString, mode);
    QFETCH(QTime, time);
    QFETCH(QString, argument);
    QFETCH(int, expectedIndex);
    Form1Fixture f;
    f.writeDefaultPlaylist("/m/a.mp3\r\n/m/b.mp3\r\n/m/c.mp3\r\n");
    SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, mode);
    SettingsStore::write(u"Video"_s, u"Auto"_s, u"0"_s);
    const auto closeVideoWindows = qScopeGuard([] { Form3::unload(); });
    Form1 &form = f.load(argument);
    form.setClock([time] { return time; });
    form.Timer2->start();
    QTest::qWait(300);
    // Only the first tick can start playback: entries that arrive later are not played by themselves.
    form.List1->add(u"/m/d.mp3"_s);
    QTest::qWait(300);
    const QStringList loads = f.player().calls.filter(u"setFileName"_s);
    if (expectedIndex < 0) {
        QVERIFY(loads.isEmpty());
        QCOMPARE(form.Label2->text(), u"Waiting .."_s);
        return;
    }
    QCOMPARE(loads, QStringList {u"setFileName "_s + f.entries().at(expectedIndex)});
    QCOMPARE(form.Label1->text(), QString::number(expectedIndex));
    QCOMPARE(form.Label2->text(), u"Playing.."_s);
}

void TstForm1Startup::videosHandedOverPlay()
{
    // Every video handed to the running window plays, also once the video playlist window exists.
    Form1Fixture f;
    const auto closeVideoWindows = qScopeGuard([] {
        Form3::unload();
        frmBrowser::unload();
    });
    SettingsStore::write(u"Video"_s, u"Auto"_s, u"1"_s);
    Form1 &form = f.load(u"/films/first.mkv"_s);
    const auto videoLoads = [&f] {
        QStringList loads;
        for (int i = 0; i < f.players->players.size(); ++i) {
            if (f.players->purposes.at(i) == PlayerPurpose::Video)
                loads += f.players->players.at(i)->calls.filter(u"setFileName"_s);
        }
        return loads;
    };
    QTRY_COMPARE(videoLoads(), QStringList {u"setFileName /films/first.mkv"_s});
    QVERIFY(Form3::instance());
    form.openCommandLine(u"/films/second.webm"_s, false);
    QTRY_COMPARE(videoLoads().size(), 2);
    QCOMPARE(videoLoads().last(), u"setFileName /films/second.webm"_s);
    QCOMPARE(Form3::instance()->Text1->text(), u"/films/second.webm"_s);
}

void TstForm1Startup::playlistSurvivesRestart()
{
    Form1Fixture f;
    const QString list = f.env.path(u"with-blank.m3u"_s);
    Form1Fixture::writeFile(list, "/music/one.mp3\r\n\r\n/music/two.mp3\r\n");
    Form1 &first = f.load(list);
    first.List1->addMany({u"song.mp3"_s, u"http://x/s"_s});
    first.setRootDirectory(u"/music/"_s);
    first.exitProgram();
    QTRY_COMPARE(f.endProcessCalls, 1);
    QVERIFY(!first.trayIcon()->isPresent());
    QVERIFY(f.player().mute());
    // Relative entries are written with the root directory; a blank entry is not written first, where it would
    // hide the whole list at the next start.
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()),
             QByteArray("/music/one.mp3\r\n/music/two.mp3\r\nhttp://x/s\r\n/music/song.mp3\r\n"));
    f.load();
    QCOMPARE(f.entries(), (QStringList {u"/music/one.mp3"_s, u"/music/song.mp3"_s, u"/music/two.mp3"_s,
                              u"http://x/s"_s}));
}

void TstForm1Startup::shutdownLeavesFileWhenNotSaving_data()
{
    QTest::addColumn<QString>("saveSetting");
    QTest::addColumn<bool>("addEntries");
    QTest::newRow("Save 0") << u"0"_s << true;
    QTest::newRow("empty playlist") << u"1"_s << false;
}

void TstForm1Startup::shutdownLeavesFileWhenNotSaving()
{
    QFETCH(QString, saveSetting);
    QFETCH(bool, addEntries);
    Form1Fixture f;
    f.writeDefaultPlaylist("/old/a.mp3\r\n");
    SettingsStore::write(u"Playlist"_s, u"Save"_s, saveSetting);
    Form1 &form = f.load(u"/new/z.mp3"_s);
    if (!addEntries)
        form.clpl_Click();
    form.unload();
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), QByteArray("/old/a.mp3\r\n"));
}

void TstForm1Startup::failedSaveKeepsTheOldPlaylist_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("read-only data folder") << false;
    QTest::newRow("full disk") << true;
}

void TstForm1Startup::failedSaveKeepsTheOldPlaylist()
{
    QFETCH(bool, fullDisk);
    Form1Fixture f;
    f.writeDefaultPlaylist("/old/a.mp3\r\n");
    Form1 &form = f.load();
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << u"/new/song%1.mp3"_s.arg(i);
    form.List1->addMany(many);
    // Root bypasses permissions, but neither an immutable folder nor a file-size limit.
    const auto immutable = [&f](bool on) {
        return QProcess::execute(u"chattr"_s, {on ? u"+i"_s : u"-i"_s, f.env.dataDir()}) == 0;
    };
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    if (fullDisk) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
    } else {
        QVERIFY2(immutable(true), "chattr +i is needed to make a folder read-only for root");
    }
    const auto restore = qScopeGuard([&] { fullDisk ? void(setrlimit(RLIMIT_FSIZE, &old)) : void(immutable(false)); });
    form.unload();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().startsWith(u"The playlist could not be saved."_s));
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), QByteArray("/old/a.mp3\r\n"));
}

QTEST_MAIN(TstForm1Startup)
#include "tst_form1startup.moc"
