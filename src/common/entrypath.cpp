#include "common/entrypath.h"

#include <QUrl>

namespace quillet {

bool isAbsoluteEntry(const QString &entry)
{
    return entry.contains(QLatin1Char(':')) || entry.startsWith(QLatin1Char('/'));
}

QString rootDirectoryText(const QString &directory)
{
    if (directory.isEmpty())
        return {};
    QString text = directory;
    while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
        text.chop(1);
    if (text == QLatin1String("/"))
        return text;
    return text + QLatin1Char('/');
}

QString joinPath(const QString &directory, const QString &name)
{
    if (directory.isEmpty())
        return name;
    QString tail = name;
    while (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    return rootDirectoryText(directory) + tail;
}

QString resolveEntry(const QString &entry, const QString &rootDirectory)
{
    if (isAbsoluteEntry(entry) || rootDirectory.isEmpty())
        return entry;
    return rootDirectory + entry;
}

QString afterLastSeparator(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
    return path.mid(qMax(slash, backslash) + 1);
}

QString displayName(const QString &path)
{
    const QString name = afterLastSeparator(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    return isUrl(path) ? QUrl::fromPercentEncoding(base.toUtf8()) : base;
}

bool isUrl(const QString &entry)
{
    return entry.contains(QLatin1String("://"));
}

} // namespace quillet
