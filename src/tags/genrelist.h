#pragma once

#include <QStringList>

namespace quillet {

// The 125 genre names the tag editor offers, in the order it lists them: the ID3v1 genres 0 to 125 without
// Fast Fusion, "Alternative Rock" and "Folk/Rock" named so, sorted by name.
const QStringList &genreList();

// The ID3v1 genre number (0 to 125) of a genre name, by the editor's spelling or the other common spellings
// ("Folk-Rock", "Acapella"), ignoring case; 255 ("none") for a name outside the ID3v1 table.
int id3v1GenreNumber(const QString &name);
// The name of an ID3v1 genre number in the editor's spelling; empty for numbers outside the table.
QString id3v1GenreName(int number);

} // namespace quillet
