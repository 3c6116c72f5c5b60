#include "tags/tagfilewriter.h"

#include "tags/filedescriptor.h"
#include "tags/fileidentity.h"
#include "tags/filesnapshot.h"
#include "tags/recoveryfolder.h"
#include "tags/recoveryrecord.h"
#include "tags/saveplan.h"
#include "tags/tagnotices.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillet {

namespace {

// How long a save waits for another save or recovery of the same file to finish.
constexpr int lockWaitMs = 5000;

using Outcome = RecoveryRecord::Outcome;

QString changedText(const QString &path)
{
    return QStringLiteral("%1 was changed by another program after Quillet read it").arg(path);
}

// What the user is told about a copy that was not put back.
QString noticeFor(const QString &path, const Outcome &outcome)
{
    if (outcome.kind == Outcome::Failed) {
        return QStringLiteral("A tag save of %1 was cut short, and putting the file back as it was failed (%2). The "
                              "file as it was before that save is kept as %3.")
            .arg(path, outcome.reason, outcome.keptAs);
    }
    return QStringLiteral("A tag save of %1 was cut short, and %2, so Quillet left the file as it is. The file as it "
                          "was before that save is kept as %3.")
        .arg(path, outcome.reason, outcome.keptAs);
}

// True when the open file, and the file the path names, are still exactly what was read.
bool unchangedSince(const FileDescriptor &file, const QString &path, const FileSnapshot &read)
{
    QByteArray now;
    return FileIdentity::ofDescriptor(file.get()) == read.identity && FileIdentity::ofPath(path).sameFile(read.identity)
        && file.readAt(0, read.bytes.size() + 1, &now) && now == read.bytes;
}

// Gives the new file the owner, group, extended attributes (ACLs among them) and mode of the old one. False when
// any of them cannot be given.
bool takeOverAttributes(const FileDescriptor &from, const FileDescriptor &to, const struct stat &status)
{
    struct stat own
    {
    };
    if (::fstat(to.get(), &own) != 0)
        return false;
    if ((own.st_uid != status.st_uid || own.st_gid != status.st_gid)
        && ::fchown(to.get(), status.st_uid, status.st_gid) != 0)
        return false;
    const ssize_t listSize = ::flistxattr(from.get(), nullptr, 0);
    if (listSize < 0)
        return errno == ENOTSUP;
    QByteArray names(listSize, '\0');
    const ssize_t got = ::flistxattr(from.get(), names.data(), size_t(names.size()));
    if (got < 0)
        return false;
    names.truncate(got);
    for (const QByteArray &name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t valueSize = ::fgetxattr(from.get(), name.constData(), nullptr, 0);
        if (valueSize < 0)
            return false;
        QByteArray value(valueSize, '\0');
        const ssize_t read = ::fgetxattr(from.get(), name.constData(), value.data(), size_t(value.size()));
        if (read < 0 || ::fsetxattr(to.get(), name.constData(), value.constData(), size_t(read), 0) != 0)
            return false;
    }
    // Last: a change of owner clears the set-user-ID and set-group-ID bits.
    return ::fchmod(to.get(), status.st_mode & 07777) == 0;
}

enum class Replaced { Done, NotPossible, Failed };

// Writes the new file beside the old one and renames it over it, so that a failed write leaves the old file whole.
Replaced replace(const QString &path, const FileDescriptor &file, const FileSnapshot &read, const QByteArray &newData,
    QString *error)
{
    struct stat status
    {
    };
    if (::fstat(file.get(), &status) != 0 || status.st_nlink != 1)
        return Replaced::NotPossible;
    const QFileInfo info(path);
    static constexpr char suffix[] = ".quillet-XXXXXX";
    // Named after the song, cut short where a long name would pass the longest name a folder takes.
    const QByteArray song = QFile::encodeName(info.fileName()).left(NAME_MAX - int(sizeof(suffix)));
    QByteArray name = QFile::encodeName(info.absolutePath()) + "/." + song + suffix;
    const FileDescriptor temp(::mkostemp(name.data(), O_CLOEXEC));
    if (!temp.isValid()) {
        // A folder the new file cannot go into, or that takes shorter names: the song is written in place.
        if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENAMETOOLONG)
            return Replaced::NotPossible;
        *error = QStringLiteral("Cannot write %1: %2").arg(path, errnoText());
        return Replaced::Failed;
    }
    auto discard = qScopeGuard([&name] { ::unlink(name.constData()); });
    if (!temp.writeAt(0, newData) || ::fsync(temp.get()) != 0) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, errnoText());
        return Replaced::Failed;
    }
    if (!takeOverAttributes(file, temp, status))
        return Replaced::NotPossible;
    if (!(FileIdentity::ofDescriptor(file.get()) == read.identity)
        || !FileIdentity::ofPath(path).sameFile(read.identity)) {
        *error = changedText(path);
        return Replaced::Failed;
    }
    if (::rename(name.constData(), QFile::encodeName(path).constData()) != 0) {
        // A folder with the sticky bit, for one, lets the user write the file but not replace it.
        if (errno == EACCES || errno == EPERM || errno == EBUSY || errno == EXDEV)
            return Replaced::NotPossible;
        *error = QStringLiteral("Cannot write %1: %2").arg(path, errnoText());
        return Replaced::Failed;
    }
    discard.dismiss();
    const FileDescriptor folder = FileDescriptor::open(info.absolutePath(), O_RDONLY | O_DIRECTORY);
    if (folder.isValid())
        ::fsync(folder.get());
    return Replaced::Done;
}

