#pragma once

#include "tags/taglibtag.h"

#include <QString>

namespace quillet {

// The tag component for every audio format Quillet reads: MPEG audio through the ID3 tag component (TagLibTag),
// FLAC, Ogg Vorbis, Opus, MP4, WAV and AIFF through FormatTag. What a file holds decides, not its name. Used as
// TagLibTag is: set fileName, call readTag(), read the properties; or set the text properties and call writeTag().
class MediaTag
{
public:
    QString fileName;
    QString artist;
    QString song;
    QString album;
    QString year;
    QString comment;
    QString genre;
    // Callers only ever set it true; it changes nothing.
    bool tagOption = false;

    // Sample rate in whole kHz (44100 Hz gives 44); 0 when the file holds no audio Quillet reads.
    int sampleRate() const { return m_sampleRate; }
    // Bit rate in kbit/s.
    int bitRate() const { return m_bitRate; }
    // MPEG audio version 1 or 2 (2.5 reads as 2); 0 for every other format.
    int mpegVersion() const { return m_mpegVersion; }
    // The name of a format other than MPEG audio ("FLAC", "Ogg Vorbis", "Opus", "M4A", "MP4", "WAV", "AIFF");
    // empty for MPEG audio and for a file Quillet cannot read.
    QString formatName() const { return m_formatName; }
    // The audio facts as the information lines show them: "Sample Rate : 44 KHz And Data Rate : 128 KBPS In Mpeg
    // Version : 1" for MPEG audio (and for a file Quillet cannot read), "... In Format : FLAC" for other formats.
    QString factsText() const;

    // Loads the tag and audio facts of fileName. Never fails: a missing, empty or malformed file gives empty texts
    // and zero numbers.
    void readTag();
    // Writes the six text fields into fileName's tag; only fields that differ from what readTag() gives are
    // changed, every other field, picture and the audio stay. MPEG audio is saved as the ID3 tag component saves
    // it; FLAC, Ogg Vorbis, Opus and MP4 through TagLib, into a copy in memory that is checked before it replaces
    // the file. False when nothing was written; lastError() then names the file and says why.
    bool writeTag();
    // As writeTag(), but writes only the fields marked (song, artist, album, year, comment, genre); the others keep
    // what the file holds when it is saved.
    bool writeTag(const std::array<bool, TagFieldCount> &fields);
    // Why the last writeTag() failed.
    QString lastError() const { return m_lastError; }

private:
    TagLibTag m_mpeg;
    int m_sampleRate = 0;
    int m_bitRate = 0;
    int m_mpegVersion = 0;
    QString m_formatName;
    QString m_lastError;
};

} // namespace quillet
