#include "common/rounding.h"

#include <cmath>

namespace quillet {

qint64 roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    double result;
    if (diff > 0.5)
        result = floorValue + 1.0;
    else if (diff < 0.5)
        result = floorValue;
    else
        result = std::fmod(floorValue, 2.0) == 0.0 ? floorValue : floorValue + 1.0;
    return static_cast<qint64>(result);
}

} // namespace quillet
