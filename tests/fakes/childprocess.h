#pragma once

#include <QString>

#include <functional>

#include <sys/types.h>

namespace quillet::testing {

// A function run in a forked child process, as another user where asked: a second program, a second user, a
// process to kill in the middle of its work.
class ChildProcess
{
public:
    // Runs f in a child process as the user uid (with the group of the same number and no others; 0 stays root) and
    // returns once f calls ready() or ends. f may leave a message for the parent.
    explicit ChildProcess(const std::function<bool(QString *message)> &f, uid_t uid = 0);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // In the child: lets the parent go on.
    static void ready();
    // Kills the child (SIGKILL).
    void kill() const;
    // Waits for the child to end; true when f returned true. *message is what f left.
    bool finish(QString *message = nullptr);

private:
    pid_t m_pid = -1;
    int m_output = -1;
};

// Runs f as the user uid and waits for it; true when it returned true.
inline bool asUser(uid_t uid, const std::function<bool(QString *message)> &f, QString *message = nullptr)
{
    return ChildProcess(f, uid).finish(message);
}

} // namespace quillet::testing
