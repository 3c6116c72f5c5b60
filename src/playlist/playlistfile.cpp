#include "playlist/playlistfile.h"

#include "common/appdirs.h"
#include "common/entrypath.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace quillet {

// Playlists are text; a file larger than this is not one, and reading it would only exhaust memory.
static constexpr qint64 kMaxPlaylistBytes = qint64(512) << 20;

// Whether "#EXT" occurs in the bytes. Looks for '#' with memchr, which most playlists (plain paths) do not
// contain at all, so the scan runs at memory speed; QByteArray::contains took longer than decoding the file.
static bool containsExtended(const QByteArray &bytes)
{
    static constexpr char Marker[] = "#EXT";
    constexpr size_t MarkerSize = sizeof(Marker) - 1;
    const char *at = bytes.constData();
    const char *end = at + bytes.size();
    while (size_t(end - at) >= MarkerSize) {
        at = static_cast<const char *>(std::memchr(at, '#', size_t(end - at) - (MarkerSize - 1)));
        if (!at)
            return false;
        if (std::memcmp(at, Marker, MarkerSize) == 0)
            return true;
        ++at;
    }
    return false;
}

// Says, for the whole file at once, how many of its lines were too long to be entries.
static QString overlongNotice(const QString &path, qsizetype refused)
{
    const QString count
        = refused == 1 ? QStringLiteral("One line of ") : QString::number(refused) + QStringLiteral(" lines of ");
    return count + path + (refused == 1 ? QStringLiteral(" was") : QStringLiteral(" were"))
        + QStringLiteral(" left out: longer than %1 characters, more than any real path or URL.").arg(MaxEntryLength);
}

// The entries that the lines stand for: file URLs become their paths.
static void decodeEntries(QStringList &lines)
{
    for (QString &line : lines) {
        if (line.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            line = entryFromPlaylistLine(line);
    }
}

// Reads the file's lines; hasExtended tells whether "#EXT" occurs anywhere in it.
static PlaylistFile::ReadResult readLines(const QString &path, bool *hasExtended = nullptr)
{
    PlaylistFile::ReadResult result;
    QByteArray bytes;
    const FileResult read = readWholeFile(path, &bytes, kMaxPlaylistBytes);
    if (!read.ok) {
        result.ok = false;
        result.error = read.error;
        return result;
    }
    result.entries = splitTextLines(bytes);
    // A line longer than any path or URL is no entry: keeping it would freeze the window wherever it is laid out.
    const qsizetype lines = result.entries.size();
    result.entries.removeIf([](const QString &line) { return line.size() > MaxEntryLength; });
    if (const qsizetype refused = lines - result.entries.size())
        result.notice = overlongNotice(path, refused);
    // "#EXT" is ASCII, so it occurs in a line exactly when its bytes occur in the file (every decoding used
    // keeps ASCII as it is).
    if (hasExtended)
        *hasExtended = containsExtended(bytes);
    return result;
}

bool PlaylistFile::isPlsSection(const QStringList &lines)
{
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (!text.isEmpty())
            return text.compare(QLatin1String("[playlist]"), Qt::CaseInsensitive) == 0;
    }
    return false;
}

QStringList PlaylistFile::plsEntries(const QStringList &lines)
{
    // "FileN=value": the values in the order of N; titles, lengths and the entry count are not entries.
    static const QRegularExpression fileKey(
        QStringLiteral("^\\s*file(\\d+)\\s*="), QRegularExpression::CaseInsensitiveOption);
    std::vector<std::pair<qulonglong, QString>> files;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = fileKey.match(line);
        if (match.hasMatch())
            files.emplace_back(match.captured(1).toULongLong(), line.mid(match.capturedEnd()));
    }
    std::stable_sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList entries;
    entries.reserve(qsizetype(files.size()));
    for (auto &file : files)
        entries.append(std::move(file.second));
    return entries;
}

PlaylistFile::ReadResult PlaylistFile::readFiltered(const QString &path)
{
    bool hasExtended = false;
    ReadResult result = readLines(path, &hasExtended);
    if (!result.ok)
        return result;
    if (isPlsSection(result.entries))
        result.entries = plsEntries(result.entries);
    else if (hasExtended)
        result.entries.removeIf([](const QString &line) { return line.contains(QLatin1String("#EXT")); });
    decodeEntries(result.entries);
    return result;
}

QString PlaylistFile::firstField(const QStringList &lines)
{
    if (lines.isEmpty())
        return {};
    const QString &line = lines.first();
    qsizetype start = 0;
    while (start < line.size() && (line.at(start) == QLatin1Char(' ') || line.at(start) == QLatin1Char('\t')))
        ++start;
    const qsizetype comma = line.indexOf(QLatin1Char(','), start);
    return line.mid(start, comma < 0 ? -1 : comma - start);
}

PlaylistFile::ReadResult PlaylistFile::readUnfiltered(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    ReadResult result = readLines(path);
    if (!result.ok)
        return result;
    if (firstField(result.entries).isEmpty())
        result.entries.clear();
    decodeEntries(result.entries);
    return result;
}

QStringList PlaylistFile::lines(const QStringList &entries)
{
    QStringList lines;
    lines.reserve(entries.size());
    bool blanksSoFar = true;
    for (const QString &entry : entries) {
        QString line = playlistLine(entry);
        // A first line with an empty first field hides a default playlist; a "[playlist]" first line makes the
        // file read as PLS. Either entry goes as a file URL.
        if (lines.isEmpty() && !entry.isEmpty() && firstField({line}).isEmpty())
            line = fileUrlLine(entry);
        if (blanksSoFar && !line.trimmed().isEmpty()) {
            blanksSoFar = false;
            if (isPlsSection({line}))
                line = fileUrlLine(entry);
        }
        lines.append(line);
    }
    return lines;
}

FileResult PlaylistFile::write(const QString &path, const QStringList &entries)
{
    return writeLinesAtomically(path, lines(entries));
}

QStringList PlaylistFile::defaultPlaylistLines(const QStringList &entries, const QString &rootDirectory)
{
    QStringList lines;
    lines.reserve(entries.size());
    for (const QString &entry : entries) {
        if (entry.isEmpty())
            continue;
        lines.append(isAbsoluteEntry(entry) ? entry : rootDirectory + entry);
    }
    return lines;
}

QString PlaylistFile::defaultPlaylistPath()
{
    return dataFile(QStringLiteral("default.m3u"));
}

QString PlaylistFile::defaultVideoPlaylistPath()
{
    return dataFile(QStringLiteral("default_video.m3u"));
}

} // namespace quillet
