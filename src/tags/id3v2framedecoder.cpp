#include "tags/id3v2framedecoder.h"

namespace quillet {

namespace {

// Frame format flags (the second flag byte).
constexpr quint8 v23Compressed = 0x80;
constexpr quint8 v23Encrypted = 0x40;
constexpr quint8 v23Grouped = 0x20;
constexpr quint8 v24Grouped = 0x40;
constexpr quint8 v24Compressed = 0x08;
constexpr quint8 v24Encrypted = 0x04;
constexpr quint8 v24Unsynchronised = 0x02;
constexpr quint8 v24DataLength = 0x01;

QByteArray sizeBytes(qsizetype size, int version)
{
    QByteArray bytes(version == 2 ? 3 : 4, '\0');
    const int bits = version == 4 ? 7 : 8;
    for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
        bytes[i] = char(size & ((1 << bits) - 1));
        size >>= bits;
    }
    return bytes;
}

bool startsWithMark(const QByteArray &text, qsizetype at)
{
    return at + 1 < text.size()
        && ((quint8(text.at(at)) == 0xff && quint8(text.at(at + 1)) == 0xfe)
            || (quint8(text.at(at)) == 0xfe && quint8(text.at(at + 1)) == 0xff));
}

// Text frames (but the user text frame, whose description the fields never use) and comments carry UTF-16 text
// after their encoding byte; a comment has its language in between.
QByteArray withMarksInText(const QByteArray &id, const QByteArray &content)
{
    if (content.isEmpty() || content.at(0) != 1)
        return content;
    const bool comment = id == "COMM" || id == "COM";
    const bool text = id.startsWith('T') && id != "TXXX" && id != "TXX";
    if (!comment && !text)
        return content;
    const qsizetype start = comment ? 4 : 1;
    if (content.size() < start)
        return content;
    return content.left(start) + Id3v2FrameDecoder::withByteOrderMarks(content.mid(start));
}

} // namespace

QByteArray Id3v2FrameDecoder::plainFrame(const QByteArray &frame, int version, bool tagUnsynchronised)
{
    const qsizetype headerSize = version == 2 ? 6 : 10;
    if (frame.size() < headerSize)
        return frame;
    const QByteArray id = frame.left(version == 2 ? 3 : 4);
    QByteArray data = frame.mid(headerSize);
    quint8 format = version == 2 ? 0 : quint8(frame.at(9));
    if (version == 3) {
        if (format & v23Encrypted)
            return {};
        // The decompressed size comes first, then the group byte.
        if (format & v23Grouped) {
            const qsizetype group = (format & v23Compressed) ? 4 : 0;
            if (data.size() <= group)
                return frame;
            data.remove(group, 1);
        }
        format &= v23Compressed;
    } else if (version == 4) {
        if (format & v24Encrypted)
            return {};
        if (format & v24Grouped)
            data.remove(0, 1);
        // The data length is sync-safe, so unsynchronisation never touches it.
        const QByteArray dataLength = (format & v24DataLength) ? data.left(4) : QByteArray();
        data = data.mid(dataLength.size());
        if ((format & v24Unsynchronised) || tagUnsynchronised)
            data = resynchronised(data);
        // A compressed frame keeps its data length, which the parser needs to inflate it.
        if (format & v24Compressed) {
            data.prepend(dataLength);
            format = v24Compressed | v24DataLength;
        } else {
            format = 0;
        }
    }
    if (!(format & (v23Compressed | v24Compressed)))
        data = withMarksInText(id, data);
    if (version == 2)
        return id + sizeBytes(data.size(), 2) + data;
    return id + sizeBytes(data.size(), version) + frame.at(8) + char(format) + data;
}

QByteArray Id3v2FrameDecoder::resynchronised(const QByteArray &data)
{
    if (!data.contains('\xff'))
        return data;
    QByteArray result;
    result.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        result.append(data.at(i));
        if (quint8(data.at(i)) != 0xff)
            continue;
        if (i + 1 == data.size() || quint8(data.at(i + 1)) >= 0xe0)
            return data;
        if (data.at(i + 1) == '\0')
            ++i;
    }
    return result;
}

QByteArray Id3v2FrameDecoder::unsynchronised(const QByteArray &data)
{
    QByteArray result;
    result.reserve(data.size() + data.size() / 16);
    for (qsizetype i = 0; i < data.size(); ++i) {
        result.append(data.at(i));
        if (quint8(data.at(i)) == 0xff
            && (i + 1 == data.size() || data.at(i + 1) == '\0' || quint8(data.at(i + 1)) >= 0xe0))
            result.append('\0');
    }
    return result;
}

QByteArray Id3v2FrameDecoder::withByteOrderMarks(const QByteArray &strings)
{
    QByteArray result;
    qsizetype pos = 0;
    while (pos < strings.size()) {
        qsizetype end = pos;
        while (end + 1 < strings.size() && !(strings.at(end) == '\0' && strings.at(end + 1) == '\0'))
            end += 2;
        if (end + 1 >= strings.size())
            end = strings.size();
        if (end - pos >= 2 && !startsWithMark(strings, pos)) {
            qsizetype zerosFirst = 0;
            qsizetype zerosSecond = 0;
            for (qsizetype i = pos; i + 1 < end; i += 2) {
                zerosFirst += strings.at(i) == '\0';
                zerosSecond += strings.at(i + 1) == '\0';
            }
            result.append(zerosFirst > zerosSecond ? QByteArray("\xfe\xff", 2) : QByteArray("\xff\xfe", 2));
        }
        // The string and its terminator.
        result.append(strings.mid(pos, std::min(end + 2, strings.size()) - pos));
        pos = end + 2;
    }
    return result;
}

} // namespace quillet
