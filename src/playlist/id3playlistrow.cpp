#include "playlist/id3playlistrow.h"

#include "common/entrypath.h"

namespace quillet {

QString untaggedEntryLabel(const QString &entry)
{
    const QString name = afterLastSeparator(entry);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? entry : name.left(dot);
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
