#include "fakes/childprocess.h"

#include <QByteArray>

#include <csignal>
#include <utility>

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet::testing {

namespace {

int readyPipe = -1;

} // namespace

ChildProcess::ChildProcess(const std::function<bool(QString *message)> &f, uid_t uid)
{
    int ready[2];
    int output[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        readyPipe = ready[1];
        QString message;
        const bool ok
            = (uid == 0 || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0)) && f(&message);
        const QByteArray bytes = message.toUtf8();
        [[maybe_unused]] const ssize_t written = ::write(output[1], bytes.constData(), size_t(bytes.size()));
        _exit(ok ? 0 : 1);
    }
    ::close(ready[1]);
    ::close(output[1]);
    m_output = output[0];
    char byte = 0;
    // Returns at ready() or when the child ends and the pipe closes.
    [[maybe_unused]] const ssize_t got = ::read(ready[0], &byte, 1);
    ::close(ready[0]);
}

ChildProcess::~ChildProcess()
{
    finish();
}

void ChildProcess::ready()
{
    [[maybe_unused]] const ssize_t written = ::write(readyPipe, "r", 1);
}

void ChildProcess::kill() const
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

bool ChildProcess::finish(QString *message)
{
    if (m_pid <= 0)
        return false;
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t got; (got = ::read(m_output, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    ::close(m_output);
    int status = 0;
    const bool exited = ::waitpid(std::exchange(m_pid, -1), &status, 0) > 0 && WIFEXITED(status);
    if (message)
        *message = QString::fromUtf8(bytes);
    return exited && WEXITSTATUS(status) == 0;
}

} // namespace quillet::testing
