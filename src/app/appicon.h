#pragma once

#include <QIcon>

namespace quillet {

// The main window's icon: a quill over a note on a dark disc, drawn at every size.
QIcon mainWindowIcon();

// The second tray picture, shown in turn with the main icon while a file plays.
QIcon visualOptionsIcon();

// The product picture of the splash window, drawn at the given size.
QPixmap productPicture(const QSize &size);

} // namespace quillet
