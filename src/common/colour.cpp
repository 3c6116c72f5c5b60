#include "common/colour.h"

namespace quillet {

ColourValue colourValue(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return static_cast<ColourValue>(rgb.red()) | (static_cast<ColourValue>(rgb.green()) << 8)
        | (static_cast<ColourValue>(rgb.blue()) << 16);
}

QColor colourFromValue(ColourValue value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace quillet
