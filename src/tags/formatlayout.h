#pragma once

#include "tags/formattag.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <optional>

namespace quillet {

// A FLAC, Ogg Vorbis, Opus or MP4 file taken apart without TagLib, so that a save by TagLib can be checked by a
// reader of its own: the bytes that hold the audio, and each item of the tag as the file stores it.
class FormatLayout
{
public:
    // A named item and its bytes: "comment:TITLE" for a Vorbis comment (by its field name in capitals), "block:6"
    // for a FLAC metadata block other than the comments and padding (by its type), "atom:©nam" for an item of an MP4
    // tag, "id3v2" and "id3v1" for ID3 tags around a FLAC stream.
    using Item = QPair<QByteArray, QByteArray>;

    // Takes data, a whole file of the format, apart; false when it cannot be.
    bool parse(const QByteArray &data, AudioFormat format);

    // A FLAC file's frames after its metadata; the bodies of an Ogg stream's audio pages (pages are renumbered when
    // the tag grows, their contents stay); the contents of an MP4 file's mdat boxes.
    QByteArray audio;
    QList<Item> items;
};

} // namespace quillet
