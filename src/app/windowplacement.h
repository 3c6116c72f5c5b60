#pragma once

class QWidget;

namespace quillet {

// Prepares a window that is about to be shown from another one, which may stay on top of all windows (the
// remote control): the window belongs to it (a transient of it, which window managers keep in front of it, in its
// layer) and opens beside it where the screen has room, so that it is never hidden under it. A window already on
// screen is taken off it first, since the window system learns whom a window belongs to when it is mapped.
void prepareInFrontOf(QWidget *window, QWidget *owner);

} // namespace quillet
