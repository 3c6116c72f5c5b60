#include "tags/taglibtag.h"

#include "tags/mpegprobe.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/mpegproperties.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <array>
#include <memory>

namespace quillet {

namespace {

// The six fields the component reads and writes, in one order for loops.
enum Field { Song, Artist, Album, Year, Comment, Genre, FieldCount };
using Fields = std::array<QString, FieldCount>;

constexpr qsizetype id3v2HeaderSize = 10;
constexpr qsizetype id3v1Size = 128;
// Room left after the frames when a tag has to grow, so the next small edit fits without moving the audio.
constexpr qsizetype paddingOnGrowth = 1024;
constexpr qint64 maxRewriteSize = qint64(1) << 30;

QString toQString(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

TagLib::String toTagLib(const QString &text)
{
    return TagLib::String(text.toStdWString());
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

// The comment is the first COMM frame without a description; described ones (iTunNORM, ...) hold other data.
const TagLib::ID3v2::CommentsFrame *commentFrame(const TagLib::ID3v2::Tag &tag)
{
    const auto &map = tag.frameListMap();
    const auto it = map.find("COMM");
    if (it == map.end())
        return nullptr;
    for (const TagLib::ID3v2::Frame *frame : it->second) {
        const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(frame);
        if (comment && comment->description().isEmpty())
            return comment;
    }
    return nullptr;
}

QString firstText(const TagLib::ID3v2::Tag &tag, const char *id)
{
    const auto &map = tag.frameListMap();
    const auto it = map.find(id);
    if (it == map.end() || it->second.isEmpty())
        return {};
    return toQString(it->second.front()->toString());
}

Fields id3v2Fields(const TagLib::ID3v2::Tag &tag)
{
    Fields fields;
    fields[Song] = toQString(tag.title());
    fields[Artist] = toQString(tag.artist());
    fields[Album] = toQString(tag.album());
    // TagLib reads a 2.3 TYER frame as TDRC.
    QString date = firstText(tag, "TDRC");
    if (date.isEmpty())
        date = firstText(tag, "TYER");
    fields[Year] = yearText(date);
    if (const auto *comment = commentFrame(tag))
        fields[Comment] = toQString(comment->text());
    fields[Genre] = toQString(tag.genre());
    return fields;
}

Fields id3v1Fields(const TagLib::ID3v1::Tag &tag)
{
    Fields fields;
    fields[Song] = toQString(tag.title());
    fields[Artist] = toQString(tag.artist());
    fields[Album] = toQString(tag.album());
    fields[Year] = tag.year() ? QString::number(tag.year()) : QString();
    fields[Comment] = toQString(tag.comment());
    fields[Genre] = toQString(tag.genre());
    return fields;
}

// What a reader sees: each field from ID3v2, or from ID3v1 where ID3v2 lacks it.
Fields visibleFields(TagLib::MPEG::File &file)
{
    Fields fields;
    if (file.hasID3v2Tag())
        fields = id3v2Fields(*file.ID3v2Tag());
    if (file.hasID3v1Tag()) {
        const Fields old = id3v1Fields(*file.ID3v1Tag());
        for (int f = 0; f < FieldCount; ++f) {
            if (fields[f].isEmpty())
                fields[f] = old[f];
        }
    }
    return fields;
}

// LAME and ffmpeg mark a constant bit rate file with an "Info" header in its first frame. TagLib then averages over
// the stream, which that frame and the padding skew (131 for a short 128 kbit/s file); such a file reports the bit
// rate its frames carry.
int nominalBitRate(TagLib::MPEG::File &file, const TagLib::MPEG::Properties &properties)
{
    const long offset = file.firstFrameOffset();
    if (offset >= 0) {
        const TagLib::MPEG::Header first(&file, offset, false);
        if (first.isValid() && first.frameLength() > 0) {
            file.seek(offset);
            const TagLib::ByteVector frame = file.readBlock(ulong(first.frameLength()));
            if (frame.find("Info") >= 0 && frame.find("Xing") < 0)
                return first.bitrate();
        }
    }
    return properties.bitrate();
}

quint32 bigEndian32(const char *p)
{
    return quint32(quint8(p[0])) << 24 | quint32(quint8(p[1])) << 16 | quint32(quint8(p[2])) << 8 | quint8(p[3]);
}

bool isSyncSafe(const char *p)
{
    return !((p[0] | p[1] | p[2] | p[3]) & 0x80);
}

quint32 syncSafe32(const char *p)
{
    return quint32(p[0] & 0x7f) << 21 | quint32(p[1] & 0x7f) << 14 | quint32(p[2] & 0x7f) << 7 | quint32(p[3] & 0x7f);
}

QByteArray syncSafeBytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[i] = char(value & 0x7f);
        value >>= 7;
    }
    return bytes;
}

QByteArray bigEndianBytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[i] = char(value & 0xff);
        value >>= 8;
    }
    return bytes;
}

