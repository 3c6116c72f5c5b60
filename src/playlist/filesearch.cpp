#include "playlist/filesearch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace quillet {

namespace {

// How often a running search reports its findings to the window.
constexpr qint64 ReportIntervalMs = 100;

// Tests names straight from the directory listing. For an ASCII ending the bytes are compared directly when the
// tail of the name is ASCII too (the common case, and the one that keeps the walk as fast as a plain listing);
// every other name is decoded and compared as text.
class EndingMatcher
{
public:
    explicit EndingMatcher(const QString &ending)
        : m_ending(ending)
    {
        const QString lower = ending.toLower();
        m_ascii = std::all_of(lower.cbegin(), lower.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (m_ascii)
            m_asciiLower = lower.toLatin1();
    }

    bool matches(const char *name, size_t length) const
    {
        if (m_ending.isEmpty())
            return true;
        if (m_ascii) {
            const size_t n = size_t(m_asciiLower.size());
            // A name of fewer bytes has fewer characters than the ending.
            if (length < n)
                return false;
            const char *tail = name + (length - n);
            bool tailAscii = true;
            for (size_t i = 0; i < n; ++i) {
                if (static_cast<unsigned char>(tail[i]) >= 0x80) {
                    tailAscii = false;
                    break;
                }
            }
            if (tailAscii) {
                for (size_t i = 0; i < n; ++i) {
                    char c = tail[i];
                    if (c >= 'A' && c <= 'Z')
                        c = char(c - 'A' + 'a');
                    if (c != m_asciiLower[qsizetype(i)])
                        return false;
                }
                return true;
            }
        }
        return FileSearch::endingMatches(QFile::decodeName(QByteArray(name, qsizetype(length))), m_ending);
    }

private:
    QString m_ending;
    QByteArray m_asciiLower;
    bool m_ascii = false;
};

struct Entry
{
    QByteArray name;
    bool isDirectory = false;
};

// One directory of the walk: its matching files and its subdirectories in listing order, and how far the walk
// has come through them.
struct Frame
{
    QByteArray path; // ends with "/"
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<Entry> entries;
    size_t next = 0;
};

bool isCancelled(const std::atomic_bool *cancelled)
{
    return cancelled && cancelled->load(std::memory_order_relaxed);
}

// Lists one directory into frame. The listing is read completely and closed before the walk descends, so only
// one directory is open at a time however deep the tree is. Returns false when the directory cannot be read or
// is one of the directories being walked (a loop).
bool readDirectory(const QByteArray &path, bool followLink, const std::vector<Frame> &ancestors,
    const EndingMatcher &matcher, const std::atomic_bool *cancelled, Frame &frame)
{
    // O_NOFOLLOW: a directory link found in the tree is never entered, even if it was swapped in after listing.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    for (const Frame &ancestor : ancestors) {
        if (ancestor.device == info.st_dev && ancestor.inode == info.st_ino) {
            ::close(fd);
            return false;
        }
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });

    frame.path = path;
    frame.device = info.st_dev;
    frame.inode = info.st_ino;
    while (const dirent *entry = ::readdir(dir)) {
        if (isCancelled(cancelled))
            return true;
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const size_t length = std::strlen(name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            // Some file systems do not report the type in the listing.
            struct stat entryInfo;
            if (::fstatat(fd, name, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(entryInfo.st_mode) ? DT_DIR : S_ISLNK(entryInfo.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR) {
            frame.entries.push_back({QByteArray(name, qsizetype(length)), true});
            continue;
        }
        if (!matcher.matches(name, length))
            continue;
        if (type == DT_LNK) {
            // A link counts as a file only when it leads to something that is not a directory.
            struct stat target;
            if (::fstatat(fd, name, &target, 0) != 0 || S_ISDIR(target.st_mode))
                continue;
        }
        frame.entries.push_back({QByteArray(name, qsizetype(length)), false});
    }
    return true;
}

} // namespace

FileSearch::FileSearch(QObject *parent)
    : QObject(parent)
{
}

FileSearch::~FileSearch()
{
    stopWorker();
}

bool FileSearch::endingMatches(const QString &name, const QString &ending)
{
    const QString lower = ending.toLower();
    if (lower.size() > name.size())
        return false;
    return name.right(lower.size()).toLower() == lower;
}

qint64 FileSearch::walk(const QString &directory, const QString &ending,
    const std::function<void(const QString &)> &found, const std::atomic_bool *cancelled)
{
    if (directory.isEmpty())
        return 0;
    QByteArray start = QFile::encodeName(directory);
    if (!start.endsWith('/'))
        start.append('/');

    const EndingMatcher matcher(ending);
    std::vector<Frame> stack;
    Frame first;
    // The start directory is the user's choice and may itself be a link.
    if (!readDirectory(start, true, stack, matcher, cancelled, first))
        return 0;
    stack.push_back(std::move(first));

    qint64 count = 0;
    while (!stack.empty() && !isCancelled(cancelled)) {
        Frame &top = stack.back();
        if (top.next == top.entries.size()) {
            stack.pop_back();
            continue;
        }
        const Entry &entry = top.entries[top.next++];
        if (entry.isDirectory) {
            Frame child;
            if (readDirectory(top.path + entry.name + '/', false, stack, matcher, cancelled, child))
                stack.push_back(std::move(child));
        } else {
            ++count;
            found(QFile::decodeName(top.path + entry.name));
        }
    }
    return count;
}

void FileSearch::start(const QString &directory, const QString &ending)
{
    stopWorker();
    const quint64 generation = ++m_generation;
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    m_cancelled = cancelled;
    m_running = true;

    // The worker posts its reports to this object; the destructor joins the worker before the object goes, and
    // events still queued for it are dropped with it.
    m_thread = QThread::create([this, directory, ending, cancelled, generation] {
        QStringList batch;
        qint64 total = 0;
        QElapsedTimer sinceReport;
        sinceReport.start();
        auto report = [&] {
            QMetaObject::invokeMethod(
                this,
                [this, generation, paths = std::move(batch), total] {
                    if (generation == m_generation)
                        emit found(paths, total);
                },
                Qt::QueuedConnection);
            batch = QStringList();
            sinceReport.restart();
        };
        walk(
            directory, ending,
            [&](const QString &path) {
                batch.append(path);
                ++total;
                if (sinceReport.elapsed() >= ReportIntervalMs)
                    report();
            },
            cancelled.get());
        if (!batch.isEmpty())
            report();
        const bool wasCancelled = cancelled->load();
        QMetaObject::invokeMethod(
            this,
            [this, generation, total, wasCancelled] {
                if (generation != m_generation)
                    return;
                stopWorker();
                emit finished(total, wasCancelled);
            },
            Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("FileSearch"));
    m_thread->start();
}

void FileSearch::cancel()
{
    if (m_cancelled)
        m_cancelled->store(true);
}

void FileSearch::stopWorker()
{
    m_running = false;
    if (!m_thread)
        return;
    if (m_cancelled && !m_thread->isFinished())
        m_cancelled->store(true);
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

} // namespace quillet
