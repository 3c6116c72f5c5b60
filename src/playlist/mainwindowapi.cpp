#include "playlist/mainwindowapi.h"

namespace quillet {

static MainWindowApi *g_mainWindow = nullptr;

MainWindowApi *MainWindowApi::instance()
{
    return g_mainWindow;
}

QWidget *MainWindowApi::ownerWidget()
{
    return g_mainWindow ? g_mainWindow->mainWidget() : nullptr;
}

void MainWindowApi::setInstance(MainWindowApi *window)
{
    g_mainWindow = window;
}

} // namespace quillet
