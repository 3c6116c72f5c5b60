#pragma once

#include <QString>

namespace quillet {

// The label of an entry whose tag gives neither song nor artist: its file name (after the last "/" or "\") cut
// before the last "."; the whole entry text when the file name has no ".".
QString untaggedEntryLabel(const QString &entry);

// The ID3 playlist row of an entry: number, " . " and "song - artist", the song or the artist alone when only one
// is present (not empty), or the untagged label when neither is. Song and artist are used untrimmed.
QString id3PlaylistRow(int number, const QString &song, const QString &artist, const QString &entry);

} // namespace quillet
