// Transport, playback events, display timers and audio controls of the main window, against a fake player.
#include "form1fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryFile>

using namespace quillet;
using namespace quillet::testing;

class TstForm1Transport : public QObject
{
    Q_OBJECT

private slots:
    // Starting entries and the transport commands.
    void startEntry_data();
    void startEntry();
    void playLoadsSelectedEntryOrComplains();
    void playResumesLoadedFile();
    void stopThenPlay();
    void pause_data();
    void pause();
    void stepping_data();
    void stepping();
    void fastForwardAndRewind_data();
    void fastForwardAndRewind();
    void positionSlider();

    // Player events.
    void endOfStream_data();
    void endOfStream();
    void endOfStreamOnEmptyPlaylist();
    void errorShowsDescriptionAndTip();
    void mediaOpenedFillsTheWindow();
    void timeDisplay_data();
    void timeDisplay();
    void marqueeWraps();

    // Audio controls.
    void volumeLabels_data();
    void volumeLabels();
    void scrollLabels_data();
    void scrollLabels();
    void arrowClicksChangePlayerButNotLabels();
    void focusLossClearsLabels();
    void resetRestoresPlayer();
    void muteIsIndependentOfVolume();
};

void TstForm1Transport::startEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("root");
    QTest::addColumn<bool>("createFile");
    QTest::addColumn<bool>("plays");
    QTest::newRow("URL is used unchanged") << QStringLiteral("http://radio/stream") << QString() << false << true;
    QTest::newRow("relative with empty root opens chooser") << QStringLiteral("song.mp3") << QString() << false
                                                            << false;
    QTest::newRow("relative found under root") << QStringLiteral("song.mp3") << QStringLiteral("ROOT") << true << true;
    QTest::newRow("relative missing under root opens chooser")
        << QStringLiteral("gone.mp3") << QStringLiteral("ROOT") << false << false;
}

void TstForm1Transport::startEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, root);
    QFETCH(bool, createFile);
    QFETCH(bool, plays);
    Form1Fixture f;
    Form1 &form = f.load();
    int chooserRequests = 0;
    connect(&form, &Form1::rootChooserRequested, this, [&] { ++chooserRequests; });
    if (root == QLatin1String("ROOT"))
        root = f.env.root() + QLatin1Char('/');
    form.setRootDirectory(root);
    if (createFile)
        Form1Fixture::writeFile(root + entry, "x");
    form.List1->addMany({QStringLiteral("/a/first.mp3"), entry});
    const int index = form.List1->entries().indexOf(entry);
    form.List1->setListIndex(index);
    form.List1_DblClick();
    if (plays) {
        const QString expected = entry.contains(QLatin1Char(':')) ? entry : root + entry;
        QCOMPARE(f.player().fileName(), expected);
        QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
        QCOMPARE(form.Label1->text(), QString::number(index));
        QCOMPARE(chooserRequests, 0);
    } else {
        QVERIFY(f.player().fileName().isEmpty());
        QCOMPARE(chooserRequests, 1);
        QCOMPARE(form.Label2->text(), QStringLiteral("Waiting .."));
    }
}

void TstForm1Transport::playLoadsSelectedEntryOrComplains()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.command9_Click();
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("No File To Play !")});

    // A selected relative entry is joined to the root directory before it reaches the player.
    form.setRootDirectory(QStringLiteral("/music/"));
    form.List1->add(QStringLiteral("x.mp3"));
    form.List1->setListIndex(0);
    form.command9_Click();
    QCOMPARE(f.player().fileName(), QStringLiteral("/music/x.mp3"));
    // This step leaves the status and index to the media-opened handling.
    QCOMPARE(form.Label2->text(), QStringLiteral("Waiting .."));
    QCOMPARE(form.Label1->text(), QString());
}

void TstForm1Transport::playResumesLoadedFile()
{
    Form1Fixture f;
    Form1 &form = f.load();
    f.player().setFileName(QStringLiteral("/a.mp3"));
    f.player().calls.clear();
    form.command9_Click();
    QCOMPARE(f.player().calls, QStringList{QStringLiteral("play")});
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
}

