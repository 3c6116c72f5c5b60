#include "tags/taglibtag.h"

#include "tags/filesnapshot.h"
#include "tags/genrelist.h"
#include "tags/mpegprobe.h"
#include "tags/rawid3v2tag.h"
#include "tags/tagfilewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <taglib/commentsframe.h>
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

namespace quillet {

namespace {

constexpr qsizetype id3v1Size = 128;
constexpr qint64 maxRewriteSize = qint64(1) << 30;

QString toQString(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

QByteArray toBytes(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

TagFields id3v1Fields(const TagLib::ID3v1::Tag &tag)
{
    TagFields fields;
    fields[Song] = toQString(tag.title());
    fields[Artist] = toQString(tag.artist());
    fields[Album] = toQString(tag.album());
    fields[Year] = tag.year() ? QString::number(tag.year()) : QString();
    fields[Comment] = toQString(tag.comment());
    // The editor's own spelling of the genre, so that it shows as one of its list.
    fields[Genre] = id3v1GenreName(int(tag.genreNumber()));
    return fields;
}

QByteArray readAt(TagLib::MPEG::File &file, qint64 offset, qint64 length)
{
    if (offset < 0 || length <= 0)
        return {};
    file.seek(long(offset));
    return toBytes(file.readBlock(ulong(length)));
}

qint64 syncSafeSize(const QByteArray &header)
{
    const auto byte = [&header](int i) { return qint64(quint8(header.at(i))); };
    if ((byte(6) | byte(7) | byte(8) | byte(9)) & 0x80)
        return -1;
    return byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9);
}

// Where the ID3v2 tag that TagLib found in front begins: at the start, or after stray bytes but before the first
// audio frame (a new tag in front would hide it). -1 when TagLib found none.
qsizetype frontTagOffset(TagLib::MPEG::File &file)
{
    if (!file.hasID3v2Tag())
        return -1;
    if (readAt(file, 0, 3) == "ID3")
        return 0;
    const long first = file.firstFrameOffset();
    return first < 0 ? -1 : readAt(file, 0, qint64(first) + 3).indexOf("ID3");
}

// The ID3v2 tag of the file TagLib opened: the one in front or, where there is none, one appended at the end.
// Only the tag's bytes are read.
RawId3v2Tag::State parseTag(TagLib::MPEG::File &file, RawId3v2Tag &raw)
{
    const qsizetype offset = frontTagOffset(file);
    if (offset >= 0) {
        const QByteArray header = readAt(file, offset, 10);
        const qint64 body = header.size() == 10 ? syncSafeSize(header) : -1;
        // The size is sync-safe: at most 256 MiB, and readBlock stops at the end of the file. The footer comes too.
        return raw.parse(body < 0 ? header : readAt(file, offset, 20 + body), 0);
    }
    const qint64 length = qint64(file.length());
    const qint64 end = length - (file.hasID3v1Tag() ? id3v1Size : 0);
    const QByteArray footer = readAt(file, end - 10, 10);
    const qint64 body = footer.size() == 10 && footer.startsWith("3DI") ? syncSafeSize(footer) : -1;
    if (body < 0 || end - 20 - body < 0)
        return raw.parse({}, 0);
    return raw.parseAppended(readAt(file, end - 20 - body, length - (end - 20 - body)));
}

// What a reader sees: each field from ID3v2, or from ID3v1 where ID3v2 lacks it.
TagFields withId3v1(TagFields fields, TagLib::MPEG::File &file)
{
    const bool complete = std::none_of(fields.cbegin(), fields.cend(), [](const QString &f) { return f.isEmpty(); });
    if (!complete && file.hasID3v1Tag()) {
        const TagFields old = id3v1Fields(*file.ID3v1Tag());
        for (int f = 0; f < TagFieldCount; ++f) {
            if (fields[f].isEmpty())
                fields[f] = old[f];
        }
    }
    return fields;
}

// TagLib keeps a frame's header, and with it the frame's flags, protected. A class derived from Frame may take the
// address of the accessor, and that pointer works on any frame.
struct FrameFlags : TagLib::ID3v2::Frame
{
    static bool grouped(const TagLib::ID3v2::Frame &frame)
    {
        return (frame.*&FrameFlags::header)()->groupingIdentity();
    }
};

// TagLib stops reading a tag at the first frame it cannot take (an empty one, say) and drops every frame after
// it. True when bytes other than padding follow the frames it kept. Only tags at the start of the file qualify.
bool tagLibStoppedEarly(TagLib::MPEG::File &file, const TagLib::ID3v2::Tag &tag)
{
    const TagLib::ID3v2::Header &header = *tag.header();
    const uint version = header.majorVersion();
    // Positions in an unsynchronised tag, or behind an extended header, are not worth working out here.
    if ((version < 4 && header.unsynchronisation()) || header.extendedHeader())
        return true;
    const qint64 frameHeader = version == 2 ? 6 : 10;
    qint64 parsed = 10;
    for (const TagLib::ID3v2::Frame *frame : tag.frameList())
        parsed += frameHeader + frame->size();
    if (parsed + frameHeader > 10 + qint64(header.tagSize()))
        return false;
    file.seek(long(parsed));
    const TagLib::ByteVector next = file.readBlock(1);
    return !next.isEmpty() && next[0] != '\0';
}

// True when TagLib's own reading of a frame is wrong: it takes a group byte for text, and drops UTF-16 text that
// lacks its byte-order mark.
bool tagLibMisreads(const TagLib::ID3v2::Frame &frame)
{
    if (FrameFlags::grouped(frame))
        return true;
    if (frame.size() <= 3 || !frame.toString().isEmpty())
        return false;
    const auto *text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame *>(&frame);
    const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(&frame);
    return (text && text->textEncoding() == TagLib::String::UTF16)
        || (comment && comment->textEncoding() == TagLib::String::UTF16);
}

// The six fields of the file TagLib opened, as readTag() gives them. TagLib's reading of the tag in front serves
// where it can be trusted; Quillet reads the tag itself where TagLib gave up early or misreads a frame, and where
// the tag is appended at the end, which TagLib does not look for.
TagFields readFields(TagLib::MPEG::File &file)
{
    if (file.hasID3v2Tag()) {
        const TagLib::ID3v2::Tag &tag = *file.ID3v2Tag();
        const TagLib::ID3v2::FrameList &list = tag.frameList();
        if (std::none_of(list.begin(), list.end(), [](const TagLib::ID3v2::Frame *f) { return tagLibMisreads(*f); })
            && !tagLibStoppedEarly(file, tag)) {
            return withId3v1(RawId3v2Tag::fieldsOf({list.begin(), list.end()}).texts, file);
        }
    }
    RawId3v2Tag raw;
    const bool tagged = parseTag(file, raw) != RawId3v2Tag::State::NoTag;
    return withId3v1(tagged ? raw.fields().texts : TagFields(), file);
}

// What readTag() would give for a file holding data, found without writing it anywhere.
TagFields fieldsOfBytes(const QByteArray &data)
{
    if (!MpegProbe::isMpegAudio(data))
        return {};
    TagLib::ByteVectorStream stream(TagLib::ByteVector(data.constData(), uint(data.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    return file.isValid() ? readFields(file) : TagFields();
}

// LAME and ffmpeg mark a constant bit rate file with an "Info" header in its first frame. TagLib then averages over
// the stream, which that frame and the padding skew (131 for a short 128 kbit/s file); such a file reports the bit
// rate its audio frames carry. The encoder writes the Info frame itself at a higher rate when the real one is too
// small to hold it (24 for a 16 kbit/s file at 8 kHz), so the rate comes from the frame after it.
int nominalBitRate(TagLib::MPEG::File &file, const TagLib::MPEG::Properties &properties)
{
    const long offset = file.firstFrameOffset();
    if (offset < 0)
        return properties.bitrate();
    const TagLib::MPEG::Header first(&file, offset, false);
    if (!first.isValid() || first.frameLength() <= 0)
        return properties.bitrate();
    file.seek(offset);
    // The frame and the header of the one after it, in one read.
    const TagLib::ByteVector block = file.readBlock(ulong(first.frameLength()) + 4);
    const TagLib::ByteVector frame = block.mid(0, uint(first.frameLength()));
    if (frame.find("Info") < 0 || frame.find("Xing") >= 0)
        return properties.bitrate();
    // Layer III bit rates by index, for MPEG 1 and for MPEG 2 and 2.5.
    static constexpr int rates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
    const auto byte = [&block](uint i) { return quint8(block[i]); };
    const uint next = uint(first.frameLength());
    // The next frame counts when it is a Layer III frame of the same version and sample rate.
    if (block.size() >= next + 4 && byte(next) == 0xff && (byte(next + 1) & 0xfe) == (byte(1) & 0xfe)
        && (byte(1) & 0x06) == 0x02 && (byte(next + 2) & 0x0c) == (byte(2) & 0x0c) && (byte(next + 2) >> 4) < 15
        && (byte(next + 2) >> 4) > 0) {
        return rates[(byte(1) & 0x18) == 0x18 ? 0 : 1][byte(next + 2) >> 4];
    }
    return first.bitrate();
}

QString fieldName(int field)
{
    static const char *const names[] = {"song", "artist", "album", "year", "comment", "genre"};
    return QString::fromLatin1(names[field]);
}

void writeId3v1Text(char *field, qsizetype width, const QString &text)
{
    // ID3v1 holds Latin-1 only; other characters become '?'.
    const QByteArray latin1 = text.toLatin1().left(width);
    std::fill(field, field + width, '\0');
    std::copy(latin1.cbegin(), latin1.cend(), field);
}

// Updates the changed fields in the ID3v1 tag that ends the file; other bytes (a track number) stay.
void updateId3v1(QByteArray &data, const TagFields &old, const TagFields &values)
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
        tag[127] = char(quint8(id3v1GenreNumber(values[Genre])));
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

    // A save cut short by a crash is undone before the file is shown, or its damaged tag would be saved again.
    QString ignored;
    if (!fileName.isEmpty())
        TagFileWriter::recover(fileName, &ignored);
    // The tag reader would read all of a large file without MPEG audio; the probe reads a few KiB, and only of a
    // regular file.
    if (!MpegProbe::isMpegAudio(fileName))
        return;
    TagLib::MPEG::File file(QFile::encodeName(fileName).constData());
    if (!file.isValid())
        return;
    const TagFields fields = readFields(file);
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
    std::array<bool, TagFieldCount> all;
    all.fill(true);
    return writeTag(all);
}

bool TagLibTag::writeTag(const std::array<bool, TagFieldCount> &fields)
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
    QString error;
    // A save that a crash cut short is undone first, so that it does not mix with this one.
    if (!TagFileWriter::recover(fileName, &error))
        return fail(error);
    // readTag() shows nothing of a file that the probe does not take for MPEG audio, so a tag written into it would
    // never read back.
    if (!MpegProbe::isMpegAudio(fileName))
        return fail(QStringLiteral("%1 is not an MPEG audio file").arg(fileName));

    // The writer saves only over exactly these bytes of exactly this file.
    FileSnapshot read;
    if (!read.read(fileName, maxRewriteSize, &error))
        return fail(error);
    const QByteArray &data = read.bytes;

    TagFields oldId3v1;
    bool hasId3v1 = false;
    RawId3v2Tag raw;
    RawId3v2Tag::State state = RawId3v2Tag::State::NoTag;
    TagFields visible;
    {
        TagLib::MPEG::File file(QFile::encodeName(fileName).constData());
        const TagLib::MPEG::Properties *properties = file.isValid() ? file.audioProperties() : nullptr;
        // A tag written into anything but MPEG audio would damage that file.
        if (!properties || properties->sampleRate() <= 0)
            return fail(QStringLiteral("%1 is not an MPEG audio file").arg(fileName));
        hasId3v1 = file.hasID3v1Tag();
        if (hasId3v1)
            oldId3v1 = id3v1Fields(*file.ID3v1Tag());
        // The tag is edited where readTag() finds it: in front (also behind stray bytes, since a new tag in front
        // would hide it), or else appended at the end.
        const qsizetype offset = frontTagOffset(file);
        if (file.hasID3v2Tag() && offset < 0)
            return fail(QStringLiteral("%1 was not saved: its ID3v2 tag could not be found").arg(fileName));
        state = offset >= 0 ? raw.parse(data, offset) : raw.parseAppended(data);
        // What the user was shown, by the same reading as readTag().
        visible = readFields(file);
    }

    // Only fields that differ from what a reader sees are touched; fields not asked for keep what the file holds
    // now. A field shown from ID3v1 because ID3v2 lacks it stays there when it is written back unchanged.
    TagFields values {song, artist, album, year, comment, genre};
    std::array<bool, TagFieldCount> changed {};
    for (int f = 0; f < TagFieldCount; ++f) {
        if (!fields[f])
            values[f] = visible[f];
        changed[f] = values[f] != visible[f];
    }
    // The fields the user changed; the others must read back exactly as they were shown.
    const std::array<bool, TagFieldCount> edited = changed;
    QByteArray result = data;
    if (std::any_of(changed.cbegin(), changed.cend(), [](bool fieldChanged) { return fieldChanged; })) {
        if (state == RawId3v2Tag::State::Damaged) {
            return fail(QStringLiteral("%1 cannot be saved without losing frames: %2").arg(fileName, raw.reason()));
        }
        // A new ID3v2 tag, or one moved to the front from the end, carries all six fields: readers that prefer it
        // would otherwise show only the edited ones and hide what the ID3v1 tag holds.
        if (state == RawId3v2Tag::State::NoTag || raw.appended()) {
            for (int f = 0; f < TagFieldCount; ++f)
                changed[f] = !values[f].isEmpty();
        }
        result = raw.rebuilt(data, values, changed);
    }
    if (hasId3v1 && result.size() >= id3v1Size && result.endsWith(data.right(id3v1Size)))
        updateId3v1(result, oldId3v1, values);
    if (result == data)
        return true;

    // The save counts only when the file reads back with the saved fields: checked on the new bytes before the
    // file is touched, and on the file once it is written.
    const TagFields shown = RawId3v2Tag::asRead(values, raw.version() ? raw.version() : 3);
    const auto mismatch = [&](const TagFields &read) {
        QStringList names;
        for (int f = 0; f < TagFieldCount; ++f) {
            // An emptied field may show another language's comment, or what ID3v1 holds.
            const bool cleared = edited[f] && values[f].isEmpty();
            if (!cleared && read[f] != (edited[f] ? shown[f] : visible[f]))
                names.append(fieldName(f));
        }
        return names.join(QStringLiteral(", "));
    };
    QString wrong = mismatch(fieldsOfBytes(result));
    if (!wrong.isEmpty())
        return fail(QStringLiteral("%1 was not saved: its new tag would not read back (%2)").arg(fileName, wrong));
    if (!TagFileWriter::write(fileName, read, result, &error))
        return fail(error);
    TagLibTag check;
    check.fileName = fileName;
    check.readTag();
    wrong = mismatch({check.song, check.artist, check.album, check.year, check.comment, check.genre});
    if (!wrong.isEmpty()) {
        return fail(
            QStringLiteral("%1 was written, but reads back with other fields (%2): another program may have changed it")
                .arg(fileName, wrong));
    }
    return true;
}

} // namespace quillet
