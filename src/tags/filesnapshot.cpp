#include "tags/filesnapshot.h"

#include "tags/filedescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace quillet {

bool FileSnapshot::read(const QString &path, qint64 maxSize, QString *error)
{
    const FileDescriptor fd = FileDescriptor::open(path, O_RDONLY | O_NONBLOCK);
    if (!fd.isValid()) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, errnoText());
        return false;
    }
    struct stat status
    {
    };
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        *error = QStringLiteral("%1 does not exist or is not a file").arg(path);
        return false;
    }
    // Another program writing the file at this moment would give bytes of neither version; a few tries find it
    // at rest.
    for (int attempt = 0; attempt < 3; ++attempt) {
        identity = FileIdentity::ofDescriptor(fd.get());
        if (identity.size > maxSize) {
            *error = QStringLiteral("%1 is too large to rewrite").arg(path);
            return false;
        }
        if (!fd.readAt(0, identity.size + 1, &bytes)) {
            *error = QStringLiteral("Cannot read %1: %2").arg(path, errnoText());
            return false;
        }
        if (bytes.size() == identity.size && FileIdentity::ofDescriptor(fd.get()) == identity)
            return true;
    }
    *error = QStringLiteral("Another program kept writing %1 while Quillet read it").arg(path);
    return false;
}

} // namespace quillet
