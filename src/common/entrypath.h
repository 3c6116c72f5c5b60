#pragma once

#include <QString>

namespace quillet {

// No real path or URL is this long (paths end at 4096 bytes, and browsers and servers give up on far shorter URLs):
// a longer entry is refused where it comes in, rather than frozen on while the window lays it out.
constexpr qsizetype MaxEntryLength = 64 * 1024;

// The message refusing a text longer than MaxEntryLength as an entry; it shows the text's beginning and end.
QString overlongEntryMessage(const QString &text);

// The line that stands for an entry in a playlist file: the entry itself, or, when a line cannot hold it as it is,
// fileUrlLine(). A line cannot hold a line end or another control character (a tab is kept: no reader ends a line
// there), "#EXT" (readers skip such lines), a byte order mark at its start, or a text that reads back as something
// else (a "file:" URL).
QString playlistLine(const QString &entry);

// The entry as a file URL with percent escapes: "file://" and the escaped path for an absolute path, which other
// players read as the same file too, and "file:" and the escaped text for anything else.
QString fileUrlLine(const QString &entry);

// The entry a playlist line stands for: the path of a "file:" URL on this computer (no host, or "localhost"),
// with its percent escapes decoded; any other line is the entry itself.
QString entryFromPlaylistLine(const QString &line);

// True when a playlist entry names its file completely: it contains ":" (a URL, or a drive path from
// another system) or begins with "/". Every other entry is relative to the root directory.
bool isAbsoluteEntry(const QString &entry);

// The root directory with exactly one trailing "/" ("/" itself for the file-system root); empty stays empty.
QString rootDirectoryText(const QString &directory);

// Joins a directory and a name with exactly one separator between them.
QString joinPath(const QString &directory, const QString &name);

// The path a relative entry stands for under the root directory; absolute entries and an empty root stay as they are.
QString resolveEntry(const QString &entry, const QString &rootDirectory);

// The part after the last "/" or "\" (the whole text when there is neither).
QString afterLastSeparator(const QString &path);

// The part after the last separator without its extension (from the last dot on); a name without a dot stays whole.
// A URL's name is shown with its percent escapes decoded ("cbr%20128.mp3" gives "cbr 128"); a file's as it is.
QString displayName(const QString &path);

// True for an entry that is a URL ("scheme://...").
bool isUrl(const QString &entry);

} // namespace quillet
