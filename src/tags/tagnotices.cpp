#include "tags/tagnotices.h"

#include "common/dialogservice.h"

#include <QSet>

#include <mutex>

namespace quillet {

namespace {

std::mutex lock;
QStringList pending;
QSet<QString> given;

void showPending()
{
    for (const QString &text : TagNotices::take())
        dialogs().message(text);
}

} // namespace

TagNotices &TagNotices::instance()
{
    static TagNotices notices;
    return notices;
}

void TagNotices::post(const QString &text)
{
    {
        const std::lock_guard<std::mutex> locked(lock);
        if (given.contains(text))
            return;
        given.insert(text);
        pending.append(text);
    }
    emit instance().posted();
}

QStringList TagNotices::take()
{
    const std::lock_guard<std::mutex> locked(lock);
    return std::exchange(pending, {});
}

void TagNotices::showWhileOpen(QObject *window)
{
    // Queued even from the window's own thread: a message box must not open in the middle of a tag read.
    connect(&instance(), &TagNotices::posted, window, showPending, Qt::QueuedConnection);
    QMetaObject::invokeMethod(window, showPending, Qt::QueuedConnection);
}

} // namespace quillet
