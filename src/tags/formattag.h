#pragma once

#include "tags/embeddedpicture.h"

#include <QByteArray>
#include <QString>

namespace quillet {

// The audio formats whose tags Quillet reads.
enum class AudioFormat { Unknown, Mpeg, Flac, OggVorbis, Opus, M4a, Mp4, Wav, Aiff };

// Reads the tag, the audio facts and the embedded cover of an audio file with TagLib's class for its format: FLAC
// and Ogg Vorbis comments, iTunes atoms, RIFF INFO and ID3v2 tags and chunks. Only regular files are opened,
// without waiting on them, and a file whose reading could take long is left alone. The main window and the editor
// read MPEG audio through the ID3 tag component (TagLibTag); this class reads it for its track number and cover.
class FormatTag
{
public:
    // The format of fileName, decided by its first bytes: Mpeg where the MPEG probe lets the file through.
    static AudioFormat detect(const QString &fileName);
    // The format other than MPEG audio whose signature starts head (the first bytes of a file, after an ID3v2
    // tag); Unknown for anything else.
    static AudioFormat identify(const QByteArray &head);
    // The format's name as the information line shows it: "MPEG", "FLAC", "Ogg Vorbis", "Opus", "M4A", "MP4",
    // "WAV", "AIFF".
    static QString formatName(AudioFormat format);
    // True for the formats whose tags Quillet saves.
    static bool isWritable(AudioFormat format);

    // Reads fileName as a file of the given format; with withPicture also its front cover (or its first picture).
    // False, with every field empty, when the file is not a regular file, is not of that format, or is damaged in
    // a way that would make reading it slow. A file read as Mpeg must have passed the MPEG probe.
    bool read(const QString &fileName, AudioFormat format, bool withPicture = false);

    QString song;
    QString artist;
    QString album;
    QString year;
    QString comment;
    QString genre;
    // The track number; 0 when the tag has none.
    int track = 0;
    // In Hz.
    int sampleRate = 0;
    // In kbit/s.
    int bitRate = 0;
    int channels = 0;
    int lengthMs = 0;
    // Only read when asked for.
    EmbeddedPicture picture;
};

} // namespace quillet
