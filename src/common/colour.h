#pragma once

#include <QColor>

namespace quillet {

// A colour as the 32-bit value 0x00BBGGRR (red in the lowest byte).
using ColourValue = quint32;

// The 0x00BBGGRR value of a colour (alpha is dropped).
ColourValue colourValue(const QColor &colour);

// The colour of a 0x00BBGGRR value; the highest byte is ignored.
QColor colourFromValue(ColourValue value);

} // namespace quillet
