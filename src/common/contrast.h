#pragma once

#include <QColor>

namespace quillet {

// Legibility thresholds: ordinary text against what it is drawn on, and the edge of a control against the window.
constexpr double TextContrast = 4.5;
constexpr double EdgeContrast = 3.0;

// The relative luminance of a colour (0 for black, 1 for white), as contrast ratios are defined on it.
double relativeLuminance(const QColor &colour);

// The contrast ratio of two colours, from 1 (the same) to 21 (black and white); the order does not matter.
double contrastRatio(const QColor &a, const QColor &b);

// The colour a fraction t (0..1) of the way from one colour to another.
QColor mixColours(const QColor &from, const QColor &to, double t);

// A colour of a pair that reads at least `ratio` against the other, changed as little as needed: the ink moves
// toward white when it is the lighter of the two, toward black otherwise; when even white or black is not
// enough, the surface moves the other way as far as needed. Both keep their hue.
struct ReadablePair
{
    QColor surface;
    QColor ink;
};
ReadablePair readablePair(const QColor &surface, const QColor &ink, double ratio = TextContrast);

// The colour between a surface and an ink, nearest the surface, that stands at least `ratio` from the surface
// (the ink itself when nothing nearer does): the edge of a control drawn on that surface.
QColor edgeColour(const QColor &surface, const QColor &ink, double ratio = EdgeContrast);

} // namespace quillet
