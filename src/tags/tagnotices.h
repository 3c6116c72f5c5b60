#pragma once

#include <QObject>
#include <QStringList>

namespace quillet {

// Things the user must hear about that happen while a tag is read, on any thread: a copy of an interrupted save
// that was set aside instead of put back, say. They wait here until a window shows them, each once.
class TagNotices : public QObject
{
    Q_OBJECT
public:
    // The one list of the process.
    static TagNotices &instance();
    // Adds a notice, from any thread. A text given before in this run is not given again.
    static void post(const QString &text);
    // Takes the notices not shown yet.
    static QStringList take();
    // Shows the waiting notices, and each later one, in a message box of the dialog service, for as long as
    // window lives. Several windows may do this: each notice is still shown once.
    static void showWhileOpen(QObject *window);

Q_SIGNALS:
    // A notice was added (from the thread that added it).
    void posted();
};

} // namespace quillet
