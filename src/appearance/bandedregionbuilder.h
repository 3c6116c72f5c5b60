#pragma once

#include <QRegion>

#include <optional>
#include <vector>

namespace quillet {

// Builds a QRegion in its canonical banded form in one go: horizontal bands from top to bottom, each a list of
// separate rectangles from left to right, and vertically adjacent bands with the same spans merged into one.
// This is the form in which region data files list their rectangles and the form QRegion's own operations
// produce, so a region built here compares equal, rectangle for rectangle, to one made by combining regions.
class BandedRegionBuilder
{
public:
    // A horizontal span [left, right) of a band.
    struct Span
    {
        int left;
        int right;
        bool operator==(const Span &) const = default;
    };
    // A rectangle with exclusive right and bottom edges.
    struct Box
    {
        int left;
        int top;
        int right;
        int bottom;
    };

    // The most rectangles a region may have (far above any window shape; protects against crafted data).
    static constexpr qsizetype MaxRectangles = qsizetype(1) << 24;

    // Adds the band [top, bottom) with spans sorted from left to right that neither overlap nor touch; bands
    // come from top to bottom without overlapping. An empty span list adds nothing. False when the region
    // would grow beyond MaxRectangles.
    bool addBand(int top, int bottom, const std::vector<Span> &spans);
    // The region built so far.
    QRegion region() const;

    // The union of the boxes in canonical form; empty and inverted boxes count for nothing. Nothing when the
    // result or the work to find it grows beyond the limits for crafted input.
    static std::optional<QRegion> fromBoxes(std::vector<Box> boxes);

private:
    std::vector<QRect> m_rects;
    size_t m_lastBandStart = 0;
    int m_lastBottom = 0;
    bool m_hasBand = false;
};

} // namespace quillet
