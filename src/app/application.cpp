#include "app/application.h"

#include "app/desktopcommandgate.h"
#include "app/form1.h"
#include "app/frmsplash.h"
#include "app/mprisservice.h"
#include "app/singleinstance.h"
#include "appearance/skinfile.h"
#include "common/appdirs.h"
#include "common/stalesavefiles.h"
#include "playlist/playlistfile.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace quillet {

// How often a handed-over text that waits for a dialog to close tries again.
static constexpr int kHeldTextRetryMs = 250;

// The signal handler only writes a byte to this socket pair; the GUI thread reads it and shuts down.
static int g_signalSockets[2] = {-1, -1};

static void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalSockets[0], &byte, 1);
}

Application::Application(const QString &commandLine, QObject *parent)
    : QObject(parent)
    , m_commandLine(commandLine)
{
    // Windows come and go (splash, closing window); the program ends only through its shutdown.
    QApplication::setQuitOnLastWindowClosed(false);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSockets) == 0) {
        m_signalNotifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
        connect(m_signalNotifier, &QSocketNotifier::activated, this, &Application::handleSignal);
        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }
}

Application::~Application()
{
    delete m_form1;
}

Form1 *Application::mainWindow() const
{
    return m_form1;
}

std::optional<int> Application::handOverToRunningInstance()
{
    if (!m_instance) {
        m_instance = new SingleInstance(SingleInstance::defaultSocketPath(), this);
        // Queued: a text that opens a message box must not run inside the socket's handler.
        connect(m_instance, &SingleInstance::textReceived, this, &Application::openHandedOver, Qt::QueuedConnection);
    }
    switch (m_instance->claim(m_commandLine)) {
    case SingleInstance::Outcome::HandedOver:
        return 0;
    case SingleInstance::Outcome::NoAnswer:
        std::fputs("Quillet is already running but did not answer.\n", stderr);
        return 1;
    case SingleInstance::Outcome::Primary:
    case SingleInstance::Outcome::Alone:
        break;
    }
    return std::nullopt;
}

void Application::start()
{
    // Temporary files of saves that a Quillet killed in the middle of them left behind; a save still running in
    // another Quillet keeps its own.
    StaleSaveFiles::removeBeside(dataDirectory(),
        {QFileInfo(PlaylistFile::defaultPlaylistPath()).fileName(),
            QFileInfo(PlaylistFile::defaultVideoPlaylistPath()).fileName(),
            QFileInfo(SkinFile::defaultSkinPath()).fileName()});
    StaleSaveFiles::removeBesideSettings(SettingsStore::filePath());
    auto *splash = new frmSplash([this] { showMainWindow(); });
    splash->show();
}

void Application::showMainWindow()
{
    m_form1 = new Form1;
    m_form1->load(m_commandLine);
    m_form1->show();
    if (m_shutdownRequested) {
        m_form1->exitProgram();
        return;
    }
    if (m_instance)
        connect(m_form1, &Form1::unloaded, m_instance, &SingleInstance::stopListening);
    // Without a session bus Quillet simply has no desktop controls.
    auto *mpris = new MprisService(m_form1);
    mpris->registerOnSessionBus();
    const QStringList pending = std::exchange(m_pendingTexts, {});
    for (const QString &text : pending)
        openHandedOver(text);
}

void Application::openHandedOver(const QString &commandLine)
{
    if (!m_form1) {
        m_pendingTexts.append(commandLine);
        return;
    }
    // While a dialog is open the text waits (see DesktopCommandGate): it is a file the user asked for.
    if (!DesktopCommandGate::isOpen()) {
        QTimer::singleShot(kHeldTextRetryMs, this, [this, commandLine] { openHandedOver(commandLine); });
        return;
    }
    // The files are opened as at start-up, and a media file plays at once; the window comes forward as from the
    // tray, so the user sees where the file went.
    m_form1->openHandedOver(commandLine);
    m_form1->pichook_MouseMove(515);
}

void Application::handleSignal()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(g_signalSockets[1], &byte, 1);
    if (m_shutdownRequested)
        return;
    m_shutdownRequested = true;
    // Before the main window exists there is nothing to save.
    if (m_form1)
        m_form1->exitProgram();
    else
        QCoreApplication::exit(0);
}

} // namespace quillet
