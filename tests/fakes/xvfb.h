#pragma once

// Runs a test on a private X server: Xvfb on a free display number, started before the application connects
// and ended afterwards, so that windows are really mapped and sized by an X server.

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace quillet::testing {

inline int runOnXvfb(const std::function<int()> &body)
{
    std::signal(SIGPIPE, SIG_IGN);
    int number = 400 + int(getpid() % 400);
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
        || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
        ++number;
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"),
        {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
    for (int wait = 0; wait < 100 && !QFile::exists(socket); ++wait)
        QThread::msleep(100);
    if (!QFile::exists(socket)) {
        std::fprintf(stderr, "Xvfb (Debian package xvfb) did not start\n");
        return 1;
    }
    qputenv("DISPLAY", ":" + QByteArray::number(number));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    const int result = body();
    xvfb.terminate();
    xvfb.waitForFinished();
    return result;
}

// What xwininfo says of a window: its map state ("IsViewable", "IsUnMapped"...) and its inside size.
struct XWindowState
{
    QString mapState;
    QSize size;
};

inline XWindowState xwininfo(unsigned long windowId)
{
    QProcess process;
    process.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(windowId)});
    process.waitForFinished(10000);
    XWindowState state;
    int width = -1;
    int height = -1;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("Map State:"))
            state.mapState = QString::fromLatin1(trimmed.mid(10).trimmed());
        else if (trimmed.startsWith("Width:"))
            width = trimmed.mid(6).trimmed().toInt();
        else if (trimmed.startsWith("Height:"))
            height = trimmed.mid(7).trimmed().toInt();
    }
    state.size = QSize(width, height);
    return state;
}

} // namespace quillet::testing

// A test's main on its own X server, as QTEST_MAIN is on the display it is given.
#define QUILLET_XVFB_TEST_MAIN(TestObject)                                                                             \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        return quillet::testing::runOnXvfb([&] {                                                                       \
            QApplication app(argc, argv);                                                                              \
            TestObject test;                                                                                           \
            return QTest::qExec(&test, argc, argv);                                                                    \
        });                                                                                                            \
    }
