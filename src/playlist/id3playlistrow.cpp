#include "playlist/id3playlistrow.h"

#include "common/entrypath.h"

#include <QUrl>

namespace quillet {

QString untaggedEntryLabel(const QString &entry)
{
    const QString name = afterLastSeparator(entry);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString label = dot < 0 ? entry : name.left(dot);
    // A URL's name is percent-encoded ("cbr%20128"); it is shown as the user reads it.
    return isUrl(entry) ? QUrl::fromPercentEncoding(label.toUtf8()) : label;
}

QString id3PlaylistRow(int number, const QString &song, const QString &artist, const QString &entry)
{
    QString label;
    if (!song.isEmpty() && !artist.isEmpty())
        label = song + QStringLiteral(" - ") + artist;
    else if (!song.isEmpty())
        label = song;
    else if (!artist.isEmpty())
        label = artist;
    else
        label = untaggedEntryLabel(entry);
    return QString::number(number) + QStringLiteral(" . ") + label;
}

} // namespace quillet
