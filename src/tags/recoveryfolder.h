#pragma once

#include "tags/filedescriptor.h"

#include <QString>

namespace quillet {

// The folder "tag-recovery" in the user's data folder, which holds the copies that in-place saves keep while they
// write. Anyone who could put a file there could make Quillet write it over the user's music, so the folder is used
// only while it is a real folder (not a symbolic link) that belongs to the user and that no one else may write to.
// That is checked on the open folder each time it is opened, and every file in it is reached through that open
// folder. It exists only while it holds something, so that looking for a copy costs a reader no more than a stat.
class RecoveryFolder
{
public:
    // Where the folder is for the current data folder.
    static QString path();
    // True when something exists at path() (a cheap first look before any copy is searched for).
    static bool exists();
    // The name of the copy that a save of the file at absolutePath keeps.
    static QByteArray copyName(const QString &absolutePath);
    // The name under which a copy of the previous format, which recorded nothing but the old bytes, was kept.
    static QByteArray oldFormatCopyName(const QString &absolutePath);

    // Opens the folder for a save, creating it (mode 0700) where it is missing. False, with *reason saying why in
    // a user's words, when it cannot be made or is not the user's alone.
    bool openForSave(QString *reason);
    // Opens the folder when it exists and is the user's alone; false otherwise.
    bool openExisting();
    // The open folder, for openat() and friends.
    int fd() const { return m_fd.get(); }
    // Closes the folder and removes it when it is empty.
    void closeAndRemoveIfEmpty();

private:
    bool openChecked(QString *reason);

    FileDescriptor m_fd;
    QString m_path;
};

} // namespace quillet
