#include "fakes/childprocess.h"

#include <QByteArray>

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet::testing {

bool asUser(uid_t uid, const std::function<bool(QString *message)> &f, QString *message)
{
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        QString text;
        const bool ok
            = (uid == 0 || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0)) && f(&text);
        const QByteArray bytes = text.toUtf8();
        [[maybe_unused]] const ssize_t written = ::write(output[1], bytes.constData(), size_t(bytes.size()));
        _exit(ok ? 0 : 1);
    }
    ::close(output[1]);
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t got; (got = ::read(output[0], buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    ::close(output[0]);
    int status = 0;
    const bool exited = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status);
    if (message)
        *message = QString::fromUtf8(bytes);
    return exited && WEXITSTATUS(status) == 0;
}

} // namespace quillet::testing
