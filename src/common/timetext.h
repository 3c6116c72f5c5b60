#pragma once

#include <QString>

namespace quillet {

// Whole minutes and the seconds left over, as the time display computes them.
struct TimeParts
{
    qint64 minutes = 0;
    qint64 seconds = 0;
};

// Splits a time in seconds: minutes = round(t) / 60 (remainder dropped), seconds = round(t - 60 * minutes),
// both rounded half to even.
TimeParts splitTime(double seconds);

// The time text "mm:ss": minutes and seconds each with at least two digits (125 minutes gives "125:00").
QString timeText(double seconds);

} // namespace quillet
