// Form1: when the display, marquee and tray timers run. Each runs only while it has something to change (a file is
// loaded, the marquee is on screen, the tray icon blinks or its tip is behind the caption), so an idle player
// does not wake up at all.
#include "app/form1.h"

#include "app/trayicon.h"
#include "media/mediaplayer.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace quillet {

namespace {

void wake(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace

void Form1::connectTimers()
{
    // Connected after the ticks' own handlers, so these run after each tick.
    connect(Timer1, &QTimer::timeout, this, [this] {
        // With no file loaded nothing moves: the tick just made has brought the labels up to date.
        if (MP1->fileName().isEmpty())
            Timer1->stop();
        // Playing may have been started from anywhere (remote, desktop controls); the tray then blinks.
        if (Label2->text() == QLatin1String("Playing.."))
            wake(Timer4);
    });
    connect(Timer2, &QTimer::timeout, this, [this] {
        if (!m_startupPending && !marqueeOnScreen())
            Timer2->stop();
    });
    connect(Timer4, &QTimer::timeout, this, [this] {
        const qint64 icon = m_tray->record.icon.cacheKey();
        const QString tip = m_tray->record.tip;
        Timer4_Timer();
        // A tick that left the record as it was has nothing more to do until playing or the caption changes.
        if (m_tray->record.icon.cacheKey() == icon && m_tray->record.tip == tip)
            Timer4->stop();
    });
    connect(MP1, &MediaPlayer::mediaOpened, this, [this] {
        wake(Timer1);
        wake(Timer4);
    });
    connect(this, &QWidget::windowTitleChanged, this, [this] { wake(Timer4); });
}

void Form1::startTimers()
{
    m_timersStarted = true;
    Timer1->start();
    Timer2->start();
    Timer4->start();
}

bool Form1::marqueeOnScreen() const
{
    return isVisible() && !isMinimized();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_timersStarted && !m_unloaded && marqueeOnScreen())
        wake(Timer2);
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_timersStarted && !m_unloaded && marqueeOnScreen())
        wake(Timer2);
}

} // namespace quillet
