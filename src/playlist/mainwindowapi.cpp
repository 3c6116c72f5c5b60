#include "playlist/mainwindowapi.h"

namespace quillet {

static MainWindowApi *g_mainWindow = nullptr;

MainWindowApi *MainWindowApi::instance()
{
    return g_mainWindow;
}

void MainWindowApi::setInstance(MainWindowApi *window)
{
    g_mainWindow = window;
}

} // namespace quillet
