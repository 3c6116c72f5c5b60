#pragma once

#include "tags/embeddedpicture.h"
#include "tags/formattag.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace TagLib {
class File;
class IOStream;
class String;
class Tag;
} // namespace TagLib

namespace quillet {

// The six fields as a reader shows them, and the track number.
struct TagTexts
{
    QString song;
    QString artist;
    QString album;
    QString year;
    QString comment;
    QString genre;
    int track = 0;
};

// What the reader and the writer of FormatTag share: TagLib's class for each format, and how the fields and
// pictures are found in it.
class FormatFile
{
public:
    // The TagLib file of the format over stream (which must outlive it); null for Unknown. With readProperties
    // the audio facts are read too.
    static std::unique_ptr<TagLib::File> open(AudioFormat format, TagLib::IOStream *stream, bool readProperties);
    // The tags of the file, the one whose fields a reader shows first. A WAV file's ID3v2 chunk comes before its
    // RIFF INFO; a FLAC file's Vorbis comments before its ID3 tags.
    static std::vector<TagLib::Tag *> tagsOf(TagLib::File &file, AudioFormat format);
    // Each field from the first tag that has it. The year is the date as the tag holds it ("2021", "2021-05-01").
    static TagTexts texts(TagLib::File &file, AudioFormat format);
    // Every picture the file embeds, in the order its tags hold them.
    static QList<EmbeddedPicture> pictures(TagLib::File &file, AudioFormat format);
    // A TagLib text as a QString.
    static QString toQString(const TagLib::String &text);
};

} // namespace quillet