// Writing into the file itself cannot be made atomic. A full copy of the old file, with what this save writes, is
// first written and synced to the user's own recovery folder; only then are the changed bytes written into the file
// and synced, the file read back, and the copy removed. A crash in between leaves the copy, and the next read of
// the file puts it back if nothing else changed the file since (RecoveryRecord::resolve). Where the new tag fits
// the room of the old one, which the tag component arranges whenever it can, only the tag's bytes and the ID3v1
// ones are written: the audio itself is never touched.
bool writeInPlace(const QString &path, const FileDescriptor &file, const FileSnapshot &read, const QByteArray &newData,
    QString *error)
{
    const SavePlan plan = SavePlan::between(read.bytes, newData);
    RecoveryFolder folder;
    QString reason;
    bool copied = false;
    // Another process may remove the empty folder between its opening and the copy's creation: open it again.
    for (int attempt = 0; attempt < 5 && !copied; ++attempt) {
        if (!folder.openForSave(&reason)) {
            *error = QStringLiteral("Writing the tag into %1 itself needs a copy of the old file in %2, and that "
                                    "folder cannot be used: %3")
                         .arg(path, RecoveryFolder::path(), reason);
            return false;
        }
        copied = RecoveryRecord::create(folder, path, read.identity, read.bytes, plan, &reason);
        if (!copied && errno != ENOENT)
            break;
    }
    if (!copied) {
        folder.closeAndRemoveIfEmpty();
        *error = QStringLiteral("No copy of %1 could be kept in %2: %3").arg(path, RecoveryFolder::path(), reason);
        return false;
    }
    // The copy took a while: the bytes about to be overwritten are looked at once more.
    if (!(FileIdentity::ofDescriptor(file.get()) == read.identity)
        || !FileIdentity::ofPath(path).sameFile(read.identity) || !plan.writtenRangesHold(read.bytes, file)) {
        RecoveryRecord::remove(folder, path);
        folder.closeAndRemoveIfEmpty();
        *error = changedText(path);
        return false;
    }
    errno = 0;
    const bool written = plan.apply(file, newData) && ::fsync(file.get()) == 0;
    const QString writeError = errnoText();
    QByteArray back;
    if (written && FileIdentity::ofPath(path).sameFile(read.identity) && file.readAt(0, newData.size() + 1, &back)
        && back == newData) {
        RecoveryRecord::remove(folder, path);
        folder.closeAndRemoveIfEmpty();
        return true;
    }
    // The file is not what was written: the copy is put back over what this save left, or kept aside when another
    // program had a hand in it.
    const Outcome outcome = RecoveryRecord::resolve(folder, path, &file);
    folder.closeAndRemoveIfEmpty();
    if (outcome.kind == Outcome::SaveFinished && written)
        return true;
    *error = written ? QStringLiteral("%1 was changed by another program while its tag was being saved.").arg(path)
                     : QStringLiteral("Cannot write %1: %2.").arg(path, writeError);
    if (outcome.kind == Outcome::SetAside) {
        *error += QStringLiteral(" Quillet left the file as it is; the file as it was before is kept as %1.")
                      .arg(outcome.keptAs);
    } else if (outcome.kind == Outcome::Failed) {
        *error += QStringLiteral(" Putting it back as it was failed (%1); the file as it was before is kept as %2.")
                      .arg(outcome.reason, outcome.keptAs);
    } else if (outcome.kind == Outcome::SaveFinished) {
        // Every byte went in, but the disk failed to store them (fsync failed): what it keeps is not known.
        *error += QStringLiteral(" The file reads with the new tag, but the disk did not confirm that it keeps it.");
    } else {
        *error += QStringLiteral(" It is as it was before.");
    }
    return false;
}

} // namespace

