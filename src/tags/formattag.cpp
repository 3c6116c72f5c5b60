#include "tags/formattag.h"

#include "tags/formatfile.h"
#include "tags/mpegprobe.h"

#include <QFile>
#include <QScopeGuard>

#include <taglib/audioproperties.h>
#include <taglib/tfile.h>
#include <taglib/tfilestream.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

// A file up to this size is read quickly whatever it holds.
constexpr qint64 SmallFileBytes = 1024 * 1024;
// An Ogg page is at most 27 + 255 + 255 * 255 bytes long, so the last page of an Ogg stream begins within this many
// bytes of its end.
constexpr qint64 OggTailBytes = 65536;

bool startsWith(const QByteArray &data, qsizetype at, const char *signature)
{
    const auto length = qsizetype(std::strlen(signature));
    return data.size() >= at + length && std::memcmp(data.constData() + at, signature, size_t(length)) == 0;
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

} // namespace

AudioFormat FormatTag::detect(const QString &fileName)
{
    if (MpegProbe::isMpegAudio(fileName))
        return AudioFormat::Mpeg;
    // The file the probe kept open is not held on to: a save may replace it next.
    if (const int fd = MpegProbe::takeLastFile(fileName); fd >= 0)
        ::close(fd);
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
    // The MPEG probe keeps the file open when it just found it to be another format; it is closed here whatever
    // the format. A FIFO is opened without waiting for a writer and then refused, as is a device.
    int fd = MpegProbe::takeLastFile(fileName);
    if (fd < 0 && format != AudioFormat::Unknown && !fileName.isEmpty())
        fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto closeFile = qScopeGuard([fd] { ::close(fd); });
    if (format == AudioFormat::Unknown)
        return false;
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
    const TagTexts texts = FormatFile::texts(*file, format);
    song = texts.song;
    artist = texts.artist;
    album = texts.album;
    year = texts.year;
    comment = texts.comment;
    genre = texts.genre;
    track = texts.track;
    if (const TagLib::AudioProperties *properties = file->audioProperties()) {
        sampleRate = properties->sampleRate();
        bitRate = properties->bitrate();
        channels = properties->channels();
        lengthMs = properties->lengthInMilliseconds();
    }
    if (withPicture) {
        const QList<EmbeddedPicture> pictures = FormatFile::pictures(*file, format);
        const auto front = std::find_if(pictures.cbegin(), pictures.cend(),
            [](const EmbeddedPicture &p) { return p.type == EmbeddedPicture::FrontCover; });
        if (front != pictures.cend())
            picture = *front;
        else if (!pictures.isEmpty())
            picture = pictures.first();
        if (!picture.mimeType.startsWith(QLatin1String("image/")))
            picture.mimeType = EmbeddedPicture::mimeTypeOf(picture.data);
    }
    return true;
}

} // namespace quillet
