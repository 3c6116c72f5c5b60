// The main window published as an MPRIS player on a private session bus, driven by real clients (playerctl, gdbus,
// dbus-send, dbus-monitor) while the real libmpv player plays.
#include "app/mprisplayer.h"
#include "app/mprisservice.h"
#include "desktoptesting.h"
#include "fakes/icyserver.h"
#include "form1fixture.h"
#include "media/mediaplayer.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QToolButton>
#include <QUrl>

#include <clocale>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

// One main window with the real player and the MPRIS service, with three long tagged songs under names of their own.
struct MprisFixture : Form1Fixture
{
    QStringList songs;
    MprisService *service = nullptr;
    MprisFixture()
        : Form1Fixture(Engine::Real)
    {
    }
    // Publishes the window with the first count songs; false when the service could not take its bus name.
    bool start(int count = 3)
    {
        for (int n = 0; n < 3; ++n) {
            songs << env.path(u"long %1.mp3"_s.arg(n));
            QFile::copy(testData(u"tone-187s.mp3"_s), songs.last());
        }
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"0"_s);
        load();
        form->List1->addMany(songs.mid(0, count));
        form->show();
        service = new MprisService(form.get());
        return service->registerOnSessionBus() && service->busName() == MprisService::serviceName();
    }
    // Starts an entry as a double-click does.
    void startEntry(int index)
    {
        form->List1->setListIndex(index);
        form->startSelectedEntry();
    }
    bool play(int index)
    {
        startEntry(index);
        return QTest::qWaitFor(
            [this] { return status() == u"Playing"_s && form->MP1->currentPosition() > 0.3; }, 10000);
    }
    QString status() const { return service->player()->playbackStatus(); }
};

ClientResult playerctl(const QString &arguments)
{
    return runClient(u"playerctl"_s, QStringList {u"--player=quillet"_s} + arguments.split(u' '));
}

// Calls a method on the MPRIS object with gdbus, e.g. "Player.Seek 5000000".
ClientResult call(const QString &method, const QStringList &arguments = {})
{
    return runClient(u"gdbus"_s,
        QStringList {u"call"_s, u"--session"_s, u"--dest"_s, MprisService::serviceName(), u"--object-path"_s,
            MprisService::objectPath(), u"--method"_s,
            (method.startsWith(u"org.") ? QString() : u"org.mpris.MediaPlayer2."_s) + method}
            + arguments);
}

QString mprisProperty(const QString &name, const QString &interface = u"org.mpris.MediaPlayer2.Player"_s)
{
    return call(u"org.freedesktop.DBus.Properties.Get"_s, {interface, name}).out;
}

} // namespace

