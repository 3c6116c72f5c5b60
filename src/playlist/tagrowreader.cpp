#include "playlist/tagrowreader.h"

#include "common/entrypath.h"
#include "playlist/id3playlistrow.h"
#include "tags/mediatag.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace quillet {

namespace {

// Rows a worker reads before handing them over: small enough for the first rows to show at once, large enough
// that the GUI thread is not flooded.
constexpr qsizetype ChunkRows = 64;
// Reading is mostly waiting for the disk and parsing; more threads than this gain nothing.
constexpr int MaxWorkers = 4;

} // namespace

// What the workers of one read share; the workers keep it alive after the reader has let go of the read.
// Entries and root are never written after start(). The receiver is the reader while the read is wanted and
// null once it was cancelled: a worker posts rows only while holding the lock, so it never posts to a reader
// that is gone.
struct TagRowReader::Job
{
    QStringList entries;
    QString rootDirectory;
    qsizetype chunkCount = 0;
    std::atomic<qsizetype> nextChunk {0};
    std::atomic_bool cancelled {false};
    std::mutex lock;
    TagRowReader *receiver = nullptr;
};

TagRowReader::TagRowReader(QObject *parent)
    : QObject(parent)
{
}

TagRowReader::~TagRowReader()
{
    abandonJob();
}

QString TagRowReader::tagPath(const QString &entry, const QString &rootDirectory)
{
    if (isAbsoluteEntry(entry))
        return entry;
    if (rootDirectory.isEmpty())
        return {};
    return rootDirectory + entry;
}

void TagRowReader::start(const QStringList &entries, const QString &rootDirectory)
{
    abandonJob();
    const quint64 generation = ++m_generation;
    auto job = std::make_shared<Job>();
    job->entries = entries;
    job->rootDirectory = rootDirectory;
    job->chunkCount = (entries.size() + ChunkRows - 1) / ChunkRows;
    job->receiver = this;
    m_job = job;
    m_early.clear();
    m_nextChunk = 0;
    m_chunkCount = job->chunkCount;
    m_running = true;
    if (m_chunkCount == 0) {
        // Nothing to read; finished() still arrives from the event loop, as for any other read.
        QMetaObject::invokeMethod(
            this, [this, generation] { deliver(generation, 0, {}); }, Qt::QueuedConnection);
        return;
    }

    const int workers
        = int(std::clamp<qsizetype>(QThread::idealThreadCount(), 1, std::min<qsizetype>(MaxWorkers, m_chunkCount)));
    for (int w = 0; w < workers; ++w) {
        // Each worker takes the next unread chunk until none is left, and posts its rows to the GUI thread. A
        // cancelled read is not waited for: its workers stop after the tag they are reading and then end.
        std::thread([generation, job] {
            // Named so that it can be told apart in a process listing or a profile.
            pthread_setname_np(pthread_self(), "quillet-tags");
            MediaTag tag;
            for (;;) {
                const qsizetype chunk = job->nextChunk.fetch_add(1);
                if (chunk >= job->chunkCount)
                    return;
                const qsizetype first = chunk * ChunkRows;
                const qsizetype end = std::min(first + ChunkRows, job->entries.size());
                QStringList rows;
                rows.reserve(end - first);
                for (qsizetype i = first; i < end; ++i) {
                    if (job->cancelled.load(std::memory_order_relaxed))
                        return;
                    const QString &entry = job->entries.at(i);
                    tag.fileName = tagPath(entry, job->rootDirectory);
                    tag.readTag();
                    tag.tagOption = true;
                    rows.append(id3PlaylistRow(int(i + 1), tag.song, tag.artist, entry));
                }
                const std::lock_guard<std::mutex> locked(job->lock);
                TagRowReader *receiver = job->receiver;
                if (!receiver)
                    return;
                // A posted call whose receiver is destroyed before it runs is dropped by Qt.
                QMetaObject::invokeMethod(
                    receiver, [receiver, generation, chunk, rows] { receiver->deliver(generation, chunk, rows); },
                    Qt::QueuedConnection);
            }
        }).detach();
    }
}

void TagRowReader::cancel()
{
    abandonJob();
    ++m_generation;
    m_early.clear();
    m_running = false;
}

void TagRowReader::abandonJob()
{
    if (!m_job)
        return;
    m_job->cancelled = true;
    {
        const std::lock_guard<std::mutex> locked(m_job->lock);
        m_job->receiver = nullptr;
    }
    m_job.reset();
}

void TagRowReader::deliver(quint64 generation, qsizetype chunk, const QStringList &rows)
{
    // Chunks of a cancelled read may still be queued.
    if (generation != m_generation || !m_running)
        return;
    // Workers finish their chunks in any order; rows go out in list order, as many as are ready.
    QStringList ready;
    if (chunk == m_nextChunk) {
        ready = rows;
        ++m_nextChunk;
    } else {
        m_early.insert(chunk, rows);
    }
    for (auto it = m_early.find(m_nextChunk); it != m_early.end(); it = m_early.find(m_nextChunk)) {
        ready += it.value();
        m_early.erase(it);
        ++m_nextChunk;
    }
    if (!ready.isEmpty()) {
        emit rowsReady(ready);
        // A receiver may have cancelled or restarted the read.
        if (generation != m_generation)
            return;
    }
    if (m_nextChunk >= m_chunkCount && m_running) {
        m_running = false;
        emit finished();
    }
}

} // namespace quillet
