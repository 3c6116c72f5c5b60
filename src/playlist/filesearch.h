#pragma once

#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace quillet {

// The recursive file search: walks a directory tree depth first and finds every file whose name ends with a
// given ending, without regard to case. Hidden files are included. Directory links are not followed, and a
// directory that is already being walked (a bind mount of an ancestor) is not entered again, so the walk always
// ends. start() runs the walk on a worker thread and reports the paths found in batches on the GUI thread.
class FileSearch : public QObject
{
    Q_OBJECT
public:
    explicit FileSearch(QObject *parent = nullptr);
    // Cancels a running search and waits for its thread.
    ~FileSearch() override;

    // Starts a search of the directory for the ending on a worker thread; a running search is cancelled first.
    void start(const QString &directory, const QString &ending);
    // Asks a running search to stop; finished() follows with cancelled set.
    void cancel();
    // Whether a search is running (from start() until finished() has been emitted).
    bool isRunning() const { return m_running; }

    // Walks the directory depth first and calls found for every matching path, in the order the file system
    // lists the entries; each subdirectory is searched completely before the walk goes on. Stops early when
    // cancelled becomes true. Returns the number of paths found. A directory that cannot be read gives nothing.
    static qint64 walk(const QString &directory, const QString &ending,
        const std::function<void(const QString &)> &found, const std::atomic_bool *cancelled = nullptr);
    // Whether a file name ends with the ending without regard to case; the empty ending matches every name.
    static bool endingMatches(const QString &name, const QString &ending);

signals:
    // Paths found since the last report (in walk order), and the number found so far.
    void found(const QStringList &paths, qint64 total);
    // The search ended (after the last found()); cancelled tells whether it was stopped early.
    void finished(qint64 total, bool cancelled);

private:
    void stopWorker();

    QThread *m_thread = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    // Reports of an older search that arrive after a new start() are dropped by their generation.
    quint64 m_generation = 0;
    bool m_running = false;
};

} // namespace quillet
