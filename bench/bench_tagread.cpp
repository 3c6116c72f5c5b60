// Reads the tags of 1,000 files of each format with the tag component, the way the main window does when a file
// starts playing, and with a bare TagLib loop of the format's own class on the same files, and prints the time per
// file of both. The time is the CPU time of the reading thread (its own work and the system calls it makes), so
// that other programs running on the machine do not count.
#include "benchmedia.h"
#include "benchrow.h"
#include "tags/mediatag.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr int fileCount = 1000;
constexpr int rounds = 9;

// Reads one file with TagLib alone and returns a sum of what it read.
using BareRead = std::function<qint64(const char *path)>;

template<typename File> qint64 bareRead(const char *path)
{
    File file(path);
    qint64 sum = 0;
    if (const TagLib::Tag *tag = file.tag())
        sum += tag->title().size() + tag->artist().size() + tag->album().size() + tag->comment().size() + tag->year();
    if (const TagLib::AudioProperties *properties = file.audioProperties())
        sum += properties->sampleRate() + properties->bitrate();
    return sum;
}

qint64 bareMpegRead(const char *path)
{
    TagLib::MPEG::File file(path);
    qint64 sum = 0;
    if (const TagLib::Tag *tag = file.tag())
        sum += tag->title().size() + tag->artist().size() + tag->album().size() + tag->comment().size() + tag->year();
    if (const TagLib::MPEG::Properties *properties = file.audioProperties())
        sum += properties->sampleRate() + properties->bitrate() + properties->version();
    return sum;
}

struct Format
{
    const char *figure;
    const char *extension;
    QStringList codec; // ffmpeg's arguments for the audio
    BareRead bare;
};

bool runFfmpeg(const QStringList &arguments)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// Three seconds of a tone with the tags ffmpeg writes for the format.
bool makeSeed(const Format &format, const QString &path)
{
    if (QLatin1String(format.extension) == QLatin1String("mp3")) {
        return makeBenchMp3(path, QStringLiteral("3"),
            {QStringLiteral("-write_id3v1"), QStringLiteral("1"), QStringLiteral("-metadata"),
                QStringLiteral("date=2020")});
    }
    QStringList arguments = {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
        QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("sine=frequency=440:sample_rate=44100:duration=3"), QStringLiteral("-ac"), QStringLiteral("2")};
    arguments << format.codec;
    for (const char *tag : {"title=Bench Song", "artist=Bench Artist", "album=Bench Album", "date=2020",
             "comment=Bench comment", "genre=Rock", "track=3"})
        arguments << QStringLiteral("-metadata") << QString::fromLatin1(tag);
    arguments << path;
    return runFfmpeg(arguments);
}

// The MP3 files carry a title, artist and comment of their own, written by TagLib.
bool makeFiles(const Format &format, const QString &seed, const QStringList &paths)
{
    for (int i = 0; i < paths.size(); ++i) {
        if (!QFile::copy(seed, paths.at(i)))
            return false;
        if (QLatin1String(format.extension) != QLatin1String("mp3"))
            continue;
        TagLib::MPEG::File file(QFile::encodeName(paths.at(i)).constData());
        TagLib::Tag *tag = file.ID3v2Tag(true);
        tag->setTitle(TagLib::String::number(i) + " Song");
        tag->setArtist("Artist " + TagLib::String::number(i % 37));
        tag->setComment("Comment " + TagLib::String::number(i));
        tag->setGenre("Rock");
        if (!file.save(TagLib::MPEG::File::ID3v2 | TagLib::MPEG::File::ID3v1, TagLib::File::StripNone,
                TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate))
            return false;
    }
    return true;
}

// What the main window reads when a file starts playing.
qint64 readWithComponent(const QStringList &paths)
{
    qint64 sum = 0;
    quillet::MediaTag tag;
    for (const QString &path : paths) {
        tag.fileName = path;
        tag.readTag();
        sum += tag.song.size() + tag.artist.size() + tag.album.size() + tag.year.size() + tag.comment.size()
            + tag.sampleRate() + tag.bitRate() + tag.mpegVersion() + tag.formatName().size();
    }
    return sum;
}

