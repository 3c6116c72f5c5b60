#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QSocketNotifier;

namespace quillet {

class Form1;

// The running program: shows the splash window, then the main window with the command-line text, and turns
// SIGTERM and SIGINT (logout, Ctrl+C) into the same shutdown as Exit.
class Application : public QObject
{
    Q_OBJECT
public:
    explicit Application(const QString &commandLine, QObject *parent = nullptr);
    ~Application() override;

    // Shows the splash window; the main window follows when its progress bar is full.
    void start();
    // The main window, once shown.
    Form1 *mainWindow() const;

private:
    void showMainWindow();
    void handleSignal();

    QString m_commandLine;
    QPointer<Form1> m_form1;
    QSocketNotifier *m_signalNotifier = nullptr;
    bool m_shutdownRequested = false;
};

} // namespace quillet
