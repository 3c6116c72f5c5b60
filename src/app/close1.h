#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

namespace quillet {

// The closing window: says where the playlist and skin are saved, then unloads every window and ends the
// process on its first timer tick.
class close1 : public QWidget
{
    Q_OBJECT
public:
    explicit close1(QWidget *mainWindow);

    // Shows the window and starts the timer whose first tick shuts the program down.
    void start();
    // Replaces the last step, ending the process (tests).
    void setEndProcess(std::function<void()> endProcess) { m_endProcess = std::move(endProcess); }
    // Runs the shutdown now: unloads the windows in order, then ends the process.
    void Timer1_Timer();

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QTimer *Timer1 = nullptr;

signals:
    // The windows other than the main window must close now, in their fixed order.
    void closingOtherWindows();

private:
    QWidget *m_mainWindow = nullptr;
    std::function<void()> m_endProcess;
};

} // namespace quillet
