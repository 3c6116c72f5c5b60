#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

#include <memory>

namespace quillet {

// Builds the ID3 playlist rows of a list of entries off the GUI thread: worker threads read each entry's song and
// artist with the tag component, in chunks, and the finished rows are handed to the GUI thread in list order, so
// they can appear while the rest are still being read.
class TagRowReader : public QObject
{
    Q_OBJECT
public:
    explicit TagRowReader(QObject *parent = nullptr);
    // Cancels a read in progress without waiting for the workers.
    ~TagRowReader() override;

    // Starts reading the rows of the entries; relative entries are read under the root directory. A read in
    // progress is cancelled first.
    void start(const QStringList &entries, const QString &rootDirectory);
    // Stops the read in progress at once: no rowsReady() or finished() follows for it. Workers still reading a
    // tag finish that tag on their own and end; nothing waits for them.
    void cancel();
    // True from start() until finished() or cancel().
    bool isRunning() const { return m_running; }

    // The file whose tag stands for an entry: an absolute entry itself, a relative one under the root directory,
    // and nothing for a relative entry without a root directory (it would be looked up in the working directory).
    static QString tagPath(const QString &entry, const QString &rootDirectory);

signals:
    // The next rows, in list order, numbered from 1 across the whole read.
    void rowsReady(const QStringList &rows);
    // Every row has been delivered.
    void finished();

private:
    struct Job;
    void deliver(quint64 generation, qsizetype chunk, const QStringList &rows);
    // Lets go of the read in progress: its workers stop and post nothing more.
    void abandonJob();

    std::shared_ptr<Job> m_job;
    // Chunks that arrived before the ones in front of them.
    QHash<qsizetype, QStringList> m_early;
    qsizetype m_nextChunk = 0;
    qsizetype m_chunkCount = 0;
    quint64 m_generation = 0;
    bool m_running = false;
};

} // namespace quillet
