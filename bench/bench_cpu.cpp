// CPU time of a running Quillet, read from /proc/PID/stat (user + system) over a window of seconds after it has
// settled:
// - idle: the main window, the remote and the ID3 playlist open, the playlist empty, nothing playing; once on the
//   X server named by DISPLAY (when set) and once on the offscreen platform;
// - idle with only the main window on screen, scrolling its marquee, beside a bare Qt window that moves a label the
//   same way (bare_window --marquee);
// - playing: an MP3 playing with the null audio output, beside the engine alone
//   (mpv --no-config --ao=null --no-video on the same file).
// Each Quillet is a child process with its own temporary data and settings folders; it runs the same start-up as
// the quillet executable and opens its windows through the same requests as the user's menu and keys.
//
// Usage: bench_cpu [seconds]   (default 20; runs itself as the child processes)
#include "app/application.h"
#include "app/form1.h"
#include "benchmedia.h"
#include "benchrow.h"
#include "cpureport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace {

// Runs Quillet as main() does; once the main window is up, opens the remote and the ID3 playlist, unless only the
// main window is to stay on screen.
int runQuillet(int argc, char **argv, const QString &commandLine, bool mainWindowOnly = false)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    quillet::Application quillet(commandLine);
    quillet.start();
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        quillet::Form1 *form = quillet.mainWindow();
        if (!form)
            return;
        poll.stop();
        if (commandLine.isEmpty() && !mainWindowOnly) {
            emit form->remoteControlRequested();
            emit form->windowKeyPressed(QLatin1Char('3'));
        }
        std::puts("ready");
        std::fflush(stdout);
        answerCpuQueries(&app);
    });
    poll.start();
    return app.exec();
}

// User plus system CPU seconds of a process so far (in clock ticks: for the engine, which cannot be asked).
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
}

// The CPU seconds a child that answers "cpu" queries has used so far (negative when it does not answer).
double askCpu(QProcess &child)
{
    child.write("cpu\n");
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        if (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (line.startsWith("cpu "))
                return line.mid(4).toDouble();
            continue;
        }
        child.waitForReadyRead(1000);
    }
    return -1;
}

// Starts a program, waits for it to settle, and returns its CPU seconds over the window (negative on failure).
// waitForReady: the child prints "ready" when its windows are up and answers "cpu" queries (Quillet and the bare
// window do); otherwise its clock ticks are read.
double measure(const QString &program, const QStringList &arguments, const QProcessEnvironment &env, bool waitForReady,
    int seconds)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, arguments);
    if (!child.waitForStarted(10000))
        return -1;
    if (waitForReady) {
        QElapsedTimer waited;
        waited.start();
        bool ready = false;
        while (!ready && waited.elapsed() < 30000) {
            while (child.canReadLine())
                ready |= child.readLine().trimmed() == "ready";
            if (!ready)
                child.waitForReadyRead(1000);
        }
    }
    // Start-up work (the splash, the first ticks, the ID3 playlist's first rebuild) is over after this.
    QThread::sleep(3);
    const auto used = [&] { return waitForReady ? askCpu(child) : cpuSeconds(child.processId()); };
    const double before = used();
    QThread::sleep(seconds);
    const double after = used();
    const bool alive = child.state() == QProcess::Running;
    child.terminate();
    if (!child.waitForFinished(10000)) {
        child.kill();
        child.waitForFinished(5000);
    }
    if (!alive || before < 0 || after < 0) {
        std::fprintf(stderr, "%s ended before the measurement was done\n", qPrintable(program));
        return -1;
    }
    return after - before;
}

