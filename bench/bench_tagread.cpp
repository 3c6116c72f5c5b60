// Reads the tags of 1,000 MP3 files with the tag component, the way the main window does when a file starts
// playing, and with a bare TagLib loop, and prints the files per second of both.
#include "benchmedia.h"
#include "benchrow.h"
#include "tags/taglibtag.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int fileCount = 1000;
constexpr int rounds = 5;

bool makeSeed(const QString &path)
{
    return makeBenchMp3(path, QStringLiteral("3"),
        {QStringLiteral("-write_id3v1"), QStringLiteral("1"), QStringLiteral("-metadata"),
            QStringLiteral("date=2020")});
}

bool makeFiles(const QString &seed, const QStringList &paths)
{
    for (int i = 0; i < paths.size(); ++i) {
        if (!QFile::copy(seed, paths.at(i)))
            return false;
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
    quillet::TagLibTag tag;
    for (const QString &path : paths) {
        tag.fileName = path;
        tag.readTag();
        sum += tag.song.size() + tag.artist.size() + tag.album.size() + tag.year.size() + tag.comment.size()
            + tag.sampleRate() + tag.bitRate() + tag.mpegVersion();
    }
    return sum;
}

qint64 readWithTagLib(const QStringList &paths)
{
    qint64 sum = 0;
    for (const QString &path : paths) {
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        if (const TagLib::Tag *tag = file.tag()) {
            sum += tag->title().size() + tag->artist().size() + tag->album().size() + tag->comment().size()
                + tag->year();
        }
        if (const TagLib::MPEG::Properties *properties = file.audioProperties())
            sum += properties->sampleRate() + properties->bitrate() + properties->version();
    }
    return sum;
}

template<typename Read> double filesPerSecond(Read read, const QStringList &paths, qint64 &checksum)
{
    QElapsedTimer timer;
    timer.start();
    checksum += read(paths);
    return paths.size() * 1e9 / double(std::max<qint64>(timer.nsecsElapsed(), 1));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString seed = dir.filePath(QStringLiteral("seed.mp3"));
    if (!dir.isValid() || !makeSeed(seed)) {
        std::fprintf(stderr, "cannot make the sample file with ffmpeg\n");
        return 1;
    }
    QStringList paths;
    for (int i = 0; i < fileCount; ++i)
        paths.append(dir.filePath(QStringLiteral("song%1.mp3").arg(i, 4, 10, QLatin1Char('0'))));
    if (!makeFiles(seed, paths)) {
        std::fprintf(stderr, "cannot make the tagged files\n");
        return 1;
    }

    // Rounds alternate so both loops see the same cache state; the best round of each counts.
    qint64 checksum = 0;
    double component = 0;
    double bare = 0;
    for (int round = 0; round < rounds; ++round) {
        const double componentRound = filesPerSecond(readWithComponent, paths, checksum);
        const double bareRound = filesPerSecond(readWithTagLib, paths, checksum);
        std::printf(
            "round %d: component %.0f files/s, bare TagLib %.0f files/s\n", round + 1, componentRound, bareRound);
        component = std::max(component, componentRound);
        bare = std::max(bare, bareRound);
    }
    std::printf("tag read: component %.0f files/s, bare TagLib %.0f files/s, ratio %.2f (goal: at most 1.30)\n",
        component, bare, bare / component);
    std::printf("(%d files, best of %d rounds, checksum %lld)\n", fileCount, rounds, static_cast<long long>(checksum));
    benchRow("tag read, 1,000 MP3s (time per file)", figure(1e6 / component, "us"),
        figure(1e6 / bare, "us (bare TagLib)"), bare / component, "at most 1.3");
    return 0;
}
