// Loading a 100,000-line playlist file into the playlist list box (reading it with the playlist reader and adding
// the entries in one sorted batch to a shown list), beside the floor: reading the same file into a QStringList
// with QFile and split. Two files: one in list order, as Save List and the default playlist write it, and one in
// shuffled order, as a hand-made list would be. Each run times the floor and the load back to back, so that a
// machine busy with other work slows both alike; the ratio reported is the median of the runs' ratios.
//
// Usage: bench_playlistload [lines] [runs]
#include "benchrow.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

using namespace quillet;

namespace {

QStringList makeEntries(int lines)
{
    QStringList entries;
    entries.reserve(lines);
    for (int i = 0; i < lines; ++i) {
        // Mixed case, so that the order without regard to case differs from the plain one.
        const QString artist = (i % 3 == 0 ? QStringLiteral("artist %1") : QStringLiteral("Artist %1")).arg(i % 997);
        entries << QStringLiteral("/home/user/Music/%1/Album %2/%3 Track %4.mp3")
                       .arg(artist)
                       .arg(i % 13)
                       .arg(i % 7 == 0 ? QStringLiteral("Été") : QStringLiteral("Song"))
                       .arg(i);
    }
    return entries;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

struct Figures
{
    qint64 floor = std::numeric_limits<qint64>::max();
    qint64 read = std::numeric_limits<qint64>::max();
    qint64 add = std::numeric_limits<qint64>::max();
    qint64 load = std::numeric_limits<qint64>::max();
    // Each run's load time over its floor.
    std::vector<double> ratios;

    double medianRatio() const
    {
        std::vector<double> sorted = ratios;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

bool measure(const QString &path, int lines, int runs, Figures *figures)
{
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QStringList floor = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const qint64 floorNs = timer.nsecsElapsed();
        figures->floor = std::min(figures->floor, floorNs);

        PlaylistView view;
        view.resize(400, 600);
        view.show();
        QCoreApplication::processEvents();
        timer.restart();
        const PlaylistFile::ReadResult read = PlaylistFile::readFiltered(path);
        const qint64 readNs = timer.nsecsElapsed();
        view.addMany(read.entries);
        const qint64 addNs = timer.nsecsElapsed() - readNs;
        // Let the list lay out and paint its first screen.
        QCoreApplication::processEvents();
        const qint64 loadNs = timer.nsecsElapsed();
        figures->load = std::min(figures->load, loadNs);
        figures->ratios.push_back(double(loadNs) / double(floorNs));
        figures->read = std::min(figures->read, readNs);
        figures->add = std::min(figures->add, addNs);
        if (floor.size() != lines || view.count() != lines) {
            std::fprintf(stderr, "counts differ: floor %lld, list %d, expected %d\n",
                static_cast<long long>(floor.size()), view.count(), lines);
            return false;
        }
    }
    return true;
}

void print(const char *title, const Figures &f, int runs)
{
    const double ratio = f.medianRatio();
    std::printf("%s\n", title);
    std::printf("  QFile + split into QStringList:       %8.1f ms (best of %d)\n", ms(f.floor), runs);
    std::printf("  readFiltered + addMany into List1:    %8.1f ms (best of %d)\n", ms(f.load), runs);
    std::printf("    of which PlaylistFile::readFiltered:%8.1f ms\n", ms(f.read));
    std::printf("    of which PlaylistView::addMany:     %8.1f ms\n", ms(f.add));
    std::printf("  ratio, median of the runs:            %8.2f (goal at most 3)\n", ratio);
    benchRow(title, figure(ms(f.load), "ms"), figure(ms(f.floor), "ms (QStringList)"), ratio, "at most 3");
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;

    QTemporaryDir dir;
    QStringList entries = makeEntries(lines);
    std::sort(entries.begin(), entries.end(),
        [](const QString &a, const QString &b) { return PlaylistModel::compareEntries(a, b) < 0; });
    const QString sortedPath = dir.filePath(QStringLiteral("saved.m3u"));
    QRandomGenerator random(4711);
    QStringList shuffled = entries;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    const QString shuffledPath = dir.filePath(QStringLiteral("shuffled.m3u"));
    if (!PlaylistFile::write(sortedPath, entries).ok || !PlaylistFile::write(shuffledPath, shuffled).ok) {
        std::fprintf(stderr, "cannot write the playlists in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("playlist: %d lines, %lld bytes\n", lines, static_cast<long long>(QFileInfo(sortedPath).size()));

    Figures saved;
    Figures handMade;
    if (!measure(sortedPath, lines, runs, &saved) || !measure(shuffledPath, lines, runs, &handMade))
        return 1;
    print("playlist load, 100,000 lines in list order", saved, runs);
    print("playlist load, 100,000 lines shuffled", handMade, runs);
    std::printf("(each time is its own best, so the parts need not add up to the whole)\n");
    return 0;
}