// The paths are encoded once, as a caller of TagLib alone holds them.
qint64 readWithTagLib(const BareRead &read, const QList<QByteArray> &paths)
{
    qint64 sum = 0;
    for (const QByteArray &path : paths)
        sum += read(path.constData());
    return sum;
}

qint64 threadCpuNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// CPU nanoseconds that read() takes.
template<typename Read> qint64 cpuTime(Read read, qint64 &checksum)
{
    const qint64 start = threadCpuNanoseconds();
    checksum += read();
    return threadCpuNanoseconds() - start;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QList<Format> formats = {
        {"tag read, 1,000 MP3s (time per file)", "mp3", {}, bareMpegRead},
        {"tag read, 1,000 FLACs (time per file)", "flac", {QStringLiteral("-c:a"), QStringLiteral("flac")},
            bareRead<TagLib::FLAC::File>},
        {"tag read, 1,000 Ogg Vorbis files (time per file)", "ogg",
            {QStringLiteral("-c:a"), QStringLiteral("libvorbis")}, bareRead<TagLib::Ogg::Vorbis::File>},
        {"tag read, 1,000 Opus files (time per file)", "opus", {QStringLiteral("-c:a"), QStringLiteral("libopus")},
            bareRead<TagLib::Ogg::Opus::File>},
        {"tag read, 1,000 M4As (time per file)", "m4a", {QStringLiteral("-c:a"), QStringLiteral("aac")},
            bareRead<TagLib::MP4::File>},
    };
    int status = 0;
    for (const Format &format : formats) {
        QTemporaryDir dir;
        const QString extension = QString::fromLatin1(format.extension);
        const QString seed = dir.filePath(QStringLiteral("seed.") + extension);
        if (!dir.isValid() || !makeSeed(format, seed)) {
            std::fprintf(stderr, "cannot make the sample %s file with ffmpeg\n", format.extension);
            status = 1;
            continue;
        }
        QStringList paths;
        QList<QByteArray> encoded;
        for (int i = 0; i < fileCount; ++i) {
            paths.append(dir.filePath(QStringLiteral("song%1.").arg(i, 4, 10, QLatin1Char('0')) + extension));
            encoded.append(QFile::encodeName(paths.last()));
        }
        if (!makeFiles(format, seed, paths)) {
            std::fprintf(stderr, "cannot make the %s files\n", format.extension);
            status = 1;
            continue;
        }

        // Within a round the two loops take turns over chunks of the files, so that both see the same load of
        // the machine; a round's ratio compares its two sums. The median ratio of the rounds counts, and the best
        // round's times.
        constexpr qsizetype chunk = 50;
        qint64 checksum = 0;
        double component = 1e18;
        double bare = 1e18;
        QList<double> ratios;
        for (int round = 0; round < rounds; ++round) {
            qint64 componentRound = 0;
            qint64 bareRound = 0;
            for (qsizetype first = 0; first < paths.size(); first += chunk) {
                const QStringList part = paths.mid(first, chunk);
                const QList<QByteArray> encodedPart = encoded.mid(first, chunk);
                componentRound += cpuTime([&] { return readWithComponent(part); }, checksum);
                bareRound += cpuTime([&] { return readWithTagLib(format.bare, encodedPart); }, checksum);
            }
            std::printf("%s round %d: component %.1f us, bare TagLib %.1f us per file\n", format.extension, round + 1,
                double(componentRound) / paths.size() / 1000, double(bareRound) / paths.size() / 1000);
            component = std::min(component, double(componentRound) / paths.size());
            bare = std::min(bare, double(bareRound) / paths.size());
            ratios.append(double(componentRound) / double(std::max<qint64>(bareRound, 1)));
        }
        std::sort(ratios.begin(), ratios.end());
        const double ratio = ratios.at(ratios.size() / 2);
        std::printf("%s: component %.1f us, bare TagLib %.1f us per file, ratio %.2f (%d files, median of %d rounds, "
                    "checksum %lld)\n",
            format.extension, component / 1000, bare / 1000, ratio, fileCount, rounds,
            static_cast<long long>(checksum));
        const bool mp3 = extension == QLatin1String("mp3");
        benchRow(format.figure, figure(component / 1000, "us"), figure(bare / 1000, "us (bare TagLib)"), ratio,
            mp3 ? "at most 1.3" : "at most 1.2");
    }
    return status;
}
