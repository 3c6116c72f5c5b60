#include "tags/recoveryfolder.h"

#include "common/appdirs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

QByteArray pathHash(const QString &absolutePath)
{
    return QCryptographicHash::hash(QFile::encodeName(absolutePath), QCryptographicHash::Sha1).toHex();
}

} // namespace

QString RecoveryFolder::path()
{
    return dataDirectory() + QStringLiteral("/tag-recovery");
}

bool RecoveryFolder::exists()
{
    struct stat status
    {
    };
    return ::lstat(QFile::encodeName(path()).constData(), &status) == 0;
}

QByteArray RecoveryFolder::copyName(const QString &absolutePath)
{
    return "quillet-tag-" + pathHash(absolutePath) + ".save";
}

QByteArray RecoveryFolder::oldFormatCopyName(const QString &absolutePath)
{
    return "quillet-tag-" + pathHash(absolutePath) + ".recovery";
}

bool RecoveryFolder::openForSave(QString *reason)
{
    m_path = path();
    // A reader or another save may remove the folder between its creation here and its opening: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!QDir().mkpath(dataDirectory())) {
            *reason = QStringLiteral("the data folder %1 cannot be created").arg(dataDirectory());
            return false;
        }
        if (::mkdir(QFile::encodeName(m_path).constData(), 0700) != 0 && errno != EEXIST) {
            *reason = errnoText();
            return false;
        }
        if (openChecked(reason))
            return true;
        if (!reason->isEmpty())
            return false;
    }
    *reason = QStringLiteral("it keeps disappearing");
    return false;
}

bool RecoveryFolder::openExisting()
{
    m_path = path();
    QString reason;
    return openChecked(&reason);
}

// Opens m_path and checks the open folder itself, so that no one can swap it between the check and its use. False
// with an empty reason when there is no folder.
bool RecoveryFolder::openChecked(QString *reason)
{
    reason->clear();
    const QByteArray name = QFile::encodeName(m_path);
    struct stat link
    {
    };
    if (::lstat(name.constData(), &link) != 0) {
        if (errno != ENOENT)
            *reason = errnoText();
        return false;
    }
    if (S_ISLNK(link.st_mode)) {
        *reason = QStringLiteral("it is a symbolic link");
        return false;
    }
    m_fd = FileDescriptor::open(m_path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    struct stat status
    {
    };
    if (!m_fd.isValid() || ::fstat(m_fd.get(), &status) != 0) {
        if (errno != ENOENT)
            *reason = errnoText();
        m_fd.reset();
        return false;
    }
    if (!S_ISDIR(status.st_mode))
        *reason = QStringLiteral("it is not a folder");
    else if (status.st_uid != ::getuid())
        *reason = QStringLiteral("it belongs to another user");
    else if (status.st_mode & (S_IWGRP | S_IWOTH))
        *reason = QStringLiteral("other users may write to it");
    else if (status.st_dev != link.st_dev || status.st_ino != link.st_ino)
        *reason = QStringLiteral("it was replaced while it was opened");
    if (!reason->isEmpty()) {
        m_fd.reset();
        return false;
    }
    // No one else needs to read the copies either. A folder an earlier version made readable by others is
    // tightened.
    if ((status.st_mode & 07777) != 0700)
        ::fchmod(m_fd.get(), 0700);
    return true;
}

void RecoveryFolder::closeAndRemoveIfEmpty()
{
    if (!m_fd.isValid())
        return;
    m_fd.reset();
    // Fails while the folder holds anything, which is what is wanted.
    ::rmdir(QFile::encodeName(m_path).constData());
}

} // namespace quillet