void TstForm1Transport::stopThenPlay()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.command10_Click();
    QVERIFY(f.player().calls.isEmpty());
    f.player().setFileName(QStringLiteral("/a.mp3"));
    f.player().setPosition(42);
    f.player().calls.clear();
    form.command10_Click();
    QCOMPARE(f.player().calls, (QStringList{QStringLiteral("setCurrentPosition 0"), QStringLiteral("stop")}));
    QCOMPARE(form.Label2->text(), QStringLiteral("Stoped.."));
    form.command9_Click();
    QCOMPARE(f.player().calls.last(), QStringLiteral("play"));
    QCOMPARE(f.player().currentPosition(), 0.0);
    QCOMPARE(f.player().fileName(), QStringLiteral("/a.mp3"));
}

void TstForm1Transport::pause_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("playing") << QStringLiteral("/a.mp3") << 3.0 << QStringLiteral("Paused..") << QStringList{};
    QTest::newRow("at position 0 nothing happens") << QStringLiteral("/a.mp3") << 0.0 << QStringLiteral("Waiting ..")
                                                   << QStringList{};
    QTest::newRow("no file") << QString() << 3.0 << QStringLiteral("Waiting ..")
                             << QStringList{QStringLiteral("There Is No File To Pause !")};
}

void TstForm1Transport::pause()
{
    QFETCH(QString, file);
    QFETCH(double, position);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    Form1Fixture f;
    Form1 &form = f.load();
    if (!file.isEmpty())
        f.player().setFileName(file);
    f.player().setPosition(position);
    form.command11_Click();
    QCOMPARE(form.Label2->text(), status);
    QCOMPARE(f.dialogs.messages, messages);
    QCOMPARE(f.player().calls.contains(QStringLiteral("pause")), status == QLatin1String("Paused.."));
}

static const QStringList kThree = {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3"), QStringLiteral("/m/c.mp3")};
static const QString kNoMore = QStringLiteral("There Are No More Files To Play !");

void TstForm1Transport::stepping_data()
{
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("expectedIndex");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("next: middle") << true << kThree << QStringLiteral("1") << 2 << QStringList{};
    QTest::newRow("next: empty index reads as 0") << true << kThree << QString() << 1 << QStringList{};
    QTest::newRow("next: last wraps with message") << true << kThree << QStringLiteral("2") << 0
                                                   << QStringList{kNoMore};
    QTest::newRow("next: past the end after removals wraps") << true << kThree << QStringLiteral("7") << 0
                                                             << QStringList{kNoMore};
    QTest::newRow("next: empty playlist") << true << QStringList{} << QStringLiteral("0") << -1
                                          << QStringList{kNoMore};
    QTest::newRow("previous: middle") << false << kThree << QStringLiteral("2") << 1 << QStringList{};
    QTest::newRow("previous: first wraps to last") << false << kThree << QStringLiteral("0") << 2
                                                   << QStringList{kNoMore};
    QTest::newRow("previous: one entry restarts it") << false << QStringList{QStringLiteral("/m/a.mp3")}
                                                     << QStringLiteral("0") << 0 << QStringList{kNoMore};
    QTest::newRow("previous: no entries") << false << QStringList{} << QStringLiteral("0") << -1
                                          << QStringList{kNoMore, QStringLiteral("Please Add Some Files !")};
    QTest::newRow("previous: beyond the end goes to the last") << false << kThree << QStringLiteral("9") << 2
                                                               << QStringList{};
}

void TstForm1Transport::stepping()
{
    QFETCH(bool, forward);
    QFETCH(QStringList, entries);
    QFETCH(QString, current);
    QFETCH(int, expectedIndex);
    QFETCH(QStringList, messages);
    Form1Fixture f;
    Form1 &form = f.load();
    form.List1->addMany(entries);
    form.Label1->setText(current);
    forward ? form.command12_Click() : form.command13_Click();
    QCOMPARE(f.dialogs.messages, messages);
    if (expectedIndex < 0) {
        QVERIFY(f.player().fileName().isEmpty());
        return;
    }
    QCOMPARE(f.player().fileName(), entries.at(expectedIndex));
    QCOMPARE(form.Label1->text(), QString::number(expectedIndex));
    QCOMPARE(form.List1->listIndex(), expectedIndex);
}

void TstForm1Transport::fastForwardAndRewind_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("expectedValue");
    QTest::newRow("forward") << 100 << 10 << true << 15;
    QTest::newRow("forward 4 s before the end does nothing") << 100 << 96 << true << 96;
    QTest::newRow("forward exactly 5 s before the end does nothing") << 100 << 95 << true << 95;
    QTest::newRow("rewind") << 100 << 10 << false << 5;
    QTest::newRow("rewind near the start does nothing") << 100 << 5 << false << 5;
}