bool TagFileWriter::write(const QString &path, const FileSnapshot &read, const QByteArray &newData, QString *error)
{
    // A symbolic link is followed, so that the file it names is written and the link stays a link.
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) {
        *error = QStringLiteral("%1 does not exist or is not a file").arg(path);
        return false;
    }
    const FileDescriptor file = FileDescriptor::open(real, O_RDWR | O_NONBLOCK);
    if (!file.isValid()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, errnoText());
        return false;
    }
    if (!file.lock(lockWaitMs)) {
        *error = QStringLiteral("Another save of %1 did not finish in time").arg(path);
        return false;
    }
    // A copy that a save of this file left when it was cut short is dealt with first, so that it never mixes
    // with this save.
    RecoveryFolder folder;
    if (RecoveryFolder::exists() && folder.openExisting()) {
        const Outcome outcome = RecoveryRecord::resolve(folder, real, &file);
        folder.closeAndRemoveIfEmpty();
        if (outcome.kind == Outcome::SetAside || outcome.kind == Outcome::Failed)
            TagNotices::post(noticeFor(real, outcome));
        if (outcome.kind == Outcome::Failed) {
            *error = noticeFor(real, outcome);
            return false;
        }
    }
    if (!unchangedSince(file, real, read)) {
        *error = changedText(path);
        return false;
    }
    switch (replace(real, file, read, newData, error)) {
    case Replaced::Done:
        return true;
    case Replaced::Failed:
        return false;
    case Replaced::NotPossible:
        break;
    }
    return writeInPlace(real, file, read, newData, error);
}

bool TagFileWriter::recover(const QString &path, QString *error)
{
    if (path.isEmpty() || !RecoveryFolder::exists())
        return true;
    const QFileInfo info(path);
    const QString real = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    RecoveryFolder folder;
    if (!folder.openExisting())
        return true;
    const Outcome outcome = RecoveryRecord::resolve(folder, real, nullptr);
    // A reader that changed nothing leaves the folder to the saves: one of them may be about to put its copy there.
    if (outcome.kind == Outcome::None || outcome.kind == Outcome::Busy)
        return true;
    folder.closeAndRemoveIfEmpty();
    if (outcome.kind != Outcome::SetAside && outcome.kind != Outcome::Failed)
        return true;
    TagNotices::post(noticeFor(real, outcome));
    if (outcome.kind == Outcome::SetAside)
        return true;
    *error = noticeFor(real, outcome);
    return false;
}

} // namespace quillet
