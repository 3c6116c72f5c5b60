#pragma once

namespace quillet {

// Whether a command from the desktop (an MPRIS call, a file handed over by a later start, the tray icon's menu) may
// run now. It may not while a dialog or a pop-up menu of Quillet is open: each runs an event loop of its own, and a
// command run from there would nest its own message box inside that loop, so a flood of calls would stack boxes
// until the stack overflows.
class DesktopCommandGate
{
public:
    // True when no dialog, modal window or pop-up menu is open.
    static bool isOpen();
};

} // namespace quillet
