// Plays a 1280x720 video in real time through the video picture, with the software renderer and (where an OpenGL
// context can be made, e.g. under xvfb-run) with OpenGL, and prints the frames shown per second and the CPU time
// spent per second of video, beside the mpv program decoding the same file without any video output.
// Usage: bench_video [VIDEO]   (default: the generated testdata/hd-1280x720.mp4 of the build folder)
#include "benchrow.h"
#include "media/mpvplayer.h"
#include "video/videowidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <clocale>
#include <cstdio>
#include <optional>

using namespace quillet;

namespace {

// CPU seconds (user and system) used so far by this process or by its finished children.
double cpuSeconds(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Playback
{
    double wallSeconds = 0;
    double videoSeconds = 0;
    double cpuSeconds = 0;
    quint64 frames = 0;
};

// Plays the file once, start to end, in a window of the video's size; nothing when it cannot be played.
std::optional<Playback> playWith(VideoWidget::Renderer renderer, const QString &file, QSize size)
{
    MpvPlayer player(PlayerPurpose::Video);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bench_video"));
    window.resize(size);
    auto *picture = new VideoWidget(&player, renderer, &window);
    picture->setGeometry(window.rect());
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!picture->isReady() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!picture->isReady() || picture->renderer() != renderer) {
        std::fprintf(stderr, "the %s renderer did not start\n", qPrintable(VideoWidget::rendererName(renderer)));
        return std::nullopt;
    }

    Playback result;
    QEventLoop loop;
    QElapsedTimer wall;
    double cpuAtStart = 0;
    quint64 framesAtStart = 0;
    bool failed = false;
    QObject::connect(&player, &MediaPlayer::mediaOpened, &loop, [&] {
        wall.start();
        cpuAtStart = cpuSeconds(RUSAGE_SELF);
        framesAtStart = picture->framesRendered();
        result.videoSeconds = player.duration();
    });
    QObject::connect(&player, &MediaPlayer::endOfStream, &loop, [&] {
        result.wallSeconds = wall.elapsed() / 1000.0;
        result.cpuSeconds = cpuSeconds(RUSAGE_SELF) - cpuAtStart;
        result.frames = picture->framesRendered() - framesAtStart;
        loop.quit();
    });
    QObject::connect(&player, &MediaPlayer::error, &loop, [&] {
        std::fprintf(stderr, "cannot play: %s\n", qPrintable(player.errorDescription()));
        failed = true;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, [&] {
        std::fprintf(stderr, "playback did not end within 2 minutes\n");
        failed = true;
        loop.quit();
    });
    player.setFileName(file);
    loop.exec();
    // The render context goes before the player's mpv handle.
    picture->release();
    if (failed || result.videoSeconds <= 0)
        return std::nullopt;
    return result;
}

struct Reference
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// Runs the mpv program on the file; nothing when it is missing or fails.
std::optional<Reference> runMpv(const QString &file, const QStringList &extra)
{
    QStringList arguments {QStringLiteral("--no-config"), QStringLiteral("--really-quiet"), QStringLiteral("--vo=null"),
        QStringLiteral("--ao=null")};
    arguments << extra << file;
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    QProcess mpv;
    mpv.start(QStringLiteral("mpv"), arguments);
    if (!mpv.waitForStarted(5000) || !mpv.waitForFinished(120000) || mpv.exitStatus() != QProcess::NormalExit
        || mpv.exitCode() != 0)
        return std::nullopt;
    return Reference {wall.elapsed() / 1000.0, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

// The file's frame rate as ffprobe reads it; 0 when unknown.
double frameRate(const QString &file)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
            QStringLiteral("-show_entries"), QStringLiteral("stream=avg_frame_rate"), QStringLiteral("-of"),
            QStringLiteral("csv=p=0"), file});
    if (!probe.waitForFinished(10000))
        return 0;
    const QList<QByteArray> parts = probe.readAllStandardOutput().trimmed().split('/');
    if (parts.size() != 2 || parts.at(1).toDouble() <= 0)
        return 0;
    return parts.at(0).toDouble() / parts.at(1).toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QUILLET_AUDIO_OUTPUT"))
        qputenv("QUILLET_AUDIO_OUTPUT", "null");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString file = argc > 1
        ? QString::fromLocal8Bit(argv[1])
        : QCoreApplication::applicationDirPath() + QStringLiteral("/../testdata/hd-1280x720.mp4");
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "no video at %s (build the test data or name a file)\n", qPrintable(file));
        return 2;
    }
    const QSize size(1280, 720);
    const double rate = frameRate(file);
    std::printf("Video: %s, shown at %dx%d, %.2f frames/s; platform %s; default renderer here: %s\n",
        qPrintable(QFileInfo(file).fileName()), size.width(), size.height(), rate,
        qPrintable(QGuiApplication::platformName()),
        qPrintable(VideoWidget::rendererName(VideoWidget::preferredRenderer())));

    const std::optional<Reference> plain = runMpv(file, {});
    // Without sound mpv is not held to real time: the decoder's own speed.
    const std::optional<Reference> untimed = runMpv(file, {QStringLiteral("--untimed"), QStringLiteral("--no-audio")});
    if (!plain)
        std::fprintf(stderr, "the mpv program is missing or failed (Debian package mpv)\n");

    QList<VideoWidget::Renderer> renderers {VideoWidget::Renderer::Software};
    if (VideoWidget::openGlAvailable())
        renderers << VideoWidget::Renderer::OpenGl;
    else
        std::printf("OpenGL: no context on this platform (run under xvfb-run or on a desktop for its figures)\n");

    int status = 0;
    std::printf(
        "%-22s %10s %8s %8s %8s %16s\n", "renderer", "frames/s", "frames", "video s", "wall s", "CPU s per video s");
    for (VideoWidget::Renderer renderer : renderers) {
        const std::optional<Playback> run = playWith(renderer, file, size);
        const QByteArray name = VideoWidget::rendererName(renderer).toUtf8();
        if (!run) {
            std::printf("%-22s failed\n", name.constData());
            status = 1;
            continue;
        }
        const double shownRate = run->frames / run->wallSeconds;
        const double cpuPerSecond = run->cpuSeconds / run->videoSeconds;
        std::printf("%-22s %10.1f %8llu %8.2f %8.2f %16.3f\n", name.constData(), shownRate,
            static_cast<unsigned long long>(run->frames), run->videoSeconds, run->wallSeconds, cpuPerSecond);
        const std::string label = "Video 1280x720 " + name.toStdString();
        benchRow((label + ": frames shown/s").c_str(), figure(shownRate, "frames/s"), figure(rate, "frames/s (file)"),
            rate > 0 ? shownRate / rate : 0, "the file's rate");
        if (plain) {
            const double reference = plain->cpuSeconds / run->videoSeconds;
            benchRow((label + ": CPU per s of video").c_str(), figure(cpuPerSecond, "s", 3),
                figure(reference, "s (mpv --vo=null)", 3), reference > 0 ? cpuPerSecond / reference : 0,
                "under 1 s (real time)");
        }
    }
    if (plain)
        std::printf("%-22s %10s %8s %8s %8.2f %16s  (CPU %.2f s for the whole file)\n", "mpv --vo=null", "-", "-", "-",
            plain->wallSeconds, "see rows", plain->cpuSeconds);
    if (untimed)
        std::printf("%-22s decodes the picture of the whole file in %.2f s wall, %.2f s CPU\n",
            "mpv --untimed --no-audio", untimed->wallSeconds, untimed->cpuSeconds);
    return status;
}
