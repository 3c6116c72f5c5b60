#pragma once

#include <QColor>
#include <QIcon>

namespace quillet {

// The symbols on the remote control's transport buttons.
enum class RemoteGlyph { Previous, Play, Pause, Stop, Next };

// A 16 x 16 icon of the symbol in the colour.
QIcon remoteGlyph(RemoteGlyph glyph, const QColor &colour);

} // namespace quillet
