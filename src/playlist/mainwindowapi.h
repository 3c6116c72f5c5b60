#pragma once

#include <QString>

class QWidget;

namespace quillet {

class MediaPlayer;
class PlaylistView;

// What the other windows may reach of the main window: its playlist, its player and the state it keeps in its
// controls (root directory, current index, status line). The main window implements it; tests fake it.
class MainWindowApi
{
public:
    virtual ~MainWindowApi() = default;

    // The playlist list box List1.
    virtual PlaylistView *playlistView() = 0;
    // The main player MP1.
    virtual MediaPlayer *mainPlayer() = 0;
    // The root directory (ends with "/"; empty when none is set).
    virtual QString rootDirectory() const = 0;
    virtual void setRootDirectory(const QString &directory) = 0;
    // The current index text (Label1): the index of the entry last started.
    virtual QString currentIndexText() const = 0;
    virtual void setCurrentIndexText(const QString &text) = 0;
    // The status line (Label2).
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString &text) = 0;
    // Starts the playlist's selected entry as a double-click does.
    virtual void startSelectedEntry() = 0;
    // Shows the root-directory chooser.
    virtual void showRootChooser() = 0;
    // The main window itself.
    virtual QWidget *mainWidget() = 0;

    // The running program's main window (nullptr before it exists).
    static MainWindowApi *instance();
    // The main window as a parent for the windows that belong to it (nullptr before it exists).
    static QWidget *ownerWidget();
    // Registers the main window (tests register a fake); nullptr unregisters.
    static void setInstance(MainWindowApi *window);
};

} // namespace quillet
