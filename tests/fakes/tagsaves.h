#pragma once

// Tag reads and saves as the windows make them, and a save cut short by a crash. Header only: it needs the tag
// component, which the shared test library does not link.

#include "tags/recoveryfolder.h"
#include "tags/taglibtag.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet::testing {

// Reads the tag of path, as any window does.
inline void readTagOf(const QString &path)
{
    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
}

// Reads the tag of path and saves song as its title, as the editor does; *error is what the editor would show.
inline bool saveTitle(const QString &path, const QString &song, QString *error)
{
    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    tag.song = song;
    const bool saved = tag.writeTag();
    *error = tag.lastError();
    return saved;
}

// The moment a cut save is killed: once its copy of the old file is complete and on disk, or once it begins to
// write into the file itself.
enum class SaveCut { AfterCopy, AtFirstWrite };

// Saves song as the title of path (a file saved in place) in a child process and kills it (SIGKILL) at the given
// moment. Tries again while the save finishes before the kill lands. True when the save's copy was left behind.
inline bool cutSave(const QString &path, const QString &song, SaveCut when)
{
    const QString folder = RecoveryFolder::path();
    if (!QDir().mkpath(QFileInfo(folder).path()))
        return false;
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    // Keeps the folder from being removed as empty (by the save's own first look for a copy) while it is watched.
    const QString keeper = folder + QStringLiteral("/keeper");
    QFile(keeper).open(QIODevice::WriteOnly);
    const auto removeKeeper = qScopeGuard([&keeper] { QFile::remove(keeper); });
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        const bool watching = when == SaveCut::AfterCopy
            ? inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_CLOSE_WRITE) >= 0
            : inotify_add_watch(watch, QFile::encodeName(path).constData(), IN_MODIFY) >= 0;
        const pid_t child = watching ? fork() : -1;
        if (child == 0) {
            TagLibTag tag;
            tag.fileName = path;
            tag.readTag();
            tag.song = song;
            _exit(tag.writeTag() ? 0 : 1);
        }
        int status = 0;
        while (child > 0) {
            pollfd event {watch, POLLIN, 0};
            if (::poll(&event, 1, 20) > 0)
                ::kill(child, SIGKILL);
            if (waitpid(child, &status, event.revents ? 0 : WNOHANG) == child)
                break;
        }
        ::close(watch);
        if (child < 0)
            return false;
        if (!QDir(folder).entryList({QStringLiteral("*.save")}, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

} // namespace quillet::testing