void TstForm1Transport::fastForwardAndRewind()
{
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(bool, forward);
    QFETCH(int, expectedValue);
    Form1Fixture f;
    Form1 &form = f.load();
    form.Slider4->setRange(0, maximum);
    form.Slider4->setValue(value);
    f.player().calls.clear();
    forward ? form.Command15_Click() : form.Command16_Click();
    QCOMPARE(form.Slider4->value(), expectedValue);
    const QStringList seeks = f.player().calls.filter(QStringLiteral("setCurrentPosition"));
    QCOMPARE(seeks, expectedValue == value ? QStringList{}
                                           : QStringList{QStringLiteral("setCurrentPosition %1").arg(expectedValue)});
    QCOMPARE(form.sliderMarker(), expectedValue);
}

void TstForm1Transport::positionSlider()
{
    Form1Fixture f;
    Form1 &form = f.load();
    f.player().setFileName(QStringLiteral("/a.mp3"));
    f.player().setDuration(120);
    form.Slider4->setRange(0, 120);
    f.player().calls.clear();
    form.Slider4_MouseDown();
    form.Slider4->setSliderPosition(30);
    form.Slider4_Scroll();
    form.Slider4_MouseUp();
    QCOMPARE(f.player().calls,
             (QStringList{QStringLiteral("pause"), QStringLiteral("setCurrentPosition 30"), QStringLiteral("play")}));
    // While the slider is held, the display timer leaves it alone.
    form.Slider4_MouseDown();
    f.player().setPosition(80);
    form.Timer1_Timer();
    QCOMPARE(form.Slider4->value(), 30);
    form.Slider4_MouseUp();
    form.Timer1_Timer();
    QCOMPARE(form.Slider4->value(), 80);
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
}

void TstForm1Transport::endOfStream_data()
{
    QTest::addColumn<int>("playCount");
    QTest::addColumn<bool>("autoRewind");
    QTest::addColumn<QString>("continueSetting");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expectedFile");
    QTest::newRow("moves on") << 1 << false << QStringLiteral("1") << QStringLiteral("0") << kThree.at(1);
    QTest::newRow("last wraps to first") << 1 << false << QStringLiteral("1") << QStringLiteral("2") << kThree.at(0);
    QTest::newRow("last wraps even with Continue 0") << 1 << false << QStringLiteral("0") << QStringLiteral("2")
                                                     << kThree.at(0);
    QTest::newRow("Continue 0 stops") << 1 << false << QStringLiteral("0") << QStringLiteral("0") << QString();
    QTest::newRow("play count 3 leaves it to the player") << 3 << false << QStringLiteral("1") << QStringLiteral("0")
                                                          << QString();
    QTest::newRow("auto-rewind restarts the file") << 1 << true << QStringLiteral("1") << QStringLiteral("0")
                                                   << QStringLiteral("/playing.mp3");
}

void TstForm1Transport::endOfStream()
{
    QFETCH(int, playCount);
    QFETCH(bool, autoRewind);
    QFETCH(QString, continueSetting);
    QFETCH(QString, current);
    QFETCH(QString, expectedFile);
    Form1Fixture f;
    Form1 &form = f.load();
    SettingsStore::write(QStringLiteral("Playlist"), QStringLiteral("Continue"), continueSetting);
    form.List1->addMany(kThree);
    form.Label1->setText(current);
    f.player().setFileName(QStringLiteral("/playing.mp3"));
    f.player().setPlayCount(playCount);
    f.player().setAutoRewind(autoRewind);
    f.player().calls.clear();
    f.player().emitEndOfStream();
    const QStringList loads = f.player().calls.filter(QStringLiteral("setFileName"));
    QCOMPARE(loads, expectedFile.isEmpty() ? QStringList{} : QStringList{QStringLiteral("setFileName ") + expectedFile});
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TstForm1Transport::endOfStreamOnEmptyPlaylist()
{
    Form1Fixture f;
    f.load();
    f.player().emitEndOfStream();
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("You Must Add Files Before you Can Play !")});
}

