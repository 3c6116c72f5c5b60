#include "app/windowplacement.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace quillet {

// Room left for the window manager's frame around a window that has not been shown yet.
static constexpr int kFrameAllowance = 32;
static constexpr int kGap = 8;

void prepareInFrontOf(QWidget *window, QWidget *owner)
{
    if (!window || !owner || !owner->isVisible())
        return;
    owner->winId();
    if (window->isVisible()) {
        if (window->windowHandle() && window->windowHandle()->transientParent() == owner->windowHandle())
            return;
        window->hide();
    }
    window->winId();
    if (window->windowHandle())
        window->windowHandle()->setTransientParent(owner->windowHandle());

    if (window->layout())
        window->layout()->activate();
    const QSize size = window->size().expandedTo(window->sizeHint()) + QSize(kFrameAllowance, kFrameAllowance);
    const QRect screen = owner->screen() ? owner->screen()->availableGeometry() : QRect();
    const QRect ownerFrame = owner->frameGeometry();
    const int top = qBound(screen.top(), ownerFrame.top(), qMax(screen.top(), screen.bottom() - size.height() + 1));
    // Right of the owner, else left of it; without room on either side it opens over the owner, in front of it.
    if (ownerFrame.right() + kGap + size.width() <= screen.right())
        window->move(ownerFrame.right() + kGap, top);
    else if (ownerFrame.left() - kGap - size.width() >= screen.left())
        window->move(ownerFrame.left() - kGap - size.width(), top);
}

} // namespace quillet
