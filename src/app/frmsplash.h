#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QTimer;

namespace quillet {

// The splash window: the product picture and a progress bar that fills in ten steps at the "Splash"/"Interval"
// speed; on the eleventh tick it closes itself and then calls the function that shows the main window.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    // showMainWindow runs after the splash window has closed.
    explicit frmSplash(std::function<void()> showMainWindow, QWidget *parent = nullptr);

    void Timer1_Timer();

    QLabel *imgLogo = nullptr;
    QLabel *lblProduct = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblPlatform = nullptr;
    QProgressBar *Pbar1 = nullptr;
    QTimer *Timer1 = nullptr;

private:
    std::function<void()> m_showMainWindow;
};

} // namespace quillet
