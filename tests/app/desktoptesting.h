#pragma once

// Helpers for the desktop-integration tests: a private session bus, real D-Bus clients run beside the event loop,
// and the built quillet executable.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace quillet::testing {

// Runs body on a session bus of its own: the first call re-executes the test under dbus-run-session, which starts
// a bus for it and ends the bus afterwards, so no test ever talks to the user's desktop.
inline int mainOnPrivateBus(int argc, char **argv, const std::function<int(int, char **)> &body)
{
    if (qEnvironmentVariableIsSet("QUILLET_TEST_PRIVATE_BUS"))
        return body(argc, argv);
    qputenv("QUILLET_TEST_PRIVATE_BUS", "1");
    std::vector<char *> arguments {const_cast<char *>("dbus-run-session"), const_cast<char *>("--")};
    arguments.insert(arguments.end(), argv, argv + argc);
    arguments.push_back(nullptr);
    ::execvp(arguments[0], arguments.data());
    std::perror("dbus-run-session (Debian package dbus-daemon) is needed for this test");
    return 1;
}

// What a client program printed and how it ended.
struct ClientResult
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a client program while this thread's event loop keeps turning, so that a D-Bus service living in this
// process can answer it.
inline ClientResult runClient(const QString &program, const QStringList &arguments, int timeoutMs = 15000)
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    const QDeadlineTimer deadline(timeoutMs);
    while (finished.isEmpty() && !deadline.hasExpired())
        finished.wait(50);
    ClientResult result;
    if (finished.isEmpty()) {
        process.kill();
        process.waitForFinished();
    } else {
        result.finished = true;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    result.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return result;
}

// The quillet executable of this build: tests are built in <build>/tests, the program in <build>/src.
inline QString quilletExecutable()
{
    return QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/quillet")).canonicalFilePath();
}

// Writes a setting for the quillet executable started with this environment's QUILLET_CONFIG_DIR: its settings
// file is named after the program, not after the test.
inline bool writeProgramSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings settings(
        qEnvironmentVariable("QUILLET_CONFIG_DIR") + QStringLiteral("/quillet.ini"), QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace quillet::testing
