// Form1: transport commands, the player's events and the display timers.
#include "app/form1.h"

#include "app/marqueearea.h"

#include "common/dialogservice.h"
#include "common/entrypath.h"
#include "common/timetext.h"
#include "common/rounding.h"
#include "common/twips.h"
#include "media/mediaplayer.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

namespace quillet {

static const QString kPlaying = QStringLiteral("Playing..");
static const QString kNoMoreFiles = QStringLiteral("There Are No More Files To Play !");

void Form1::loadIntoPlayer(const QString &entry)
{
    // A relative entry would otherwise be opened against the working directory.
    MP1->setFileName(resolveEntry(entry, m_rootDirectory));
}

void Form1::startEntry()
{
    const int i = List1->listIndex();
    if (i < 0)
        return;
    const QString t = List1->text(i);
    if (isAbsoluteEntry(t)) {
        MP1->setFileName(t);
    } else if (m_rootDirectory.isEmpty()) {
        showRootChooser();
        return;
    } else if (QFileInfo(m_rootDirectory + t).isFile()) {
        MP1->setFileName(m_rootDirectory + t);
    } else {
        showRootChooser();
        return;
    }
    showPlaying();
    Label1->setText(QString::number(i));
}

void Form1::selectAndStart(int index)
{
    List1->setListIndex(index);
    startEntry();
}

void Form1::List1_DblClick()
{
    startEntry();
}

void Form1::command9_Click()
{
    if (!MP1->fileName().isEmpty()) {
        MP1->play();
        showPlaying();
    } else if (List1->listIndex() >= 0) {
        loadIntoPlayer(List1->currentText());
    } else {
        showMessage(QStringLiteral("No File To Play !"));
    }
}

void Form1::command10_Click()
{
    if (MP1->fileName().isEmpty())
        return;
    MP1->setCurrentPosition(0);
    MP1->stop();
    Label2->setText(QStringLiteral("Stoped.."));
    // The next Play starts at the beginning, so the slider and the elapsed time show it. The display timer
    // leaves them alone while nothing is open.
    Slider4->setValue(0);
    Label7->setText(timeText(0));
    Label9->setText(QStringLiteral("Time : ") + Label7->text() + QLatin1Char('/') + Label8->text()
                    + QLatin1Char(' '));
}

void Form1::command11_Click()
{
    if (MP1->currentPosition() <= 0)
        return;
    if (!MP1->fileName().isEmpty()) {
        MP1->pause();
        Label2->setText(QStringLiteral("Paused.."));
    } else {
        showMessage(QStringLiteral("There Is No File To Pause !"));
    }
}

void Form1::command12_Click()
{
    const int c = currentIndex();
    const int n = List1->count();
    // At or past the last entry the list wraps to its first entry.
    if (c + 1 >= n) {
        showMessage(kNoMoreFiles);
        if (n > 0)
            selectAndStart(0);
        return;
    }
    selectAndStart(qMax(c + 1, 0));
}

void Form1::command13_Click()
{
    const int n = List1->count();
    if (n < 2) {
        showMessage(kNoMoreFiles);
        if (n == 0) {
            showMessage(QStringLiteral("Please Add Some Files !"));
            return;
        }
        selectAndStart(0);
        return;
    }
    const int target = currentIndex() - 1;
    // Before the first entry the list wraps to its last entry.
    if (target < 0) {
        showMessage(kNoMoreFiles);
        selectAndStart(n - 1);
        return;
    }
    selectAndStart(qMin(target, n - 1));
}

void Form1::Command15_Click()
{
    // A stopped player has nothing to seek: the next Play starts at the beginning, as the slider shows.
    if (MP1->state() == MediaPlayer::State::Stopped)
        return;
    if (Slider4->maximum() > Slider4->value() + 5) {
        Slider4->setValue(Slider4->value() + 5);
        MP1->setCurrentPosition(Slider4->value());
    }
}

void Form1::Command16_Click()
{
    if (MP1->state() == MediaPlayer::State::Stopped)
        return;
    if (Slider4->minimum() < Slider4->value() - 5) {
        Slider4->setValue(Slider4->value() - 5);
        MP1->setCurrentPosition(Slider4->value());
    }
}

void Form1::Slider4_MouseDown()
{
    m_dragging = true;
    if (!MP1->fileName().isEmpty())
        MP1->pause();
}

void Form1::Slider4_MouseUp()
{
    m_dragging = false;
    if (!MP1->fileName().isEmpty())
        MP1->play();
}

void Form1::Slider4_Scroll()
{
    if (MP1->duration() > 1)
        MP1->setCurrentPosition(Slider4->sliderPosition());
}

void Form1::Slider4_Action(int action)
{
    // A click on the groove, the wheel and the arrow and page keys move the slider without dragging it: they seek
    // as a drag does, or the next display tick would put the handle back. A drag arrives as sliderMoved.
    if (action == QAbstractSlider::SliderNoAction
        || (action == QAbstractSlider::SliderMove && Slider4->isSliderDown()))
        return;
    Slider4_Scroll();
}

void Form1::Slider4_Change()
{
    m_sliderMarker = Slider4->value();
    // The display timer moves the slider while paused too; the status names what the player really does.
    if (MP1->state() == MediaPlayer::State::Playing)
        Label2->setText(kPlaying);
}

void Form1::MP1_EndOfStream()
{
    // The player repeats a file by itself for a play count above 1 and reports the end once, after the last play.
    if (MP1->autoRewind()) {
        MP1->setFileName(MP1->fileName());
        return;
    }
    const int c = currentIndex();
    const int n = List1->count();
    if (c + 1 >= n) {
        if (n == 0) {
            showMessage(QStringLiteral("You Must Add Files Before you Can Play !"));
            return;
        }
        List1->setListIndex(0);
    } else {
        if (SettingsStore::read(QStringLiteral("Playlist"), QStringLiteral("Continue")) != QLatin1String("1")) {
            // Nothing plays any more: the status and the tray must not go on saying so.
            Label2->setText(QStringLiteral("Stoped.."));
            return;
        }
        List1->setListIndex(qMax(c + 1, 0));
    }
    loadIntoPlayer(List1->currentText());
}

void Form1::MP1_Error()
{
    showMessage(QStringLiteral("An Error Has Occured ! ") + MP1->errorDescription());
    showMessage(QStringLiteral("Tip To Solve The Problem: ") + MP1->errorCorrectionTip());
    Label2->setText(QStringLiteral("ERROR !"));
    Slider1->setValue(0);
}

void Form1::MP1_MediaOpened()
{
    Label1->setText(QString::number(List1->listIndex()));
    Label8->setText(timeText(MP1->duration()));
    showPlaying();
    Ezy1.fileName = MP1->fileName();
    Ezy1.readTag();
    Text4->setText(Ezy1.song);
    Text5->setText(Ezy1.artist);
    Text6->setText(Ezy1.album);
    Text7->setText(Ezy1.year);
    const QString baseName = displayName(MP1->fileName());
    setWindowTitle(QStringLiteral(" Quillet MP3 Player - ") + baseName + QStringLiteral(".."));
    Label3->setText(QStringLiteral("File Name : ") + MP1->fileName() + QStringLiteral(".  ") + Ezy1.factsText()
                    + QStringLiteral(" (")
                    + Text4->text() + QStringLiteral(" , ") + Text5->text() + QStringLiteral(") Album : ")
                    + Text6->text() + QStringLiteral("(") + Text7->text() + QStringLiteral(") ,")
                    + QStringLiteral(" Comments : ") + Ezy1.comment);
    Label3->adjustSize();
    marqueeArea->textChanged();
    m_tray->record.tip = QStringLiteral("Quillet -  ") + Text4->text() + QStringLiteral(", ") + Text5->text();
    m_tray->modify();
}

void Form1::showPlaying()
{
    if (MP1->state() == MediaPlayer::State::Playing)
        Label2->setText(kPlaying);
}

void Form1::MP1_StateChanged()
{
    const bool claimedPlaying = Label2->text() == kPlaying;
    switch (MP1->state()) {
    case MediaPlayer::State::Playing:
        Label2->setText(kPlaying);
        break;
    case MediaPlayer::State::Opening:
        // A URL may take seconds to answer, or never does.
        Label2->setText(QStringLiteral("Waiting .."));
        break;
    case MediaPlayer::State::Paused:
        if (claimedPlaying)
            Label2->setText(QStringLiteral("Paused.."));
        break;
    case MediaPlayer::State::Stopped:
        if (claimedPlaying)
            Label2->setText(QStringLiteral("Stoped.."));
        break;
    }
    // The tray icon stops blinking at once rather than at its next tick.
    if (claimedPlaying && Label2->text() != kPlaying)
        Timer4_Timer();
}

void Form1::Timer1_Timer()
{
    Slider4->setToolTip(QStringLiteral("Current Position : ") + Label7->text() + QStringLiteral(" Of ")
                        + Label8->text() + QLatin1Char(' '));
    const double duration = MP1->duration();
    const double position = MP1->currentPosition();
    if (duration > 1 && !m_dragging) {
        Slider4->setMaximum(int(roundHalfEven(duration)));
        Slider4->setMinimum(0);
        Slider4->setValue(int(roundHalfEven(position)));
    }
    const TimeParts parts = splitTime(position);
    if (parts.minutes < 1 && parts.seconds < 1)
        return;
    Label7->setText(timeText(position));
    Label9->setText(QStringLiteral("Time : ") + Label7->text() + QLatin1Char('/') + Label8->text()
                    + QLatin1Char(' '));
}

void Form1::Timer2_Timer()
{
    // The marquee area is 4800 twips wide; the label moves 80 twips a tick and re-enters from the right.
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const double widthTwips = pixelsToTwips(Label3->width(), dpi);
    if (m_marqueeLeftTwips >= -widthTwips)
        m_marqueeLeftTwips -= 80;
    else
        m_marqueeLeftTwips = 4800;
    marqueeArea->moveLabel(Label3, twipsToPixels(m_marqueeLeftTwips, dpi));

    if (m_videoOpened.isEmpty() && m_startupPending && List1->count() > 0) {
        const int mode = SettingsStore::autoPlay();
        if (mode == 1) {
            int index = m_clock().second();
            if (index >= List1->count())
                index = List1->count() - 1;
            selectAndStart(index);
        } else if (mode == 2) {
            selectAndStart(0);
        }
    }
    m_startupPending = false;
}

} // namespace quillet
