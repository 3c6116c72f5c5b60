#include "tags/taglibtag.h"

#include "tags/filesnapshot.h"
#include "tags/genrelist.h"
#include "tags/mpegprobe.h"
#include "tags/rawid3v2tag.h"
#include "tags/tagfilewriter.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/mpegproperties.h>

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

// The six fields of the ID3v2 tag; read by Quillet itself where TagLib gave up before the end of the tag.
TagFields id3v2Fields(TagLib::MPEG::File &file)
{
    const TagLib::ID3v2::Tag &tag = *file.ID3v2Tag();
    const TagLib::ID3v2::FrameList &list = tag.frameList();
    const TagFields parsed = RawId3v2Tag::fieldsOf({list.begin(), list.end()}).texts;
    if (!tagLibStoppedEarly(file, tag))
        return parsed;
    file.seek(0);
    const QByteArray header = toBytes(file.readBlock(10));
    if (header.size() < 10 || !header.startsWith("ID3"))
        return parsed;
    file.seek(0);
    // The size is sync-safe: at most 256 MiB, and readBlock stops at the end of the file.
    const ulong bodySize = ulong(header.at(6) & 0x7f) << 21 | ulong(header.at(7) & 0x7f) << 14
        | ulong(header.at(8) & 0x7f) << 7 | ulong(header.at(9) & 0x7f);
    const QByteArray data = toBytes(file.readBlock(20 + bodySize));
    RawId3v2Tag raw;
    raw.parse(data, 0);
    const FieldFrames own = raw.fields();
    return own.roles.size() > std::size_t(list.size()) ? own.texts : parsed;
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
    const TagFields fields = withId3v1(file.hasID3v2Tag() ? id3v2Fields(file) : TagFields(), file);
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
    QString error;
    // A save that a crash cut short is undone first, so that it does not mix with this one.
    if (!TagFileWriter::recover(fileName, &error))
        return fail(error);

    // The writer saves only over exactly these bytes of exactly this file.
    FileSnapshot read;
    if (!read.read(fileName, maxRewriteSize, &error))
        return fail(error);
    const QByteArray &data = read.bytes;

    TagFields oldId3v1;
    bool hasId3v1 = false;
    qsizetype tagOffset = 0;
    {
        TagLib::MPEG::File file(QFile::encodeName(fileName).constData());
        const TagLib::MPEG::Properties *properties = file.isValid() ? file.audioProperties() : nullptr;
        // A tag written into anything but MPEG audio would damage that file.
        if (!properties || properties->sampleRate() <= 0)
            return fail(QStringLiteral("%1 is not an MPEG audio file").arg(fileName));
        hasId3v1 = file.hasID3v1Tag();
        if (hasId3v1)
            oldId3v1 = id3v1Fields(*file.ID3v1Tag());
        // TagLib also finds a tag that stray bytes push away from the start of the file; it is edited where it
        // stands, since a new tag in front would hide it.
        if (file.hasID3v2Tag() && !data.startsWith("ID3")) {
            tagOffset = data.indexOf("ID3");
            if (tagOffset < 0 || tagOffset > file.firstFrameOffset())
                return fail(QStringLiteral("%1 was not saved: its ID3v2 tag could not be found").arg(fileName));
        }
    }

    RawId3v2Tag raw;
    const RawId3v2Tag::State state = raw.parse(data, tagOffset);
    TagFields visible = state == RawId3v2Tag::State::NoTag ? TagFields() : raw.fields().texts;
    if (hasId3v1) {
        for (int f = 0; f < TagFieldCount; ++f) {
            if (visible[f].isEmpty())
                visible[f] = oldId3v1[f];
        }
    }

    // Only fields that differ from what a reader sees are touched. A field shown from ID3v1 because ID3v2 lacks
    // it stays there when it is written back unchanged.
    const TagFields values {song, artist, album, year, comment, genre};
    std::array<bool, TagFieldCount> changed {};
    for (int f = 0; f < TagFieldCount; ++f)
        changed[f] = values[f] != visible[f];
    QByteArray result = data;
    if (std::any_of(changed.cbegin(), changed.cend(), [](bool fieldChanged) { return fieldChanged; })) {
        if (state == RawId3v2Tag::State::Damaged) {
            return fail(QStringLiteral("%1 cannot be saved without losing frames: %2").arg(fileName, raw.reason()));
        }
        // A new ID3v2 tag carries all six fields: readers that prefer it would otherwise show only the edited
        // ones and hide what the ID3v1 tag holds.
        if (state == RawId3v2Tag::State::NoTag) {
            for (int f = 0; f < TagFieldCount; ++f)
                changed[f] = !values[f].isEmpty();
        }
        result = raw.rebuilt(data, values, changed);
    }
    if (hasId3v1 && result.size() >= id3v1Size && result.endsWith(data.right(id3v1Size)))
        updateId3v1(result, oldId3v1, values);
    if (result == data)
        return true;
    if (!TagFileWriter::write(fileName, read, result, &error))
        return fail(error);
    return true;
}

} // namespace quillet
