#include "common/folderlock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillet {

FolderLock::FolderLock(const QString &folder, Mode mode)
    : m_descriptor(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (m_descriptor < 0)
        return;
    const int operation = mode == Mode::Shared ? LOCK_SH : LOCK_EX | LOCK_NB;
    int result;
    do
        result = ::flock(m_descriptor, operation);
    while (result != 0 && errno == EINTR);
    m_locked = result == 0;
}

FolderLock::~FolderLock()
{
    // Closing the last descriptor of the open folder releases the lock.
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

} // namespace quillet
