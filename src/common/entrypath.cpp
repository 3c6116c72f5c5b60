#include "common/entrypath.h"

#include "common/messagetext.h"
#include "common/textfile.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace quillet {

static const QString kFileScheme = QStringLiteral("file:");

// Characters at which some reader of line-based playlists ends a line or that no reader keeps: the control
// characters (but the tab) and Unicode's own line and paragraph separators.
static bool breaksLine(QChar c)
{
    const char16_t code = c.unicode();
    return (code < 0x20 && code != u'\t') || (code >= 0x7F && code < 0xA0) || code == 0x2028 || code == 0x2029;
}

QString overlongEntryMessage(const QString &text)
{
    return QStringLiteral("This name is not opened: with %1 characters it is longer than any real path or URL. %2")
        .arg(text.size())
        .arg(shortenedInMiddle(text, 200));
}

QString playlistLine(const QString &entry)
{
    const bool holds = std::none_of(entry.cbegin(), entry.cend(), breaksLine) && !entry.contains(QLatin1String("#EXT"))
        && !entry.startsWith(QChar(0xFEFF))
        && !(entry.startsWith(kFileScheme, Qt::CaseInsensitive) && entryFromPlaylistLine(entry) != entry);
    return holds ? entry : fileUrlLine(entry);
}

QString fileUrlLine(const QString &entry)
{
    const QByteArray escaped = entry.toUtf8().toPercentEncoding("/");
    return (entry.startsWith(QLatin1Char('/')) ? QStringLiteral("file://") : kFileScheme)
        + QString::fromLatin1(escaped);
}

QString entryFromPlaylistLine(const QString &line)
{
    if (!line.startsWith(kFileScheme, Qt::CaseInsensitive))
        return line;
    QStringView path = QStringView(line).mid(kFileScheme.size());
    if (path.startsWith(QLatin1String("//"))) {
        const QStringView rest = path.mid(2);
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        const QStringView host = slash < 0 ? rest : rest.left(slash);
        // A file on another computer is left to the player.
        if (slash < 0 || (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0))
            return line;
        path = rest.mid(slash);
    }
    if (path.isEmpty())
        return line;
    // Escapes are decoded as UTF-8 (a byte order mark at the start is a character of the name); a name escaped in
    // another encoding reads as Windows-1252, as lines do. A "#" or "?" is part of the name: a file URL has no use for
    // a fragment or a query, and names often hold them.
    const QByteArray bytes = QByteArray::fromPercentEncoding(path.toUtf8());
    QStringDecoder utf8(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? decodeLine(bytes) : decoded;
}

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
