#pragma once

#include <QStringList>

namespace quillet {

// The 125 genre names the tag editor offers, in the order it lists them: the ID3v1 genres 0 to 125 without
// Fast Fusion, "Alternative Rock" and "Folk/Rock" named so, sorted by name.
const QStringList &genreList();

} // namespace quillet
