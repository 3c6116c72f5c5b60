#include "settings/mimeappslist.h"

#include <QSet>

namespace quillet {

namespace {

const QLatin1String kDefaultGroup("[Default Applications]");

bool isGroupHeader(const QString &line)
{
    return line.trimmed().startsWith(QLatin1Char('['));
}

// The key of a "key=value" line, or the empty text for comments, blank lines and other lines.
QString keyOf(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('#')))
        return {};
    const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return {};
    return trimmed.left(equals).trimmed();
}

QStringList valueList(const QString &line)
{
    const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1);
    QStringList items;
    const QStringList parts = value.split(QLatin1Char(';'));
    for (const QString &part : parts) {
        const QString item = part.trimmed();
        if (!item.isEmpty())
            items.append(item);
    }
    return items;
}

QString defaultLine(const QString &mimeType, QStringList applications, const QString &desktopId)
{
    applications.removeAll(desktopId);
    applications.prepend(desktopId);
    return mimeType + QLatin1Char('=') + applications.join(QLatin1Char(';')) + QLatin1Char(';');
}

QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

QString MimeAppsList::withDefaults(const QString &text, const QStringList &mimeTypes, const QString &desktopId)
{
    QStringList lines = splitLines(text);
    qsizetype groupStart = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).trimmed() == kDefaultGroup) {
            groupStart = i;
            break;
        }
    }
    if (groupStart < 0) {
        if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
            lines.append(QString());
        lines.append(kDefaultGroup);
        groupStart = lines.size() - 1;
    }
    qsizetype groupEnd = groupStart + 1;
    while (groupEnd < lines.size() && !isGroupHeader(lines.at(groupEnd)))
        ++groupEnd;

    QSet<QString> done;
    for (qsizetype i = groupStart + 1; i < groupEnd; ++i) {
        const QString key = keyOf(lines.at(i));
        if (mimeTypes.contains(key)) {
            lines[i] = defaultLine(key, valueList(lines.at(i)), desktopId);
            done.insert(key);
        }
    }
    // New lines go after the group's last entry, before the blank lines that separate it from the next group.
    qsizetype insertAt = groupEnd;
    while (insertAt > groupStart + 1 && lines.at(insertAt - 1).trimmed().isEmpty())
        --insertAt;
    for (const QString &mimeType : mimeTypes) {
        if (done.contains(mimeType))
            continue;
        done.insert(mimeType);
        lines.insert(insertAt++, defaultLine(mimeType, {}, desktopId));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace quillet
