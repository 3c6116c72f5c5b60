#pragma once

#include <QString>

namespace quillet::testing {

// Creates an empty file, and the folders it needs, at root + "/" + relative. Returns false on failure.
bool makeFile(const QString &root, const QString &relative);

// Creates count files in the folders f0 .. f<folders - 1> below root, named after nameTemplate with %1 replaced
// by the file's number (e.g. "song%1.mp3"); file i goes into folder i % folders. All are hard links to one file
// named "seed" in root, since adding names is fast where creating files is slow. Returns false on failure.
bool makeLinkedFiles(const QString &root, int count, int folders, const QString &nameTemplate);

} // namespace quillet::testing
