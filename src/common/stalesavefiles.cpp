#include "common/stalesavefiles.h"

#include "common/folderlock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace quillet {

// Qt's temporary names end in a dot and six letters.
static constexpr qsizetype kRandomLetters = 6;

bool StaleSaveFiles::isTemporaryOf(const QString &name, const QString &target)
{
    if (name.size() != target.size() + 1 + kRandomLetters || !name.startsWith(target)
        || name.at(target.size()) != QLatin1Char('.'))
        return false;
    for (qsizetype i = target.size() + 1; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

// Removes the regular files of the folder that are temporary files of one of the targets.
static QStringList removeTemporaries(const QString &folder, const QStringList &targets)
{
    QStringList removed;
    const QDir directory(folder);
    for (const QString &name : directory.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const bool isTemporary = std::any_of(targets.cbegin(), targets.cend(),
            [&name](const QString &target) { return StaleSaveFiles::isTemporaryOf(name, target); });
        const QFileInfo info(directory.filePath(name));
        // A link is no temporary file of Qt's, whatever its name.
        if (isTemporary && info.isFile() && !info.isSymLink() && QFile::remove(info.filePath()))
            removed.append(info.filePath());
    }
    return removed;
}

QStringList StaleSaveFiles::removeBeside(const QString &folder, const QStringList &targets)
{
    if (!QFileInfo(folder).isDir())
        return {};
    const FolderLock noSaveRunning(folder, FolderLock::Mode::Exclusive);
    if (!noSaveRunning.isLocked())
        return {};
    return removeTemporaries(folder, targets);
}

QStringList StaleSaveFiles::removeBesideSettings(const QString &settingsFile)
{
    const QFileInfo file(settingsFile);
    if (!file.dir().exists())
        return {};
    // The lock of a writer that died is stale by its process id, however young it is; one of a running writer
    // (even one stopped for minutes) is not.
    const QString lockPath = settingsFile + QStringLiteral(".lock");
    const bool leftLock = QFileInfo::exists(lockPath);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return {};
    QStringList removed = removeTemporaries(file.absolutePath(), {file.fileName()});
    lock.unlock();
    if (leftLock)
        removed.append(lockPath);
    return removed;
}

} // namespace quillet
