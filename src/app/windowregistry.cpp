#include "app/windowregistry.h"

#include "playlist/form2.h"
#include "playlist/form8.h"
#include "playlist/form9.h"
#include "settings/form7.h"
#include "settings/frmabout.h"
#include "settings/frmoptions.h"

namespace quillet {

WindowRegistry::WindowRegistry(QObject *parent)
    : QObject(parent)
{
}

WindowRegistry::~WindowRegistry()
{
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

void WindowRegistry::showPreferences()
{
    // The preferences read the store when they open, so a closed window is opened afresh.
    if (auto *open = find<frmOptions>(); open && !open->isVisible())
        delete open;
    present(window<frmOptions>());
}

void WindowRegistry::showFileTypes()
{
    present(window<Form7>());
}

void WindowRegistry::showAbout()
{
    if (auto *open = find<frmAbout>(); open && !open->isVisible())
        delete open;
    present(window<frmAbout>());
}

void WindowRegistry::closeAll()
{
    // The shutdown order of the windows; a window never opened is skipped.
    const auto closeKind = [this](auto *typed) {
        if (typed)
            typed->close();
    };
    Form2::unload();
    closeKind(find<Form7>());
    Form8::unload();
    closeKind(find<frmAbout>());
    closeKind(find<frmOptions>());
    Form9::unload();
}

} // namespace quillet
