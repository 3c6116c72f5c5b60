#include "tags/formatlayout.h"

#include <QtEndian>

#include <algorithm>

namespace quillet {

namespace {

quint32 bigEndian32(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

quint32 littleEndian32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

// The size of an ID3v2 tag at the start of data (a FLAC file may have one in front), or 0.
qsizetype id3v2Size(const QByteArray &data)
{
    if (data.size() < 10 || !data.startsWith("ID3"))
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const qsizetype body = (qsizetype(p[6] & 0x7f) << 21) | (qsizetype(p[7] & 0x7f) << 14)
        | (qsizetype(p[8] & 0x7f) << 7) | qsizetype(p[9] & 0x7f);
    return 10 + body + ((p[5] & 0x10) ? 10 : 0);
}

// The fields of a Vorbis comment block (without the packet's own header): vendor, count, then length and text.
bool parseComments(const QByteArray &block, QList<FormatLayout::Item> &items)
{
    qsizetype at = 0;
    const auto next = [&block, &at](QByteArray &text) {
        if (at + 4 > block.size())
            return false;
        const qsizetype length = littleEndian32(block, at);
        at += 4;
        if (length > block.size() - at)
            return false;
        text = block.mid(at, length);
        at += length;
        return true;
    };
    QByteArray vendor;
    if (!next(vendor) || at + 4 > block.size())
        return false;
    const quint32 count = littleEndian32(block, at);
    at += 4;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray field;
        if (!next(field))
            return false;
        // Field names are the same in any case; TagLib writes them in capitals.
        const qsizetype equals = field.indexOf('=');
        const QByteArray name = field.left(equals).toUpper();
        items.append({"comment:" + name, name + field.mid(name.size())});
    }
    return true;
}

bool parseFlac(const QByteArray &data, FormatLayout &layout)
{
    qsizetype at = id3v2Size(data);
    if (at > 0)
        layout.items.append({"id3v2", data.left(at)});
    if (data.mid(at, 4) != "fLaC")
        return false;
    at += 4;
    // Each metadata block: a byte of the last-block flag and the type, a 24-bit length, the contents.
    for (bool last = false; !last;) {
        if (at + 4 > data.size())
            return false;
        last = quint8(data.at(at)) & 0x80;
        const int type = quint8(data.at(at)) & 0x7f;
        const qsizetype length = qsizetype(bigEndian32(data, at) & 0xffffff);
        if (at + 4 + length > data.size())
            return false;
        const QByteArray contents = data.mid(at + 4, length);
        if (type == 4) {
            if (!parseComments(contents, layout.items))
                return false;
        } else if (type != 1) {
            layout.items.append({"block:" + QByteArray::number(type), contents});
        }
        at += 4 + length;
    }
    qsizetype end = data.size();
    if (end - at >= 128 && data.mid(end - 128, 3) == "TAG") {
        layout.items.append({"id3v1", data.right(128)});
        end -= 128;
    }
    layout.audio = data.mid(at, end - at);
    return true;
}

bool parseOgg(const QByteArray &data, AudioFormat format, FormatLayout &layout)
{
    // The header packets lie on pages of granule position 0; every page after them carries audio. The second
    // packet is the comment header.
    QList<QByteArray> packets {QByteArray()};
    qsizetype at = 0;
    while (at < data.size()) {
        if (at + 27 > data.size() || data.mid(at, 4) != "OggS")
            return false;
        const int segments = quint8(data.at(at + 26));
        if (at + 27 + segments > data.size())
            return false;
        qsizetype body = at + 27 + segments;
        const quint64 granule = qFromLittleEndian<quint64>(data.constData() + at + 6);
        for (int s = 0; s < segments; ++s) {
            const int lacing = quint8(data.at(at + 27 + s));
            if (body + lacing > data.size())
                return false;
            if (granule == 0) {
                packets.last() += data.mid(body, lacing);
                if (lacing < 255)
                    packets.append(QByteArray());
            } else {
                layout.audio += data.mid(body, lacing);
            }
            body += lacing;
        }
        at = body;
    }
    const QByteArray header = format == AudioFormat::Opus ? QByteArray("OpusTags") : QByteArray("\x03vorbis");
    if (packets.size() < 2 || !packets.at(1).startsWith(header))
        return false;
    return parseComments(packets.at(1).mid(header.size()), layout.items);
}

// The boxes of data between start and end, each as its name, offset, header size and whole size.
struct Box
{
    QByteArray name;
    qsizetype at = 0;
    qsizetype header = 0;
    qsizetype size = 0;
};

std::optional<QList<Box>> boxesOf(const QByteArray &data, qsizetype start, qsizetype end)
{
    QList<Box> boxes;
    for (qsizetype at = start; at < end;) {
        if (at + 8 > end)
            return std::nullopt;
        qint64 size = bigEndian32(data, at);
        qsizetype header = 8;
        if (size == 1) {
            if (at + 16 > end)
                return std::nullopt;
            size = qint64(qFromBigEndian<quint64>(data.constData() + at + 8));
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at)
            return std::nullopt;
        boxes.append({data.mid(at + 4, 4), at, header, qsizetype(size)});
        at += qsizetype(size);
    }
    return boxes;
}

// The boxes TagLib descends into, and the bytes of their own before their children.
qsizetype containerHeader(const QByteArray &name)
{
    static const char *const containers[]
        = {"moov", "udta", "mdia", "meta", "ilst", "stbl", "minf", "moof", "traf", "trak", "stsd"};
    if (name == "meta")
        return 4;
    if (name == "stsd")
        return 8;
    return std::any_of(std::begin(containers), std::end(containers), [&name](const char *c) { return name == c; }) ? 0
                                                                                                                   : -1;
}

// True when every box TagLib descends into holds children that fill it exactly. TagLib's save trusts the sizes it
// read, and writes out of bounds where they contradict each other.
bool wellNested(const QByteArray &data, const QList<Box> &boxes, const QByteArray &path)
{
    if (path.count('/') > 16)
        return false;
    for (const Box &box : boxes) {
        // A chunk offset table is rewritten entry by entry when the tag grows, as many entries as it says it has.
        // TagLib finds the tables wherever they are in moov, but moves only those that lie after the point where
        // the tag goes in; one elsewhere than in a track's sample table can sit at that very point, and its count
        // is then read from the new tag's bytes.
        if (box.name == "stco" || box.name == "co64") {
            const qint64 entryBytes = box.name == "stco" ? 4 : 8;
            if (path != "/moov/trak/mdia/minf/stbl" || box.header != 8 || box.size < 16
                || bigEndian32(data, box.at + 12) > (box.size - 16) / entryBytes)
                return false;
        }
        // A table holds no boxes; a container's children are checked in turn.
        const qsizetype skip = containerHeader(box.name);
        if (skip < 0)
            continue;
        if (box.header + skip > box.size)
            return false;
        const std::optional<QList<Box>> children = boxesOf(data, box.at + box.header + skip, box.at + box.size);
        if (!children || !wellNested(data, *children, path + '/' + box.name))
            return false;
    }
    return true;
}

bool parseMp4(const QByteArray &data, FormatLayout &layout)
{
    const std::optional<QList<Box>> top = boxesOf(data, 0, data.size());
    if (!top || !wellNested(data, *top, QByteArray()))
        return false;
    for (const Box &box : *top) {
        if (box.name == "mdat")
            layout.audio += data.mid(box.at + box.header, box.size - box.header);
    }
    // The tag's items are the boxes in moov/udta/meta/ilst; meta has four bytes of version and flags first.
    std::optional<QList<Box>> level = top;
    for (const char *name : {"moov", "udta", "meta", "ilst"}) {
        const auto found
            = std::find_if(level->cbegin(), level->cend(), [name](const Box &b) { return b.name == name; });
        if (found == level->cend())
            return true;
        const qsizetype skip = qstrcmp(name, "meta") == 0 ? 4 : 0;
        level = boxesOf(data, found->at + found->header + skip, found->at + found->size);
        if (!level)
            return false;
    }
    for (const Box &item : *level)
        layout.items.append({"atom:" + item.name, data.mid(item.at, item.size)});
    return true;
}

} // namespace

bool FormatLayout::parse(const QByteArray &data, AudioFormat format)
{
    audio.clear();
    items.clear();
    switch (format) {
    case AudioFormat::Flac:
        return parseFlac(data, *this);
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        return parseOgg(data, format, *this);
    case AudioFormat::M4a:
    case AudioFormat::Mp4:
        return parseMp4(data, *this);
    default:
        break;
    }
    return false;
}

} // namespace quillet
