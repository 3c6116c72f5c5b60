#pragma once

#include <QtGlobal>

namespace quillet {

// Rounds to the nearest whole number; a value exactly halfway goes to the even neighbour (2.5 -> 2, 3.5 -> 4).
qint64 roundHalfEven(double value);

} // namespace quillet
