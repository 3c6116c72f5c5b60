#include "appearance/regiondata.h"

#include "appearance/bandedregionbuilder.h"

#include <QtEndian>

namespace quillet {

namespace {

void appendInt32(QByteArray &data, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

qint32 int32At(const QByteArray &data, qsizetype offset)
{
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

quint32 uint32At(const QByteArray &data, qsizetype offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

} // namespace

qint64 RegionData::byteSize(const QRegion &region)
{
    return HeaderSize + qint64(RectangleSize) * region.rectCount();
}

QByteArray RegionData::toBytes(const QRegion &region)
{
    QByteArray data;
    data.reserve(qsizetype(byteSize(region)));
    const int count = region.rectCount();
    appendInt32(data, qint32(HeaderSize));
    appendInt32(data, qint32(RectanglesType));
    appendInt32(data, count);
    appendInt32(data, qint32(RectangleSize * quint32(count)));
    // An empty region has the bounding rectangle (0, 0, 0, 0).
    const QRect bounds = region.boundingRect();
    appendInt32(data, bounds.isEmpty() ? 0 : bounds.left());
    appendInt32(data, bounds.isEmpty() ? 0 : bounds.top());
    appendInt32(data, bounds.isEmpty() ? 0 : bounds.left() + bounds.width());
    appendInt32(data, bounds.isEmpty() ? 0 : bounds.top() + bounds.height());
    for (const QRect &rect : region) {
        appendInt32(data, rect.left());
        appendInt32(data, rect.top());
        appendInt32(data, rect.left() + rect.width());
        appendInt32(data, rect.top() + rect.height());
    }
    return data;
}

std::optional<QRegion> RegionData::fromBytes(const QByteArray &data)
{
    if (data.size() < qsizetype(HeaderSize))
        return std::nullopt;
    if (uint32At(data, 0) != HeaderSize || uint32At(data, 4) != RectanglesType)
        return std::nullopt;
    // 64-bit arithmetic: a count near 2^28 would wrap the byte count to a small number in 32 bits.
    const qint64 count = uint32At(data, 8);
    if (HeaderSize + count * RectangleSize > qint64(data.size()))
        return std::nullopt;
    // The stored bounding rectangle and list size are not needed: the rectangles say everything.
    std::vector<BandedRegionBuilder::Box> boxes;
    boxes.reserve(size_t(count));
    for (qint64 i = 0; i < count; ++i) {
        const qsizetype offset = qsizetype(HeaderSize + i * RectangleSize);
        BandedRegionBuilder::Box box {
            int32At(data, offset), int32At(data, offset + 4), int32At(data, offset + 8), int32At(data, offset + 12)};
        for (const int coordinate : {box.left, box.top, box.right, box.bottom}) {
            if (coordinate < -CoordinateLimit || coordinate > CoordinateLimit)
                return std::nullopt;
        }
        boxes.push_back(box);
    }
    return BandedRegionBuilder::fromBoxes(std::move(boxes));
}

} // namespace quillet
