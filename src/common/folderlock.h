#pragma once

#include <QString>

namespace quillet {

// An advisory lock (flock) on a folder, held for the life of the object. Atomic saves hold it shared while their
// temporary file exists; the start-up clean-up of leftover temporary files holds it exclusive, so that it never takes
// the file of a save that is still running (in this process or another one) for a leftover.
class FolderLock
{
public:
    enum class Mode { Shared, Exclusive };

    // Locks the folder: Shared waits for an exclusive holder to finish, Exclusive gives up at once when the folder is
    // locked. A folder that cannot be opened or locked (a file system without locks) is simply not locked.
    FolderLock(const QString &folder, Mode mode);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Whether the lock is held.
    bool isLocked() const { return m_locked; }

private:
    int m_descriptor = -1;
    bool m_locked = false;
};

} // namespace quillet
