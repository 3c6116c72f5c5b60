#pragma once

// A benchmark child answers "cpu" lines on its standard input with its own CPU time, all threads, live and ended,
// to the nanosecond: "cpu <seconds>". Clock ticks in /proc (a hundredth of a second) are too coarse for an idle
// window, and the run times of its threads miss those that ended.

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <cstdio>
#include <ctime>
#include <unistd.h>

inline void answerCpuQueries(QObject *parent)
{
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            notifier->setEnabled(false); // the bench closed the pipe
            return;
        }
        timespec used {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
        std::printf("cpu %.9f\n", double(used.tv_sec) + double(used.tv_nsec) / 1e9);
        std::fflush(stdout);
    });
}
