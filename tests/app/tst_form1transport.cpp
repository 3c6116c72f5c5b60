// Transport buttons, playback events, display timers and audio controls of the main window, driven by mouse and keys
// against a fake player. The real engine's part is in tst_endtoend.
#include "form1fixture.h"

#include <QCheckBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

class TstForm1Transport : public QObject
{
    Q_OBJECT

private slots:
    void doubleClickStartsEntry_data();
    void doubleClickStartsEntry();
    void buttons_data();
    void buttons();
    void endOfStream_data();
    void endOfStream();
    void errorShowsDescriptionAndTip();
    void mediaOpenedFillsTheWindow();
    void timeDisplay_data();
    void timeDisplay();
    void audioControlsReachThePlayer();
};

void TstForm1Transport::doubleClickStartsEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("withRoot");
    QTest::addColumn<bool>("plays");
    QTest::newRow("URL is used unchanged") << QStringLiteral("http://radio/stream") << false << true;
    QTest::newRow("relative with empty root opens chooser") << QStringLiteral("song.mp3") << false << false;
    QTest::newRow("relative found under root") << QStringLiteral("song.mp3") << true << true;
    QTest::newRow("relative missing under root opens chooser") << QStringLiteral("gone.mp3") << true << false;
}

void TstForm1Transport::doubleClickStartsEntry()
{
    QFETCH(QString, entry);
    QFETCH(bool, withRoot);
    QFETCH(bool, plays);
    Form1Fixture f;
    f.load();
    Form1 &form = f.show();
    int chooserRequests = 0;
    connect(&form, &Form1::rootChooserRequested, this, [&] { ++chooserRequests; });
    const QString root = withRoot ? f.env.root() + QLatin1Char('/') : QString();
    form.setRootDirectory(root);
    Form1Fixture::writeFile(f.env.root() + QStringLiteral("/song.mp3"), "x");
    form.List1->add(QStringLiteral("/a/first.mp3"));
    const int index = form.List1->add(entry);
    f.doubleClickEntry(index);
    QCOMPARE(chooserRequests, plays ? 0 : 1);
    if (!plays) {
        QVERIFY(f.player().fileName().isEmpty());
        QCOMPARE(form.Label2->text(), QStringLiteral("Waiting .."));
        return;
    }
    QCOMPARE(f.player().fileName(), entry.contains(QLatin1Char(':')) ? entry : root + entry);
    QCOMPARE(form.Label2->text(), QStringLiteral("Playing.."));
    QCOMPARE(form.Label1->text(), QString::number(index));
}

static const QStringList kThree = {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3"), QStringLiteral("/m/c.mp3")};
static const QString kNoMore = QStringLiteral("There Are No More Files To Play !");

// One button press: the playlist and the player before it, and what the window and the player show after it.
void TstForm1Transport::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("current");
    QTest::addColumn<double>("position"); // the player's, with /a.mp3 loaded when "file" is not empty; -1: none
    QTest::addColumn<int>("slider"); // value of the position slider, whose maximum is 100
    QTest::addColumn<QString>("file"); // loaded after the press
    QTest::addColumn<int>("sliderAfter");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    const QString a = QStringLiteral("/a.mp3");
    const QString waiting = QStringLiteral("Waiting ..");
    const QString playing = QStringLiteral("Playing..");
    const QStringList none;
    QTest::newRow("play: nothing to play") << u"command9"_s << none << u""_s << -1.0 << 0 << u""_s << 0 << waiting
                                 << QStringList {QStringLiteral("No File To Play !")};
    QTest::newRow("play: resumes the loaded file") << u"command9"_s << none << u""_s << 3.0 << 3 << a << 3 << playing << none;
    QTest::newRow("pause") << u"command11"_s << none << u""_s << 3.0 << 3 << a << 3 << u"Paused.."_s << none;
    QTest::newRow("pause at position 0 does nothing") << u"command11"_s << none << u""_s << 0.0 << 0 << a << 0 << waiting << none;
    QTest::newRow("pause without a file") << u"command11"_s << none << u""_s << 3.0 << 0 << u""_s << 0 << waiting
                                << QStringList {QStringLiteral("There Is No File To Pause !")};
    QTest::newRow("stop shows the start") << u"command10"_s << none << u""_s << 42.0 << 42 << a << 0 << u"Stoped.."_s << none;
    QTest::newRow("next: middle") << u"command12"_s << kThree << u"1"_s << -1.0 << 0 << kThree.at(2) << 0 << playing << none;
    QTest::newRow("next: empty index reads as 0") << u"command12"_s << kThree << u""_s << -1.0 << 0 << kThree.at(1) << 0 << playing
                                        << none;
    QTest::newRow("next: last wraps") << u"command12"_s << kThree << u"2"_s << -1.0 << 0 << kThree.at(0) << 0 << playing
                            << QStringList {kNoMore};
    QTest::newRow("next: past the end wraps") << u"command12"_s << kThree << u"7"_s << -1.0 << 0 << kThree.at(0) << 0 << playing
                                    << QStringList {kNoMore};
    QTest::newRow("next: empty playlist") << u"command12"_s << none << u"0"_s << -1.0 << 0 << u""_s << 0 << waiting
                                << QStringList {kNoMore};
    QTest::newRow("previous: middle") << u"command13"_s << kThree << u"2"_s << -1.0 << 0 << kThree.at(1) << 0 << playing << none;
    QTest::newRow("previous: first wraps to last") << u"command13"_s << kThree << u"0"_s << -1.0 << 0 << kThree.at(2) << 0 << playing
                                         << QStringList {kNoMore};
    QTest::newRow("previous: one entry restarts it") << u"command13"_s << QStringList {a} << u"0"_s << -1.0 << 0 << a << 0 << playing
                                           << QStringList {kNoMore};
    QTest::newRow("previous: no entries") << u"command13"_s << none << u"0"_s << -1.0 << 0 << u""_s << 0 << waiting
                                << QStringList {kNoMore, QStringLiteral("Please Add Some Files !")};
    QTest::newRow("fast forward") << u"Command15"_s << none << u""_s << 10.0 << 10 << a << 15 << playing << none;
    QTest::newRow("fast forward 4 s before the end does nothing") << u"Command15"_s << none << u""_s << 96.0 << 96 << a << 96
                                                         << waiting << none;
    QTest::newRow("rewind") << u"Command16"_s << none << u""_s << 10.0 << 10 << a << 5 << playing << none;
    QTest::newRow("rewind near the start does nothing") << u"Command16"_s << none << u""_s << 5.0 << 5 << a << 5 << waiting << none;
}

