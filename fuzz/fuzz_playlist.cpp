// Playlist files opened with Load List or named on the command line: the byte-level line splitter and the
// filtered read (lines holding "#EXT" left out).

#include "fuzzsupport.h"

#include "common/entrypath.h"
#include "common/textfile.h"
#include "playlist/playlistfile.h"

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QStringList lines = splitTextLines(bytes);

    // Lines end at CR LF, CR or LF: none is left inside a line, and there are never more lines than ends + 1.
    qsizetype ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\n' || (bytes.at(i) == '\r' && (i + 1 == bytes.size() || bytes.at(i + 1) != '\n')))
            ++ends;
    }
    QUILLET_FUZZ_CHECK(lines.size() <= ends + 1);
    for (const QString &line : lines)
        QUILLET_FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));

    const QString path = fuzz::scratch().filePath(QStringLiteral("list.m3u"));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, bytes));
    const PlaylistFile::ReadResult filtered = PlaylistFile::readFiltered(path);
    QUILLET_FUZZ_CHECK(filtered.ok);
    // The filtered read is the file's lines without those holding "#EXT", in order, file URLs read as their paths.
    if (!PlaylistFile::isPlsSection(lines)) {
        QStringList expected = lines;
        expected.removeIf([](const QString &line) { return line.contains(QLatin1String("#EXT")); });
        for (QString &line : expected)
            line = entryFromPlaylistLine(line);
        QUILLET_FUZZ_CHECK(filtered.entries == expected);
    }

    // What Save List writes reads back as the same entries, whatever they hold: nothing lost, nothing split.
    QUILLET_FUZZ_CHECK(PlaylistFile::write(path, filtered.entries).ok);
    QUILLET_FUZZ_CHECK(PlaylistFile::readFiltered(path).entries == filtered.entries);
    return 0;
}
