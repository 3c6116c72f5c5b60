#include "tags/formatfile.h"

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace quillet {

namespace {

QByteArray toBytes(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// The date as the tag holds it; TagLib's year() keeps only the number in front.
QString dateText(const TagLib::Tag &tag)
{
    TagLib::String text;
    if (const auto *xiph = dynamic_cast<const TagLib::Ogg::XiphComment *>(&tag)) {
        const auto date = xiph->fieldListMap().find("DATE");
        if (date != xiph->fieldListMap().end() && !date->second.isEmpty())
            text = date->second.front();
    } else if (const auto *mp4 = dynamic_cast<const TagLib::MP4::Tag *>(&tag)) {
        // item() of a key the tag lacks adds an empty item, which a save would then write.
        const TagLib::StringList dates
            = mp4->contains("\251day") ? mp4->item("\251day").toStringList() : TagLib::StringList();
        if (!dates.isEmpty())
            text = dates.front();
    } else if (const auto *info = dynamic_cast<const TagLib::RIFF::Info::Tag *>(&tag)) {
        text = info->fieldText("ICRD");
    } else if (const auto *id3v2 = dynamic_cast<const TagLib::ID3v2::Tag *>(&tag)) {
        const TagLib::ID3v2::FrameList dates = id3v2->frameList("TDRC");
        if (!dates.isEmpty())
            text = dates.front()->toString();
    } else if (tag.year()) {
        text = TagLib::String::number(int(tag.year()));
    }
    return FormatFile::toQString(text);
}

void appendFlacPictures(QList<EmbeddedPicture> &out, const TagLib::List<TagLib::FLAC::Picture *> &pictures)
{
    for (const TagLib::FLAC::Picture *picture : pictures)
        out.append({toBytes(picture->data()), FormatFile::toQString(picture->mimeType()), int(picture->type())});
}

void appendId3v2Pictures(QList<EmbeddedPicture> &out, const TagLib::ID3v2::Tag *tag)
{
    if (!tag)
        return;
    for (const TagLib::ID3v2::Frame *frame : tag->frameList("APIC")) {
        if (const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(frame))
            out.append({toBytes(picture->picture()), FormatFile::toQString(picture->mimeType()), int(picture->type())});
    }
}

void appendMp4Pictures(QList<EmbeddedPicture> &out, const TagLib::MP4::Tag *tag)
{
    if (!tag || !tag->contains("covr"))
        return;
    for (const TagLib::MP4::CoverArt &cover : tag->item("covr").toCoverArtList()) {
        QString mimeType;
        switch (cover.format()) {
        case TagLib::MP4::CoverArt::JPEG:
            mimeType = QStringLiteral("image/jpeg");
            break;
        case TagLib::MP4::CoverArt::PNG:
            mimeType = QStringLiteral("image/png");
            break;
        case TagLib::MP4::CoverArt::GIF:
            mimeType = QStringLiteral("image/gif");
            break;
        case TagLib::MP4::CoverArt::BMP:
            mimeType = QStringLiteral("image/bmp");
            break;
        default:
            break;
        }
        // An MP4 cover has no picture type; the first one is the front cover.
        out.append({toBytes(cover.data()), mimeType, out.isEmpty() ? EmbeddedPicture::FrontCover : 0});
    }
}

} // namespace

QString FormatFile::toQString(const TagLib::String &text)
{
    return QString::fromWCharArray(text.toCWString(), qsizetype(text.size()));
}

std::unique_ptr<TagLib::File> FormatFile::open(AudioFormat format, TagLib::IOStream *stream, bool readProperties)
{
    switch (format) {
    case AudioFormat::Mpeg:
        return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), readProperties);
    case AudioFormat::Flac:
        return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(), readProperties);
    case AudioFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, readProperties);
    case AudioFormat::Opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, readProperties);
    case AudioFormat::M4a:
    case AudioFormat::Mp4:
        return std::make_unique<TagLib::MP4::File>(stream, readProperties);
    case AudioFormat::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, readProperties);
    case AudioFormat::Aiff:
        return std::make_unique<TagLib::RIFF::AIFF::File>(stream, readProperties);
    case AudioFormat::Unknown:
        break;
    }
    return nullptr;
}