bool isFrameId(QByteArrayView id)
{
    if (id.size() != 4)
        return false;
    for (char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// The ID3v2 tag at the start of a file, split into its frames exactly as stored. Frames are copied back byte for
// byte; only the frames of the six fields are rendered anew.
struct RawId3v2
{
    int version = 0; // 3 or 4; 0 when the file starts without a tag
    quint8 flags = 0;
    qsizetype end = 0; // where the audio begins
    qsizetype frameRoom = 0; // bytes the old tag had for frames and padding
    QList<QByteArray> frames;
};

// Splits the tag; false for layouts that are not spliced here (ID3v2.2, a damaged frame list).
bool splitId3v2(const QByteArray &data, RawId3v2 &tag)
{
    tag = {};
    if (data.size() < id3v2HeaderSize || !data.startsWith("ID3"))
        return true;
    const char *header = data.constData();
    tag.version = quint8(header[3]);
    tag.flags = quint8(header[5]);
    if ((tag.version != 3 && tag.version != 4) || !isSyncSafe(header + 6))
        return false;
    const qsizetype bodySize = syncSafe32(header + 6);
    const bool footer = tag.version == 4 && (tag.flags & 0x10);
    tag.end = id3v2HeaderSize + bodySize + (footer ? 10 : 0);
    tag.frameRoom = bodySize;
    if (tag.end > data.size())
        return false;
    QByteArray body = data.mid(id3v2HeaderSize, bodySize);
    // 2.3 unsynchronises the whole tag; 2.4 marks it on each frame, so 2.4 frames stay as they are.
    if (tag.version == 3 && (tag.flags & 0x80))
        body.replace(QByteArrayView("\xff\x00", 2), QByteArrayView("\xff", 1));

    qsizetype pos = 0;
    if (tag.flags & 0x40) {
        // The extended header (with a CRC over the old frames) is dropped when the tag is rewritten.
        if (body.size() < 4)
            return false;
        pos = tag.version == 3 ? 4 + qsizetype(bigEndian32(body.constData())) : qsizetype(syncSafe32(body.constData()));
        if (pos > body.size())
            return false;
    }
    const auto validNext = [&body](qsizetype next) {
        return next == body.size() || (next < body.size() && body.at(next) == '\0')
            || (next + 4 <= body.size() && isFrameId(QByteArrayView(body).sliced(next, 4)));
    };
    while (pos + id3v2HeaderSize <= body.size() && body.at(pos) != '\0') {
        const char *frame = body.constData() + pos;
        if (!isFrameId(QByteArrayView(frame, 4)))
            return false;
        qsizetype size = bigEndian32(frame + 4);
        if (tag.version == 4 && isSyncSafe(frame + 4)) {
            size = syncSafe32(frame + 4);
            // Some writers store 2.3-style sizes in 2.4 tags; take the reading that lands on the next frame.
            if (!validNext(pos + id3v2HeaderSize + size) && validNext(pos + id3v2HeaderSize + bigEndian32(frame + 4)))
                size = bigEndian32(frame + 4);
        }
        if (pos + id3v2HeaderSize + size > body.size())
            return false;
        // A frame holds at least one byte (five in 2.4 with a data length indicator). Readers such as TagLib stop
        // at an empty one, so frames spliced in after it would never be seen.
        const bool dataLengthIndicator = tag.version == 4 && (frame[9] & 0x01);
        if (size <= (dataLengthIndicator ? 4 : 0))
            return false;
        tag.frames.append(body.mid(pos, id3v2HeaderSize + size));
        pos += id3v2HeaderSize + size;
    }
    return true;
}

bool isLatin1(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}

// Text in the frame's encoding: Latin-1 when it fits, else UTF-16 with BOM (2.3 knows no UTF-8) or UTF-8 (2.4).
struct EncodedText
{
    char encoding;
    QByteArray bytes;
    QByteArray terminator;
};

EncodedText encodeText(const QString &text, int version)
{
    if (isLatin1(text))
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

QByteArray frameBytes(QByteArrayView id, const QByteArray &content, int version)
{
    const quint32 size = quint32(content.size());
    return id.toByteArray() + (version == 4 ? syncSafeBytes(size) : bigEndianBytes(size)) + QByteArray(2, '\0')
        + content;
}

QByteArray textFrame(QByteArrayView id, const QString &text, int version)
{
    const EncodedText encoded = encodeText(text, version);
    return frameBytes(id, encoded.encoding + encoded.bytes, version);
}

QByteArray commentFrameBytes(const QString &text, const QByteArray &language, int version)
{
    EncodedText encoded = encodeText(text, version);
    // The (empty) description uses the same encoding as the text, BOM included for UTF-16.
    const QByteArray description = encoded.encoding == 1 ? QByteArray("\xff\xfe", 2) : QByteArray();
    return frameBytes("COMM", encoded.encoding + language + description + encoded.terminator + encoded.bytes, version);
}

// Which of the six fields a stored frame holds, or -1. A COMM frame counts only without a description; its
// language is returned so a rewritten comment keeps it.
int frameField(const QByteArray &frame, int version, QByteArray *language)
{
    const QByteArrayView id = QByteArrayView(frame).first(4);
    if (id == "TIT2")
        return Song;
    if (id == "TPE1")
        return Artist;
    if (id == "TALB")
        return Album;
    // TagLib reads the older date frames TYER and TRDC as TDRC, in either version.
    if (id == "TYER" || id == "TDRC" || id == "TRDC")
        return Year;
    if (id == "TCON")
        return Genre;
    if (id != "COMM")
        return -1;
    TagLib::ID3v2::Header header;
    header.setMajorVersion(uint(version));
    const std::unique_ptr<TagLib::ID3v2::Frame> parsed(TagLib::ID3v2::FrameFactory::instance()->createFrame(
        TagLib::ByteVector(frame.constData(), uint(frame.size())), &header));
    const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(parsed.get());
    if (!comment || !comment->description().isEmpty())
        return -1;
    *language = QByteArray(comment->language().data(), int(comment->language().size()));
    return Comment;
}

QByteArray newFrame(int field, const QString &text, int version, const QByteArray &language)
{
    switch (field) {
    case Song:
        return textFrame("TIT2", text, version);
    case Artist:
        return textFrame("TPE1", text, version);
    case Album:
        return textFrame("TALB", text, version);
    case Year:
        return textFrame(version == 4 ? "TDRC" : "TYER", text, version);
    case Genre:
        // The name itself: readers show it, and names outside the ID3v1 list survive.
        return textFrame("TCON", text, version);
    default:
        return commentFrameBytes(text, language.size() == 3 ? language : QByteArray("eng"), version);
    }
}

// The new file: the tag with the changed fields' frames replaced in place (or appended), all other frames and
// the audio as they were.
QByteArray spliceId3v2(
    const QByteArray &data, const RawId3v2 &old, const Fields &values, const std::array<bool, FieldCount> &changed)
{
    const int version = old.version ? old.version : 3;
    QByteArray frames;
    std::array<bool, FieldCount> placed {};
    for (const QByteArray &frame : old.frames) {
        QByteArray language;
        const int field = frameField(frame, old.version, &language);
        if (field < 0 || !changed[field]) {
            frames.append(frame);
            continue;
        }
        // The first frame of a changed field is replaced where it stood; repeats of it are dropped.
        if (!placed[field] && !values[field].isEmpty())
            frames.append(newFrame(field, values[field], version, language));
        placed[field] = true;
    }
    for (int field = 0; field < FieldCount; ++field) {
        if (changed[field] && !placed[field] && !values[field].isEmpty())
            frames.append(newFrame(field, values[field], version, {}));
    }
    QByteArray audio = data.mid(old.end);
    if (!old.version && frames.isEmpty())
        return audio;
    // Keeping the old size where the frames fit leaves the audio at the same offset.
    const qsizetype bodySize = frames.size() <= old.frameRoom ? old.frameRoom : frames.size() + paddingOnGrowth;
    frames.append(QByteArray(bodySize - frames.size(), '\0'));
    QByteArray header("ID3", 3);
    header.append(char(version));
    header.append('\0');
    header.append(char(old.flags & 0x20)); // unsynchronisation, extended header and footer are not written
    header.append(syncSafeBytes(quint32(bodySize)));
    return header + frames + audio;
}

// For tags not spliced byte-wise (2.2, damaged frame lists): TagLib rewrites the whole ID3v2 tag, as 2.3 for 2.2.
bool rewriteWithTagLib(
    const QByteArray &data, const Fields &values, const std::array<bool, FieldCount> &changed, QByteArray &result)
{
    TagLib::ByteVectorStream stream(TagLib::ByteVector(data.constData(), uint(data.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance());
    if (!file.isValid())
        return false;
    const int oldVersion = file.hasID3v2Tag() ? int(file.ID3v2Tag()->header()->majorVersion()) : 0;
    TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
    const auto setText = [tag](const char *id, const QString &text) {
        tag->removeFrames(id);
        if (!text.isEmpty()) {
            auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
            frame->setText(toTagLib(text));
            tag->addFrame(frame);
        }
    };
    const TagLib::ID3v2::Version version = oldVersion == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3;
    if (changed[Song])
        setText("TIT2", values[Song]);
    if (changed[Artist])
        setText("TPE1", values[Artist]);
    if (changed[Album])
        setText("TALB", values[Album]);
    if (changed[Genre])
        setText("TCON", values[Genre]);
    if (changed[Year]) {
        // TagLib reads TYER and TRDC as TDRC and may write them out as TDRC: the new year must be the only one.
        tag->removeFrames("TYER");
        tag->removeFrames("TRDC");
        setText("TDRC", values[Year]);
    }
    if (changed[Comment]) {
        // Described comments go back after the new one: TagLib writes a described comment without text in a form
        // that reads back without its description, and it must not then stand before the new comment.
        const TagLib::ID3v2::FrameList comments = tag->frameList("COMM");
        TagLib::ID3v2::FrameList described;
        for (TagLib::ID3v2::Frame *frame : comments) {
            const auto *comment = dynamic_cast<TagLib::ID3v2::CommentsFrame *>(frame);
            const bool isComment = comment && comment->description().isEmpty();
            tag->removeFrame(frame, isComment);
            if (!isComment)
                described.append(frame);
        }
        if (!values[Comment].isEmpty()) {
            auto *frame = new TagLib::ID3v2::CommentsFrame(TagLib::String::Latin1);
            frame->setLanguage("eng");
            frame->setText(toTagLib(values[Comment]));
            tag->addFrame(frame);
        }
        for (TagLib::ID3v2::Frame *frame : described)
            tag->addFrame(frame);
    }
    // Only the ID3v2 tag: StripNone keeps an ID3v1 tag (updated separately), DoNotDuplicate keeps TagLib from
    // copying one tag into the other.
    if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate))
        return false;
    const TagLib::ByteVector *bytes = stream.data();
    result = QByteArray(bytes->data(), qsizetype(bytes->size()));
    return true;
}

void writeId3v1Text(char *field, qsizetype width, const QString &text)
{
    // ID3v1 holds Latin-1 only; other characters become '?'.
    const QByteArray latin1 = text.toLatin1().left(width);
    std::fill(field, field + width, '\0');
    std::copy(latin1.cbegin(), latin1.cend(), field);
}

int id3v1GenreIndex(const QString &name)
{
    const TagLib::StringList names = TagLib::ID3v1::genreList();
    int index = 0;
    for (const TagLib::String &known : names) {
        if (toQString(known).compare(name, Qt::CaseInsensitive) == 0)
            return index;
        ++index;
    }
    return 255;
}

// Updates the changed fields in the ID3v1 tag that ends the file; other bytes (a track number) stay.
void updateId3v1(QByteArray &data, const Fields &old, const Fields &values)
{
    char *tag = data.data() + data.size() - id3v1Size;
    if (old[Song] != values[Song])
        writeId3v1Text(tag + 3, 30, values[Song]);
    if (old[Artist] != values[Artist])
        writeId3v1Text(tag + 33, 30, values[Artist]);
    if (old[Album] != values[Album])
        writeId3v1Text(tag + 63, 30, values[Album]);
    if (old[Year] != values[Year])
        writeId3v1Text(tag + 93, 4, values[Year]);
    if (old[Comment] != values[Comment]) {
        // ID3v1.1: a zero in byte 28 of the comment followed by a track number leaves 28 bytes for the text.
        const bool track = tag[125] == '\0' && tag[126] != '\0';
        writeId3v1Text(tag + 97, track ? 28 : 30, values[Comment]);
    }
    if (old[Genre] != values[Genre])
        tag[127] = char(quint8(id3v1GenreIndex(values[Genre])));
}

} // namespace

void TagLibTag::readTag()
{
    artist.clear();
    song.clear();
    album.clear();
    year.clear();
    comment.clear();
    genre.clear();
    m_sampleRate = 0;
    m_bitRate = 0;
    m_mpegVersion = 0;

    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.isFile())
        return;
    // The tag reader would read all of a large file without MPEG audio; the probe reads a few KiB.
    if (!MpegProbe::isMpegAudio(fileName))
        return;
    TagLib::MPEG::File file(QFile::encodeName(fileName).constData());
    if (!file.isValid())
        return;
    const Fields fields = visibleFields(file);
    song = fields[Song];
    artist = fields[Artist];
    album = fields[Album];
    year = fields[Year];
    comment = fields[Comment];
    genre = fields[Genre];

    const TagLib::MPEG::Properties *properties = file.audioProperties();
    // TagLib calls any readable file valid; without a sample rate it found no MPEG audio frame.
    if (!properties || properties->sampleRate() <= 0)
        return;
    m_sampleRate = properties->sampleRate() / 1000;
    m_bitRate = nominalBitRate(file, *properties);
    m_mpegVersion = properties->version() == TagLib::MPEG::Header::Version1 ? 1 : 2;
}

bool TagLibTag::writeTag()
{
    m_lastError.clear();
    const auto fail = [this](const QString &why) {
        m_lastError = why;
        return false;
    };
    if (fileName.isEmpty())
        return fail(QStringLiteral("No file name given"));
    const QFileInfo info(fileName);
    if (!info.isFile())
        return fail(QStringLiteral("%1 does not exist or is not a file").arg(fileName));
    // The file is rewritten in memory (TagLib's streams count in 32 bits); a bigger one is no song.
    if (info.size() > maxRewriteSize)
        return fail(QStringLiteral("%1 is too large to rewrite").arg(fileName));

    QFile input(fileName);
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot read %1: %2").arg(fileName, input.errorString()));
    QByteArray data = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Cannot read %1: %2").arg(fileName, input.errorString()));
    input.close();

    Fields visible;
    Fields oldId3v1;
    bool hasId3v1 = false;
    bool hasId3v2 = false;
    {
        TagLib::MPEG::File file(QFile::encodeName(fileName).constData());
        const TagLib::MPEG::Properties *properties = file.isValid() ? file.audioProperties() : nullptr;
        // A tag written into anything but MPEG audio would damage that file.
        if (!properties || properties->sampleRate() <= 0)
            return fail(QStringLiteral("%1 is not an MPEG audio file").arg(fileName));
        visible = visibleFields(file);
        hasId3v1 = file.hasID3v1Tag();
        hasId3v2 = file.hasID3v2Tag();
        if (hasId3v1)
            oldId3v1 = id3v1Fields(*file.ID3v1Tag());
    }

    // Only fields that differ from what a reader sees are touched. A field shown from ID3v1 because ID3v2 lacks
    // it stays there when it is written back unchanged.
    const Fields values {song, artist, album, year, comment, genre};
    std::array<bool, FieldCount> changed {};
    for (int f = 0; f < FieldCount; ++f)
        changed[f] = values[f] != visible[f];

    RawId3v2 raw;
    QByteArray result;
    // TagLib also finds a tag that stray bytes push away from the start of the file. A new tag at the start would
    // hide that one and with it every field not written now, so TagLib rewrites it where it stands.
    const bool tagAwayFromStart = hasId3v2 && !data.startsWith("ID3");
    if (std::none_of(changed.cbegin(), changed.cend(), [](bool fieldChanged) { return fieldChanged; })) {
        // Nothing to write into ID3v2: its bytes stay as they are (a rewrite would still re-encode the tag).
        result = data;
    } else if (!tagAwayFromStart && splitId3v2(data, raw)) {
        result = spliceId3v2(data, raw, values, changed);
    } else if (!rewriteWithTagLib(data, values, changed, result)) {
        return fail(QStringLiteral("The tag of %1 could not be rewritten").arg(fileName));
    }
    if (hasId3v1 && result.size() >= id3v1Size && result.endsWith(data.right(id3v1Size)))
        updateId3v1(result, oldId3v1, values);
    if (result == data)
        return true;

    // The new file is written beside the old one and renamed over it, so a failed write leaves the old file whole.
    QSaveFile output(fileName);
    if (!output.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Cannot write %1: %2").arg(fileName, output.errorString()));
    if (output.write(result) != result.size() || !output.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(fileName, output.errorString()));
    return true;
}

} // namespace quillet
