#pragma once

#include "common/textfile.h"

#include <QStringList>

namespace quillet {

// Playlist files: one entry per line, written in UTF-8 with CR LF; read with lines ending at CR LF, CR or LF
// and lines that are not UTF-8 read as Windows-1252. An entry that a line cannot hold is written as a file URL, and
// a file URL is read as its path (see playlistLine and entryFromPlaylistLine).
class PlaylistFile
{
public:
    // The outcome of a read: the entries in file order, or an error for the user. Lines longer than any real path
    // or URL (MaxEntryLength) are left out, and notice then says so in one sentence for the whole file.
    struct ReadResult
    {
        bool ok = true;
        QString error;
        QStringList entries;
        QString notice;
    };

    // Every line in which "#EXT" does not occur (case-sensitive), empty lines included; or, for a file whose
    // first non-blank line is "[playlist]" (any case), the values of its "FileN=" keys in the order of N. Used by
    // Load List and a playlist named on the command line.
    static ReadResult readFiltered(const QString &path);
    // Whether the first non-blank line is a "[playlist]" section header (any case).
    static bool isPlsSection(const QStringList &lines);
    // The values of the "FileN=" keys (any case) in the order of N; every other line is left out.
    static QStringList plsEntries(const QStringList &lines);
    // Every line unchanged, but nothing at all when the first field (up to the first comma or line end, leading
    // blanks skipped) is empty. A missing file gives no entries and no error. Used for the default playlists.
    static ReadResult readUnfiltered(const QString &path);
    // The first field of the file's text: up to the first comma or line end, leading blanks skipped.
    static QString firstField(const QStringList &lines);
    // The lines that stand for the entries: each entry as it is, or as a file URL where a line cannot hold it or
    // where it would change how the file reads (see playlistLine), so every entry reads back as it was.
    static QStringList lines(const QStringList &entries);
    // Writes the entries, one a line (see lines()), atomically.
    static FileResult write(const QString &path, const QStringList &entries);
    // The entries as the default playlist keeps them: relative entries prefixed with the root directory, and
    // empty entries left out (they cannot be played, and an empty first line would hide the whole list).
    static QStringList defaultPlaylistLines(const QStringList &entries, const QString &rootDirectory);
    // The main window's default playlist file in the data directory.
    static QString defaultPlaylistPath();
    // The video player's default playlist file in the data directory.
    static QString defaultVideoPlaylistPath();
};

} // namespace quillet
