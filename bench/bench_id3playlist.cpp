// Rebuilds the ID3 playlist window's rows for 1,000 and 10,000 tagged MP3 files and prints the time beside a bare
// TagLib loop reading title and artist of the same files, and the longest time the GUI thread went without
// running its event loop during the rebuild (a 1 ms watchdog timer measures the gaps between its ticks).
#include "benchmedia.h"
#include "benchrow.h"
#include "common/dialogservice.h"
#include "playlist/form5.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdio>

using namespace quillet;

namespace {

constexpr int rounds = 5;

bool makeSeed(const QString &path)
{
    return makeBenchMp3(path, QStringLiteral("0.5"));
}

bool makeFiles(const QString &seed, const QStringList &paths)
{
    for (int i = 0; i < paths.size(); ++i) {
        if (!QFile::copy(seed, paths.at(i)))
            return false;
        TagLib::MPEG::File file(QFile::encodeName(paths.at(i)).constData());
        TagLib::Tag *tag = file.ID3v2Tag(true);
        tag->setTitle("Song " + TagLib::String::number(i));
        tag->setArtist("Artist " + TagLib::String::number(i % 97));
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3))
            return false;
    }
    return true;
}

// What the rows need, with nothing around it.
qint64 bareTagLib(const QStringList &paths)
{
    qint64 sum = 0;
    for (const QString &path : paths) {
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        if (const TagLib::Tag *tag = file.tag())
            sum += tag->title().size() + tag->artist().size();
    }
    return sum;
}

class SilentDialogs : public DialogService
{
public:
    void message(const QString &) override { ++messages; }
    QString inputBox(const QString &, const QString &, const QString &) override { return {}; }
    QString openFileName(const FileDialogRequest &) override { return {}; }
    QString saveFileName(const FileDialogRequest &) override { return {}; }
    std::optional<QColor> chooseColour(const QColor &) override { return {}; }
    std::optional<QFont> chooseFont(const QFont &) override { return {}; }
    int messages = 0;
};

// The main window as far as the ID3 playlist reaches it: its playlist.
class BenchMainWindow : public MainWindowApi
{
public:
    BenchMainWindow()
        : list(new PlaylistView(&window))
    {
        MainWindowApi::setInstance(this);
    }
    ~BenchMainWindow() override { MainWindowApi::setInstance(nullptr); }
    PlaylistView *playlistView() override { return list; }
    MediaPlayer *mainPlayer() override { return nullptr; }
    QString rootDirectory() const override { return {}; }
    void setRootDirectory(const QString &) override { }
    QString currentIndexText() const override { return {}; }
    void setCurrentIndexText(const QString &) override { }
    QString statusText() const override { return {}; }
    void setStatusText(const QString &) override { }
    void startSelectedEntry() override { }
    void showRootChooser() override { }
    QWidget *mainWidget() override { return &window; }

    QWidget window;
    PlaylistView *list = nullptr;
};

struct Rebuild
{
    double seconds = 0;
    double longestBlockMs = 0;
    int rows = 0;
};

// Fills the main playlist and waits until the ID3 playlist has rebuilt its rows, watching the event loop.
Rebuild rebuild(BenchMainWindow &main, Form5 &form, const QStringList &paths)
{
    QEventLoop loop;
    const auto done = QObject::connect(&form, &Form5::rebuilt, &loop, &QEventLoop::quit);
    if (main.list->count() > 0) {
        main.list->clear();
        loop.exec();
    }

    Rebuild result;
    QElapsedTimer sinceTick;
    QTimer watchdog;
    watchdog.setTimerType(Qt::PreciseTimer);
    watchdog.setInterval(1);
    QObject::connect(&watchdog, &QTimer::timeout, &watchdog, [&] {
        result.longestBlockMs = std::max(result.longestBlockMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    main.list->addMany(paths);
    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    watchdog.start();
    loop.exec();
    result.longestBlockMs = std::max(result.longestBlockMs, sinceTick.nsecsElapsed() / 1e6);
    result.seconds = timer.nsecsElapsed() / 1e9;
    result.rows = form.List2->count();
    QObject::disconnect(done);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("QUILLET_DATA_DIR", dir.filePath(QStringLiteral("data")).toUtf8());
    qputenv("QUILLET_CONFIG_DIR", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("QUILLET_AUDIO_OUTPUT", "null");
    QApplication app(argc, argv);

    const QString seed = dir.filePath(QStringLiteral("seed.mp3"));
    if (!dir.isValid() || !makeSeed(seed)) {
        std::fprintf(stderr, "cannot make the sample file with ffmpeg\n");
        return 1;
    }
    QStringList all;
    for (int i = 0; i < 10000; ++i)
        all.append(dir.filePath(QStringLiteral("song%1.mp3").arg(i, 5, 10, QLatin1Char('0'))));
    if (!makeFiles(seed, all)) {
        std::fprintf(stderr, "cannot make the tagged files\n");
        return 1;
    }

    SilentDialogs dialogs;
    setDialogService(&dialogs);
    BenchMainWindow main;
    main.window.show();
    Form5 form;
    form.show();

    std::printf("%8s %12s %12s %7s %18s\n", "entries", "bare TagLib", "rebuild", "ratio", "longest GUI block");
    for (const int count : {1000, 10000}) {
        const QStringList paths = all.mid(0, count);
        // Rounds alternate so both see the same cache state; the best round of each counts, the worst block.
        double bare = 1e9;
        Rebuild best;
        best.seconds = 1e9;
        double worstBlock = 0;
        qint64 checksum = 0;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            checksum += bareTagLib(paths);
            bare = std::min(bare, timer.nsecsElapsed() / 1e9);
            const Rebuild r = rebuild(main, form, paths);
            if (r.rows != count) {
                std::fprintf(stderr, "rebuild ended with %d rows, not %d\n", r.rows, count);
                return 1;
            }
            best.seconds = std::min(best.seconds, r.seconds);
            worstBlock = std::max(worstBlock, r.longestBlockMs);
        }
        std::printf(
            "%8d %10.3f s %10.3f s %7.2f %15.1f ms\n", count, bare, best.seconds, best.seconds / bare, worstBlock);
        std::printf("         (best of %d rounds; checksum %lld)\n", rounds, static_cast<long long>(checksum));
        const std::string label = "ID3 playlist rebuild, " + std::to_string(count) + " entries";
        benchRow(label.c_str(), figure(best.seconds * 1000, "ms"), figure(bare * 1000, "ms (bare TagLib)"),
                 best.seconds / bare, "at most 1.5");
        benchRow((label + ": longest GUI block").c_str(), figure(worstBlock, "ms"), "-", worstBlock / 100.0,
                 "at most 100 ms");
    }
    std::printf("goals: rebuild at most 1.5x the bare loop; longest GUI block at most 100 ms\n");
    setDialogService(nullptr);
    return 0;
}
