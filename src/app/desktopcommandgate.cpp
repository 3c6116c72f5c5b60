#include "app/desktopcommandgate.h"

#include "common/opendialogs.h"

#include <QApplication>

namespace quillet {

bool DesktopCommandGate::isOpen()
{
    return OpenDialogs::count() == 0 && !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

} // namespace quillet
