#include "tags/recoveryrecord.h"

#include "tags/filedescriptor.h"
#include "tags/fileidentity.h"
#include "tags/recoveryfolder.h"
#include "tags/saveplan.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

// The footer that ends a copy: what it is, which file it belongs to, the sizes before and after the save, the size
// of the part between the old bytes and the footer, and whether the copy is complete.
constexpr char footerMagic[8] = {'Q', 'T', 'A', 'G', 'S', 'A', 'V', '1'};
constexpr qint64 footerSize = 56;
constexpr qint64 committedAt = 48;

struct Footer
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 oldSize = 0;
    qint64 newSize = 0;
    qint64 middleSize = 0;
    bool committed = false;
};

QByteArray footerBytes(const Footer &footer)
{
    QByteArray bytes(footerSize, '\0');
    std::copy_n(footerMagic, 8, bytes.data());
    qToLittleEndian(footer.device, bytes.data() + 8);
    qToLittleEndian(footer.inode, bytes.data() + 16);
    qToLittleEndian(footer.oldSize, bytes.data() + 24);
    qToLittleEndian(footer.newSize, bytes.data() + 32);
    qToLittleEndian(footer.middleSize, bytes.data() + 40);
    bytes[committedAt] = char(footer.committed);
    return bytes;
}

// The footer of a copy of fileSize bytes; nothing when it is missing or does not fit the copy.
std::optional<Footer> readFooter(const FileDescriptor &copy, qint64 fileSize)
{
    QByteArray bytes;
    if (fileSize < footerSize || !copy.readAt(fileSize - footerSize, footerSize, &bytes) || bytes.size() != footerSize
        || !bytes.startsWith(QByteArrayView(footerMagic, 8)))
        return std::nullopt;
    Footer footer;
    footer.device = qFromLittleEndian<quint64>(bytes.constData() + 8);
    footer.inode = qFromLittleEndian<quint64>(bytes.constData() + 16);
    footer.oldSize = qFromLittleEndian<qint64>(bytes.constData() + 24);
    footer.newSize = qFromLittleEndian<qint64>(bytes.constData() + 32);
    footer.middleSize = qFromLittleEndian<qint64>(bytes.constData() + 40);
    footer.committed = bytes.at(committedAt) == 1;
    if (footer.oldSize < 0 || footer.middleSize < 8 || footer.newSize < 0
        || footer.oldSize + footer.middleSize + footerSize != fileSize)
        return std::nullopt;
    return footer;
}

// The part between the old bytes and the footer: the file's path, then the plan.
QByteArray middleBytes(const QString &absolutePath, const SavePlan &plan)
{
    const QByteArray path = QFile::encodeName(absolutePath);
    QByteArray bytes(8, '\0');
    qToLittleEndian(qint64(path.size()), bytes.data());
    return bytes + path + plan.serialized();
}

// A name no lookup ever produces: "song (before an interrupted tag save, 2026-12-08 10.11.12).mp3", numbered
// when taken.
QString keptName(const QString &absolutePath, int number)
{
    const QFileInfo info(absolutePath);
    QString name = info.completeBaseName() + QStringLiteral(" (before an interrupted tag save, ")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")) + QLatin1Char(')');
    if (number > 1)
        name += QLatin1Char(' ') + QString::number(number);
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return name;
}

// Renames the copy out of the way and cuts it to the old file (when oldSize is known). Returns its new path.
QString setAside(const RecoveryFolder &folder, const QByteArray &name, const FileDescriptor &copy,
    const QString &absolutePath, qint64 oldSize)
{
    QString kept = keptName(absolutePath, 1);
    for (int number = 2; number < 100; ++number) {
        if (::renameat2(
                folder.fd(), name.constData(), folder.fd(), QFile::encodeName(kept).constData(), RENAME_NOREPLACE)
            == 0)
            break;
        if (errno != EEXIST)
            return RecoveryFolder::path() + QLatin1Char('/') + QFile::decodeName(name);
        kept = keptName(absolutePath, number);
    }
    if (oldSize >= 0 && ::ftruncate(copy.get(), off_t(oldSize)) == 0)
        ::fsync(copy.get());
    ::fsync(folder.fd());
    return RecoveryFolder::path() + QLatin1Char('/') + kept;
}

// Opens the copy called name, when it is one the user may trust: a regular file of the user's own with no other
// link, in the user's own folder.
FileDescriptor openOwnCopy(const RecoveryFolder &folder, const QByteArray &name)
{
    FileDescriptor copy = FileDescriptor::openAt(folder.fd(), name, O_RDWR | O_NOFOLLOW | O_NONBLOCK);
    struct stat status
    {
    };
    if (!copy.isValid() || ::fstat(copy.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::getuid()
        || status.st_nlink != 1)
        return {};
    return copy;
}

bool stillLinked(const FileDescriptor &copy)
{
    struct stat status
    {
    };
    return ::fstat(copy.get(), &status) == 0 && status.st_nlink > 0;
}

} // namespace

