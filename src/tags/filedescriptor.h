#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quillet {

// Owns a POSIX file descriptor and closes it; reads and writes whole ranges, retrying short transfers, so that
// callers see either every byte moved or an errno.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor &&other) noexcept
        : m_fd(other.release())
    {
    }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    // Opens path with open(2) flags (O_CLOEXEC is added); invalid, with errno set, when that fails.
    static FileDescriptor open(const QString &path, int flags, unsigned mode = 0);
    // Opens name in the folder dirFd, as openat(2) does.
    static FileDescriptor openAt(int dirFd, const QByteArray &name, int flags, unsigned mode = 0);

    bool isValid() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    int release();
    void reset(int fd = -1);

    // Reads size bytes at offset, fewer only where the file ends first. False, with errno set, on an error.
    bool readAt(qint64 offset, qint64 size, QByteArray *bytes) const;
    // Writes all of bytes at offset. False, with errno set, on an error.
    bool writeAt(qint64 offset, QByteArrayView bytes) const;
    // Takes the exclusive advisory lock (flock) of the open file, waiting up to waitMs for another holder to let go.
    // Every open of a file locks on its own, so two threads of one process exclude each other too.
    bool lock(int waitMs) const;

private:
    int m_fd = -1;
};

// The text of the last system error (errno), e.g. "No space left on device".
QString errnoText();

} // namespace quillet
