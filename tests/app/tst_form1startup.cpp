// Start-up and shutdown of the main window: the command-line text, the default playlist, automatic play,
// the closing window and the default playlist written at exit.
#include "form1fixture.h"

#include "app/close1.h"
#include "common/appdirs.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QScrollBar>

#include <csignal>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::testing;

class TstForm1Startup : public QObject
{
    Q_OBJECT

private slots:
    void emptyStart();
    void commandLine_data();
    void commandLine();
    void unreadablePlaylistArgumentIsReported();
    void emptyPlaylistArgumentFallsBackToDefault();
    void defaultPlaylistFirstField_data();
    void defaultPlaylistFirstField();
    void volumeAndBalanceAreClamped();
    void automaticPlay_data();
    void automaticPlay();
    void automaticPlayOnlyOnFirstTick();
    void videoArgumentSuppressesAutomaticPlay();

    void shutdownWritesDefaultPlaylist();
    void shutdownLeavesFileWhenNotSaving_data();
    void shutdownLeavesFileWhenNotSaving();
    void blankEntrySurvivesRestart();
    void closingWindowShowsDataDirectory();
    void exitRemovesTrayIconAndEndsProcess();
    void readOnlyDataDirectoryIsReported();
    void fullDiskIsReported();
};

void TstForm1Startup::emptyStart()
{
    Form1Fixture f;
    Form1 &form = f.load();
    QCOMPARE(form.List1->count(), 0);
    QCOMPARE(form.Label9->text(), QStringLiteral("Time : 00:00/00:00 "));
    QVERIFY(form.trayIcon()->isPresent());
    QCOMPARE(form.trayIcon()->record.tip, QStringLiteral("Quillet"));
    form.Timer2_Timer();
    QVERIFY(f.player().calls.filter(QStringLiteral("setFileName")).isEmpty());
}

void TstForm1Startup::commandLine_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("manage");
    QTest::addColumn<QStringList>("expectedEntries");
    QTest::addColumn<bool>("video");
    QTest::addColumn<bool>("skin");

    const QStringList defaults = {QStringLiteral("/music/b.mp3"), QStringLiteral("/music/c.mp3")};
    QTest::newRow("video keeps the default playlist")
        << QStringLiteral("/films/clip.avi") << QStringLiteral("0") << defaults << true << false;
    QTest::newRow("five-letter video ending") << QStringLiteral("/films/clip.mpeg") << QStringLiteral("0") << defaults
                                              << true << false;
    QTest::newRow("capital AVI is an ordinary entry")
        << QStringLiteral("/films/CLIP.AVI") << QStringLiteral("0") << QStringList{QStringLiteral("/films/CLIP.AVI")}
        << false << false;
    QTest::newRow("skin is remembered") << QStringLiteral("/skins/blue.qsk") << QStringLiteral("0") << defaults
                                        << false << true;
    QTest::newRow("media with Manage 0 holds only the file")
        << QStringLiteral("/music/a.mp3") << QStringLiteral("0") << QStringList{QStringLiteral("/music/a.mp3")}
        << false << false;
    QTest::newRow("media with Manage 1 joins the default playlist")
        << QStringLiteral("/music/d.mp3") << QStringLiteral("1")
        << QStringList{QStringLiteral("/music/b.mp3"), QStringLiteral("/music/c.mp3"), QStringLiteral("/music/d.mp3")}
        << false << false;
    QTest::newRow("Manage 1.0 reads as the number 1")
        << QStringLiteral("/music/a.mp3") << QStringLiteral("1.0")
        << QStringList{QStringLiteral("/music/a.mp3"), QStringLiteral("/music/b.mp3"), QStringLiteral("/music/c.mp3")}
        << false << false;
    QTest::newRow("Manage that is no number counts as not 1")
        << QStringLiteral("/music/a.mp3") << QStringLiteral("yes") << QStringList{QStringLiteral("/music/a.mp3")}
        << false << false;
}

void TstForm1Startup::commandLine()
{
    QFETCH(QString, argument);
    QFETCH(QString, manage);
    QFETCH(QStringList, expectedEntries);
    QFETCH(bool, video);
    QFETCH(bool, skin);

    Form1Fixture f;
    f.writeDefaultPlaylist("/music/c.mp3\r\n/music/b.mp3\r\n");
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Manage"), manage);
    Form1 &form = f.load(argument);
    QCOMPARE(f.entries(), expectedEntries);
    QCOMPARE(form.commandLineVideo(), video ? argument : QString());
    QCOMPARE(form.skinArgument(), skin ? argument : QString());
}

