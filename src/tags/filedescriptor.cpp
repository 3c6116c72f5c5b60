#include "tags/filedescriptor.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillet {

FileDescriptor &FileDescriptor::operator=(FileDescriptor &&other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

FileDescriptor FileDescriptor::open(const QString &path, int flags, unsigned mode)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, mode));
}

FileDescriptor FileDescriptor::openAt(int dirFd, const QByteArray &name, int flags, unsigned mode)
{
    return FileDescriptor(::openat(dirFd, name.constData(), flags | O_CLOEXEC, mode));
}

int FileDescriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void FileDescriptor::reset(int fd)
{
    if (m_fd >= 0) {
        // errno is kept: callers report the error that made them give up, not the close.
        const int saved = errno;
        ::close(m_fd);
        errno = saved;
    }
    m_fd = fd;
}

bool FileDescriptor::readAt(qint64 offset, qint64 size, QByteArray *bytes) const
{
    bytes->resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(m_fd, bytes->data() + done, size_t(size - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        done += got;
    }
    bytes->resize(done);
    return true;
}

bool FileDescriptor::writeAt(qint64 offset, QByteArrayView bytes) const
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(m_fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        done += put;
    }
    return true;
}

bool FileDescriptor::lock(int waitMs) const
{
    // flock() cannot time out; polling keeps a save from hanging on a lock that another program never releases.
    QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (deadline.hasExpired()) {
            errno = EWOULDBLOCK;
            return false;
        }
        QThread::msleep(10);
    }
}

QString errnoText()
{
    return qt_error_string(errno);
}

} // namespace quillet