void TstForm1Transport::errorShowsDescriptionAndTip()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Slider1->setValue(500);
    f.player().setError(QStringLiteral("loading failed"), QStringLiteral("Check that the file exists."));
    f.player().emitError();
    QCOMPARE(f.dialogs.messages, (QStringList{QStringLiteral("An Error Has Occured ! loading failed"),
                                              QStringLiteral("Tip To Solve The Problem: Check that the file exists.")}));
    QCOMPARE(form.Label2->text(), QStringLiteral("ERROR !"));
    QCOMPARE(form.Slider1->value(), 0);
    QCOMPARE(f.player().balance(), 0);
}

void TstForm1Transport::mediaOpenedFillsTheWindow()
{
    Form1Fixture f;
    Form1 &form = f.load();
    const QString song = testData(QStringLiteral("song2.mp3"));
    form.List1->addMany({song, QStringLiteral("/zzz.mp3")});
    form.List1->setListIndex(0);
    f.player().setFileName(song);
    f.player().setDuration(185);
    f.player().emitMediaOpened();
    QCOMPARE(form.Label1->text(), QStringLiteral("0"));
    QCOMPARE(form.Label8->text(), QStringLiteral("03:05"));
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
    QCOMPARE(form.Text4->text(), QStringLiteral("Song 2"));
    QCOMPARE(form.Text5->text(), QStringLiteral("Artist 2"));
    QCOMPARE(form.Text6->text(), QStringLiteral("Album 2"));
    QCOMPARE(form.Text7->text(), QStringLiteral("2002"));
    QCOMPARE(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."));
    QCOMPARE(form.Label3->text(), QStringLiteral("File Name : ") + song
                                      + QStringLiteral(".  Sample Rate : 44 KHz And Data Rate : 128 KBPS In Mpeg "
                                                       "Version : 1 (Song 2 , Artist 2) Album : Album 2(2002) , "
                                                       "Comments : "));
    QCOMPARE(form.trayIcon()->record.tip, QStringLiteral("Quillet -  Song 2, Artist 2"));
}

void TstForm1Transport::timeDisplay_data()
{
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("label7");
    QTest::addColumn<QString>("label9");
    QTest::newRow("3 min 5 s") << 185.0 << 185.0 << QStringLiteral("03:05") << QStringLiteral("Time : 03:05/03:05 ");
    QTest::newRow("125 minutes") << 7500.0 << 7500.0 << QStringLiteral("125:00")
                                 << QStringLiteral("Time : 125:00/125:00 ");
    QTest::newRow("below 0.5 s leaves the labels") << 185.0 << 0.4 << QStringLiteral("KEEP") << QStringLiteral("KEEP");
    QTest::newRow("0.5 s rounds to even and leaves the labels") << 185.0 << 0.5 << QStringLiteral("KEEP")
                                                                << QStringLiteral("KEEP");
    QTest::newRow("1.5 s rounds up to 2") << 185.0 << 1.5 << QStringLiteral("00:02")
                                          << QStringLiteral("Time : 00:02/03:05 ");
}

void TstForm1Transport::timeDisplay()
{
    QFETCH(double, duration);
    QFETCH(double, position);
    QFETCH(QString, label7);
    QFETCH(QString, label9);
    Form1Fixture f;
    Form1 &form = f.load();
    f.player().setFileName(QStringLiteral("/a.mp3"));
    f.player().setDuration(duration);
    f.player().emitMediaOpened();
    form.Label7->setText(QStringLiteral("KEEP"));
    form.Label9->setText(QStringLiteral("KEEP"));
    f.player().setPosition(position);
    form.Timer1_Timer();
    QCOMPARE(form.Label7->text(), label7);
    QCOMPARE(form.Label9->text(), label9);
    QCOMPARE(form.Slider4->maximum(), int(duration));
    QCOMPARE(form.Slider4->toolTip(),
             QStringLiteral("Current Position : KEEP Of ") + form.Label8->text() + QLatin1Char(' '));
}

void TstForm1Transport::marqueeWraps()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Label3->setText(QStringLiteral("x"));
    form.Label3->resize(15, 10); // 225 twips at 96 DPI
    // Ticks until the label jumps back to the right edge of the marquee area.
    const auto ticksToWrap = [&form] {
        int ticks = 0;
        int lastX = form.Label3->x();
        while (ticks < 200) {
            form.Timer2_Timer();
            ++ticks;
            if (form.Label3->x() > lastX)
                break;
            lastX = form.Label3->x();
        }
        return ticks;
    };
    // From 0: -80, -160, -240 (past minus its width), then back to 4800 twips.
    QCOMPARE(ticksToWrap(), 4);
    QCOMPARE(form.Label3->x(), 320);
    // From 4800 twips at 80 a tick, 63 moves reach -240, and the 64th tick jumps back.
    QCOMPARE(ticksToWrap(), 64);
    QCOMPARE(form.Label3->x(), 320);
}

