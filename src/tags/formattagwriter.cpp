#include "tags/formattagwriter.h"

#include "tags/filesnapshot.h"
#include "tags/formatlayout.h"
#include "tags/tagfilewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/opusfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <array>

namespace quillet {

namespace {

// TagLib's streams count in 32 bits; a bigger file is no song.
constexpr qint64 MaxRewriteBytes = qint64(1) << 30;

enum Field { Song, Artist, Album, Year, Comment, Genre, FieldCount };

std::array<QString, FieldCount> fieldsOf(const TagTexts &texts)
{
    return {texts.song, texts.artist, texts.album, texts.year, texts.comment, texts.genre};
}

// The items of the raw tag (see FormatLayout) that a change of the field rewrites, in every format.
QList<QByteArray> itemNames(int field)
{
    switch (field) {
    case Song:
        return {"comment:TITLE", "atom:\251nam"};
    case Artist:
        return {"comment:ARTIST", "atom:\251ART"};
    case Album:
        return {"comment:ALBUM", "atom:\251alb"};
    case Year:
        return {"comment:DATE", "atom:\251day"};
    case Comment:
        return {"comment:COMMENT", "comment:DESCRIPTION", "atom:\251cmt"};
    default:
        return {"comment:GENRE", "atom:\251gen", "atom:gnre"};
    }
}

TagLib::String toTagLib(const QString &text)
{
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

QByteArray toBytes(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

void writeXiph(TagLib::Ogg::XiphComment &xiph, int field, const QString &value)
{
    static const char *const keys[] = {"TITLE", "ARTIST", "ALBUM", "DATE", "COMMENT", "GENRE"};
    if (field == Comment) {
        // Readers show DESCRIPTION where a file has one (ffmpeg writes it), COMMENT otherwise; an emptied comment
        // leaves neither.
        if (value.isEmpty()) {
            xiph.removeFields("DESCRIPTION");
            xiph.removeFields("COMMENT");
        } else {
            xiph.addField(xiph.contains("DESCRIPTION") ? "DESCRIPTION" : "COMMENT", toTagLib(value));
        }
        return;
    }
    if (value.isEmpty())
        xiph.removeFields(keys[field]);
    else
        xiph.addField(keys[field], toTagLib(value));
}

void writeMp4(TagLib::MP4::Tag &tag, int field, const QString &value)
{
    static const char *const keys[] = {"\251nam", "\251ART", "\251alb", "\251day", "\251cmt", "\251gen"};
    if (value.isEmpty())
        tag.removeItem(keys[field]);
    else
        tag.setItem(keys[field], TagLib::StringList(toTagLib(value)));
}

void writeField(TagLib::File &file, AudioFormat format, int field, const QString &value)
{
    switch (format) {
    case AudioFormat::Flac:
        writeXiph(*static_cast<TagLib::FLAC::File &>(file).xiphComment(true), field, value);
        break;
    case AudioFormat::OggVorbis:
        writeXiph(*static_cast<TagLib::Ogg::Vorbis::File &>(file).tag(), field, value);
        break;
    case AudioFormat::Opus:
        writeXiph(*static_cast<TagLib::Ogg::Opus::File &>(file).tag(), field, value);
        break;
    case AudioFormat::M4a:
    case AudioFormat::Mp4:
        writeMp4(*static_cast<TagLib::MP4::File &>(file).tag(), field, value);
        break;
    default:
        break;
    }
}

// An item of the raw tag as the user knows it.
QString itemDescription(const QByteArray &name)
{
    const QString what = QString::fromUtf8(name.mid(name.indexOf(':') + 1));
    if (name.startsWith("comment:"))
        return QStringLiteral("its field ") + what;
    if (name.startsWith("atom:"))
        return QStringLiteral("its item ") + what;
    if (name == "block:6")
        return QStringLiteral("a picture");
    if (name.startsWith("block:"))
        return QStringLiteral("its metadata block of type ") + what;
    return QStringLiteral("its ") + QString::fromLatin1(name.toUpper()) + QStringLiteral(" tag");
}

// What the new bytes lose or change beyond the edited fields; empty when nothing. TagLib reads the fields back;
// the rest is compared as the file stores it, by a reader of Quillet's own, for what TagLib does not read it drops.
QString lossIn(const QByteArray &oldData, const QByteArray &newData, AudioFormat format, const TagTexts &wanted,
    const QList<QByteArray> &editedItems)
{
    TagLib::ByteVectorStream stream(TagLib::ByteVector(newData.constData(), uint(newData.size())));
    const std::unique_ptr<TagLib::File> file = FormatFile::open(format, &stream, true);
    if (!file || !file->isValid())
        return QStringLiteral("the saved file could not be read back");
    if (fieldsOf(FormatFile::texts(*file, format)) != fieldsOf(wanted))
        return QStringLiteral("the fields would not read back as they were typed");
    FormatLayout before;
    FormatLayout after;
    if (!before.parse(oldData, format) || !after.parse(newData, format))
        return QStringLiteral("the saved file would be damaged");
    const auto kept = [&editedItems](QList<FormatLayout::Item> items) {
        items.removeIf([&editedItems](const FormatLayout::Item &item) { return editedItems.contains(item.first); });
        std::sort(items.begin(), items.end());
        return items;
    };
    const QList<FormatLayout::Item> oldItems = kept(before.items);
    const QList<FormatLayout::Item> newItems = kept(after.items);
    if (oldItems != newItems) {
        // Name the first item that went or changed.
        for (const FormatLayout::Item &item : oldItems) {
            if (!newItems.contains(item))
                return itemDescription(item.first) + QStringLiteral(" would change");
        }
        return QStringLiteral("items would be added to its tag");
    }
    if (after.audio != before.audio)
        return QStringLiteral("its audio would change");
    return {};
}

} // namespace

bool FormatTagWriter::write(const QString &path, AudioFormat format, const TagTexts &values, QString *error)
{
    std::array<bool, TagFieldCount> all;
    all.fill(true);
    return write(path, format, values, all, error);
}

bool FormatTagWriter::write(const QString &path, AudioFormat format, const TagTexts &edits,
    const std::array<bool, TagFieldCount> &fields, QString *error)
{
    const auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    if (!FormatTag::isWritable(format)) {
        return fail(QStringLiteral("%1: Quillet shows the tags of %2 files but does not save them")
                        .arg(path, FormatTag::formatName(format)));
    }
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(QStringLiteral("%1 does not exist or is not a file").arg(path));
    if (info.size() > MaxRewriteBytes)
        return fail(QStringLiteral("%1 is too large to rewrite").arg(path));
    // A save that a crash cut short is undone first, so that it does not mix with this one.
    if (!TagFileWriter::recover(path, error))
        return false;
    // The writer saves only over exactly these bytes of exactly this file.
    FileSnapshot read;
    if (!read.read(path, MaxRewriteBytes, error))
        return false;
    const QByteArray &oldData = read.bytes;

    // TagLib's save trusts the file's structure; one that Quillet's own reader cannot take apart is not handed to it.
    FormatLayout layout;
    if (!layout.parse(oldData, format))
        return fail(
            QStringLiteral("%1: its layout is damaged or unusual, and a save could damage it further").arg(path));
    // TagLib saves into a copy of the file in memory.
    TagLib::ByteVectorStream stream(TagLib::ByteVector(oldData.constData(), uint(oldData.size())));
    const std::unique_ptr<TagLib::File> file = FormatFile::open(format, &stream, true);
    if (!file || !file->isValid()) {
        return fail(QStringLiteral("%1: it could not be read as a %2 file").arg(path, FormatTag::formatName(format)));
    }
    const TagTexts before = FormatFile::texts(*file, format);
    // The fields not asked for keep what the file holds now.
    TagTexts values = edits;
    const std::array<QString *, FieldCount> targets
        = {&values.song, &values.artist, &values.album, &values.year, &values.comment, &values.genre};
    const std::array<QString, FieldCount> old = fieldsOf(before);
    for (int field = 0; field < FieldCount; ++field) {
        if (!fields[size_t(field)])
            *targets[size_t(field)] = old[size_t(field)];
    }
    const std::array<QString, FieldCount> wanted = fieldsOf(values);
    QList<QByteArray> editedItems;
    for (int field = 0; field < FieldCount; ++field) {
        if (old[size_t(field)] == wanted[size_t(field)])
            continue;
        writeField(*file, format, field, wanted[size_t(field)]);
        editedItems += itemNames(field);
    }
    if (editedItems.isEmpty())
        return true;
    if (!file->save())
        return fail(QStringLiteral("%1: TagLib could not write its tag").arg(path));
    const QByteArray newData = toBytes(*stream.data());

    const QString loss = lossIn(oldData, newData, format, values, editedItems);
    if (!loss.isEmpty())
        return fail(QStringLiteral("%1 cannot be saved without losing data: %2").arg(path, loss));
    return TagFileWriter::write(path, read, newData, error);
}

} // namespace quillet
