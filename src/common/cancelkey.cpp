#include "common/cancelkey.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

namespace quillet {

namespace {

// Sees the key presses that reach the window: those its focused control passed on, never those of an open popup.
class CancelKeyFilter : public QObject
{
public:
    CancelKeyFilter(QWidget *window, std::function<void()> action)
        : QObject(window)
        , m_window(window)
        , m_action(std::move(action))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress
            || !static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel))
            return false;
        m_action();
        return true;
    }

private:
    QWidget *m_window;
    std::function<void()> m_action;
};

} // namespace

void addCancelKey(QWidget *window, std::function<void()> action)
{
    new CancelKeyFilter(window, std::move(action));
}

} // namespace quillet
