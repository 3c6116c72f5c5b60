#pragma once

#include <QString>
#include <QtGlobal>

struct stat;

namespace quillet {

// Which file a path named at one moment, and what it looked like: device and inode say which file it is, size and
// modification time say whether it was written since. Two snapshots of an unchanged file compare equal.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch

    // The identity that stat() or fstat() reported.
    static FileIdentity of(const struct stat &status);
    // The identity of the open file fd; an invalid one when fstat fails.
    static FileIdentity ofDescriptor(int fd);
    // The identity of the file a path names now, following symbolic links; an invalid one when there is none.
    static FileIdentity ofPath(const QString &path);

    // False for the identity of a file that could not be looked at.
    bool isValid() const { return size >= 0; }
    // True when both name the same file, whether or not it changed in between.
    bool sameFile(const FileIdentity &other) const { return device == other.device && inode == other.inode; }
    bool operator==(const FileIdentity &other) const = default;
};

} // namespace quillet
