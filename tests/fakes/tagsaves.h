#pragma once

// Tag reads and saves as the windows make them, and saves stopped at a chosen moment (by a crash, or for another
// program to act). Header only: it needs the tag component, which the shared test library does not link.

#include "tags/recoveryfolder.h"
#include "tags/taglibtag.h"

#include <QDir>
#include <QFile>

#include <functional>

#include <csignal>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/user.h>
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

// Where a traced save stops: right before its n-th system call (from 1, counted from the read of the tag), right
// before its n-th write into the file itself, or right before it creates its n-th file. The first such write comes
// once the copy of the old file is complete and on disk; the first file an in-place save creates is that copy.
struct SaveStop
{
    enum { Call, Write, Create } at;
    int n;
};

struct TracedSave
{
    bool stopped = false; // the save reached the stop
    bool saved = false; // it reported success (not when killed)
    QString error; // what it reported otherwise
    int calls = 0; // the system calls it made until it stopped or ended
};

// How the child's writes are served: by the file system, or as by a disk that takes no bytes and reports no error,
// for every regular file, or once for the saved file alone (such a write is made with nothing to write, so it
// returns 0), or as by a disk that fails (EIO) to flush the saved file to it.
enum class Writes { Served, TakeNothing, TakeNothingOnceIntoTheFile, FlushOfTheFileFails };

// Saves song as the title of path in a child process traced with ptrace, stops it at the given moment and runs
// atStop there, as another program acting at exactly that moment; then kills the child (SIGKILL, as a crash does)
// or lets it finish. A stop past the end of the save never comes.
inline TracedSave tracedSave(const QString &path, const QString &song, SaveStop stop,
    const std::function<void()> &atStop, bool kill, Writes writes = Writes::Served)
{
    struct stat target = {};
    int output[2];
    if (::stat(QFile::encodeName(path).constData(), &target) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        ::close(output[0]);
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);
        QString error;
        const bool saved = saveTitle(path, song, &error);
        const QByteArray result = (saved ? "1" : "0") + error.toUtf8();
        [[maybe_unused]] const ssize_t written = ::write(output[1], result.constData(), size_t(result.size()));
        _exit(0);
    }
    ::close(output[1]);
    TracedSave traced;
    int status = 0;
    waitpid(child, &status, 0);
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    // The file that the call's first argument, a descriptor of the child, names.
    const auto descriptorFile = [child](const __ptrace_syscall_info &call, struct stat *named) {
        const QByteArray fd = "/proc/" + QByteArray::number(child) + "/fd/" + QByteArray::number(call.entry.args[0]);
        return ::stat(fd.constData(), named) == 0;
    };
    // The file that a write call (or ftruncate) writes into, through the child's descriptor.
    const auto writtenFile = [&](const __ptrace_syscall_info &call, struct stat *named) {
        return (call.entry.nr == SYS_pwrite64 || call.entry.nr == SYS_write || call.entry.nr == SYS_pwritev
                   || call.entry.nr == SYS_ftruncate)
            && descriptorFile(call, named);
    };
    const auto isTarget
        = [&target](const struct stat &f) { return f.st_dev == target.st_dev && f.st_ino == target.st_ino; };
    // A write into a regular file made with nothing to write: it returns 0 (ftruncate does not read the register).
    const auto takeNothing = [child] {
#if defined(__x86_64__)
        user_regs_struct registers {};
        ::ptrace(PTRACE_GETREGS, child, nullptr, &registers);
        registers.rdx = 0; // the byte count (the number of buffers for pwritev)
        ::ptrace(PTRACE_SETREGS, child, nullptr, &registers);
#endif
    };
    // At a call's entry: the call is made a number that is no call, so that none is made (it would return ENOSYS);
    // at its exit: what it returns.
    const auto setRegister = [child](bool entry, long long value) {
#if defined(__x86_64__)
        user_regs_struct registers {};
        ::ptrace(PTRACE_GETREGS, child, nullptr, &registers);
        (entry ? registers.orig_rax : registers.rax) = static_cast<unsigned long long>(value);
        ::ptrace(PTRACE_SETREGS, child, nullptr, &registers);
#endif
    };
    bool failFlush = false;
    int targetWrites = 0;
    int creates = 0;
    int signal = 0;
    bool running = true;
    while (!traced.stopped && running) {
        running = ::ptrace(PTRACE_SYSCALL, child, nullptr, signal) == 0 && waitpid(child, &status, 0) == child
            && WIFSTOPPED(status);
        signal = running && WSTOPSIG(status) != (SIGTRAP | 0x80) ? WSTOPSIG(status) : 0;
        __ptrace_syscall_info call {};
        const bool stoppedAtCall
            = running && signal == 0 && ::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof call, &call) > 0;
        if (stoppedAtCall && call.op == PTRACE_SYSCALL_INFO_EXIT && failFlush) {
            failFlush = false;
            setRegister(false, -EIO);
        }
        if (stoppedAtCall && call.op == PTRACE_SYSCALL_INFO_ENTRY) {
            ++traced.calls;
            struct stat named = {};
            const bool written = writtenFile(call, &named);
            const bool write = written && isTarget(named) && ++targetWrites;
            if ((writes == Writes::TakeNothing && written && S_ISREG(named.st_mode))
                || (writes == Writes::TakeNothingOnceIntoTheFile && write && targetWrites == 1))
                takeNothing();
            struct stat flushed = {};
            if (writes == Writes::FlushOfTheFileFails && (call.entry.nr == SYS_fsync || call.entry.nr == SYS_fdatasync)
                && descriptorFile(call, &flushed) && isTarget(flushed)) {
                failFlush = true;
                setRegister(true, -1);
            }
            const bool create = call.entry.nr == SYS_openat && (call.entry.args[2] & O_CREAT) && ++creates;
            if ((stop.at == SaveStop::Call && traced.calls == stop.n)
                || (stop.at == SaveStop::Write && write && targetWrites == stop.n)
                || (stop.at == SaveStop::Create && create && creates == stop.n)) {
                traced.stopped = true;
                if (atStop)
                    atStop();
            }
        }
    }
    // A child that ended is reaped already; one still traced is let go or killed.
    if (running && (kill || !traced.stopped))
        ::kill(child, SIGKILL);
    else if (running)
        ::ptrace(PTRACE_DETACH, child, nullptr, nullptr);
    QByteArray result;
    char buffer[4096];
    for (ssize_t got; (got = ::read(output[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, got);
    ::close(output[0]);
    if (running)
        waitpid(child, &status, 0);
    traced.saved = result.startsWith('1');
    traced.error = QString::fromUtf8(result.mid(1));
    return traced;
}

// A save of path cut short by a crash at the given moment: true when its copy was left behind.
inline bool cutSave(const QString &path, const QString &song, SaveStop stop)
{
    return tracedSave(path, song, stop, {}, true).stopped
        && !QDir(RecoveryFolder::path()).entryList({QStringLiteral("*.save")}, QDir::Files).isEmpty();
}

} // namespace quillet::testing
