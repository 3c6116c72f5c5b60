#pragma once

#include "fakes/fakeplayer.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistview.h"

#include <QWidget>

namespace quillet::testing {

// A main window for tests of the windows that reach it: a real playlist list box, a FakePlayer as the main
// player, the root directory, current index and status line as plain texts, and counters for the operations
// that open other windows. Registers itself as the program's main window for its lifetime.
// Header-only, so that only the tests that use it need the playlist library.
class FakeMainWindow : public MainWindowApi
{
public:
    FakeMainWindow()
        : list(new PlaylistView(&window))
    {
        MainWindowApi::setInstance(this);
    }
    ~FakeMainWindow() override
    {
        if (MainWindowApi::instance() == this)
            MainWindowApi::setInstance(nullptr);
    }

    PlaylistView *playlistView() override { return list; }
    MediaPlayer *mainPlayer() override { return &player; }
    QString rootDirectory() const override { return root; }
    void setRootDirectory(const QString &directory) override { root = directory; }
    QString currentIndexText() const override { return currentIndex; }
    void setCurrentIndexText(const QString &text) override { currentIndex = text; }
    QString statusText() const override { return status; }
    void setStatusText(const QString &text) override { status = text; }
    void startSelectedEntry() override { ++startSelectedCount; }
    void showRootChooser() override { ++rootChooserCount; }
    QWidget *mainWidget() override { return &window; }

    QWidget window;
    PlaylistView *list = nullptr;
    FakePlayer player;
    QString root;
    QString currentIndex;
    QString status = QStringLiteral("Waiting ..");
    int startSelectedCount = 0;
    int rootChooserCount = 0;
};

} // namespace quillet::testing