void TstForm1Startup::unreadablePlaylistArgumentIsReported()
{
    Form1Fixture f;
    f.writeDefaultPlaylist("/music/x.mp3\r\n");
    const QString missing = f.env.path(QStringLiteral("gone.m3u"));
    Form1 &form = f.load(missing);
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(missing));
    // Start-up goes on: the default playlist and the tray icon are there.
    QCOMPARE(f.entries(), QStringList{QStringLiteral("/music/x.mp3")});
    QVERIFY(form.trayIcon()->isPresent());
}

void TstForm1Startup::emptyPlaylistArgumentFallsBackToDefault()
{
    Form1Fixture f;
    f.writeDefaultPlaylist("/music/x.mp3\r\n");
    const QString list = f.env.path(QStringLiteral("only-info.m3u"));
    Form1Fixture::writeFile(list, "#EXTM3U\r\n#EXTINF:1,x\r\n");
    f.load(list);
    QCOMPARE(f.entries(), QStringList{QStringLiteral("/music/x.mp3")});
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TstForm1Startup::defaultPlaylistFirstField_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("paths") << QByteArray("/m/a.mp3\r\n/m/b.mp3\r\n")
                           << QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")};
    QTest::newRow("empty first line hides the list") << QByteArray("\r\n/m/a.mp3\r\n/m/b.mp3\r\n") << QStringList{};
    QTest::newRow("first field empty before a comma") << QByteArray("  ,x\r\n/m/a.mp3\r\n") << QStringList{};
    QTest::newRow("lines with #EXT are kept unfiltered")
        << QByteArray("#EXTM3U\r\n/m/a.mp3\r\n") << QStringList{QStringLiteral("#EXTM3U"), QStringLiteral("/m/a.mp3")};
    QTest::newRow("LF line ends") << QByteArray("/m/b.mp3\n/m/a.mp3\n")
                                  << QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
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

void TstForm1Startup::volumeAndBalanceAreClamped()
{
    Form1Fixture f;
    Form1 &form = f.create();
    f.player().setVolume(-6000);
    f.player().setBalance(200);
    form.load({});
    QCOMPARE(form.volume1->value(), -4000);
    QCOMPARE(form.Slider1->value(), 200);
    QCOMPARE(f.player().volume(), -4000);
}

void TstForm1Startup::automaticPlay_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("expectedIndex");
    QTest::newRow("clock 12:00:41 picks the last of 3") << QStringLiteral("1") << QTime(12, 0, 41) << 2;
    QTest::newRow("clock 12:00:01 picks index 1") << QStringLiteral("1") << QTime(12, 0, 1) << 1;
    QTest::newRow("clock 12:00:00 picks index 0") << QStringLiteral("1") << QTime(12, 0, 0) << 0;
    QTest::newRow("first file") << QStringLiteral("2") << QTime(12, 0, 41) << 0;
    QTest::newRow("disabled") << QStringLiteral("0") << QTime(12, 0, 1) << -1;
    QTest::newRow("unknown text") << QStringLiteral(" 1") << QTime(12, 0, 1) << -1;
}

void TstForm1Startup::automaticPlay()
{
    QFETCH(QString, mode);
    QFETCH(QTime, time);
    QFETCH(int, expectedIndex);
    Form1Fixture f;
    f.writeDefaultPlaylist("/m/a.mp3\r\n/m/b.mp3\r\n/m/c.mp3\r\n");
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), mode);
    Form1 &form = f.load();
    form.setClock([time] { return time; });
    form.Timer2_Timer();
    const QStringList loads = f.player().calls.filter(QStringLiteral("setFileName"));
    if (expectedIndex < 0) {
        QVERIFY(loads.isEmpty());
        QCOMPARE(form.Label2->text(), QStringLiteral("Waiting .."));
        return;
    }
    QCOMPARE(loads, QStringList{QStringLiteral("setFileName ") + f.entries().at(expectedIndex)});
    QCOMPARE(form.List1->listIndex(), expectedIndex);
    QCOMPARE(form.Label1->text(), QString::number(expectedIndex));
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
}

void TstForm1Startup::automaticPlayOnlyOnFirstTick()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Timer2_Timer();
    // Entries that arrive after the first tick are not played automatically.
    form.List1->add(QStringLiteral("/m/a.mp3"));
    form.Timer2_Timer();
    QVERIFY(f.player().calls.filter(QStringLiteral("setFileName")).isEmpty());
}

void TstForm1Startup::videoArgumentSuppressesAutomaticPlay()
{
    Form1Fixture f;
    f.writeDefaultPlaylist("/m/a.mp3\r\n");
    SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), QStringLiteral("2"));
    Form1 &form = f.load(QStringLiteral("/v/clip.wmv"));
    form.Timer2_Timer();
    QVERIFY(f.player().calls.filter(QStringLiteral("setFileName")).isEmpty());
    QCOMPARE(f.entries(), QStringList{QStringLiteral("/m/a.mp3")});
}

