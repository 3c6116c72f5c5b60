#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// What Quillet is given on its command line, as texts to open: each a path or a URL. The arguments joined with
// blanks are one path (a file whose name has blanks, split by a shell or a launcher); only when that text names
// no file and every argument names a file or a URL does each argument become a text of its own, as a desktop
// passes several selected files. The texts travel to a running Quillet as one message.
class CommandLine
{
public:
    // The texts of the program's arguments, relative paths made absolute against the caller's working directory.
    // No arguments give no texts.
    static QStringList texts(const QStringList &arguments, const QString &workingDirectory);
    // A text with a relative path made absolute against the working directory: the running Quillet that may
    // receive it works elsewhere. URLs (with a colon) and absolute paths stay as they are.
    static QString resolve(const QString &text, const QString &workingDirectory);
    // The texts as one message; a NUL character, which no path or argument holds, separates them.
    static QString join(const QStringList &texts);
    // The texts of a message made by join(); an empty message has none.
    static QStringList split(const QString &message);
};

} // namespace quillet
