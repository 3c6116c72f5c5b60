#include "tags/fileidentity.h"

#include <QFile>

#include <sys/stat.h>

namespace quillet {

FileIdentity FileIdentity::of(const struct stat &status)
{
    FileIdentity identity;
    identity.device = quint64(status.st_dev);
    identity.inode = quint64(status.st_ino);
    identity.size = qint64(status.st_size);
    identity.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return identity;
}

FileIdentity FileIdentity::ofDescriptor(int fd)
{
    struct stat status
    {
    };
    return ::fstat(fd, &status) == 0 ? of(status) : FileIdentity();
}

FileIdentity FileIdentity::ofPath(const QString &path)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? of(status) : FileIdentity();
}

} // namespace quillet
