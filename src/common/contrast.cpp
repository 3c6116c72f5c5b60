#include "common/contrast.h"

#include <QtMath>

namespace quillet {

namespace {

double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : qPow((channel + 0.055) / 1.055, 2.4);
}

// A little above the thresholds, so that smoothed glyphs and edges, whose pixels lie part way to the ground, still
// reach them on screen.
constexpr double TextMargin = 0.5;
constexpr double EdgeMargin = 0.15;

// The smallest step along from -> to (in twentieths) that reaches the ratio against `against`, or `to`.
QColor firstReaching(const QColor &from, const QColor &to, const QColor &against, double ratio)
{
    for (int step = 0; step <= 40; ++step) {
        const QColor candidate = mixColours(from, to, step / 40.0);
        if (contrastRatio(candidate, against) >= ratio)
            return candidate;
    }
    return to;
}

} // namespace

double relativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor mixColours(const QColor &from, const QColor &to, double t)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    const auto mix = [t](int x, int y) { return qBound(0, qRound(x + (y - x) * t), 255); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

ReadablePair readablePair(const QColor &surface, const QColor &ink, double ratio)
{
    const double wanted = ratio + TextMargin;
    if (contrastRatio(surface, ink) >= wanted)
        return {surface.toRgb(), ink.toRgb()};
    const bool inkLighter = relativeLuminance(ink) >= relativeLuminance(surface);
    const QColor inkEnd = inkLighter ? QColor(Qt::white) : QColor(Qt::black);
    const QColor surfaceEnd = inkLighter ? QColor(Qt::black) : QColor(Qt::white);
    const QColor movedInk = firstReaching(ink, inkEnd, surface, wanted);
    if (contrastRatio(movedInk, surface) >= wanted)
        return {surface.toRgb(), movedInk};
    return {firstReaching(surface, surfaceEnd, inkEnd, wanted), inkEnd};
}

QColor edgeColour(const QColor &surface, const QColor &ink, double ratio)
{
    return firstReaching(mixColours(surface, ink, 0.3), ink, surface, ratio + EdgeMargin);
}

} // namespace quillet