void TstForm1Startup::shutdownWritesDefaultPlaylist()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany({QStringLiteral("song.mp3"), QStringLiteral("/abs/b.mp3"), QStringLiteral("http://x/s")});
    form.setRootDirectory(QStringLiteral("/music/"));
    form.exitProgram();
    QTRY_COMPARE(f.endProcessCalls, 1);
    QVERIFY(f.player().mute());
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()),
             QByteArray("/abs/b.mp3\r\nhttp://x/s\r\n/music/song.mp3\r\n"));
}

void TstForm1Startup::shutdownLeavesFileWhenNotSaving_data()
{
    QTest::addColumn<QString>("saveSetting");
    QTest::addColumn<bool>("addEntries");
    QTest::newRow("Save 0") << QStringLiteral("0") << true;
    QTest::newRow("empty playlist") << QStringLiteral("1") << false;
}

void TstForm1Startup::shutdownLeavesFileWhenNotSaving()
{
    QFETCH(QString, saveSetting);
    QFETCH(bool, addEntries);
    Form1Fixture f;
    f.writeDefaultPlaylist("/old/a.mp3\r\n");
    SettingsStore::write(QStringLiteral("Playlist"), QStringLiteral("Save"), saveSetting);
    Form1 &form = f.load(QStringLiteral("/new/z.mp3"));
    if (!addEntries)
        form.clpl_Click();
    form.unload();
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), QByteArray("/old/a.mp3\r\n"));
}

void TstForm1Startup::blankEntrySurvivesRestart()
{
    Form1Fixture f;
    const QString list = f.env.path(QStringLiteral("with-blank.m3u"));
    Form1Fixture::writeFile(list, "/music/one.mp3\r\n\r\n/music/two.mp3\r\n");
    Form1 &first = f.load(list);
    QCOMPARE(first.List1->count(), 3);
    QCOMPARE(first.List1->text(0), QString());
    first.unload();
    const QByteArray written = Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath());
    QVERIFY(!written.startsWith("\r\n"));

    f.load();
    QCOMPARE(f.entries(), (QStringList{QStringLiteral("/music/one.mp3"), QStringLiteral("/music/two.mp3")}));
}

void TstForm1Startup::closingWindowShowsDataDirectory()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.exitProgram();
    auto *closing = form.findChild<close1 *>();
    QVERIFY(closing);
    QCOMPARE(closing->Label1->text(), QStringLiteral("Closing ...."));
    QCOMPARE(closing->Label2->text(), QStringLiteral("Saving Playlist And Skin To ") + dataDirectory());
}

void TstForm1Startup::exitRemovesTrayIconAndEndsProcess()
{
    Form1Fixture f;
    Form1 &form = f.load();
    QVERIFY(form.trayIcon()->isPresent());
    form.exitProgram();
    QVERIFY(!form.trayIcon()->isPresent());
    QVERIFY(!form.isVisible());
    QTRY_COMPARE(f.endProcessCalls, 1);
    // Reaching the unload steps a second time changes nothing.
    form.unload();
    QVERIFY(!form.trayIcon()->isPresent());
}

// Makes a folder immutable, so that not even root can create files in it, for the life of the guard.
static bool makeImmutable(const QString &dir, bool on)
{
    return QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), dir}) == 0;
}

void TstForm1Startup::readOnlyDataDirectoryIsReported()
{
    Form1Fixture f;
    f.writeDefaultPlaylist("/old/a.mp3\r\n");
    Form1 &form = f.load();
    form.List1->add(QStringLiteral("/new/b.mp3"));
    QVERIFY2(makeImmutable(f.env.dataDir(), true), "chattr +i is needed to make a folder read-only for root");
    const auto restore = qScopeGuard([&] { makeImmutable(f.env.dataDir(), false); });
    form.exitProgram();
    QTRY_COMPARE(f.endProcessCalls, 1);
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(PlaylistFile::defaultPlaylistPath()));
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), QByteArray("/old/a.mp3\r\n"));
}

void TstForm1Startup::fullDiskIsReported()
{
    Form1Fixture f;
    f.writeDefaultPlaylist("/old/a.mp3\r\n");
    Form1 &form = f.load();
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QStringLiteral("/new/song%1.mp3").arg(i);
    form.List1->addMany(many);
    // A file-size limit stands for a full disk; root cannot bypass it.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    form.unload();
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), QByteArray("/old/a.mp3\r\n"));
}

QTEST_MAIN(TstForm1Startup)
#include "tst_form1startup.moc"
