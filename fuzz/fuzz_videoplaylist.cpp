// The default playlists (the video player's default_video.m3u and the main window's default.m3u): the
// unfiltered read, and the round trip of what the program writes back at exit.

#include "fuzzsupport.h"

#include "common/appdirs.h"
#include "common/entrypath.h"
#include "common/textfile.h"
#include "playlist/playlistfile.h"

#include <QDir>

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QString path = PlaylistFile::defaultVideoPlaylistPath();
    QUILLET_FUZZ_CHECK(QDir().mkpath(dataDirectory()));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, bytes));

    const PlaylistFile::ReadResult saved = PlaylistFile::readUnfiltered(path);
    QUILLET_FUZZ_CHECK(saved.ok);
    // Every line as it is (a file URL read as its path), or nothing at all when the first field is empty.
    QStringList lines = splitTextLines(bytes);
    for (QString &line : lines)
        line = entryFromPlaylistLine(line);
    if (PlaylistFile::firstField(splitTextLines(bytes)).isEmpty())
        QUILLET_FUZZ_CHECK(saved.entries.isEmpty());
    else
        QUILLET_FUZZ_CHECK(saved.entries == lines);

    // The list the program saves at exit reads back whole at the next start: nothing lost, nothing added.
    const QStringList written = PlaylistFile::defaultPlaylistLines(saved.entries, QStringLiteral("/music/"));
    QUILLET_FUZZ_CHECK(PlaylistFile::write(path, written).ok);
    const PlaylistFile::ReadResult again = PlaylistFile::readUnfiltered(path);
    QUILLET_FUZZ_CHECK(again.ok);
    if (!written.isEmpty())
        QUILLET_FUZZ_CHECK(again.entries == written);
    return 0;
}
