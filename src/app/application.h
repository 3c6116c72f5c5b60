#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QSocketNotifier;

namespace quillet {

class Form1;
class SingleInstance;

// The running program: shows the splash window, then the main window with the command-line text, and turns
// SIGTERM and SIGINT (logout, Ctrl+C) into the same shutdown as Exit. One runs per user and data folder: a later
// start hands its command-line text over to it. The main window is also published on the session bus (MPRIS).
class Application : public QObject
{
    Q_OBJECT
public:
    // Takes the texts of the command line, joined as CommandLine::join() does.
    explicit Application(const QString &commandLine, QObject *parent = nullptr);
    ~Application() override;

    // Hands the command-line text to a Quillet that already runs for this user, or makes this process the one
    // that later starts hand their texts to. Returns the exit code when this process has nothing more to do:
    // 0 when the running instance took the text, 1 (with a note on standard error) when it did not answer.
    std::optional<int> handOverToRunningInstance();
    // Shows the splash window; the main window follows when its progress bar is full.
    void start();
    // The main window, once shown.
    Form1 *mainWindow() const;

private:
    void showMainWindow();
    void handleSignal();
    void openHandedOver(const QString &commandLine);

    QString m_commandLine;
    SingleInstance *m_instance = nullptr;
    // Texts handed over before the main window existed.
    QStringList m_pendingTexts;
    QPointer<Form1> m_form1;
    QSocketNotifier *m_signalNotifier = nullptr;
    bool m_shutdownRequested = false;
};

} // namespace quillet
