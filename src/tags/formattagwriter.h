#pragma once

#include "tags/formatfile.h"
#include "tags/formattag.h"
#include "tags/rawid3v2tag.h"

#include <QString>

#include <array>

namespace quillet {

// Saves the six fields of the tag editor into a FLAC, Ogg Vorbis, Opus or MP4 file. TagLib writes them into a copy
// of the file in memory; the copy is read back and must show the new fields, every other field and picture as it
// was and the same audio bytes; only then does it replace the file, through the writer MP3 saves use.
class FormatTagWriter
{
public:
    // Writes the texts of values (not its track) that differ from what a reader shows into path, a file of the
    // given format. True when the file holds them afterwards (nothing is written when none differs). False, with
    // *error naming the file and the reason, when the format is not saved, the file cannot be read or written, or
    // the save would lose or change anything besides the edited fields; the file is then as it was.
    static bool write(const QString &path, AudioFormat format, const TagTexts &values, QString *error);
    // As above, but only the fields marked (song, artist, album, year, comment, genre) are taken from values; the
    // others keep what the file holds when it is read for the save.
    static bool write(const QString &path, AudioFormat format, const TagTexts &values,
        const std::array<bool, TagFieldCount> &fields, QString *error);
};

} // namespace quillet
