// Data dropped on the playlist from another program: its text/uri-list, of which only local files are taken.

#include "fuzzsupport.h"

#include "common/entrypath.h"
#include "playlist/playlistview.h"

#include <QMimeData>

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QMimeData dropped;
    dropped.setData(QStringLiteral("text/uri-list"), fuzz::inputBytes(data, size));
    const QStringList paths = droppedLocalPaths(&dropped);
    // Each dropped path becomes a playlist entry as it is: it must name a file by its absolute path, never be empty
    // or relative (which would resolve against the root directory); whatever characters it holds, its line in a
    // saved list is one line and reads back as the same path.
    for (const QString &path : paths) {
        QUILLET_FUZZ_CHECK(path.startsWith(QLatin1Char('/')));
        const QString line = playlistLine(path);
        QUILLET_FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        QUILLET_FUZZ_CHECK(entryFromPlaylistLine(line) == path);
    }
    return 0;
}