std::vector<TagLib::Tag *> FormatFile::tagsOf(TagLib::File &file, AudioFormat format)
{
    std::vector<TagLib::Tag *> tags;
    const auto add = [&tags](bool present, TagLib::Tag *tag) {
        if (present && tag)
            tags.push_back(tag);
    };
    switch (format) {
    case AudioFormat::Mpeg: {
        auto &mpeg = static_cast<TagLib::MPEG::File &>(file);
        add(mpeg.hasID3v2Tag(), mpeg.ID3v2Tag());
        add(mpeg.hasAPETag(), mpeg.APETag());
        add(mpeg.hasID3v1Tag(), mpeg.ID3v1Tag());
        break;
    }
    case AudioFormat::Flac: {
        auto &flac = static_cast<TagLib::FLAC::File &>(file);
        add(flac.hasXiphComment(), flac.xiphComment());
        add(flac.hasID3v2Tag(), flac.ID3v2Tag());
        add(flac.hasID3v1Tag(), flac.ID3v1Tag());
        break;
    }
    case AudioFormat::Wav: {
        // TagLib's tag() of a WAV file is its ID3v2 chunk alone, which many files lack while their INFO chunk
        // holds the fields.
        auto &wav = static_cast<TagLib::RIFF::WAV::File &>(file);
        add(wav.hasID3v2Tag(), wav.ID3v2Tag());
        add(wav.hasInfoTag(), wav.InfoTag());
        break;
    }
    default:
        add(true, file.tag());
        break;
    }
    return tags;
}

TagTexts FormatFile::texts(TagLib::File &file, AudioFormat format)
{
    TagTexts texts;
    const auto fill = [](QString &field, const TagLib::String &text) {
        if (field.isEmpty())
            field = toQString(text);
    };
    for (const TagLib::Tag *tag : tagsOf(file, format)) {
        fill(texts.song, tag->title());
        fill(texts.artist, tag->artist());
        fill(texts.album, tag->album());
        if (texts.year.isEmpty())
            texts.year = dateText(*tag);
        fill(texts.comment, tag->comment());
        fill(texts.genre, tag->genre());
        if (texts.track == 0)
            texts.track = int(tag->track());
    }
    return texts;
}

QList<EmbeddedPicture> FormatFile::pictures(TagLib::File &file, AudioFormat format)
{
    QList<EmbeddedPicture> out;
    switch (format) {
    case AudioFormat::Mpeg:
        if (static_cast<TagLib::MPEG::File &>(file).hasID3v2Tag())
            appendId3v2Pictures(out, static_cast<TagLib::MPEG::File &>(file).ID3v2Tag());
        break;
    case AudioFormat::Flac: {
        auto &flac = static_cast<TagLib::FLAC::File &>(file);
        appendFlacPictures(out, flac.pictureList());
        if (flac.hasXiphComment())
            appendFlacPictures(out, flac.xiphComment()->pictureList());
        if (flac.hasID3v2Tag())
            appendId3v2Pictures(out, flac.ID3v2Tag());
        break;
    }
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        if (auto *comment = dynamic_cast<TagLib::Ogg::XiphComment *>(file.tag()))
            appendFlacPictures(out, comment->pictureList());
        break;
    case AudioFormat::M4a:
    case AudioFormat::Mp4:
        appendMp4Pictures(out, static_cast<TagLib::MP4::File &>(file).tag());
        break;
    case AudioFormat::Wav:
        if (static_cast<TagLib::RIFF::WAV::File &>(file).hasID3v2Tag())
            appendId3v2Pictures(out, static_cast<TagLib::RIFF::WAV::File &>(file).ID3v2Tag());
        break;
    case AudioFormat::Aiff:
        if (static_cast<TagLib::RIFF::AIFF::File &>(file).hasID3v2Tag())
            appendId3v2Pictures(out, static_cast<TagLib::RIFF::AIFF::File &>(file).tag());
        break;
    case AudioFormat::Unknown:
        break;
    }
    return out;
}

} // namespace quillet
