#include "appearance/bandedregionbuilder.h"

#include <algorithm>

namespace quillet {

namespace {

// Sweeping crafted boxes that overlap heavily costs active boxes times bands; a canonical list costs one step
// per rectangle. Beyond this many steps the input is refused rather than keeping the program busy for minutes.
constexpr qint64 MaxSweepSteps = qint64(1) << 26;

} // namespace

bool BandedRegionBuilder::addBand(int top, int bottom, const std::vector<Span> &spans)
{
    if (spans.empty() || top >= bottom)
        return true;
    if (m_hasBand && m_lastBottom == top && m_rects.size() - m_lastBandStart == spans.size()) {
        bool same = true;
        for (size_t i = 0; i < spans.size() && same; ++i) {
            const QRect &r = m_rects[m_lastBandStart + i];
            same = r.left() == spans[i].left && r.right() + 1 == spans[i].right;
        }
        if (same) {
            // The band continues the one above with the same spans: grow that band instead of adding one.
            for (size_t i = m_lastBandStart; i < m_rects.size(); ++i)
                m_rects[i].setBottom(bottom - 1);
            m_lastBottom = bottom;
            return true;
        }
    }
    if (qsizetype(m_rects.size() + spans.size()) > MaxRectangles)
        return false;
    m_lastBandStart = m_rects.size();
    for (const Span &span : spans)
        m_rects.emplace_back(QPoint(span.left, top), QPoint(span.right - 1, bottom - 1));
    m_lastBottom = bottom;
    m_hasBand = true;
    return true;
}

QRegion BandedRegionBuilder::region() const
{
    QRegion result;
    // setRects takes the list as it is; the bands built above are already in the form it requires.
    if (!m_rects.empty())
        result.setRects(m_rects.data(), int(m_rects.size()));
    return result;
}

std::optional<QRegion> BandedRegionBuilder::fromBoxes(std::vector<Box> boxes)
{
    std::erase_if(boxes, [](const Box &b) { return b.left >= b.right || b.top >= b.bottom; });
    if (boxes.empty())
        return QRegion();

    std::vector<int> edges;
    edges.reserve(boxes.size() * 2);
    for (const Box &b : boxes) {
        edges.push_back(b.top);
        edges.push_back(b.bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::sort(boxes.begin(), boxes.end(), [](const Box &a, const Box &b) { return a.top < b.top; });

    BandedRegionBuilder builder;
    std::vector<const Box *> active;
    std::vector<Span> spans;
    size_t next = 0;
    qint64 steps = 0;
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        const int top = edges[e];
        const int bottom = edges[e + 1];
        std::erase_if(active, [top](const Box *b) { return b->bottom <= top; });
        while (next < boxes.size() && boxes[next].top <= top)
            active.push_back(&boxes[next++]);
        steps += qint64(active.size()) + 1;
        if (steps > MaxSweepSteps)
            return std::nullopt;
        if (active.empty())
            continue;

        spans.clear();
        for (const Box *b : active)
            spans.push_back({b->left, b->right});
        std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.left < b.left; });
        // Overlapping and touching spans join, as in a union.
        size_t merged = 0;
        for (size_t i = 1; i < spans.size(); ++i) {
            if (spans[i].left <= spans[merged].right)
                spans[merged].right = std::max(spans[merged].right, spans[i].right);
            else
                spans[++merged] = spans[i];
        }
        spans.resize(merged + 1);
        if (!builder.addBand(top, bottom, spans))
            return std::nullopt;
    }
    return builder.region();
}

} // namespace quillet
