#include "tags/formattag.h"

#include "tags/formatfile.h"
#include "tags/mpegprobe.h"

#include <QFile>
#include <QScopeGuard>

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace quillet {

namespace {

// A file up to this size is read quickly whatever it holds.
constexpr qint64 SmallFileBytes = 1024 * 1024;
// An Ogg page is at most 27 + 255 + 255 * 255 bytes long, so the last page of an Ogg stream begins within this many
// bytes of its end.
constexpr qint64 OggTailBytes = 65536;
// Where the front cover is among the picture types of ID3v2 and FLAC.
constexpr int FrontCover = 3;

bool startsWith(const QByteArray &data, qsizetype at, const char *signature)
{
    const auto length = qsizetype(std::strlen(signature));
    return data.size() >= at + length && std::memcmp(data.constData() + at, signature, size_t(length)) == 0;
}

QString toQString(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

QByteArray toBytes(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// True when an Ogg page starts near the end of the file. TagLib searches backwards from the end for the last page
// of the stream, through the whole file of a damaged one that has none there.
bool oggPageNearEnd(int fd, qint64 size)
{
    const qint64 length = std::min(size, OggTailBytes);
    QByteArray tail(length, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, tail.data(), size_t(length), off_t(size - length));
    return got == length && tail.contains("OggS");
}

EmbeddedPicture fromFlacPictures(const TagLib::List<TagLib::FLAC::Picture *> &pictures)
{
    const TagLib::FLAC::Picture *chosen = nullptr;
    for (const TagLib::FLAC::Picture *picture : pictures) {
        if (!chosen || (picture->type() == FrontCover && chosen->type() != FrontCover))
            chosen = picture;
    }
    if (!chosen)
        return {};
    return {toBytes(chosen->data()), toQString(chosen->mimeType())};
}

EmbeddedPicture fromId3v2(const TagLib::ID3v2::Tag *tag)
{
    if (!tag)
        return {};
    const TagLib::ID3v2::AttachedPictureFrame *chosen = nullptr;
    for (const TagLib::ID3v2::Frame *frame : tag->frameList("APIC")) {
        const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(frame);
        if (picture
            && (!chosen
                || (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover
                    && chosen->type() != TagLib::ID3v2::AttachedPictureFrame::FrontCover)))
            chosen = picture;
    }
    if (!chosen)
        return {};
    return {toBytes(chosen->picture()), toQString(chosen->mimeType())};
}

EmbeddedPicture fromMp4(const TagLib::MP4::Tag *tag)
{
    if (!tag || !tag->contains("covr"))
        return {};
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    if (covers.isEmpty())
        return {};
    const TagLib::MP4::CoverArt &cover = covers.front();
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
    return {toBytes(cover.data()), mimeType};
}

// The file's tags, the preferred first. TagLib's tag() of a WAV file is its ID3v2 tag alone, which many files lack
// while their RIFF INFO chunk holds the fields.
std::vector<const TagLib::Tag *> tagsOf(TagLib::File &file, AudioFormat format)
{
    std::vector<const TagLib::Tag *> tags;
    if (format == AudioFormat::Wav) {
        auto &wav = static_cast<TagLib::RIFF::WAV::File &>(file);
        if (wav.hasID3v2Tag())
            tags.push_back(wav.ID3v2Tag());
        if (wav.hasInfoTag())
            tags.push_back(wav.InfoTag());
    } else if (const TagLib::Tag *tag = file.tag()) {
        tags.push_back(tag);
    }
    return tags;
}

EmbeddedPicture pictureOf(TagLib::File &file, AudioFormat format)
{
    switch (format) {
    case AudioFormat::Mpeg:
        return fromId3v2(static_cast<TagLib::MPEG::File &>(file).ID3v2Tag());
    case AudioFormat::Flac: {
        auto &flac = static_cast<TagLib::FLAC::File &>(file);
        EmbeddedPicture picture = fromFlacPictures(flac.pictureList());
        if (picture.isEmpty() && flac.hasXiphComment())
            picture = fromFlacPictures(flac.xiphComment()->pictureList());
        if (picture.isEmpty() && flac.hasID3v2Tag())
            picture = fromId3v2(flac.ID3v2Tag());
        return picture;
    }
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        if (auto *comment = dynamic_cast<TagLib::Ogg::XiphComment *>(file.tag()))
            return fromFlacPictures(comment->pictureList());
        return {};
    case AudioFormat::M4a:
    case AudioFormat::Mp4:
        return fromMp4(static_cast<TagLib::MP4::File &>(file).tag());
    case AudioFormat::Wav: {
        auto &wav = static_cast<TagLib::RIFF::WAV::File &>(file);
        return wav.hasID3v2Tag() ? fromId3v2(wav.ID3v2Tag()) : EmbeddedPicture();
    }
    case AudioFormat::Aiff:
        return fromId3v2(static_cast<TagLib::RIFF::AIFF::File &>(file).tag());
    case AudioFormat::Unknown:
        break;
    }
    return {};
}

} // namespace

AudioFormat FormatTag::detect(const QString &fileName)
{
    if (MpegProbe::isMpegAudio(fileName))
        return AudioFormat::Mpeg;
    return identify(MpegProbe::lastHead(fileName));
}

AudioFormat FormatTag::identify(const QByteArray &head)
{
    if (startsWith(head, 0, "fLaC"))
        return AudioFormat::Flac;
    if (startsWith(head, 0, "OggS") && head.size() > 27) {
        // The first packet follows the page header and its table of segment sizes.
        const qsizetype packet = 27 + quint8(head.at(26));
        if (startsWith(head, packet, "\x01vorbis"))
            return AudioFormat::OggVorbis;
        if (startsWith(head, packet, "OpusHead"))
            return AudioFormat::Opus;
        return AudioFormat::Unknown;
    }
    if (startsWith(head, 4, "ftyp")) {
        // Apple's audio brands; any other brand may hold video too.
        for (const char *brand : {"M4A ", "M4B ", "M4P "}) {
            if (startsWith(head, 8, brand))
                return AudioFormat::M4a;
        }
        return AudioFormat::Mp4;
    }
    if (startsWith(head, 0, "RIFF") && startsWith(head, 8, "WAVE"))
        return AudioFormat::Wav;
    if (startsWith(head, 0, "FORM") && (startsWith(head, 8, "AIFF") || startsWith(head, 8, "AIFC")))
        return AudioFormat::Aiff;
    return AudioFormat::Unknown;
}

QString FormatTag::formatName(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Mpeg:
        return QStringLiteral("MPEG");
    case AudioFormat::Flac:
        return QStringLiteral("FLAC");
    case AudioFormat::OggVorbis:
        return QStringLiteral("Ogg Vorbis");
    case AudioFormat::Opus:
        return QStringLiteral("Opus");
    case AudioFormat::M4a:
        return QStringLiteral("M4A");
    case AudioFormat::Mp4:
        return QStringLiteral("MP4");
    case AudioFormat::Wav:
        return QStringLiteral("WAV");
    case AudioFormat::Aiff:
        return QStringLiteral("AIFF");
    case AudioFormat::Unknown:
        break;
    }
    return {};
}

bool FormatTag::isWritable(AudioFormat format)
{
    return format == AudioFormat::Flac || format == AudioFormat::OggVorbis || format == AudioFormat::Opus
        || format == AudioFormat::M4a || format == AudioFormat::Mp4;
}

bool FormatTag::read(const QString &fileName, AudioFormat format, bool withPicture)
{
    *this = FormatTag();
    if (format == AudioFormat::Unknown || fileName.isEmpty())
        return false;
    // A FIFO is opened without waiting for a writer and then refused, as is a device.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const bool ogg = format == AudioFormat::OggVorbis || format == AudioFormat::Opus;
    if (ogg && status.st_size > SmallFileBytes && !oggPageNearEnd(fd, qint64(status.st_size)))
        return false;
    // The stream takes the descriptor over and closes it.
    TagLib::FileStream stream(fd, true);
    if (!stream.isOpen())
        return false;
    closeFile.dismiss();

    const std::unique_ptr<TagLib::File> file = FormatFile::open(format, &stream, true);
    if (!file || !file->isValid())
        return false;
    // Each field from the first tag that has it.
    for (const TagLib::Tag *tag : tagsOf(*file, format)) {
        const auto fill = [](QString &field, const TagLib::String &text) {
            if (field.isEmpty())
                field = toQString(text);
        };
        fill(song, tag->title());
        fill(artist, tag->artist());
        fill(album, tag->album());
        if (year.isEmpty() && tag->year())
            year = QString::number(tag->year());
        fill(comment, tag->comment());
        fill(genre, tag->genre());
        if (track == 0)
            track = int(tag->track());
    }
    if (const TagLib::AudioProperties *properties = file->audioProperties()) {
        sampleRate = properties->sampleRate();
        bitRate = properties->bitrate();
        channels = properties->channels();
        lengthMs = properties->lengthInMilliseconds();
    }
    if (withPicture) {
        picture = pictureOf(*file, format);
        if (picture.mimeType.isEmpty() || !picture.mimeType.startsWith(QLatin1String("image/")))
            picture.mimeType = EmbeddedPicture::mimeTypeOf(picture.data);
    }
    return true;
}

} // namespace quillet
