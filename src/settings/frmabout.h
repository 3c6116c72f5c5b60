#pragma once

#include "settings/creditsscroller.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QTimer;

namespace quillet {

class CreditsView;

// The borderless window "About": the credits scroll up through a picture like film credits until the user
// clicks "EXIT". A timer drives the scroll while the window is shown; nothing runs once it is closed.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    // A monotonic clock in milliseconds.
    using Clock = std::function<qint64()>;

    explicit frmAbout(QWidget *parent = nullptr);

    // The credits text the window scrolls.
    static QString creditsText();
    // Replaces the credits text (before the window is shown).
    void setCreditsText(const QString &text);
    // Replaces the clock that paces the frames (tests).
    void setClock(Clock clock);
    // Whether the scroll timer runs.
    bool isScrolling() const;
    // The motion of the text, for looking at where the next frame goes.
    const CreditsScroller &scroller() const { return m_scroller; }

    // Sets the scroll area's text to yellow, bold, 12 point.
    void Form_Load();
    // Starts the scroll the first time the window shows; reports a text that cannot be measured and closes.
    void Form_Activate();
    // One pass of the scroll: draws the next frame when one is due.
    void tmrScroll_Timer();
    // EXIT: beeps and closes the window.
    void lblExit_Click();
    // The pointer is over EXIT: it turns red.
    void lblExit_MouseMove();
    // The pointer is over the rest of the window: EXIT turns yellow again.
    void Form_MouseMove();

    CreditsView *picScroll = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblExit = nullptr;
    QFrame *Shape1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void connectControls();
    void setExitColour(const QColor &colour);

    QTimer *m_timer = nullptr;
    QElapsedTimer m_elapsed;
    Clock m_clock;
    CreditsScroller m_scroller;
    bool m_started = false;
    bool m_stop = false;
};

} // namespace quillet
