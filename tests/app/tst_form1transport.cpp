// The main window from start-up to exit, driven by mouse and keys: a fake player serves for the rules, the real
// engine (null audio) where timing and the player's state matter.
#include "form1fixture.h"

#include "video/form3.h"
#include "video/frmbrowser.h"

#include <QApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QWheelEvent>

#include <clocale>
#include <cmath>
#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

static const QStringList kThree = {u"/m/a.mp3"_s, u"/m/b.mp3"_s, u"/m/c.mp3"_s};
static const QString kNoMore = u"There Are No More Files To Play !"_s;

class TstForm1Transport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void commandLine_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("manage");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("video");
        const QStringList defaults = {u"/music/b.mp3"_s, u"/music/c.mp3"_s};
        for (const char *ending : {".avi", ".mpeg", ".mov", ".mp4", ".m4v", ".mkv", ".webm", ".ogv"})
            QTest::newRow(ending) << u"/films/clip"_s + QLatin1String(ending) << u"0"_s << defaults << true;
        QTest::newRow("capital AVI is no video")
            << u"/f/CLIP.AVI"_s << u"0"_s << QStringList {u"/f/CLIP.AVI"_s} << false;
        QTest::newRow("media with Manage 0") << u"/music/a.mp3"_s << u"0"_s << QStringList {u"/music/a.mp3"_s} << false;
        QTest::newRow("media with Manage 1.0 joins the default playlist")
            << u"/music/d.mp3"_s << u"1.0"_s << QStringList {u"/music/b.mp3"_s, u"/music/c.mp3"_s, u"/music/d.mp3"_s}
            << false;
        QTest::newRow("m3u") << u"LIST.m3u"_s << u"0"_s << QStringList {u"/music/x.mp3"_s} << false;
        QTest::newRow("playlist without entries: the default") << u"EMPTY.m3u8"_s << u"0"_s << defaults << false;
        QTest::newRow("unreadable playlist: the default") << u"/gone/list.m3u"_s << u"0"_s << defaults << false;
    }
    void commandLine()
    {
        QFETCH(QString, argument);
        QFETCH(QString, manage);
        QFETCH(QStringList, entries);
        QFETCH(bool, video);
        Form1Fixture f;
        f.writeDefaultPlaylist("/music/c.mp3\r\n/music/b.mp3\r\n");
        SettingsStore::write(u"Opening Files"_s, u"Manage"_s, manage);
        if (argument.startsWith(u"LIST"_s) || argument.startsWith(u"EMPTY"_s)) {
            argument = f.env.path(argument);
            Form1Fixture::writeFile(argument, argument.contains(u"LIST"_s) ? "#EXTM3U\n/music/x.mp3\n" : "#EXTM3U\n");
        }
        const auto closeVideoWindow = qScopeGuard(&Form3::unload);
        Form1 &form = f.load(argument);
        QCOMPARE(f.entries(), entries);
        QCOMPARE(form.commandLineVideo(), video ? argument : QString());
        QCOMPARE(bool(Form3::instance()), video);
        // An unreadable playlist is reported (a video window greets with a message); start-up goes on.
        QCOMPARE(f.dialogs.messages.size(), int(video || argument.startsWith(u"/gone"_s)));
    }
    void automaticPlay_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("index");
        QTest::newRow("clock 12:00:41 picks the last of 3") << u"1"_s << QTime(12, 0, 41) << QString() << 2;
        QTest::newRow("clock 12:00:01 picks index 1") << u"1"_s << QTime(12, 0, 1) << QString() << 1;
        QTest::newRow("first file") << u"2"_s << QTime(12, 0, 41) << QString() << 0;
        QTest::newRow("a video argument suppresses it") << u"2"_s << QTime(12, 0, 1) << u"/v/clip.wmv"_s << -1;
    }
    void automaticPlay()
    {
        QFETCH(QString, mode);
        QFETCH(QTime, time);
        QFETCH(QString, argument);
        QFETCH(int, index);
        Form1Fixture f;
        f.writeDefaultPlaylist("/m/a.mp3\r\n/m/b.mp3\r\n/m/c.mp3\r\n");
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, mode);
        SettingsStore::write(u"Video"_s, u"Auto"_s, u"0"_s);
        const auto closeVideoWindow = qScopeGuard(&Form3::unload);
        Form1 &form = f.load(argument);
        form.setClock([time] { return time; });
        form.Timer2->start();
        QTest::qWait(300);
        QCOMPARE(f.player().calls.filter(u"setFileName"_s),
            index < 0 ? QStringList() : QStringList {u"setFileName "_s + f.entries().at(index)});
        QCOMPARE(form.Label1->text(), index < 0 ? QString() : QString::number(index));
        QCOMPARE(form.Label2->text(), u"Waiting .."_s);
        if (index >= 0) {
            f.player().emitMediaOpened();
            QCOMPARE(form.Label2->text(), u"Playing.."_s);
        }
    }
    void videosHandedOverPlay()
    {
        // Every video handed to the running window plays, also once the video playlist window exists.
        Form1Fixture f;
        const auto closeVideoWindow = qScopeGuard(&Form3::unload);
        const auto closeDisplayWindow = qScopeGuard(&frmBrowser::unload);
        SettingsStore::write(u"Video"_s, u"Auto"_s, u"1"_s);
        Form1 &form = f.load(u"/films/first.mkv"_s);
        QTRY_VERIFY(frmBrowser::instance());
        QTRY_COMPARE(frmBrowser::instance()->Media1->fileName(), u"/films/first.mkv"_s);
        form.openCommandLine(u"/films/second.webm"_s, false);
        QTRY_COMPARE(frmBrowser::instance()->Media1->fileName(), u"/films/second.webm"_s);
    }
    void playlistAtExit_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QByteArray>("written");
        const QByteArray old = "/old/a.mp3\r\n";
        // Relative entries are written with the root directory; the blank entry is not written first, where it would
        // hide the whole list at the next start.
        QTest::newRow("saved") << u"1"_s << QString()
                               << QByteArray("/music/one.mp3\r\n/music/two.mp3\r\nhttp://x/s\r\n/music/song.mp3\r\n");
        QTest::newRow("Save 0 leaves the old file") << u"0"_s << QString() << old;
        QTest::newRow("full disk: reported, old file kept") << u"1"_s << u"full"_s << old;
    }
    void playlistAtExit()
    {
        QFETCH(QString, save);
        QFETCH(QString, failure);
        QFETCH(QByteArray, written);
        Form1Fixture f;
        f.writeDefaultPlaylist("/old/a.mp3\r\n");
        SettingsStore::write(u"Playlist"_s, u"Save"_s, save);
        const QString list = f.env.path(u"with-blank.m3u"_s);
        Form1Fixture::writeFile(list, "/music/one.mp3\r\n\r\n/music/two.mp3\r\n");
        Form1 &form = f.load(list);
        form.List1->addMany({u"song.mp3"_s, u"http://x/s"_s});
        form.setRootDirectory(u"/music/"_s);
        // Root bypasses permissions but not a file-size limit.
        rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        if (failure == u"full") {
            std::signal(SIGXFSZ, SIG_IGN);
            form.List1->addMany(QStringList(2000, u"/new/song.mp3"_s));
            rlimit small = old;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        form.unload();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(Form1Fixture::readFile(PlaylistFile::defaultPlaylistPath()), written);
        QCOMPARE(f.dialogs.messages.size(), int(failure == u"full"));
        if (!failure.isEmpty())
            return;
        f.load();
        QCOMPARE(f.entries().size(), save == u"1" ? 4 : 1);
    }
    // One button press, or a double-click on the entry at "current": the playlist and the player before it, and what
    // the window and the player show after it. The root directory holds song.mp3.
    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("position"); // of the player and the slider (maximum 100); /a.mp3 loaded if "file" is
        QTest::addColumn<QString>("file"); // loaded after the press
        QTest::addColumn<int>("slider"); // after the press
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("messages");
        // "opening": the file was handed to the player, which says it plays once it opened it.
        const QString a = u"/a.mp3"_s, waiting = u"Waiting .."_s, playing = u"Playing.."_s,
                      opening = u"Waiting .. / Playing.."_s, next = u"command12"_s, previous = u"command13"_s;
        const auto row = [](const char *name, const QString &button, const QStringList &entries, const QString &current,
                             int position, const QString &file, int slider, const QString &status,
                             const QStringList &messages = {}) {
            QTest::newRow(name) << button << entries << current << position << file << slider << status << messages;
        };
        row("play: nothing", u"command9"_s, {}, {}, -1, {}, 0, waiting, {u"No File To Play !"_s});
        row("play: resumes", u"command9"_s, {}, {}, 3, a, 3, playing);
        row("play: the first entry, clicked", u"click, command9"_s, kThree, u"0"_s, -1, kThree[0], 0, opening);
        row("pause", u"command11"_s, {}, {}, 3, a, 3, u"Paused.."_s);
        row("pause without a file", u"command11"_s, {}, {}, 3, {}, 3, waiting, {u"There Is No File To Pause !"_s});
        row("stop shows the start", u"command10"_s, {}, {}, 42, a, 0, u"Stoped.."_s);
        row("next", next, kThree, u"1"_s, -1, kThree[2], 0, opening);
        row("next: last wraps", next, kThree, u"2"_s, -1, kThree[0], 0, opening, {kNoMore});
        row("next: past the end wraps", next, kThree, u"7"_s, -1, kThree[0], 0, opening, {kNoMore});
        row("previous", previous, kThree, u"2"_s, -1, kThree[1], 0, opening);
        row("previous: first wraps", previous, kThree, u"0"_s, -1, kThree[2], 0, opening, {kNoMore});
        row("previous: one entry", previous, {kThree[0]}, u"0"_s, -1, kThree[0], 0, opening, {kNoMore});
        row("previous: empty", previous, {}, u"0"_s, -1, {}, 0, waiting, {kNoMore, u"Please Add Some Files !"_s});
        row("double-click: relative under the root", u"dblclick"_s, {u"song.mp3"_s}, u"0"_s, -1, u"ROOT/song.mp3"_s, 0,
            opening);
        row("double-click: missing opens the root chooser", u"dblclick"_s, {u"gone.mp3"_s}, u"0"_s, -1, {}, 0, waiting);
        row("double-click: relative, no root folder yet", u"dblclick"_s, {u"song.mp3"_s}, u"0"_s, -1, {}, 0, waiting);
        row("fast forward", u"Command15"_s, {}, {}, 10, a, 15, playing);
        row("fast forward 4 s before the end", u"Command15"_s, {}, {}, 96, a, 96, waiting);
        row("rewind", u"Command16"_s, {}, {}, 10, a, 5, playing);
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, entries);
        QFETCH(QString, current);
        QFETCH(int, position);
        QFETCH(QString, file);
        QFETCH(int, slider);
        QFETCH(QString, status);
        QFETCH(QStringList, messages);
        Form1Fixture f;
        Form1 &form = f.show();
        QSignalSpy chooserRequests(&form, &Form1::rootChooserRequested);
        if (!QByteArray(QTest::currentDataTag()).contains("no root folder"))
            form.setRootDirectory(f.env.root() + u'/');
        Form1Fixture::writeFile(f.env.path(u"song.mp3"_s), "x");
        for (const QString &entry : entries)
            form.List1->add(entry);
        if (position >= 0) {
            if (!file.isEmpty()) {
                f.player().setFileName(u"/a.mp3"_s);
                f.player().emitMediaOpened();
            }
            f.player().setDuration(100);
            f.player().setPosition(position);
            form.Slider4->setRange(0, 100);
            form.Slider4->setValue(position);
            form.Label7->setText(u"00:42"_s);
        }
        form.Label1->setText(current);
        form.Label2->setText(u"Waiting .."_s);
        // "click, NAME": the current entry clicked first.
        if (button.startsWith(u"click, "_s))
            f.clickEntry(current.toInt());
        button == u"dblclick" ? f.clickEntry(current.toInt(), true) : f.click(button.section(u", "_s, -1));
        QCOMPARE(f.dialogs.messages, messages);
        QCOMPARE(f.player().fileName(), file.replace(u"ROOT"_s, f.env.root()));
        QCOMPARE(chooserRequests.size(), int(button == u"dblclick" && file.isEmpty()));
        QCOMPARE(form.Label2->text(), status.section(u" / "_s, 0, 0));
        if (status.contains(u" / "_s)) {
            f.player().emitMediaOpened();
            QCOMPARE(form.Label2->text(), status.section(u" / "_s, 1));
        }
        QCOMPARE(form.Slider4->value(), slider);
        QCOMPARE(form.sliderMarker(), slider);
        if (position >= 0 && !file.isEmpty())
            QCOMPARE(f.player().currentPosition(), double(slider));
        if (button == u"command10")
            QCOMPARE(form.Label7->text(), u"00:00"_s);
        if (!entries.isEmpty() && !file.isEmpty())
            QCOMPARE(form.Label1->text(), QString::number(form.List1->listIndex()));
    }
    void endOfStreamWrapsOrRewinds()
    {
        // At the end of the last entry the list starts again from the first, whatever "Continue" says.
        Form1Fixture f;
        Form1 &form = f.load();
        SettingsStore::write(u"Playlist"_s, u"Continue"_s, u"0"_s);
        form.List1->addMany(kThree);
        form.Label1->setText(u"2"_s);
        f.player().setFileName(u"/playing.mp3"_s);
        f.player().emitEndOfStream();
        QCOMPARE(f.player().fileName(), kThree[0]);
        // Auto-rewind plays the same file again.
        f.player().setAutoRewind(true);
        f.player().calls.clear();
        f.player().emitEndOfStream();
        QCOMPARE(f.player().calls, QStringList {u"setFileName /m/a.mp3"_s});
    }
    // One paused file takes every way of moving the slider in turn: each seeks as dragging does, and the handle stays;
    // a drag then plays on from the drop.
    void sliderSeeksWhilePausedAndStopShowsTheStart()
    {
        Form1Fixture f(Form1Fixture::Engine::Real);
        f.writeDefaultPlaylist(QFile::encodeName(testData(u"tone-187s.mp3"_s)) + "\r\n");
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"2"_s);
        Form1 &form = f.show();
        QTRY_COMPARE_WITH_TIMEOUT(form.Label8->text(), u"03:07"_s, 5000);
        f.click(u"command11"_s);
        // One display tick puts the handle where playback paused.
        QSignalSpy tick(form.Timer1, &QTimer::timeout);
        QVERIFY(tick.wait(3000));
        // A click on the groove jumps to the point clicked: three quarters of the bar is about 140 of 187 s.
        const QList<QPair<QString, int>> inputs
            = {{u"PageUp"_s, 10}, {u"Right"_s, 1}, {u"groove"_s, 0}, {u"wheel"_s, 3}, {u"Command15"_s, 5}};
        for (const auto &[input, step] : inputs) {
            // A pause lands a moment after the click: the handle first shows where playback came to rest.
            QTRY_COMPARE_WITH_TIMEOUT(form.Slider4->value(), qRound(form.MP1->currentPosition()), 3000);
            const int start = form.Slider4->value();
            int target = start + step;
            const QPoint right(form.Slider4->width() * 3 / 4, form.Slider4->height() / 2);
            QWheelEvent wheel(right, form.Slider4->mapToGlobal(right), {}, {0, 120}, {}, {}, Qt::NoScrollPhase, false);
            if (input == u"groove") { // right of the handle, which sits near the start
                QTest::mouseClick(form.Slider4, Qt::LeftButton, {}, right);
                QTRY_VERIFY_WITH_TIMEOUT(std::abs(form.MP1->currentPosition() - 140) < 8, 3000);
                target = qRound(form.MP1->currentPosition());
            } else if (input == u"wheel") { // one notch: three single steps
                QApplication::sendEvent(form.Slider4, &wheel);
            } else if (input == u"Command15") {
                f.click(input);
            } else {
                QTest::keyClick(form.Slider4, input == u"PageUp" ? Qt::Key_PageUp : Qt::Key_Right);
            }
            QTRY_COMPARE_WITH_TIMEOUT(qRound(form.MP1->currentPosition()), target, 3000);
            // The next display tick leaves the handle where the user put it; nothing claims to play.
            QVERIFY(tick.wait(3000));
            QVERIFY2(form.Slider4->value() == target, qPrintable(input));
            QCOMPARE(form.MP1->state(), MediaPlayer::State::Paused);
            QCOMPARE(form.Label2->text(), u"Paused.."_s);
        }

        // Dragging the handle plays from where it is dropped, and the display ticks move it on from there.
        const QPoint handle = Form1Fixture::handleCentre(form.Slider4);
        const QPoint drop(form.Slider4->width() * 3 / 4, handle.y());
        QTest::mousePress(form.Slider4, Qt::LeftButton, {}, handle);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(form.Slider4, handle + (drop - handle) * step / 4);
        QTest::mouseRelease(form.Slider4, Qt::LeftButton, {}, drop);
        const int dropped = form.Slider4->value();
        QVERIFY2(dropped > 100, qPrintable(QString::number(dropped)));
        QTRY_COMPARE_WITH_TIMEOUT(form.MP1->state(), MediaPlayer::State::Playing, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(form.MP1->currentPosition() - dropped) < 2, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(form.Slider4->value() >= dropped + 2, 6000);
        QCOMPARE(form.Label2->text(), u"Playing.."_s);

        // After Stop the window shows the start, where the next Play begins; Fast Forward has nothing to move.
        f.click(u"command10"_s);
        QCOMPARE(form.MP1->currentPosition(), 0.0);
        QCOMPARE(form.MP1->duration(), 0.0);
        QVERIFY(tick.wait(3000));
        f.click(u"Command15"_s);
        QCOMPARE(form.Slider4->value(), 0);
        QCOMPARE(form.Label9->text(), u"Time : 00:00/03:07 "_s);
        QCOMPARE(form.Label2->text(), u"Stoped.."_s);
        f.click(u"command9"_s);
        QTRY_COMPARE_WITH_TIMEOUT(form.MP1->state(), MediaPlayer::State::Playing, 3000);
        QVERIFY(form.MP1->currentPosition() < 1);
    }
    void repeatedPlaysEndAsOnePlay_data()
    {
        QTest::addColumn<QString>("continueSetting");
        QTest::newRow("Continue 1 moves on") << u"1"_s;
        QTest::newRow("Continue 0 stops") << u"0"_s;
    }
    void repeatedPlaysEndAsOnePlay()
    {
        QFETCH(QString, continueSetting);
        Form1Fixture f(Form1Fixture::Engine::Real);
        const QStringList songs = {testData(u"song1.mp3"_s), testData(u"song2.mp3"_s), testData(u"song3.mp3"_s)};
        QVERIFY(PlaylistFile::write(PlaylistFile::defaultPlaylistPath(), songs).ok);
        SettingsStore::write(u"Opening Files"_s, u"Auto Play"_s, u"2"_s);
        SettingsStore::write(u"Playlist"_s, u"Continue"_s, continueSetting);
        SettingsStore::write(u"Tray"_s, u"Animate"_s, u"1"_s);
        Form1 &form = f.show();
        // Play count 2, set with a key on its bar before automatic play starts the first song.
        QTest::keyClick(form.slider2, Qt::Key_Down);
        QCOMPARE(form.MP1->playCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), u" Quillet MP3 Player - song1.."_s, 5000);
        QCOMPARE(form.Label8->text(), u"00:02"_s);
        QTRY_COMPARE_WITH_TIMEOUT(form.trayIcon()->record.tip, u"Quillet -  Song 1, Artist 1"_s, 3000);
        if (continueSetting == u"1") {
            QTRY_COMPARE_WITH_TIMEOUT(form.windowTitle(), u" Quillet MP3 Player - song2.."_s, 10000);
            QCOMPARE(form.Label1->text(), u"1"_s);
            QTRY_COMPARE_WITH_TIMEOUT(form.Label2->text(), u"Playing.."_s, 5000);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(form.Label2->text(), u"Stoped.."_s, 10000);
        QCOMPARE(form.MP1->fileName(), songs[0]);
        // The tray stops blinking: its icon is the window's own at the next ticks.
        QTest::qWait(2100);
        QCOMPARE(form.trayIcon()->record.icon.cacheKey(), form.windowIcon().cacheKey());
    }
    void draggingAnAudioBar_data()
    {
        QTest::addColumn<QString>("bar");
        QTest::addColumn<bool>("toTop");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("heard"); // the player's balance, volume, play count or auto-rewind afterwards
        QTest::newRow("balance to the left") << u"Slider1"_s << true << u"Balance"_s << u"-9640"_s << -9640;
        QTest::newRow("balance to the right") << u"Slider1"_s << false << u"Balance"_s << u"9640"_s << 9640;
        QTest::newRow("volume down to the bottom") << u"volume1"_s << true << u"Volume"_s << u"MUTE"_s << -4000;
        QTest::newRow("volume up to full") << u"volume1"_s << false << u"Volume"_s << u"FULL"_s << 0;
        QTest::newRow("play count up to ten") << u"slider2"_s << false << u"Playcount"_s << u"10"_s << 10;
        QTest::newRow("auto-rewind on") << u"slider3"_s << false << u"Auto Rewind"_s << u"ON"_s << 1;
    }
    // While a bar is dragged the info line names it and shows its value, and the player follows; leaving the bar clears
    // the line. RESET puts the bar back, and the player follows again.
    void draggingAnAudioBar()
    {
        QFETCH(QString, bar);
        QFETCH(bool, toTop);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(int, heard);
        Form1Fixture f;
        Form1 &form = f.show();
        auto *scrollBar = form.findChild<QScrollBar *>(bar);
        scrollBar->setValue((scrollBar->minimum() + scrollBar->maximum()) / 2);
        const QPoint handle = Form1Fixture::handleCentre(scrollBar);
        const QPoint end(handle.x(), toTop ? -50 : scrollBar->height() + 50);
        QTest::mousePress(scrollBar, Qt::LeftButton, {}, handle);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(scrollBar, handle + (end - handle) * step / 4);
        QCOMPARE(form.Text2->text(), name);
        QCOMPARE(form.Text1->text(), value);
        QTest::mouseRelease(scrollBar, Qt::LeftButton, {}, end);
        const auto heardNow = [&f, &bar] {
            return bar == u"Slider1"_s ? f.player().balance()
                : bar == u"volume1"_s  ? f.player().volume()
                : bar == u"slider2"_s  ? f.player().playCount()
                                       : int(f.player().autoRewind());
        };
        QCOMPARE(heardNow(), heard);
        // The labels stay until the bar loses the keyboard focus.
        QCOMPARE(form.Text1->text(), value);
        QTest::keyClick(scrollBar, Qt::Key_Tab);
        QVERIFY(!scrollBar->hasFocus());
        QCOMPARE(form.Text2->text() + form.Text1->text(), QString());
        // Balance and volume reset to 0, play count and auto-rewind (off) to 1.
        f.click(u"Command8"_s);
        const int reset = bar.startsWith(u"slider"_s) ? 1 : 0;
        QCOMPARE(scrollBar->value(), reset);
        QCOMPARE(heardNow(), bar == u"slider3"_s ? 0 : reset);
    }
};

QTEST_MAIN(TstForm1Transport)
#include "tst_form1transport.moc"