QProcessEnvironment quilletEnvironment(const QString &folder, const QString &platform)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(folder + QStringLiteral("/data"));
    QDir().mkpath(folder + QStringLiteral("/config"));
    env.insert(QStringLiteral("QUILLET_DATA_DIR"), folder + QStringLiteral("/data"));
    env.insert(QStringLiteral("QUILLET_CONFIG_DIR"), folder + QStringLiteral("/config"));
    env.insert(QStringLiteral("QUILLET_AUDIO_OUTPUT"), QStringLiteral("null"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    // A short splash; the first file of the command line starts on its own.
    QFile ini(folder + QStringLiteral("/config/bench_cpu.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Splash]\nInterval=1\n[Opening%20Files]\nAuto%20Play=2\n");
    return env;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && QByteArray(argv[1]) == "--quillet")
        return runQuillet(1, argv, argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QString());
    if (argc >= 2 && QByteArray(argv[1]) == "--quillet-main")
        return runQuillet(1, argv, {}, true);

    QCoreApplication app(argc, argv);
    const int seconds = argc >= 2 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir temp;
    const QString self = QCoreApplication::applicationFilePath();
    const QString mp3 = temp.filePath(QStringLiteral("tone.mp3"));
    if (!makeBenchMp3(mp3, QString::number(seconds + 30))) {
        std::fprintf(stderr, "ffmpeg could not make the sample MP3\n");
        return 1;
    }
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const QString platform = x11 ? QStringLiteral("xcb") : QStringLiteral("offscreen");
    const QString per = QStringLiteral("s per %1 s").arg(seconds);
    const std::string unit = per.toStdString();
    // The goal is 0.01 s per 20 s, scaled to the window measured.
    const double idleGoal = 0.01 * seconds / 20.0;
    int failures = 0;

    for (const QString &each : x11 ? QStringList {QStringLiteral("xcb"), QStringLiteral("offscreen")}
                                   : QStringList {QStringLiteral("offscreen")}) {
        const double idle = measure(self, {QStringLiteral("--quillet")},
            quilletEnvironment(temp.filePath(QStringLiteral("idle-") + each), each), true, seconds);
        failures += idle < 0;
        std::printf("idle CPU (%s): %.3f %s\n", qPrintable(each), idle, qPrintable(per));
        const std::string label = "idle CPU, main window + remote + ID3 playlist (" + each.toStdString() + ")";
        benchRow(label.c_str(), figure(idle, unit.c_str(), 3), figure(idleGoal, "s (goal)", 3), idle / idleGoal,
            "at most 1");
    }

    // The main window alone on screen scrolls its marquee, beside a bare Qt window that moves a label the same way.
    const QString bare = QCoreApplication::applicationDirPath() + QStringLiteral("/bare_window");
    const double marquee = measure(self, {QStringLiteral("--quillet-main")},
        quilletEnvironment(temp.filePath(QStringLiteral("marquee")), platform), true, seconds);
    QProcessEnvironment bareEnv = QProcessEnvironment::systemEnvironment();
    bareEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    const double bareMarquee = measure(bare, {QStringLiteral("--marquee")}, bareEnv, true, seconds);
    failures += marquee < 0 || bareMarquee < 0;
    std::printf("idle CPU, main window on screen (%s): quillet %.3f, bare window %.3f %s\n", qPrintable(platform),
        marquee, bareMarquee, qPrintable(per));
    const std::string marqueeLabel = "idle CPU, main window on screen, marquee (" + platform.toStdString() + ")";
    benchRow(marqueeLabel.c_str(), figure(marquee, unit.c_str(), 3), figure(bareMarquee, "s (bare Qt window)", 3),
        bareMarquee > 0 ? marquee / bareMarquee : 0, "at most 1");

    const double playing = measure(self, {QStringLiteral("--quillet"), mp3},
        quilletEnvironment(temp.filePath(QStringLiteral("play")), platform), true, seconds);
    QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();
    const double engine = measure(QStringLiteral("mpv"),
        {QStringLiteral("--no-config"), QStringLiteral("--ao=null"), QStringLiteral("--no-video"),
            QStringLiteral("--really-quiet"), mp3},
        plain, false, seconds);
    failures += playing < 0 || engine < 0;
    std::printf(
        "playing CPU (%s): quillet %.3f, mpv alone %.3f %s\n", qPrintable(platform), playing, engine, qPrintable(per));
    benchRow("playing CPU, MP3 with null audio", figure(playing, unit.c_str(), 3), figure(engine, "s (mpv alone)", 3),
        engine > 0 ? playing / engine : 0, "at most 1.1");
    return failures ? 1 : 0;
}