class TstMpris : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY2(
            runClient(u"playerctl"_s, {u"--version"_s}).exitCode == 0, "playerctl (Debian package playerctl) needed");
    }
    // playerctl commands (gdbus for "Raise" and "Quit"), one table: what the window then plays, its status, its status
    // line, its list, its volume scroll bar (set to -1000, three quarters, before) and its messages. "SONGn" stands for
    // the URL of a song; a command starting with "!" must be refused.
    void clientCommands_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<int>("playing");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("scrollBar");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *commands, int start, int playing, const char *status, int entries = 3,
                             int scrollBar = -1000, const char *message = "") {
            QTest::newRow(commands) << start << QString::fromLatin1(commands) << playing << QString::fromLatin1(status)
                                    << entries << scrollBar << QString::fromLatin1(message);
        };
        row("play-pause", 1, 1, "Paused/Paused..");
        row("pause, play-pause", 1, 1, "Playing/Playing..");
        row("next", 1, 2, "Playing/Playing..");
        row("previous", 1, 0, "Playing/Playing..");
        row("pause, play, next", 2, 0, "Playing/Playing..", 3, -1000, "There Are No More Files To Play !");
        row("stop", 1, 1, "Stopped/Stoped..");
        row("stop, play", 1, 1, "Playing/Playing..");
        row("open SONG2", -1, 2, "Playing/Playing..", 3);
        row("open SONG1", -1, 1, "Playing/Playing..", 2);
        row("!open ftp://example.invalid/song.mp3", -1, -1, "Stopped", 2);
        // A folder adds its media files (here the three songs) as the directory browser does, and plays the first; one
        // without any is refused, as is a URI longer than any real one.
        row("open FOLDER", -1, 0, "Playing/Playing..", 5);
        row("!open EMPTY", -1, -1, "Stopped", 2);
        row("!open LONG", -1, -1, "Stopped", 2);
        row("volume 0.5", -1, -1, "Stopped", 3, -2000);
        row("volume 0", -1, -1, "Stopped", 3, -4000);
        row("volume 1.5", -1, -1, "Stopped", 3, 0);
        row("Raise", -1, -1, "Stopped");
        row("Quit", -1, -1, "Stopped");
    }
    void clientCommands()
    {
        QFETCH(int, start);
        QFETCH(QString, commands);
        QFETCH(int, playing);
        QFETCH(QString, status);
        QFETCH(int, entries);
        QFETCH(int, scrollBar);
        QFETCH(QString, message);
        MprisFixture f;
        QVERIFY(f.start(commands.contains(u"open") ? 2 : 3));
        QVERIFY(start < 0 || f.play(start));
        f.form->volume1->setValue(-1000);
        QCOMPARE(playerctl(u"volume"_s).out.toDouble(), 0.75);
        f.form->hide();
        for (QString command : commands.split(u", "_s)) {
            for (int n = 0; n < 3; ++n)
                command.replace(u"SONG%1"_s.arg(n), QUrl::fromLocalFile(f.songs.at(n)).toString(QUrl::FullyEncoded));
            command.replace(u"FOLDER"_s, QUrl::fromLocalFile(f.env.root()).toString(QUrl::FullyEncoded));
            command.replace(u"EMPTY"_s, QUrl::fromLocalFile(f.env.dataDir()).toString(QUrl::FullyEncoded));
            command.replace(u"LONG"_s, u"http://example.invalid/"_s + QString(70000, u'a'));
            const bool refused = command.startsWith(u'!');
            const ClientResult result = command.at(0).isUpper() ? call(command) : playerctl(command.remove(u'!'));
            QVERIFY2(result.finished && (result.exitCode != 0 || !result.err.isEmpty()) == refused,
                qPrintable(command.left(200)));
            if (command == u"pause"_s || command == u"stop"_s)
                QTRY_COMPARE_WITH_TIMEOUT(f.status(), command == u"stop"_s ? u"Stopped"_s : u"Paused"_s, 10000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), status.section(u'/', 0, 0), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), playing < 0 ? QString() : f.songs.at(playing), 5000);
        QCOMPARE(playerctl(u"status"_s).out, f.status());
        if (status.contains(u'/'))
            QCOMPARE(f.form->Label2->text(), status.section(u'/', 1));
        QCOMPARE(f.dialogs.messages.join(QString()), message);
        QCOMPARE(f.form->List1->count(), entries);
        // The scroll bar moves and sets the player's volume, as when the user moves it.
        QTRY_COMPARE_WITH_TIMEOUT(f.form->volume1->value(), scrollBar, 5000);
        QCOMPARE(f.form->MP1->volume(), scrollBar);
        if (playing >= 0) {
            QCOMPARE(f.form->List1->currentText(), f.songs.at(playing));
            QTRY_COMPARE_WITH_TIMEOUT(
                QUrl(playerctl(u"metadata xesam:url"_s).out).toLocalFile(), f.songs.at(playing), 5000);
        }
        // Stop, then Play, starts the same file from its beginning; Raise shows the window; Quit is Exit.
        QVERIFY(!commands.endsWith(u"play") || f.form->MP1->currentPosition() < 2.0);
        QCOMPARE(f.form->isVisible(), commands == u"Raise"_s);
        QTRY_COMPARE_WITH_TIMEOUT(f.endProcessCalls, commands == u"Quit"_s ? 1 : 0, 5000);
    }
    void metadataSeekingAndSignals()
    {
        MprisFixture f;
        QVERIFY(f.start());
        // dbus-monitor watching the signals of the MPRIS object; the signals seen so far with a member name, one text
        // each.
        QProcess monitor;
        const auto stopMonitor = qScopeGuard([&] { monitor.kill(), monitor.waitForFinished(); });
        monitor.start(u"dbus-monitor"_s, {u"--session"_s, u"type='signal',path='/org/mpris/MediaPlayer2'"_s});
        QString monitored;
        const auto read = [&](const QString &member = u"PropertiesChanged"_s) {
            monitored += QString::fromUtf8(monitor.readAllStandardOutput());
            return monitored.split(u"\nsignal "_s).filter(u"member="_s + member);
        };
        QVERIFY(QTest::qWaitFor([&] { return !read(u"NameLost"_s).isEmpty(); }, 10000)); // now it watches
        const auto announced = [&](const QString &text) { return !read().filter(text).isEmpty(); };
        const auto seeked = [&] { return read(u"Seeked"_s); };
        const auto position = [&] { return f.form->MP1->currentPosition(); };
        // A jump is announced once: the display's next tick, which looks for jumps, knows of it already.
        const auto seekedOnce = [&](qsizetype count) {
            if (!QTest::qWaitFor([&] { return seeked().size() >= count; }, 5000))
                return false;
            QTest::qWait(1000);
            return seeked().size() == count;
        };
        QVERIFY(f.play(0));
        QTRY_VERIFY_WITH_TIMEOUT(announced(u"Three Minutes"_s) && announced(u"\"Playing\""_s), 5000);
        const QStringList fields = playerctl(
            u"metadata --format {{xesam:title}}|{{xesam:artist}}|{{xesam:url}}|{{mpris:length}}|{{mpris:trackid}}"_s)
                                       .out.split(u'|');
        QCOMPARE(fields.mid(0, 2), QStringList({u"Three Minutes"_s, u"Long Player"_s}));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(QUrl(fields.at(2)).toLocalFile(), f.songs.at(0));
        QVERIFY2(std::abs(fields.at(3).toLongLong() - 187'000'000) < 500'000, qPrintable(fields.at(3))); // microseconds
        // An object path, which playerctl quotes; the artist a list of names.
        QCOMPARE(fields.at(4), u'\'' + f.service->player()->currentTrackId() + u'\'');
        QVERIFY(mprisProperty(u"Metadata"_s).contains(u"'xesam:artist': <['Long Player']>"_s));
        // The window's own Pause button and volume scroll bar are announced too.
        QTest::mouseClick(f.form->command11, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(announced(u"\"Paused\""_s), 5000);
        f.form->volume1->setValue(-2000);
        QTRY_VERIFY_WITH_TIMEOUT(announced(u"double 0.5"_s), 5000);
        // Nothing changes while the player is paused: no signal follows.
        const qsizetype settled = read().size();
        QTest::qWait(1500);
        QCOMPARE(read().size(), settled);

        // Paused, the position stays where a seek put it: absolute (with the current track id), then relative.
        QCOMPARE(playerctl(u"position 12"_s).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 12.0) < 0.6, 5000);
        QVERIFY2(seekedOnce(1), qPrintable(seeked().join(u'\n')));
        QVERIFY2(seeked().constLast().contains(u"int64 12000000"_s), qPrintable(seeked().constLast()));
        QCOMPARE(call(u"Player.Seek"_s, {u"--"_s, u"-5000000"_s}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(position() - 7.0) < 0.6, 5000);
        QVERIFY2(seekedOnce(2), qPrintable(seeked().join(u'\n')));
        // A position for a track that is no longer the opened one is ignored.
        QCOMPARE(call(u"Player.SetPosition"_s, {u"/io/github/quillet/track/999"_s, u"25000000"_s}).exitCode, 0);
        QTest::qWait(500);
        QVERIFY2(std::abs(position() - 7.0) < 0.6, qPrintable(QString::number(position())));
        // The window's fast forward button is a jump too.
        QTest::mouseClick(f.form->Command15, Qt::LeftButton);
        QVERIFY2(seekedOnce(3), qPrintable(seeked().join(u'\n')));
        // Seeking past the end goes on to the next entry.
        QCOMPARE(call(u"Player.Seek"_s, {u"200000000"_s}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.form->MP1->fileName(), f.songs.at(1), 5000);
        // A stopped file does not seek.
        QCOMPARE(playerctl(u"stop"_s).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Stopped"_s, 5000);
        QCOMPARE(mprisProperty(u"CanSeek"_s), u"(<false>,)"_s);
        const qsizetype before = seeked().size();
        QCOMPARE(call(u"Player.Seek"_s, {u"5000000"_s}).exitCode, 0);
        QTest::qWait(500);
        QCOMPARE(f.status(), u"Stopped"_s);
        QCOMPARE(seeked().size(), before);
    }
    void messageBoxDoesNotHoldTheCaller()
    {
        MprisFixture f;
        QVERIFY(f.start(1));
        QVERIFY(f.play(0));
        // A real message box runs its own event loop until the user presses OK. The D-Bus caller must have its answer
        // while the box is still open.
        QProcess client;
        bool clientDoneWhileOpen = false;
        f.dialogs.onMessage = [&](const QString &) {
            clientDoneWhileOpen = QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 20000)
                && client.exitCode() == 0;
        };
        client.start(u"playerctl"_s, {u"--player=quillet"_s, u"next"_s});
        QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.messages.size(), 1, 25000);
        QVERIFY(clientDoneWhileOpen);
    }
    void statusLineTrayAndMprisAgree_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("end"); // the status line once the engine stopped
        QTest::addColumn<QString>("message");
        // The playlist is cleared while the song plays; it then ends with nothing to go on to.
        QTest::newRow("cleared while playing")
            << u"song1.mp3"_s << u"Stoped.."_s << u"You Must Add Files Before you Can Play !"_s;
        // The server accepts the connection and never answers: nothing plays while the engine waits.
        QTest::newRow("server that never answers") << u"SILENT"_s << u"ERROR !"_s << u"An Error Has Occured ! "_s;
        // The same, started while a song plays: the song stops and the window waits.
        QTest::newRow("song, then a server that never answers")
            << u"tone-187s.mp3, SILENT"_s << u"ERROR !"_s << u"An Error Has Occured ! "_s;
    }
    // Started with Enter in the playlist: at every moment the status line, the tray's blinking and the MPRIS status
    // say the same as the engine, up to its end or failure and after it.
    void statusLineTrayAndMprisAgree()
    {
        QFETCH(QString, entry);
        QFETCH(QString, end);
        QFETCH(QString, message);
        LocalPort silent(true);
        MprisFixture f;
        QVERIFY(f.start(0));
        SettingsStore::write(u"Tray"_s, u"Animate"_s, u"1"_s);
        const QStringList entries = entry.split(u", "_s);
        for (const QString &one : entries)
            f.form->List1->add(one == u"SILENT"_s ? silent.url() : testData(one));
        QStringList disagreements;
        const auto check = [&](const QString &when) {
            const QString line = f.form->Label2->text();
            const bool blinking = f.form->trayIcon()->record.icon.cacheKey() != f.form->windowIcon().cacheKey();
            // A server that never answers has nothing to play.
            const bool playing
                = f.form->MP1->state() == MediaPlayer::State::Playing && f.form->MP1->fileName() != silent.url();
            if ((line == u"Playing.."_s) != playing || (f.status() == u"Playing"_s) != playing
                || (blinking && !playing))
                disagreements << when + u": "_s + line + u", MPRIS "_s + f.status()
                        + (blinking ? u", blinking"_s : u""_s);
        };
        f.dialogs.onMessage = [&](const QString &text) { check(u"message "_s + text); };
        f.form->List1->setListIndex(0);
        f.form->List1->setFocus();
        QTest::keyClick(f.form->List1, Qt::Key_Return);
        if (entries.size() > 1) { // the first plays; the user goes on to the next
            QTRY_VERIFY_WITH_TIMEOUT(f.status() == u"Playing"_s, 5000);
            QTest::keyClick(f.form->List1, Qt::Key_Down);
            QTest::keyClick(f.form->List1, Qt::Key_Return);
        }
        if (entries.constLast() != u"SILENT"_s) {
            QTRY_VERIFY_WITH_TIMEOUT(f.status() == u"Playing"_s, 5000);
            f.form->menuItem(u"removeall"_s)->trigger();
            QCOMPARE(f.form->List1->count(), 0);
        } else {
            QCOMPARE(f.form->Label2->text(), u"Waiting .."_s);
        }
        for (int tick = 0; f.dialogs.messages.isEmpty() && tick < 200; ++tick) {
            check(u"before the end"_s);
            QTest::qWait(50);
        }
        QVERIFY2(f.dialogs.messages.value(0).startsWith(message), qPrintable(f.dialogs.messages.join(u'|')));
        for (int tick = 0; tick < 25; ++tick) {
            check(u"after the end"_s);
            QTest::qWait(50);
        }
        QVERIFY2(disagreements.isEmpty(), qPrintable(disagreements.join(u'\n')));
        QCOMPARE(f.form->Label2->text(), end);
        QCOMPARE(playerctl(u"status"_s).out, u"Stopped"_s);
    }
    // Each format as the user sees it playing: the main window's fields, its information line and tray tip, and what
    // playerctl reads, the cover included; the cover's file and its folder go when Quillet ends.
    void formatsShowTheirTags_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fields"); // title|artist|album|year|comment
        QTest::addColumn<QString>("facts"); // the information line from the sample rate to the format
        QTest::addColumn<int>("track");
        QTest::addColumn<int>("cover"); // the width and height of the cover; 0 for none
        const auto row
            = [](const char *name, const char *file, const char *fields, const char *facts, int track, int cover) {
                  QTest::newRow(name) << QString::fromLatin1(file) << QString::fromUtf8(fields)
                                      << QString::fromLatin1(facts) << track << cover;
              };
        row("FLAC", "fmt.flac", "Flac Song|Flac Artist|Flac Album|2021|Flac words", "44 KHz * In Format : FLAC", 4, 16);
        row("FLAC named .mp3", "fmt-flac-named.mp3", "Flac Song|Flac Artist|Flac Album|2021|Flac words",
            "44 KHz * In Format : FLAC", 4, 16);
        row("Ogg Vorbis", "fmt.ogg", "Vorbis Song|Vorbis Artist|Vorbis Album|2022|Vorbis words",
            "44 KHz * In Format : Ogg Vorbis", 5, 16);
        row("Opus", "fmt.opus", "Opus Song|Ünïcödé Künstler|Opus Album|2023|Opus words", "48 KHz * In Format : Opus", 6,
            16);
        row("M4A", "fmt.m4a", "M4a Song|M4a Artist|M4a Album|2024|M4a words", "44 KHz * In Format : M4A", 7, 16);
        row("WAV, RIFF INFO", "fmt-wav-info.wav", "Wave Song|Wave Artist|Wave Album|2019|Wave words",
            "22 KHz And Data Rate : 353 KBPS In Format : WAV", 8, 0);
        row("WAV, ID3 chunk", "fmt-wav-id3.wav", "Chunk Song|Chunk Artist|Chunk Album|2017|chunk words",
            "22 KHz And Data Rate : 353 KBPS In Format : WAV", 3, 16);
        // ffmpeg writes the comment of an AIFF file as a user text, which is no comment to any reader.
        row("AIFF", "fmt.aiff", "Aiff Song|Aiff Artist|Aiff Album|2018|",
            "44 KHz And Data Rate : 1411 KBPS In Format : AIFF", 9, 0);
        row("MP3", "tags-cover23.mp3", "Cover Song|Cover Artist|Cover Album|2010|user comment",
            "44 KHz And Data Rate : 128 KBPS In Mpeg Version : 1", 0, 32);
    }
    void formatsShowTheirTags()
    {
        QFETCH(QString, file);
        QFETCH(QString, fields);
        QFETCH(QString, facts);
        QFETCH(int, track);
        QFETCH(int, cover);
        MprisFixture f;
        QVERIFY(f.start(0));
        const QString path = testData(file);
        f.form->List1->add(path);
        f.startEntry(0);
        const QStringList expected = fields.split(u'|');
        QTRY_COMPARE_WITH_TIMEOUT(f.form->Text4->text(), expected.at(0), 10000);
        QCOMPARE(
            (QStringList {f.form->Text4->text(), f.form->Text5->text(), f.form->Text6->text(), f.form->Text7->text()}),
            expected.mid(0, 4));
        // "*" stands for a bit rate, which depends on the encoder.
        const QString line = QRegularExpression::escape(u"File Name : "_s + path + u".  Sample Rate : "_s + facts
            + u" ("_s + expected.at(0) + u" , "_s + expected.at(1) + u") Album : "_s + expected.at(2) + u'('
            + expected.at(3) + u") , Comments : "_s + expected.at(4))
                                 .replace(u"\\*"_s, u"And Data Rate : [1-9][0-9]* KBPS"_s);
        QVERIFY2(QRegularExpression(u'^' + line + u'$').match(f.form->Label3->text()).hasMatch(),
            qPrintable(f.form->Label3->text()));
        QCOMPARE(f.form->trayIcon()->record.tip, u"Quillet -  "_s + expected.at(0) + u", "_s + expected.at(1));

        const QString format
            = u"metadata --format {{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{xesam:trackNumber}}|"
              "{{mpris:length}}|{{mpris:artUrl}}"_s;
        QTRY_COMPARE_WITH_TIMEOUT(playerctl(format).out.section(u'|', 0, 0), expected.at(0), 10000);
        const QStringList seen = playerctl(format).out.split(u'|');
        QCOMPARE(seen.size(), 6);
        QCOMPARE(seen.mid(0, 3), expected.mid(0, 3));
        QCOMPARE(seen.at(3), track ? QString::number(track) : QString());
        QVERIFY2(std::abs(seen.at(4).toLongLong() - 1'000'000) < 100'000, qPrintable(seen.at(4)));
        const QString art = QUrl(seen.at(5)).toLocalFile();
        QCOMPARE(art.isEmpty(), cover == 0);
        if (cover) {
            QCOMPARE(QImage(art).size(), QSize(cover, cover));
            f.form.reset();
            QVERIFY2(!QFileInfo::exists(QFileInfo(art).absolutePath()), "the cover or its folder stays in the cache");
        }
    }
    // An internet radio station names each song in its stream: Title, caption, tray tip and the desktop's controls
    // follow it. Before the first title the stream is shown by its name, unescaped.
    void streamTitleFollowsTheStation()
    {
        IcyServer station(testData(u"tone-22k-mono.mp3"_s), 64);
        const QString url = station.url(u"cbr%20128.mp3"_s);
        QVERIFY(!url.isEmpty());
        MprisFixture f;
        QVERIFY(f.start(0));
        f.form->List1->add(url);
        f.startEntry(0);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), u"Playing"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(f.form->windowTitle(), u" Quillet MP3 Player - cbr 128.."_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl(u"metadata xesam:title"_s).out, u"cbr 128"_s, 10000);
        for (const QString &title : {u"First Song"_s, u"Second Song"_s}) {
            station.setTitle(title);
            QTRY_COMPARE_WITH_TIMEOUT(f.form->Text4->text(), title, 15000);
            QCOMPARE(f.form->windowTitle(), u" Quillet MP3 Player - "_s + title + u".."_s);
            QTRY_COMPARE_WITH_TIMEOUT(
                f.form->trayIcon()->record.tip, u"Quillet MP3 Player - "_s + title + u".."_s, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(playerctl(u"metadata xesam:title"_s).out, title, 10000);
        }
    }
    // The desktop learns which files Quillet plays from its desktop entry and from its MPRIS service; both name the
    // same types, the formats whose tags it reads among them.
    void supportedTypesAreTheDesktopEntrys()
    {
        MprisFixture f;
        QVERIFY(f.start(0));
        QStringList served;
        const QString reply = mprisProperty(u"SupportedMimeTypes"_s, u"org.mpris.MediaPlayer2"_s);
        for (const QRegularExpressionMatch &type : QRegularExpression(u"'([^']+)'"_s).globalMatch(reply))
            served << type.captured(1);
        const QString entry
            = QString::fromUtf8(Form1Fixture::readFile(QStringLiteral(QUILLET_SOURCE_DIR "/data/quillet.desktop")));
        QStringList listed
            = QRegularExpression(u"\nMimeType=([^\n]*)"_s).match(entry).captured(1).split(u';', Qt::SkipEmptyParts);
        listed.sort();
        served.sort();
        QCOMPARE(served, listed);
        for (const QString &type : {u"audio/flac"_s, u"audio/x-vorbis+ogg"_s, u"audio/x-opus+ogg"_s, u"audio/mp4"_s,
                 u"audio/x-wav"_s, u"audio/x-aiff"_s, u"audio/mpeg"_s})
            QVERIFY2(served.contains(type), qPrintable(type));
    }
};

int main(int argc, char *argv[])
{
    return mainOnPrivateBus(argc, argv, [](int argc, char **argv) {
        QApplication app(argc, argv);
        TstMpris test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "tst_mpris.moc"
