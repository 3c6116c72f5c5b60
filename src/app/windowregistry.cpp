#include "app/windowregistry.h"

#include "app/windowplacement.h"

#include "appearance/form4.h"
#include "appearance/form6.h"
#include "playlist/form2.h"
#include "playlist/form5.h"
#include "playlist/form8.h"
#include "playlist/form9.h"
#include "playlist/mainwindowapi.h"
#include "settings/form7.h"
#include "tags/id3t.h"
#include "settings/frmabout.h"
#include "settings/frmoptions.h"
#include "video/form3.h"
#include "video/frmbrowser.h"

#include <QScreen>
#include <QWindow>

namespace quillet {

namespace {

// The main window, where there is one.
QWidget *mainWidget()
{
    MainWindowApi *api = MainWindowApi::instance();
    return api ? api->mainWidget() : nullptr;
}

} // namespace

WindowRegistry::WindowRegistry(QObject *parent)
    : QObject(parent)
{
}

WindowRegistry::~WindowRegistry()
{
    // The windows that keep their own single instance go with the main window too.
    closeAll();
    delete m_tagEditor.data();
    for (const QPointer<QWidget> &window : std::as_const(m_windows))
        delete window.data();
}

void WindowRegistry::present(QWidget *window)
{
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

void WindowRegistry::placeOver(QWidget *window, const QWidget *other)
{
    if (!other)
        return;
    window->adjustSize();
    QRect placed(QPoint(0, 0), window->frameGeometry().size());
    placed.moveCenter(other->frameGeometry().center());
    if (const QScreen *screen = other->screen()) {
        const QRect available = screen->availableGeometry();
        placed.moveRight(qMin(placed.right(), available.right()));
        placed.moveBottom(qMin(placed.bottom(), available.bottom()));
        placed.moveLeft(qMax(placed.left(), available.left()));
        placed.moveTop(qMax(placed.top(), available.top()));
    }
    window->move(placed.topLeft());
}

void WindowRegistry::showDirectoryBrowser()
{
    present(Form2::open());
}

void WindowRegistry::showFileSearch()
{
    present(Form9::open());
}

void WindowRegistry::showRootChooser()
{
    Form8::open();
}

void WindowRegistry::showPreferences(QWidget *owner)
{
    // The preferences read the store when they open, so a closed window is opened afresh.
    if (auto *open = find<frmOptions>(); open && !open->isVisible())
        delete open;
    frmOptions *preferences = window<frmOptions>();
    QWidget *main = mainWidget();
    if (owner) {
        // Opened from the always-on-top remote: it stands in front of (or beside) the remote.
        prepareInFrontOf(preferences, owner);
    } else if (main && main->isVisible() && !main->isMinimized() && main->windowHandle()) {
        // A dialog of the main window: the window manager gives it only a close button and keeps it over the main
        // window. While the main window is minimised or hidden it stands alone, so it shows.
        preferences->winId();
        preferences->windowHandle()->setTransientParent(main->windowHandle());
    }
    present(preferences);
}

void WindowRegistry::showFileTypes()
{
    present(window<Form7>());
}

void WindowRegistry::showAbout()
{
    if (auto *open = find<frmAbout>(); open && !open->isVisible())
        delete open;
    // A borderless window gets no placement from the window manager beyond its corner: it opens over the main window.
    frmAbout *about = window<frmAbout>();
    if (!about->isVisible()) {
        placeOver(about, mainWidget());
    }
    present(about);
}

void WindowRegistry::showVideoPlayer(const QString &fileName)
{
    Form3 *player = Form3::open();
    if (!fileName.isEmpty())
        player->handOver(fileName);
}

Form4 *WindowRegistry::visualOptions()
{
    return window<Form4>();
}

void WindowRegistry::showVisualOptions()
{
    // Made hidden at start-up and never placed, the window would open wherever the window system puts such
    // windows, often the screen's corner: the first time, it opens over the main window.
    Form4 *options = visualOptions();
    if (!m_visualOptionsPlaced && !options->isVisible()) {
        placeOver(options, mainWidget());
        m_visualOptionsPlaced = true;
    }
    present(options);
}

void WindowRegistry::showRemote()
{
    Form6 *remote = Form6::open();
    // The remote may stay on top of every window: the preferences come up in front of it, not under it.
    disconnect(remote, &Form6::preferencesRequested, this, nullptr);
    connect(remote, &Form6::preferencesRequested, this, [this, remote] { showPreferences(remote); });
}

void WindowRegistry::showTagEditor(MediaPlayer *mainPlayer, const QString &entry)
{
    // The editor closes itself after a save; a new one opens on the next request.
    auto *editor = qobject_cast<id3t *>(m_tagEditor.data());
    if (!editor) {
        editor = new id3t(nullptr);
        editor->setMainPlayer(mainPlayer);
        m_tagEditor = editor;
    }
    present(editor);
    editor->setTag(entry);
}

void WindowRegistry::showId3Playlist()
{
    present(window<Form5>());
}

void WindowRegistry::closeAll()
{
    // The shutdown order of the windows; a window never opened is skipped.
    const auto closeKind = [this](auto *typed) {
        if (typed)
            typed->close();
    };
    Form2::unload();
    Form3::unload();
    // The ID3 playlist only ever hides; it stays loaded to the end.
    if (Form6 *remote = Form6::instance())
        remote->close();
    closeKind(find<Form7>());
    Form8::unload();
    closeKind(find<frmAbout>());
    closeKind(find<frmOptions>());
    frmBrowser::unload();
    Form9::unload();
    if (m_tagEditor)
        m_tagEditor->close();
}

} // namespace quillet