void TstForm1Transport::buttons()
{
    QFETCH(QString, button);
    QFETCH(QStringList, entries);
    QFETCH(QString, current);
    QFETCH(double, position);
    QFETCH(int, slider);
    QFETCH(QString, file);
    QFETCH(int, sliderAfter);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    Form1Fixture f;
    f.load();
    Form1 &form = f.show();
    form.List1->addMany(entries);
    form.Label1->setText(current);
    if (position >= 0) {
        if (!file.isEmpty())
            f.player().setFileName(QStringLiteral("/a.mp3"));
        f.player().setDuration(100);
        f.player().setPosition(position);
        form.Slider4->setRange(0, 100);
        form.Slider4->setValue(slider);
        form.Label7->setText(QStringLiteral("00:42"));
    }
    form.Label2->setText(QStringLiteral("Waiting .."));
    f.click(button);
    QCOMPARE(f.dialogs.messages, messages);
    QCOMPARE(f.player().fileName(), file);
    QCOMPARE(form.Label2->text(), status);
    QCOMPARE(form.Slider4->value(), sliderAfter);
    QCOMPARE(form.sliderMarker(), sliderAfter);
    if (button.startsWith(QLatin1String("Command1")) && sliderAfter != slider)
        QCOMPARE(f.player().currentPosition(), double(sliderAfter));
    if (button == QLatin1String("command10")) {
        QCOMPARE(f.player().currentPosition(), 0.0);
        QCOMPARE(form.Label7->text(), QStringLiteral("00:00"));
    }
    if (!entries.isEmpty() && !file.isEmpty()) {
        QCOMPARE(form.List1->listIndex(), entries.indexOf(file));
        QCOMPARE(form.Label1->text(), QString::number(entries.indexOf(file)));
    }
}

void TstForm1Transport::endOfStream_data()
{
    QTest::addColumn<int>("playCount");
    QTest::addColumn<bool>("autoRewind");
    QTest::addColumn<QString>("continueSetting");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("expectedFile");
    QTest::addColumn<QString>("status");
    const QString playing = QStringLiteral("Playing..");
    QTest::newRow("moves on") << 1 << false << u"1"_s << u"0"_s << kThree.at(1) << playing;
    QTest::newRow("last wraps to first") << 1 << false << u"1"_s << u"2"_s << kThree.at(0) << playing;
    QTest::newRow("last wraps even with Continue 0") << 1 << false << u"0"_s << u"2"_s << kThree.at(0) << playing;
    QTest::newRow("Continue 0 stops") << 1 << false << u"0"_s << u"0"_s << QString() << u"Stoped.."_s;
    // The player repeats the file itself and reports the end once, after the last play.
    QTest::newRow("play count 3 moves on after its last play") << 3 << false << u"1"_s << u"0"_s << kThree.at(1) << playing;
    QTest::newRow("auto-rewind restarts the file") << 1 << true << u"1"_s << u"0"_s << u"/playing.mp3"_s << playing;
}

