// Start-up as the user sees it: the time from starting the program until the X server maps its first window,
// beside a bare Qt window that reads the same playlist into a QStringList and shows it in a QListView
// (bench/bare_window.cpp). Both are started the same way, as fresh processes of their own executables, and the
// time runs from just before the start to the map notification the X server sends; runs are interleaved and the
// median is reported. Quillet's first window is its splash; its main window maps when the splash's timer has
// run, which is measured too (with a 1 ms splash interval), together with the memory in use at that moment.
//
// Usage: bench_startup [runs]   (needs DISPLAY; default 5 runs)
#include "benchrow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <poll.h>

namespace {

qint64 monotonicNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Watches the X server for top-level windows being mapped.
class MapWatch
{
public:
    MapWatch()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        m_ok = true;
    }
    ~MapWatch() { xcb_disconnect(m_connection); }
    bool ok() const { return m_ok; }

    // Drops the events seen so far.
    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            free(event);
    }

    // Waits for the next top-level window to be mapped; returns the monotonic time it was seen, 0 on timeout.
    qint64 nextMap(int timeoutMs)
    {
        const qint64 deadline = monotonicNs() + qint64(timeoutMs) * 1000000;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                free(event);
                if (mapped)
                    return monotonicNs();
            }
            const qint64 left = deadline - monotonicNs();
            if (left <= 0)
                return 0;
            pollfd fd {xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&fd, 1, int(left / 1000000) + 1);
        }
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    bool m_ok = false;
};

struct Sample
{
    double firstMs = 0; // start to the first window mapped
    double lastMs = 0; // start to the main window mapped
    double rssMiB = 0; // memory when the main window mapped
};

// Starts a program and waits for `windows` maps; the last one is the main window.
Sample runOnce(
    MapWatch &watch, const QString &program, const QStringList &arguments, const QProcessEnvironment &env, int windows)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    watch.drain();
    const qint64 started = monotonicNs();
    child.start(program, arguments);
    Sample sample;
    for (int i = 0; i < windows; ++i) {
        const qint64 mapped = watch.nextMap(30000);
        if (mapped == 0) {
            std::fprintf(stderr, "%s mapped no window\n", qPrintable(program));
            sample = {};
            break;
        }
        if (i == 0)
            sample.firstMs = double(mapped - started) / 1e6;
        sample.lastMs = double(mapped - started) / 1e6;
    }
    if (sample.lastMs > 0)
        sample.rssMiB = double(residentKiB(child.processId())) / 1024.0;
    child.terminate();
    if (!child.waitForFinished(10000)) {
        child.kill();
        child.waitForFinished(5000);
    }
    return sample;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 5;
    MapWatch watch;
    if (!watch.ok()) {
        std::fprintf(stderr, "bench_startup needs an X server (DISPLAY)\n");
        return 1;
    }
    const QString binDir = QCoreApplication::applicationDirPath();
    const QString quillet = binDir + QStringLiteral("/../src/quillet");
    const QString bare = binDir + QStringLiteral("/bare_window");
    QTemporaryDir temp;
    const QString config = temp.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    QFile ini(config + QStringLiteral("/quillet.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Splash]\nInterval=1\n[Opening%20Files]\nAuto%20Play=0\n");
    ini.close();

    std::printf("%-34s %12s %12s %8s\n", "case (median ms)", "quillet", "bare window", "ratio");
    int failures = 0;
    for (const int entries : {0, 100000}) {
        const QString data = temp.filePath(QStringLiteral("data-%1").arg(entries));
        QDir().mkpath(data);
        const QString list = data + QStringLiteral("/default.m3u");
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QStringList lines;
        for (int i = 0; i < entries; ++i)
            lines << QStringLiteral("/home/user/Music/Artist %1/Album %2/%3 - Track %4.mp3")
                         .arg(i % 977)
                         .arg(i % 53)
                         .arg(i, 6, 10, QLatin1Char('0'))
                         .arg(i % 17);
        // In the order Quillet itself writes its default playlist.
        std::stable_sort(lines.begin(), lines.end(),
            [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
        if (entries)
            file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        file.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLET_DATA_DIR"), data);
        env.insert(QStringLiteral("QUILLET_CONFIG_DIR"), config);
        env.insert(QStringLiteral("QUILLET_AUDIO_OUTPUT"), QStringLiteral("null"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QList<double> quilletFirst, quilletMain, bareFirst;
        double quilletRss = 0, bareRss = 0;
        for (int r = 0; r < runs; ++r) {
            const Sample q = runOnce(watch, quillet, {}, env, 2);
            const Sample b = runOnce(watch, bare, {list}, env, 1);
            if (q.lastMs <= 0 || b.lastMs <= 0) {
                ++failures;
                continue;
            }
            quilletFirst << q.firstMs;
            quilletMain << q.lastMs;
            bareFirst << b.firstMs;
            quilletRss = std::max(quilletRss, q.rssMiB);
            bareRss = std::max(bareRss, b.rssMiB);
        }
        const double first = median(quilletFirst);
        const double main = median(quilletMain);
        const double floor = median(bareFirst);
        const double ratio = floor > 0 ? first / floor : 0;
        std::printf("%-34s %12.1f %12.1f %8.2f\n",
            qPrintable(QStringLiteral("first window mapped, %1 entries").arg(entries)), first, floor, ratio);
        std::printf("%-34s %12.1f %12.1f %8.2f\n",
            qPrintable(QStringLiteral("main window mapped, %1 entries").arg(entries)), main, floor,
            floor > 0 ? main / floor : 0);
        std::printf("%-34s %12.1f %12.1f\n", "  resident MiB", quilletRss, bareRss);
        if (entries == 0) {
            benchRow("first window mapped (splash), from exec", figure(first, "ms"),
                figure(floor, "ms (bare Qt window)"), ratio, "within 70 ms, ahead of 77 ms");
        } else {
            benchRow("main window mapped, 100,000 entries, 1 ms splash", figure(main, "ms"),
                figure(floor, "ms (bare Qt window)"), floor > 0 ? main / floor : 0, "-");
            benchRow("memory above the bare window, 100,000 entries", figure(quilletRss - bareRss, "MiB"),
                figure(bareRss, "MiB (bare Qt window)"), bareRss > 0 ? quilletRss / bareRss : 0, "at most +40 MiB");
        }
    }
    std::printf("goals: the splash mapped within 70 ms and ahead of the desktop players measured (77 and 84 ms)\n");
    return failures ? 1 : 0;
}
