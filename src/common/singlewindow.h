#pragma once

#include <QPointer>
#include <QWidget>

namespace quillet {

// One window of a kind at a time, created on first use (or after it was closed) and brought to the front while it
// exists. A window class derives from SingleWindow<itself> and may hide the three settings below with its own.
template<typename Window>
class SingleWindow
{
public:
    // Creates the window when there is none and shows it, or brings the existing one to the front.
    static Window *open()
    {
        if (!s_window) {
            s_window = new Window(Window::newWindowParent());
            if (Window::loadShowsWindow)
                return s_window;
        }
        s_window->show();
        s_window->raise();
        if (Window::takesFocus)
            s_window->activateWindow();
        return s_window;
    }
    // The window while it exists, else nullptr.
    static Window *instance() { return s_window; }
    // Destroys the window if it exists.
    static void unload() { delete s_window.data(); }

protected:
    // The parent of a new window; none makes it a top-level window of its own.
    static QWidget *newWindowParent() { return nullptr; }
    // The window shows itself as it loads, so a new one is left as loading made it.
    static constexpr bool loadShowsWindow = false;
    // Bringing the window forward also gives it the keyboard focus.
    static constexpr bool takesFocus = true;
    // A window made directly (not through open()) becomes the one when there is none.
    static void adopt(Window *window)
    {
        if (!s_window)
            s_window = window;
    }

private:
    static inline QPointer<Window> s_window;
};

} // namespace quillet
