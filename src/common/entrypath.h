#pragma once

#include <QString>

namespace quillet {

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
