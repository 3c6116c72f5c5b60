// The recursive file search over a generated tree of 100,000 files, beside `find DIR -iname '*.mp3'` in the same
// run. Both walk the same tree in turn, several times; the best time of each is reported. The tree's files are
// hard links to a few seed files: the search only reads directory entries, and creating 100,000 distinct files
// takes minutes on some file systems.
//
// Usage: bench_search [files] [runs]
#include "benchrow.h"
#include "playlist/filesearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

using namespace quillet;

namespace {

// Ten folders, each with ten folders, each with ten leaf folders; files are spread over all levels.
// Endings rotate through .mp3, .MP3, .txt, .Mp3 and .jpg, so three in five files match.
bool makeTree(const QString &root, int files, qint64 *matching)
{
    QStringList folders;
    for (int a = 0; a < 10; ++a) {
        const QString top = root + QStringLiteral("/Artist %1").arg(a);
        folders << top;
        for (int b = 0; b < 10; ++b) {
            const QString middle = top + QStringLiteral("/Album %1").arg(b);
            folders << middle;
            for (int c = 0; c < 10; ++c)
                folders << middle + QStringLiteral("/Disc %1").arg(c);
        }
    }
    for (const QString &folder : std::as_const(folders)) {
        if (!QDir().mkpath(folder))
            return false;
    }
    const char *const endings[] = {".mp3", ".MP3", ".txt", ".Mp3", ".jpg"};
    QByteArray seeds[5];
    for (int i = 0; i < 5; ++i) {
        seeds[i] = QFile::encodeName(root) + "/seed" + QByteArray::number(i) + ".bin";
        const int fd = ::open(seeds[i].constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    *matching = 0;
    for (int i = 0; i < files; ++i) {
        const int kind = i % 5;
        const QByteArray name
            = QFile::encodeName(folders.at(i % folders.size())) + "/Track " + QByteArray::number(i) + endings[kind];
        if (::link(seeds[kind].constData(), name.constData()) != 0)
            return false;
        if (kind != 2 && kind != 4)
            ++*matching;
    }
    return true;
}

// The walk alone, collecting the paths.
qint64 timeWalk(const QString &root, qint64 *count)
{
    QElapsedTimer timer;
    timer.start();
    QStringList found;
    *count = FileSearch::walk(root, QStringLiteral("mp3"), [&](const QString &path) { found.append(path); });
    return timer.nsecsElapsed();
}

// The search as the window runs it: on its worker thread, results collected on this thread.
qint64 timeThreadedSearch(const QString &root, qint64 *count)
{
    FileSearch search;
    QStringList found;
    QEventLoop loop;
    QObject::connect(&search, &FileSearch::found, &loop, [&](const QStringList &paths, qint64) { found += paths; });
    QObject::connect(&search, &FileSearch::finished, &loop, [&](qint64 total, bool) {
        *count = total;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    search.start(root, QStringLiteral("mp3"));
    loop.exec();
    return timer.nsecsElapsed();
}

qint64 timeFind(const QString &root, qint64 *count)
{
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.start(QStringLiteral("find"), {root, QStringLiteral("-iname"), QStringLiteral("*.mp3")});
    find.waitForFinished(-1);
    const QByteArray output = find.readAllStandardOutput();
    const qint64 elapsed = timer.nsecsElapsed();
    *count = output.count('\n');
    return elapsed;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    qint64 matching = 0;
    QElapsedTimer made;
    made.start();
    if (!dir.isValid() || !makeTree(dir.path(), files, &matching)) {
        std::fprintf(stderr, "cannot create the tree in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("tree: %d files in 1110 folders, %lld ending in mp3 (made in %.0f ms)\n", files,
        static_cast<long long>(matching), ms(made.nsecsElapsed()));

    qint64 bestWalk = std::numeric_limits<qint64>::max();
    qint64 bestThreaded = bestWalk;
    qint64 bestFind = bestWalk;
    for (int run = 0; run < runs; ++run) {
        qint64 walkCount = 0;
        qint64 threadedCount = 0;
        qint64 findCount = 0;
        bestFind = std::min(bestFind, timeFind(dir.path(), &findCount));
        bestWalk = std::min(bestWalk, timeWalk(dir.path(), &walkCount));
        bestThreaded = std::min(bestThreaded, timeThreadedSearch(dir.path(), &threadedCount));
        if (walkCount != matching || threadedCount != matching || findCount != matching) {
            std::fprintf(stderr, "counts differ: walk %lld, threaded %lld, find %lld, expected %lld\n",
                static_cast<long long>(walkCount), static_cast<long long>(threadedCount),
                static_cast<long long>(findCount), static_cast<long long>(matching));
            return 1;
        }
    }
    std::printf("find -iname '*.mp3':          %8.1f ms (best of %d)\n", ms(bestFind), runs);
    std::printf("FileSearch::walk:             %8.1f ms  ratio %.2f (goal at most 1.5)\n", ms(bestWalk),
        double(bestWalk) / double(bestFind));
    std::printf("FileSearch on worker thread:  %8.1f ms  ratio %.2f\n", ms(bestThreaded),
        double(bestThreaded) / double(bestFind));
    benchRow("recursive search, 100,000 files", figure(ms(bestThreaded), "ms"), figure(ms(bestFind), "ms (find -iname)"),
             double(bestThreaded) / double(bestFind), "at most 1.5");
    return 0;
}
