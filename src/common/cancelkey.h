#pragma once

#include <functional>

class QWidget;

namespace quillet {

// Escape runs the window's cancel action (close, hide, Done) when no control of the window takes the key itself.
// An open drop-down list or menu takes it and closes, as everywhere else on the desktop; a window shortcut would
// instead close the window under it, with the user's unsaved input.
void addCancelKey(QWidget *window, std::function<void()> action);

} // namespace quillet
