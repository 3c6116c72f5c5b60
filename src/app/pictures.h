#pragma once

#include <QIcon>

class QWidget;

namespace quillet {

// The pictures of the main window's picture buttons, drawn as vector shapes so they stay crisp at any scale.
enum class Picture {
    Play,
    Stop,
    Pause,
    Next,
    Previous,
    OpenFile,
    Close,
    Minimize,
    Menu,
    Palette,
    About,
};

// The icon for a picture, painted at whatever size it is asked for.
QIcon pictureIcon(Picture picture, const QColor &colour = QColor(230, 236, 255));

// From now on the picture icons of the window's buttons follow the window's palette: when it changes (a skin is
// applied) they are drawn again in its button text colour.
void recolourPicturesWithPalette(QWidget *window);

} // namespace quillet
