#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace quillet::testing {

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

// What mutagen, a tag reader independent of TagLib, sees in each file, by path: the texts of "TIT2" and "TPE1",
// and "audio", the bytes between the ID3v2 tag and an ID3v1 tag, as hex.
QJsonObject mutagenTags(const QStringList &paths);
// One value of mutagenTags().
QString mutagenSees(const QJsonObject &tags, const QString &path, const char *key);

} // namespace quillet::testing