void TstForm1Transport::volumeLabels_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full") << 0 << QStringLiteral("FULL");
    QTest::newRow("bottom") << -4000 << QStringLiteral("MUTE");
    QTest::newRow("between") << -1234 << QStringLiteral("-1234");
}

void TstForm1Transport::volumeLabels()
{
    QFETCH(int, value);
    QFETCH(QString, shown);
    Form1Fixture f;
    Form1 &form = f.load();
    form.volume1->setSliderPosition(value);
    form.volume1_Scroll();
    QCOMPARE(form.Text2->text(), QStringLiteral("Volume"));
    QCOMPARE(form.Text1->text(), shown);
    QCOMPARE(f.player().volume(), value);
    QVERIFY(!f.player().mute());
}

void TstForm1Transport::scrollLabels_data()
{
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("playerCall");
    QTest::newRow("balance") << QStringLiteral("Slider1") << -300 << QStringLiteral("Balance") << QStringLiteral("-300")
                             << QStringLiteral("setBalance -300");
    QTest::newRow("play count") << QStringLiteral("slider2") << 4 << QStringLiteral("Playcount") << QStringLiteral("4")
                                << QStringLiteral("setPlayCount 4");
    QTest::newRow("auto-rewind on") << QStringLiteral("slider3") << 2 << QStringLiteral("Auto Rewind")
                                    << QStringLiteral("ON") << QStringLiteral("setAutoRewind 1");
}

void TstForm1Transport::scrollLabels()
{
    QFETCH(QString, bar);
    QFETCH(int, value);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    QFETCH(QString, playerCall);
    Form1Fixture f;
    Form1 &form = f.load();
    auto *scrollBar = form.findChild<QScrollBar *>(bar);
    QVERIFY(scrollBar);
    f.player().calls.clear();
    // A thumb drag moves the bar, which fires both its scroll and its change handling.
    scrollBar->setSliderDown(true);
    scrollBar->setSliderPosition(value);
    scrollBar->setSliderDown(false);
    QCOMPARE(form.Text2->text(), name);
    QCOMPARE(form.Text1->text(), shown);
    QVERIFY2(f.player().calls.contains(playerCall), qPrintable(f.player().calls.join(QLatin1Char(','))));
}

void TstForm1Transport::arrowClicksChangePlayerButNotLabels()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Text1->setText(QStringLiteral("before"));
    form.Slider1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.player().balance(), 10);
    form.slider3->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QVERIFY(f.player().autoRewind());
    QCOMPARE(form.Text1->text(), QStringLiteral("before"));
}

void TstForm1Transport::focusLossClearsLabels()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Text1->setText(QStringLiteral("1"));
    form.Text2->setText(QStringLiteral("Volume"));
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(form.volume1, &out);
    QCOMPARE(form.Text1->text(), QString());
    QCOMPARE(form.Text2->text(), QString());
}

void TstForm1Transport::resetRestoresPlayer()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Slider1->setValue(400);
    form.volume1->setValue(-2000);
    form.slider2->setValue(5);
    form.slider3->setValue(2);
    form.Text1->setText(QStringLiteral("kept"));
    form.Option1->setChecked(true);
    form.Command8_Click();
    QCOMPARE(f.player().balance(), 0);
    QCOMPARE(f.player().volume(), 0);
    QCOMPARE(f.player().playCount(), 1);
    QVERIFY(!f.player().autoRewind());
    QCOMPARE(form.Text1->text(), QStringLiteral("kept"));
    QVERIFY(form.Option1->isChecked());
}

void TstForm1Transport::muteIsIndependentOfVolume()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Option1->click();
    QVERIFY(f.player().mute());
    QCOMPARE(form.volume1->value(), 0);
    form.Option1->click();
    QVERIFY(!f.player().mute());
}

QTEST_MAIN(TstForm1Transport)
#include "tst_form1transport.moc"
