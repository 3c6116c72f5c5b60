#pragma once

#include <QString>

#include <functional>

#include <sys/types.h>

namespace quillet::testing {

// Runs f in a forked child process as the user uid (with the group of the same number and no others; 0 stays root),
// as a second user or a second program would act, and waits for it. True when f returned true; *message is what f
// left in its argument.
bool asUser(uid_t uid, const std::function<bool(QString *message)> &f, QString *message = nullptr);

} // namespace quillet::testing
