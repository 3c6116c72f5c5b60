#include "playlist/playlistfile.h"

#include "common/appdirs.h"
#include "common/entrypath.h"

#include <QFileInfo>

namespace quillet {

// Playlists are text; a file larger than this is not one, and reading it would only exhaust memory.
static constexpr qint64 kMaxPlaylistBytes = qint64(512) << 20;

static PlaylistFile::ReadResult readLines(const QString &path)
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
    return result;
}

PlaylistFile::ReadResult PlaylistFile::readFiltered(const QString &path)
{
    ReadResult result = readLines(path);
    if (!result.ok)
        return result;
    result.entries.removeIf([](const QString &line) { return line.contains(QLatin1String("#EXT")); });
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
    return result;
}

FileResult PlaylistFile::write(const QString &path, const QStringList &entries)
{
    return writeLinesAtomically(path, entries);
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
