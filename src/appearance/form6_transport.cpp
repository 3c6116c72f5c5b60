// Form6: the transport commands against the main player, the position copy and the drop-down list of the playlist.
#include "appearance/form6.h"

#include "common/dialogservice.h"
#include "common/entrypath.h"
#include "common/rounding.h"
#include "media/mediaplayer.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTimer>

#include <limits>

namespace quillet {

namespace {

const QString kNoMoreFiles = QStringLiteral("There Are No More Files To Play !");
const QString kAddSomeFiles = QStringLiteral("Please Add Some Files !");

// A number of seconds as a whole number a slider takes.
int wholeSeconds(double seconds)
{
    return int(qBound(qint64(0), roundHalfEven(seconds), qint64(std::numeric_limits<int>::max())));
}

// The current index text as a number; empty or unreadable text reads as 0.
int currentIndexOf(const MainWindowApi &main)
{
    bool ok = false;
    const int value = main.currentIndexText().trimmed().toInt(&ok);
    return ok ? value : 0;
}

} // namespace

void Form6::Check1_Click()
{
    MainWindowApi *main = api();
    if (!main)
        return;
    main->mainPlayer()->setMute(Check1->isChecked());
    // The main window's mute box follows, through its own click handling.
    QWidget *mainWindow = main->mainWidget();
    auto *mute = mainWindow ? mainWindow->findChild<QCheckBox *>(QStringLiteral("Option1")) : nullptr;
    if (mute && mute->isChecked() != Check1->isChecked())
        mute->click();
}

void Form6::command9_Click()
{
    MainWindowApi *main = api();
    if (main && !main->mainPlayer()->fileName().isEmpty())
        main->mainPlayer()->play();
}

void Form6::command10_Click()
{
    MainWindowApi *main = api();
    if (!main || main->mainPlayer()->currentPosition() <= 0)
        return;
    if (!main->mainPlayer()->fileName().isEmpty()) {
        main->mainPlayer()->pause();
        main->setStatusText(QStringLiteral("Paused.."));
    } else {
        dialogs().message(QStringLiteral("There Is No File To Pause !"));
    }
}

void Form6::command13_Click()
{
    MainWindowApi *main = api();
    if (!main || main->mainPlayer()->fileName().isEmpty())
        return;
    main->mainPlayer()->setCurrentPosition(0);
    main->mainPlayer()->stop();
    main->setStatusText(QStringLiteral("Stoped.."));
}

void Form6::playEntry(int index)
{
    MainWindowApi *main = api();
    PlaylistView *list = main->playlistView();
    list->setListIndex(index);
    const QString entry = list->currentText();
    // A relative entry is played from the root directory; without one the user is asked for it.
    if (!isAbsoluteEntry(entry) && main->rootDirectory().isEmpty()) {
        main->showRootChooser();
        return;
    }
    main->mainPlayer()->setFileName(resolveEntry(entry, main->rootDirectory()));
}

void Form6::command11_Click()
{
    MainWindowApi *main = api();
    if (!main)
        return;
    const int n = main->playlistView()->count();
    if (n == 0) {
        dialogs().message(kAddSomeFiles);
        return;
    }
    const int next = qMax(currentIndexOf(*main) + 1, 0);
    // At (or, after the list shrank, past) the last entry the list wraps to its first entry.
    if (next >= n) {
        dialogs().message(kNoMoreFiles);
        playEntry(0);
        return;
    }
    playEntry(next);
}

void Form6::command12_Click()
{
    MainWindowApi *main = api();
    if (!main)
        return;
    const int n = main->playlistView()->count();
    if (n < 2) {
        dialogs().message(kNoMoreFiles);
        if (n == 0)
            dialogs().message(kAddSomeFiles);
        else
            playEntry(0);
        return;
    }
    const int previous = currentIndexOf(*main) - 1;
    // Before the first entry the list wraps to its last entry.
    if (previous < 0) {
        dialogs().message(kNoMoreFiles);
        playEntry(n - 1);
        return;
    }
    playEntry(qMin(previous, n - 1));
}

void Form6::Command1_Click()
{
    MainWindowApi *main = api();
    const QString chosen = Combo1->currentText();
    if (!main || chosen.isEmpty() || chosen == QLatin1String("PlayList"))
        return;
    const int index = Combo1->currentIndex();
    if (index < 0 || index >= main->playlistView()->count())
        return;
    main->playlistView()->setListIndex(index);
    main->startSelectedEntry();
}

void Form6::Slider4_Scroll()
{
    MainWindowApi *main = api();
    if (main && main->mainPlayer()->duration() > 1)
        main->mainPlayer()->setCurrentPosition(Slider4->sliderPosition());
}

void Form6::Timer1_Timer()
{
    MainWindowApi *main = api();
    if (!main)
        return;
    QWidget *mainWindow = main->mainWidget();
    auto *mainSlider = mainWindow ? mainWindow->findChild<QSlider *>(QStringLiteral("Slider4")) : nullptr;
    if (mainSlider) {
        Slider4->setToolTip(mainSlider->toolTip());
        m_sliderMarker = mainSlider->value();
    }
    // A slider held by the user is not pulled away under the mouse.
    if (!Slider4->isSliderDown()) {
        MediaPlayer *player = main->mainPlayer();
        Slider4->setMaximum(wholeSeconds(player->duration()));
        Slider4->setValue(wholeSeconds(player->currentPosition()));
    }
    if (auto *time = mainWindow ? mainWindow->findChild<QLabel *>(QStringLiteral("Label9")) : nullptr)
        Label1->setText(time->text());
    // A list that waited for the root directory is completed once the user has chosen one.
    if (m_waitingForRoot && main->rootDirectory() != m_rootAtStop)
        syncPlaylist();
}

void Form6::syncPlaylist()
{
    MainWindowApi *main = api();
    if (!main)
        return;
    PlaylistView *list = main->playlistView();
    const int n = list->count();
    if (n == 0) {
        Combo1->clear();
        m_waitingForRoot = false;
        return;
    }
    if (Combo1->count() == n)
        return;

    setCursor(Qt::WaitCursor);
    const bool shortNames
        = SettingsStore::read(QStringLiteral("Remote"), QStringLiteral("Short")) == QLatin1String("1");
    const QString root = main->rootDirectory();
    QStringList names;
    names.reserve(n);
    m_waitingForRoot = false;
    for (int i = 0; i < n; ++i) {
        QString path = list->text(i);
        if (!isAbsoluteEntry(path)) {
            if (root.isEmpty()) {
                // Asked once per rebuild; the rest of the list follows when a root directory is chosen.
                m_waitingForRoot = true;
                m_rootAtStop = root;
                if (!Timer1->isActive())
                    Timer1->start();
                main->showRootChooser();
                break;
            }
            path = root + path;
        }
        names << (shortNames ? GetShortPath(path) : displayName(path));
    }
    Combo1->clear();
    Combo1->addItems(names);
    // The playlist's selection ends on the last entry the list went through, as when it walked the list.
    list->setListIndex(qMin(int(names.size()), n - 1));
    unsetCursor();
}

} // namespace quillet
