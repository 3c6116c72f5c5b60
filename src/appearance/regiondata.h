#pragma once

#include <QByteArray>
#include <QRegion>

#include <optional>

namespace quillet {

// Region data in the published little-endian layout, the content of region data files and resources:
// a 32-byte header (header size 32, type 1 for a list of rectangles, rectangle count, size of the rectangle
// list in bytes, bounding rectangle) followed by the rectangles, each left, top, right, bottom as signed 32-bit
// numbers with right and bottom exclusive.
class RegionData
{
public:
    static constexpr quint32 HeaderSize = 32;
    static constexpr quint32 RectanglesType = 1;
    static constexpr quint32 RectangleSize = 16;
    // The largest coordinate magnitude accepted; keeps every width, height and sum far from int overflow.
    static constexpr qint32 CoordinateLimit = qint32(1) << 27;

    // The number of bytes the region's data takes.
    static qint64 byteSize(const QRegion &region);
    // The region's data, its rectangles in the region's banded order (top to bottom, left to right).
    static QByteArray toBytes(const QRegion &region);
    // The region that the data describes (the union of its rectangles, empty ones ignored); nothing when the
    // header size is not 32, the type not 1, the rectangles do not fit in the data, a coordinate lies beyond
    // CoordinateLimit or the region is too complex to build.
    static std::optional<QRegion> fromBytes(const QByteArray &data);
};

} // namespace quillet
