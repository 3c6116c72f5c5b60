#include "tags/rawid3v2tag.h"

#include "tags/genrelist.h"
#include "tags/id3v2framedecoder.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/textidentificationframe.h>

#include <memory>

namespace quillet {

namespace {

constexpr qsizetype headerSize = 10;
constexpr qsizetype id3v1Size = 128;
// Tag header flags.
constexpr quint8 unsynchronisedTag = 0x80;
constexpr quint8 extendedHeader = 0x40;
constexpr quint8 experimentalTag = 0x20;
constexpr quint8 footerPresent = 0x10;
// Room left after the frames when a tag has to grow, so the next small edit fits without moving the audio.
constexpr qsizetype paddingOnGrowth = 1024;

quint32 bigEndian(const char *p, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | quint8(p[i]);
    return value;
}

bool isSyncSafe(const char *p)
{
    return !((p[0] | p[1] | p[2] | p[3]) & 0x80);
}

quint32 syncSafe32(const char *p)
{
    return quint32(p[0] & 0x7f) << 21 | quint32(p[1] & 0x7f) << 14 | quint32(p[2] & 0x7f) << 7 | quint32(p[3] & 0x7f);
}

QByteArray numberBytes(quint32 value, int bytes, int bitsPerByte)
{
    QByteArray result(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i) {
        result[i] = char(value & ((1u << bitsPerByte) - 1));
        value >>= bitsPerByte;
    }
    return result;
}

bool isFrameId(QByteArrayView id)
{
    for (char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

QString toQString(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

// The year as people see it: "2003-05-12" or "2003-05-12T10:00" shows as "2003"; any other text as it is.
QString yearText(const QString &date)
{
    if (date.size() > 4 && (date.at(4) == QLatin1Char('-') || date.at(4) == QLatin1Char('T'))) {
        bool digits = true;
        for (int i = 0; i < 4; ++i)
            digits = digits && date.at(i).isDigit();
        if (digits)
            return date.left(4);
    }
    return date;
}

// Genre fields that are ID3v1 numbers ("17", or "(17)" in 2.3, which TagLib splits off) read as their names.
QString genreText(const TagLib::ID3v2::TextIdentificationFrame &frame)
{
    QStringList genres;
    for (const TagLib::String &field : frame.fieldList()) {
        QString text = toQString(field);
        bool number = false;
        const int value = text.toInt(&number);
        if (number && value >= 0 && value <= 255)
            text = id3v1GenreName(value);
        if (!text.isEmpty() && !genres.contains(text))
            genres.append(text);
    }
    return genres.join(QLatin1Char(' '));
}

int fieldOfId(const TagLib::ByteVector &id)
{
    if (id == "TIT2")
        return Song;
    if (id == "TPE1")
        return Artist;
    if (id == "TALB")
        return Album;
    // TagLib reads the older date frames TYER and TRDC as TDRC.
    if (id == "TDRC" || id == "TYER" || id == "TRDC")
        return Year;
    if (id == "TCON")
        return Genre;
    if (id == "COMM")
        return Comment;
    return -1;
}

// Text in the frame's encoding: Latin-1 when it fits, else UTF-16 with BOM (2.2 and 2.3 know no UTF-8) or UTF-8.
struct EncodedText
{
    char encoding;
    QByteArray bytes;
    QByteArray terminator;
};

EncodedText encodeText(const QString &text, int version)
{
    bool latin1 = true;
    for (QChar c : text)
        latin1 = latin1 && c.unicode() <= 0xff;
    if (latin1)
        return {0, text.toLatin1(), QByteArray(1, '\0')};
    if (version == 4)
        return {3, text.toUtf8(), QByteArray(1, '\0')};
    QByteArray utf16("\xff\xfe", 2);
    for (QChar c : text) {
        utf16.append(char(c.unicode() & 0xff));
        utf16.append(char(c.unicode() >> 8));
    }
    return {1, utf16, QByteArray(2, '\0')};
}

// A frame of a 2.4 tag whose header says every frame is unsynchronised is unsynchronised too, and says so itself
// for readers that look only at the frame.
QByteArray frameBytes(int field, QByteArray content, int version, bool unsynchronised)
{
    static const char *const ids22[] = {"TT2", "TP1", "TAL", "TYE", "COM", "TCO"};
    static const char *const ids23[] = {"TIT2", "TPE1", "TALB", "TYER", "COMM", "TCON"};
    if (unsynchronised)
        content = Id3v2FrameDecoder::unsynchronised(content);
    const quint32 size = quint32(content.size());
    if (version == 2)
        return QByteArray(ids22[field]) + numberBytes(size, 3, 8) + content;
    const QByteArray id = field == Year && version == 4 ? QByteArray("TDRC") : QByteArray(ids23[field]);
    const QByteArray flags(unsynchronised ? "\0\x02" : "\0\0", 2);
    return id + numberBytes(size, 4, version == 4 ? 7 : 8) + flags + content;
}

QByteArray newFrame(int field, const QString &text, int version, const QByteArray &language, bool unsynchronised)
{
    const EncodedText encoded = encodeText(text, version);
    if (field != Comment)
        return frameBytes(field, encoded.encoding + encoded.bytes, version, unsynchronised);
    // The (empty) description uses the same encoding as the text, BOM included for UTF-16.
    const QByteArray description = encoded.encoding == 1 ? QByteArray("\xff\xfe", 2) : QByteArray();
    return frameBytes(
        field, encoded.encoding + language + description + encoded.terminator + encoded.bytes, version, unsynchronised);
}

// The frames that give the day and time of the year's date in 2.2 and 2.3; they describe the old date once the year
// changes.
bool isDayOrTime(QByteArrayView id)
{
    return id == "TDAT" || id == "TIME" || id == "TDA" || id == "TIM";
}

// Parses frames as stored in a tag of the given version; frames that are not those of the six fields, and encrypted
// ones, stay null. TagLib takes an empty frame as no frame.
std::vector<std::unique_ptr<TagLib::ID3v2::Frame>> parsedFrames(
    const QList<QByteArray> &stored, int version, bool tagUnsynchronised)
{
    static const QList<QByteArray> wanted {
        "TIT2", "TPE1", "TALB", "TYER", "TDRC", "TRDC", "TCON", "COMM", "TT2", "TP1", "TAL", "TYE", "TCO", "COM"};
    TagLib::ID3v2::Header header;
    header.setMajorVersion(uint(version));
    const qsizetype frameHeader = version == 2 ? 6 : 10;
    std::vector<std::unique_ptr<TagLib::ID3v2::Frame>> frames;
    for (const QByteArray &bytes : stored) {
        const QByteArray plain = wanted.contains(bytes.left(version == 2 ? 3 : 4))
            ? Id3v2FrameDecoder::plainFrame(bytes, version, tagUnsynchronised)
            : QByteArray();
        frames.emplace_back(plain.size() > frameHeader ? TagLib::ID3v2::FrameFactory::instance()->createFrame(
                                TagLib::ByteVector(plain.constData(), uint(plain.size())), &header)
                                                       : nullptr);
    }
    return frames;
}

} // namespace

RawId3v2Tag::State RawId3v2Tag::parse(const QByteArray &data, qsizetype offset)
{
    *this = {};
    m_offset = m_end = offset;
    if (data.size() < offset + headerSize || QByteArrayView(data).sliced(offset, 3) != "ID3")
        return State::NoTag;
    const char *header = data.constData() + offset;
    const auto damaged = [this](const char *why) {
        m_reason = QString::fromLatin1(why);
        return State::Damaged;
    };
    m_version = quint8(header[3]);
    m_flags = quint8(header[5]);
    if (m_version < 2 || m_version > 4)
        return damaged("its ID3v2 tag has a version that cannot be written");
    if (!isSyncSafe(header + 6))
        return damaged("its ID3v2 tag header is damaged");
    // A 2.2 tag with this flag is compressed in a way no format was ever defined for.
    if (m_version == 2 && (m_flags & 0x40))
        return damaged("its ID3v2.2 tag is compressed");
    const qsizetype bodySize = syncSafe32(header + 6);
    const bool footer = m_version == 4 && (m_flags & footerPresent);
    m_frameRoom = bodySize;
    m_end = offset + headerSize + bodySize + (footer ? headerSize : 0);
    // The frames of a tag that the end of the file cuts short are still read, up to the cut.
    const bool cutShort = m_end > data.size();
    QByteArray body = data.mid(offset + headerSize, bodySize);
    // 2.2 and 2.3 unsynchronise the whole tag. In 2.4 each frame is unsynchronised by itself (the header flag
    // says all of them are), so 2.4 frames stay as stored and are read through Id3v2FrameDecoder.
    if (m_version < 4 && (m_flags & unsynchronisedTag))
        body.replace(QByteArrayView("\xff\x00", 2), QByteArrayView("\xff", 1));

    qsizetype pos = 0;
    // A widespread ripper sets the extended header flag with no extended header: the first frame follows at once.
    // Its ID cannot start a real extended header, whose size starts with a zero byte.
    if (m_version > 2 && (m_flags & extendedHeader) && body.size() >= 4 && isFrameId(QByteArrayView(body).first(4))) {
        m_flags &= ~extendedHeader;
    }
    if (m_version > 2 && (m_flags & extendedHeader)) {
        // The extended header (with a CRC over the old frames) is dropped when the tag is rewritten.
        if (body.size() < 4)
            return damaged("its ID3v2 extended header is damaged");
        pos = m_version == 3 ? 4 + qsizetype(bigEndian(body.constData(), 4)) : qsizetype(syncSafe32(body.constData()));
        if (pos > body.size())
            return damaged("its ID3v2 extended header is damaged");
    }
    const int idSize = m_version == 2 ? 3 : 4;
    const int frameHeader = m_version == 2 ? 6 : 10;
    const auto validNext = [&body](qsizetype next) {
        return next == body.size() || (next < body.size() && body.at(next) == '\0')
            || (next + 4 <= body.size() && isFrameId(QByteArrayView(body).sliced(next, 4)));
    };
    while (pos < body.size() && body.at(pos) != '\0') {
        const char *frame = body.constData() + pos;
        if (pos + frameHeader > body.size() || !isFrameId(QByteArrayView(frame, idSize)))
            return damaged("its ID3v2 tag holds bytes that are not a frame");
        qsizetype size = bigEndian(frame + idSize, m_version == 2 ? 3 : 4);
        if (m_version == 4 && isSyncSafe(frame + 4)) {
            size = syncSafe32(frame + 4);
            // Some writers store 2.3-style sizes in 2.4 tags; take the reading that lands on the next frame.
            if (!validNext(pos + frameHeader + size) && validNext(pos + frameHeader + bigEndian(frame + 4, 4)))
                size = bigEndian(frame + 4, 4);
        }
        if (size > body.size() - pos - frameHeader)
            return damaged("a frame of its ID3v2 tag runs past the end of the tag");
        // An empty frame is kept as it is: other readers skip it and read on.
        m_frames.append(body.mid(pos, frameHeader + size));
        pos += frameHeader + size;
    }
    return cutShort ? damaged("its ID3v2 tag is cut short") : State::Whole;
}

RawId3v2Tag::State RawId3v2Tag::parseAppended(const QByteArray &data)
{
    *this = {};
    qsizetype end = data.size();
    if (end >= id3v1Size && QByteArrayView(data).sliced(end - id3v1Size, 3) == "TAG")
        end -= id3v1Size;
    if (end < 2 * headerSize)
        return State::NoTag;
    // The footer repeats the header but for its first three bytes; only 2.4 has one.
    const QByteArrayView footer = QByteArrayView(data).sliced(end - headerSize, headerSize);
    if (!footer.startsWith("3DI") || footer.at(3) != 4 || !(quint8(footer.at(5)) & footerPresent)
        || !isSyncSafe(footer.data() + 6))
        return State::NoTag;
    const qsizetype start = end - 2 * headerSize - qsizetype(syncSafe32(footer.data() + 6));
    if (start < 0 || QByteArrayView(data).sliced(start, 3) != "ID3"
        || QByteArrayView(data).sliced(start + 3, headerSize - 3) != footer.sliced(3))
        return State::NoTag;
    const State state = parse(data, start);
    m_appended = true;
    return state;
}

FieldFrames RawId3v2Tag::fieldsOf(const std::vector<const TagLib::ID3v2::Frame *> &frames)
{
    FieldFrames result;
    result.shown.fill(-1);
    result.roles.assign(frames.size(), -1);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const TagLib::ID3v2::Frame *frame = frames[i];
        const int field = frame ? fieldOfId(frame->frameID()) : -1;
        if (field < 0)
            continue;
        QString text;
        if (field == Comment) {
            // The comment is a COMM frame without a description; described ones (iTunNORM, ...) hold other data.
            const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(frame);
            if (!comment || !comment->description().isEmpty() || comment->textEncoding() > TagLib::String::UTF8)
                continue;
            text = toQString(comment->text());
        } else {
            const auto *textFrame = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame *>(frame);
            if (!textFrame || textFrame->textEncoding() > TagLib::String::UTF8)
                continue;
            text = field == Genre ? genreText(*textFrame) : toQString(textFrame->toString());
            if (field == Year)
                text = yearText(text);
        }
        result.roles[i] = field;
        if (result.shown[field] < 0) {
            result.shown[field] = int(i);
            result.texts[field] = text;
            if (field == Comment) {
                const TagLib::ByteVector language
                    = static_cast<const TagLib::ID3v2::CommentsFrame *>(frame)->language();
                result.commentLanguage = QByteArray(language.data(), int(language.size()));
            }
        }
    }
    return result;
}

FieldFrames RawId3v2Tag::fields() const
{
    const auto owned = parsedFrames(m_frames, m_version, m_version == 4 && (m_flags & unsynchronisedTag));
    std::vector<const TagLib::ID3v2::Frame *> frames;
    for (const auto &frame : owned)
        frames.push_back(frame.get());
    return fieldsOf(frames);
}

TagFields RawId3v2Tag::asRead(const TagFields &values, int version)
{
    QList<QByteArray> stored;
    for (int field = 0; field < TagFieldCount; ++field)
        stored.append(newFrame(field, values[field], version, "eng", false));
    const auto owned = parsedFrames(stored, version, false);
    std::vector<const TagLib::ID3v2::Frame *> frames;
    for (const auto &frame : owned)
        frames.push_back(frame.get());
    return fieldsOf(frames).texts;
}

QByteArray RawId3v2Tag::rebuilt(
    const QByteArray &data, const TagFields &values, const std::array<bool, TagFieldCount> &changed) const
{
    const int version = m_version ? m_version : 3;
    // In 2.4 the header flag says every frame is unsynchronised: it stays, since the kept frames rely on it.
    const bool unsynchronised = version == 4 && (m_flags & unsynchronisedTag);
    const FieldFrames old = fields();
    QByteArray frames;
    // Fields the tag did not hold go first, where every reader finds them, even one that stops at a later
    // broken frame.
    for (int field = 0; field < TagFieldCount; ++field) {
        if (changed[field] && old.shown[field] < 0 && !values[field].isEmpty())
            frames.append(newFrame(field, values[field], version, "eng", unsynchronised));
    }
    for (qsizetype i = 0; i < m_frames.size(); ++i) {
        const QByteArray &frame = m_frames.at(i);
        const int field = old.roles[std::size_t(i)];
        if (field >= 0 && changed[field]) {
            if (old.shown[field] == int(i)) {
                // The comment keeps its language.
                const QByteArray language = old.commentLanguage.size() == 3 ? old.commentLanguage : "eng";
                if (!values[field].isEmpty())
                    frames.append(newFrame(field, values[field], version, language, unsynchronised));
                continue;
            }
            // A repeat of an edited text field would show the old value in readers that take the last one.
            // Comments in other languages stay.
            if (field != Comment)
                continue;
        }
        // A day and time of the old year would make a date that was never set.
        if (changed[Year] && isDayOrTime(QByteArrayView(frame).first(version == 2 ? 3 : 4)))
            continue;
        frames.append(frame);
    }
    if (!m_version && frames.isEmpty())
        return data;
    // Keeping the old size where the frames fit leaves the audio at the same offset. An appended tag has no
    // padding, and moves to the front anyway.
    const qsizetype room = m_appended ? 0 : m_frameRoom;
    const qsizetype bodySize = frames.size() <= room ? room : frames.size() + paddingOnGrowth;
    frames.append(QByteArray(bodySize - frames.size(), '\0'));
    QByteArray header("ID3", 3);
    header.append(char(version));
    header.append('\0');
    // The extended header and the footer are not written; the experimental flag stays.
    header.append(version > 2 ? char(m_flags & experimentalTag) | char(unsynchronised ? unsynchronisedTag : 0) : '\0');
    header.append(numberBytes(quint32(bodySize), 4, 7));
    // A tag at the end moves to the front, where every reader looks for it, and leaves no copy behind.
    if (m_appended)
        return header + frames + data.left(m_offset) + data.mid(m_end);
    return data.left(m_offset) + header + frames + data.mid(m_end);
}

} // namespace quillet
