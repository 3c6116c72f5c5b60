#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// A picture embedded in a tag (ID3v2 APIC, FLAC PICTURE, Vorbis METADATA_BLOCK_PICTURE, MP4 covr).
struct EmbeddedPicture
{
    // The picture type of ID3v2 and FLAC that marks the front cover.
    static constexpr int FrontCover = 3;

    QByteArray data;
    // As the tag names it, or as the bytes show it where the tag does not ("image/jpeg", "image/png" ...).
    QString mimeType;
    // What it shows, by the picture types of ID3v2 and FLAC.
    int type = 0;

    bool isEmpty() const { return data.isEmpty(); }
    // The usual file name ending for the picture's type ("jpg", "png", "gif", "bmp"), from its bytes; empty when
    // they are no picture Quillet knows.
    QString fileExtension() const;
    // The MIME type of a picture, from its first bytes; empty when they are no picture Quillet knows.
    static QString mimeTypeOf(const QByteArray &data);
};

} // namespace quillet
