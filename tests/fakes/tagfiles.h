#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace quillet::testing {

// Two users other than root, for tests of what one user may do to another: the victim, and the other.
constexpr uid_t nobody = 65534;
constexpr uid_t otherUser = 65533;

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString &path);
// Writes bytes over the file in place (keeping its inode), as a program that edits files without replacing them
// does.
bool writeFileBytes(const QString &path, const QByteArray &bytes);
// Copies the generated test file `name` to path (making its folder), owned by uid and the group of that number.
bool placeTestFile(const QString &name, const QString &path, uid_t uid = 0);
// lchown to uid and the group of that number; chmod.
bool chownPath(const QString &path, uid_t uid);
bool chmodPath(const QString &path, mode_t mode);
// A second hard link to the file: a save then writes into the file itself, as it would not split the two.
bool linkPath(const QString &path, const QString &link);

// "a|b|c" as a list of texts.
QStringList split(const char *joined);

// Another tagger (mutagen's mid3v2) sets the artist of the file.
bool otherTaggerSetsArtist(const QString &path, const QString &artist);

// What mutagen, a tag reader independent of TagLib, sees in each file, by path: the ID3v2 version "v", the tag's
// size "size", every frame it can read in "f" (key: [text, full description]; "v1:genre" holds the ID3v1 genre
// byte), and "audio", the bytes between the ID3v2 tag and an ID3v1 tag, as hex. A file without a tag in front but
// with one appended (closed by a footer, before an ID3v1 tag) has that one read, its size in "tail".
QJsonObject mutagenTags(const QStringList &paths);
// The text of one frame, or "audio", in mutagenTags().
QString mutagenSees(const QJsonObject &tags, const QString &path, const char *key);

} // namespace quillet::testing
