// Start-up time and memory of the main window, beside a floor program: a bare Qt window that reads the same
// playlist into a QStringList and shows it in a QListView. Each run is a fresh process; the time runs from the
// process start to the main window's first paint, less the splash window's own timer ticks.
//
// Usage: bench_startup [runs]   (runs itself as the child processes)
#include "benchrow.h"
#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <ctime>

namespace {

qint64 monotonicNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Watches every event of the program: notes when the splash window shows and closes, and reports the first
// paint of the window with the given object name, then ends the process.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(const QString &windowName)
        : m_windowName(windowName)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched->objectName() == QLatin1String("frmSplash")) {
            if (event->type() == QEvent::Show && m_splashShown == 0)
                m_splashShown = monotonicNs();
            else if (event->type() == QEvent::Close && m_splashClosed == 0)
                m_splashClosed = monotonicNs();
        }
        if (!m_done && event->type() == QEvent::Paint && watched->objectName() == m_windowName) {
            m_done = true;
            const qint64 painted = monotonicNs();
            QTimer::singleShot(0, [this, painted] {
                std::printf("painted-ns=%lld splash-ns=%lld rss-kib=%lld\n", painted,
                            m_splashClosed > m_splashShown ? m_splashClosed - m_splashShown : 0LL, residentKiB());
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    QString m_windowName;
    qint64 m_splashShown = 0;
    qint64 m_splashClosed = 0;
    bool m_done = false;
};

int runQuillet(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    PaintWatch watch(QStringLiteral("Form1"));
    app.installEventFilter(&watch);
    quillet::Application quillet({});
    quillet.start();
    return app.exec();
}

int runFloor(int argc, char **argv, const QString &path)
{
    QApplication app(argc, argv);
    PaintWatch watch(QStringLiteral("floor"));
    app.installEventFilter(&watch);
    QStringList entries;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.readAll().split('\n');
        entries.reserve(lines.size());
        for (const QByteArray &line : lines)
            entries.append(QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line));
    }
    QStringListModel model(entries);
    QListView view;
    view.setObjectName(QStringLiteral("floor"));
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(640, 480);
    view.show();
    return app.exec();
}

struct Sample
{
    double ms = 0;
    double rssMiB = 0;
};

Sample runChild(const QString &mode, const QString &dataDir, const QString &configDir)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLET_DATA_DIR"), dataDir);
    env.insert(QStringLiteral("QUILLET_CONFIG_DIR"), configDir);
    env.insert(QStringLiteral("QUILLET_AUDIO_OUTPUT"), QStringLiteral("null"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    const qint64 started = monotonicNs();
    child.start(QCoreApplication::applicationFilePath(), {mode, dataDir + QStringLiteral("/default.m3u")});
    child.waitForFinished(120000);
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    qint64 painted = 0;
    qint64 splash = 0;
    qint64 rss = 0;
    for (const QString &field : out.simplified().split(QLatin1Char(' '))) {
        const QStringList kv = field.split(QLatin1Char('='));
        if (kv.size() != 2)
            continue;
        if (kv[0] == QLatin1String("painted-ns"))
            painted = kv[1].toLongLong();
        else if (kv[0] == QLatin1String("splash-ns"))
            splash = kv[1].toLongLong();
        else if (kv[0] == QLatin1String("rss-kib"))
            rss = kv[1].toLongLong();
    }
    if (painted == 0) {
        std::fprintf(stderr, "child %s gave no figures: %s\n", qPrintable(mode),
                     child.readAllStandardError().constData());
        return {};
    }
    return {double(painted - started - splash) / 1e6, double(rss) / 1024.0};
}

Sample median(QList<Sample> samples)
{
    std::sort(samples.begin(), samples.end(), [](const Sample &a, const Sample &b) { return a.ms < b.ms; });
    Sample m = samples.at(samples.size() / 2);
    double rss = 0;
    for (const Sample &s : samples)
        rss = std::max(rss, s.rssMiB);
    m.rssMiB = rss;
    return m;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--quillet")
        return runQuillet(1, argv);
    if (argc >= 3 && QByteArray(argv[1]) == "--floor")
        return runFloor(1, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir temp;
    const QString config = temp.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    // A 1 ms splash interval keeps its ticks short; they are subtracted anyway.
    QFile ini(config + QStringLiteral("/bench_startup.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Splash]\nInterval=1\n[Opening%20Files]\nAuto%20Play=0\n");
    ini.close();

    std::printf("%-28s %12s %12s %12s %12s\n", "case", "quillet ms", "floor ms", "ratio", "extra MiB");
    for (const int entries : {0, 100000}) {
        const QString data = temp.filePath(QStringLiteral("data-%1").arg(entries));
        QDir().mkpath(data);
        if (entries > 0) {
            QFile list(data + QStringLiteral("/default.m3u"));
            if (!list.open(QIODevice::WriteOnly))
                return 1;
            QStringList lines;
            for (int i = 0; i < entries; ++i)
                lines << QStringLiteral("/home/user/Music/Artist %1/Album %2/%3 - Track %4.mp3")
                             .arg(i % 977)
                             .arg(i % 53)
                             .arg(i, 6, 10, QLatin1Char('0'))
                             .arg(i % 17);
            // In the order Quillet itself writes its default playlist.
            std::stable_sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) {
                return QString::compare(a, b, Qt::CaseInsensitive) < 0;
            });
            list.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        }
        QList<Sample> quilletRuns;
        QList<Sample> floorRuns;
        for (int r = 0; r < runs; ++r) {
            quilletRuns << runChild(QStringLiteral("--quillet"), data, config);
            floorRuns << runChild(QStringLiteral("--floor"), data, config);
        }
        const Sample q = median(quilletRuns);
        const Sample fl = median(floorRuns);
        std::printf("%-28s %12.1f %12.1f %12.2f %12.1f\n",
                    qPrintable(QStringLiteral("start-up, %1 entries").arg(entries)), q.ms, fl.ms,
                    fl.ms > 0 ? q.ms / fl.ms : 0.0, q.rssMiB - fl.rssMiB);
        std::printf("%-28s %12.1f %12.1f\n", "  resident MiB", q.rssMiB, fl.rssMiB);
        const std::string label = entries ? "start-up to first paint, 100,000 entries" : "start-up to first paint, empty";
        benchRow(label.c_str(), figure(q.ms, "ms"), figure(fl.ms, "ms (bare Qt window)"), fl.ms > 0 ? q.ms / fl.ms : 0,
                 "at most 1.5");
        if (entries)
            benchRow("memory above the floor, 100,000 entries", figure(q.rssMiB - fl.rssMiB, "MiB"),
                     figure(fl.rssMiB, "MiB (bare Qt window)"), q.rssMiB / fl.rssMiB, "at most +40 MiB");
    }
    std::printf("goals: time ratio at most 1.5; with 100,000 entries at most 40 MiB more than the floor\n");
    return 0;
}
