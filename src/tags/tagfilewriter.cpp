#include "tags/tagfilewriter.h"

#include "common/appdirs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <atomic>

#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

// Where the recovery copies go: the user's data folder, or the temporary folder when that cannot be written. A
// folder exists only while it holds a copy, so that looking for one costs a reader no more than a stat.
QStringList recoveryFolders()
{
    return {dataDirectory() + QStringLiteral("/tag-recovery"),
        QDir::tempPath() + QStringLiteral("/quillet-tag-recovery-%1").arg(::getuid())};
}

// Set once a save of this process left a recovery copy behind (it could not put the old file back).
std::atomic<bool> copyLeftBehind {false};

// False when no recovery folder exists. Tags are read on several threads, thousands of files in a row: each thread
// looks at the folders once per data folder, unless a save of this process left a copy behind.
bool mayHaveCopies()
{
    thread_local QString checkedFor;
    thread_local bool found = true;
    const QString data = dataDirectory();
    if (data != checkedFor || copyLeftBehind) {
        checkedFor = data;
        const QStringList folders = recoveryFolders();
        found = std::any_of(folders.cbegin(), folders.cend(), [](const QString &f) { return QFileInfo::exists(f); });
    }
    return found;
}

// Removes a recovery copy, and its folder once that is empty.
void removeCopy(const QString &copyPath)
{
    QFile::remove(copyPath);
    QDir().rmdir(QFileInfo(copyPath).absolutePath());
}

// The recovery copy of a file is named after its absolute path, so the next save of that file finds it.
QString recoveryName(const QString &path)
{
    const QByteArray hash
        = QCryptographicHash::hash(QFile::encodeName(QFileInfo(path).absoluteFilePath()), QCryptographicHash::Sha1);
    return QStringLiteral("quillet-tag-%1.recovery").arg(QString::fromLatin1(hash.toHex()));
}

bool syncedWrite(QFile &file, qint64 offset, QByteArrayView bytes)
{
    return file.seek(offset) && file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush()
        && ::fsync(file.handle()) == 0;
}

// Writes the bytes of newData that differ from oldData into the open file, and cuts it to newData's size.
bool writeChanges(QFile &file, const QByteArray &oldData, const QByteArray &newData)
{
    const qsizetype common = std::min(oldData.size(), newData.size());
    qsizetype first = 0;
    while (first < common && oldData.at(first) == newData.at(first))
        ++first;
    qsizetype last = newData.size();
    // Same size: the tag fitted the old one's room and only its bytes (and the ID3v1 ones) differ; the audio
    // between them is not written at all.
    if (oldData.size() == newData.size()) {
        while (last > first && oldData.at(last - 1) == newData.at(last - 1))
            --last;
        qsizetype gapStart = first;
        qsizetype gapEnd = first;
        qsizetype run = first;
        for (qsizetype i = first; i < last; ++i) {
            if (oldData.at(i) != newData.at(i)) {
                if (i - run > gapEnd - gapStart) {
                    gapStart = run;
                    gapEnd = i;
                }
                run = i + 1;
            }
        }
        if (gapEnd > gapStart) {
            return syncedWrite(file, first, QByteArrayView(newData).sliced(first, gapStart - first))
                && syncedWrite(file, gapEnd, QByteArrayView(newData).sliced(gapEnd, last - gapEnd));
        }
    }
    return syncedWrite(file, first, QByteArrayView(newData).sliced(first, last - first)) && file.resize(newData.size())
        && ::fsync(file.handle()) == 0;
}

bool replace(const QString &path, const QByteArray &newData, QString *error)
{
    // The new file is written beside the old one and renamed over it, so a failed write leaves the old file whole.
    QSaveFile output(path);
    if (!output.open(QIODevice::WriteOnly) || output.write(newData) != newData.size() || !output.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, output.errorString());
        return false;
    }
    return true;
}

// Writing into the file itself cannot be made atomic. A crash while it runs must not lose the tag or the audio,
// so a full copy of the old file is written and synced to disk first, in a folder the user can write to; only
// then are the changed bytes written into the file, synced, and the copy removed. A crash in between leaves the
// old file whole in the copy, and the next save of this file puts it back before anything else (recover()).
// Where the new tag fits the room of the old one, which the tag component arranges whenever it can, only the
// tag's bytes and the ID3v1 ones are written: the audio itself is never touched.
bool writeInPlace(const QString &path, const QByteArray &oldData, const QByteArray &newData, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    QString copyPath;
    for (const QString &folder : recoveryFolders()) {
        // A folder in the shared temporary folder that someone else made is not used.
        if (!QDir().mkpath(folder) || QFileInfo(folder).ownerId() != ::getuid())
            continue;
        QSaveFile copy(QDir(folder).filePath(recoveryName(path)));
        if (copy.open(QIODevice::WriteOnly) && copy.write(oldData) == oldData.size() && copy.flush()
            && ::fsync(copy.handle()) == 0 && copy.commit()) {
            copyPath = copy.fileName();
            break;
        }
    }
    if (copyPath.isEmpty()) {
        *error = QStringLiteral("Cannot write %1: no folder could take a recovery copy of it").arg(path);
        return false;
    }
    if (!writeChanges(file, oldData, newData)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        // Whatever part was written goes back; when even that fails the copy stays for the next save.
        if (syncedWrite(file, 0, oldData) && file.resize(oldData.size()))
            removeCopy(copyPath);
        else
            copyLeftBehind = true;
        return false;
    }
    removeCopy(copyPath);
    return true;
}

} // namespace

bool TagFileWriter::write(const QString &path, const QByteArray &oldData, const QByteArray &newData, QString *error)
{
    struct stat status
    {
    };
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    // Replacing needs a folder the user may write to, and would split a file with several links into two.
    const bool inPlace = ::stat(QFile::encodeName(path).constData(), &status) == 0
        && (status.st_nlink > 1 || ::access(folder.constData(), W_OK) != 0);
    return inPlace ? writeInPlace(path, oldData, newData, error) : replace(path, newData, error);
}

bool TagFileWriter::recover(const QString &path, QString *error)
{
    if (!mayHaveCopies())
        return true;
    for (const QString &folder : recoveryFolders()) {
        if (!QFileInfo::exists(folder))
            continue;
        QFile copy(QDir(folder).filePath(recoveryName(path)));
        if (!copy.exists())
            continue;
        QFile file(path);
        if (!copy.open(QIODevice::ReadOnly) || !file.open(QIODevice::ReadWrite)) {
            *error = QStringLiteral("Cannot put back %1 from %2 after an interrupted save").arg(path, copy.fileName());
            return false;
        }
        const QByteArray old = copy.readAll();
        if (copy.error() != QFileDevice::NoError || !syncedWrite(file, 0, old) || !file.resize(old.size())) {
            *error = QStringLiteral("Cannot put back %1 from %2 after an interrupted save").arg(path, copy.fileName());
            return false;
        }
        copy.close();
        removeCopy(copy.fileName());
    }
    return true;
}

} // namespace quillet