bool RecoveryRecord::create(const RecoveryFolder &folder, const QString &absolutePath, const FileIdentity &identity,
    const QByteArray &oldData, const SavePlan &plan, QString *error)
{
    const QByteArray name = RecoveryFolder::copyName(absolutePath);
    // Whatever still has this name was dealt with before the save began, or is no copy Quillet would use.
    ::unlinkat(folder.fd(), name.constData(), 0);
    const FileDescriptor copy
        = FileDescriptor::openAt(folder.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (!copy.isValid()) {
        *error = errnoText();
        return false;
    }
    const QByteArray middle = middleBytes(absolutePath, plan);
    Footer footer {identity.device, identity.inode, oldData.size(), plan.newSize(), middle.size(), false};
    // The copy counts only once all of it is on disk: the mark that completes it is written and synced last.
    const char complete = 1;
    if (!copy.writeAt(0, oldData) || !copy.writeAt(oldData.size(), middle)
        || !copy.writeAt(oldData.size() + middle.size(), footerBytes(footer)) || ::fdatasync(copy.get()) != 0
        || !copy.writeAt(oldData.size() + middle.size() + committedAt, QByteArrayView(&complete, 1))
        || ::fdatasync(copy.get()) != 0 || ::fsync(folder.fd()) != 0) {
        *error = errnoText();
        ::unlinkat(folder.fd(), name.constData(), 0);
        return false;
    }
    return true;
}

void RecoveryRecord::remove(const RecoveryFolder &folder, const QString &absolutePath)
{
    ::unlinkat(folder.fd(), RecoveryFolder::copyName(absolutePath).constData(), 0);
    ::fsync(folder.fd());
}

RecoveryRecord::Outcome RecoveryRecord::resolve(
    RecoveryFolder &folder, const QString &absolutePath, const FileDescriptor *locked)
{
    Outcome outcome;
    QByteArray name = RecoveryFolder::copyName(absolutePath);
    FileDescriptor copy = openOwnCopy(folder, name);
    bool oldFormat = false;
    if (!copy.isValid()) {
        // An earlier version kept the bytes alone; whether the file changed since cannot be told.
        name = RecoveryFolder::oldFormatCopyName(absolutePath);
        copy = openOwnCopy(folder, name);
        oldFormat = true;
        if (!copy.isValid())
            return outcome;
    }
    const auto keep = [&](const QString &reason, qint64 oldSize) {
        outcome.kind = Outcome::SetAside;
        outcome.reason = reason;
        outcome.keptAs = setAside(folder, name, copy, absolutePath, oldSize);
        return outcome;
    };

    FileDescriptor own;
    QString openError;
    const FileDescriptor *file = locked;
    if (!file) {
        own = FileDescriptor::open(absolutePath, O_RDWR | O_NONBLOCK);
        if (!own.isValid())
            openError = errno == ENOENT ? QStringLiteral("the file is no longer there")
                                        : QStringLiteral("the file cannot be written (%1)").arg(errnoText());
        if (own.isValid() && !own.lock(0)) {
            outcome.kind = Outcome::Busy;
            return outcome;
        }
        file = &own;
    }
    // A save that ended while this one waited has removed its copy.
    if (!stillLinked(copy))
        return outcome;
    struct stat copyStatus
    {
    };
    ::fstat(copy.get(), &copyStatus);
    const std::optional<Footer> footer = oldFormat ? std::nullopt : readFooter(copy, copyStatus.st_size);
    if (oldFormat)
        return keep(QStringLiteral("an earlier version of Quillet kept no record of what it wrote"), -1);
    if (!footer || !footer->committed) {
        // The save stopped before it wrote anything into the file.
        ::unlinkat(folder.fd(), name.constData(), 0);
        return outcome;
    }
    QByteArray middle;
    if (!copy.readAt(footer->oldSize, footer->middleSize, &middle) || middle.size() != footer->middleSize)
        return keep(QStringLiteral("its copy cannot be read (%1)").arg(errnoText()), footer->oldSize);
    const qint64 pathSize = qFromLittleEndian<qint64>(middle.constData());
    if (pathSize < 0 || pathSize > middle.size() - 8)
        return keep(QStringLiteral("its copy cannot be read"), footer->oldSize);
    // A different file whose path has the same hash: not this file's copy.
    if (middle.sliced(8, pathSize) != QFile::encodeName(absolutePath))
        return {};
    const std::optional<SavePlan> plan
        = SavePlan::parse(QByteArrayView(middle).sliced(8 + pathSize), footer->oldSize, footer->newSize);
    if (!plan)
        return keep(QStringLiteral("its copy cannot be read"), footer->oldSize);
    if (!file->isValid())
        return keep(openError, footer->oldSize);

    // The file the save wrote, and still the one the path names.
    FileIdentity saved;
    saved.device = footer->device;
    saved.inode = footer->inode;
    if (!FileIdentity::ofDescriptor(file->get()).sameFile(saved) || !FileIdentity::ofPath(absolutePath).sameFile(saved))
        return keep(QStringLiteral("the file was replaced by another one since"), footer->oldSize);
    QByteArray oldData;
    QByteArray current;
    if (!copy.readAt(0, footer->oldSize, &oldData) || oldData.size() != footer->oldSize
        || !file->readAt(0, std::max(footer->oldSize, footer->newSize) + 1, &current))
        return keep(QStringLiteral("the file cannot be read (%1)").arg(errnoText()), footer->oldSize);
    if (current == plan->result(oldData)) {
        ::unlinkat(folder.fd(), name.constData(), 0);
        outcome.kind = Outcome::SaveFinished;
        return outcome;
    }
    if (!plan->couldHaveLeft(oldData, current))
        return keep(QStringLiteral("the file was changed since"), footer->oldSize);
    QByteArray back;
    errno = 0;
    if (!plan->undo(*file, oldData) || ::fsync(file->get()) != 0 || !file->readAt(0, footer->oldSize + 1, &back)
        || back != oldData) {
        outcome.kind = Outcome::Failed;
        outcome.reason = errno ? errnoText() : QStringLiteral("it did not read back as written");
        outcome.keptAs = RecoveryFolder::path() + QLatin1Char('/') + QFile::decodeName(name);
        return outcome;
    }
    ::unlinkat(folder.fd(), name.constData(), 0);
    ::fsync(folder.fd());
    outcome.kind = Outcome::PutBack;
    return outcome;
}

} // namespace quillet
