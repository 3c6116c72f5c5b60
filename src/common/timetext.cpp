#include "common/timetext.h"

#include "common/rounding.h"

namespace quillet {

TimeParts splitTime(double seconds)
{
    TimeParts parts;
    parts.minutes = roundHalfEven(seconds) / 60;
    parts.seconds = roundHalfEven(seconds - 60.0 * static_cast<double>(parts.minutes));
    return parts;
}

static QString twoDigits(qint64 value)
{
    if (value < 0)
        return QStringLiteral("-") + QString::number(-value).rightJustified(2, QLatin1Char('0'));
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

QString timeText(double seconds)
{
    const TimeParts parts = splitTime(seconds);
    return twoDigits(parts.minutes) + QLatin1Char(':') + twoDigits(parts.seconds);
}

} // namespace quillet
