#include "common/twips.h"

#include "common/rounding.h"

namespace quillet {

int twipsToPixels(double twips, double dpi)
{
    return static_cast<int>(roundHalfEven(twips * dpi / TwipsPerInch));
}

int pixelsToTwips(double pixels, double dpi)
{
    if (dpi <= 0)
        return 0;
    return static_cast<int>(roundHalfEven(pixels * TwipsPerInch / dpi));
}

} // namespace quillet