void TstForm1Transport::endOfStream()
{
    QFETCH(int, playCount);
    QFETCH(bool, autoRewind);
    QFETCH(QString, continueSetting);
    QFETCH(QString, current);
    QFETCH(QString, expectedFile);
    QFETCH(QString, status);
    Form1Fixture f;
    Form1 &form = f.load();
    SettingsStore::write(QStringLiteral("Playlist"), QStringLiteral("Continue"), continueSetting);
    form.List1->addMany(kThree);
    form.Label1->setText(current);
    form.Label2->setText(QStringLiteral("Playing.."));
    f.player().setFileName(QStringLiteral("/playing.mp3"));
    f.player().setPlayCount(playCount);
    f.player().setAutoRewind(autoRewind);
    f.player().calls.clear();
    f.player().emitEndOfStream();
    const QStringList loads = f.player().calls.filter(QStringLiteral("setFileName"));
    QCOMPARE(loads, expectedFile.isEmpty() ? QStringList {} : QStringList {QStringLiteral("setFileName ") + expectedFile});
    QCOMPARE(form.Label2->text(), status);
    QVERIFY(f.dialogs.messages.isEmpty());

    form.List1->clear();
    f.player().emitEndOfStream();
    if (!autoRewind)
        QCOMPARE(f.dialogs.messages, QStringList {QStringLiteral("You Must Add Files Before you Can Play !")});
}

void TstForm1Transport::errorShowsDescriptionAndTip()
{
    Form1Fixture f;
    Form1 &form = f.load();
    form.Slider1->setValue(500);
    f.player().setError(QStringLiteral("loading failed"), QStringLiteral("Check that the file exists."));
    f.player().emitError();
    QCOMPARE(f.dialogs.messages, (QStringList {QStringLiteral("An Error Has Occured ! loading failed"),
                                     QStringLiteral("Tip To Solve The Problem: Check that the file exists.")}));
    QCOMPARE(form.Label2->text(), QStringLiteral("ERROR !"));
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
    QCOMPARE((QStringList {form.Text4->text(), form.Text5->text(), form.Text6->text(), form.Text7->text()}),
             (QStringList {QStringLiteral("Song 2"), QStringLiteral("Artist 2"), QStringLiteral("Album 2"),
                 QStringLiteral("2002")}));
    QCOMPARE(form.windowTitle(), QStringLiteral(" Quillet MP3 Player - song2.."));
    QCOMPARE(form.Label3->text(), QStringLiteral("File Name : ") + song
                 + QStringLiteral(".  Sample Rate : 44 KHz And Data Rate : 128 KBPS In Mpeg Version : 1 (Song 2 , "
                                  "Artist 2) Album : Album 2(2002) , Comments : "));
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
    form.Timer1->start(1);
    QTRY_COMPARE(form.Slider4->maximum(), int(duration));
    QCOMPARE(form.Label7->text(), label7);
    QCOMPARE(form.Label9->text(), label9);
}

void TstForm1Transport::audioControlsReachThePlayer()
{
    Form1Fixture f;
    f.load();
    Form1 &form = f.show();
    // One key step on each bar, as the user gives it.
    for (QScrollBar *bar : {form.Slider1, form.volume1, form.slider2, form.slider3})
        QTest::keyClick(bar, Qt::Key_Down);
    QCOMPARE(f.player().balance(), 10);
    QCOMPARE(f.player().volume(), 0);
    QCOMPARE(f.player().playCount(), 2);
    QVERIFY(f.player().autoRewind());
    QTest::keyClick(form.volume1, Qt::Key_Up);
    QCOMPARE(f.player().volume(), -1);
    // Mute is a switch of its own; the volume stays.
    QTest::mouseClick(form.Option1, Qt::LeftButton, {}, QPoint(6, form.Option1->height() / 2));
    QVERIFY(f.player().mute());
    QCOMPARE(form.volume1->value(), -1);
    f.click(QStringLiteral("Command8"));
    QCOMPARE(f.player().balance(), 0);
    QCOMPARE(f.player().volume(), 0);
    QCOMPARE(f.player().playCount(), 1);
    QVERIFY(!f.player().autoRewind());
    QVERIFY(f.player().mute());
}

QTEST_MAIN(TstForm1Transport)
#include "tst_form1transport.moc"
