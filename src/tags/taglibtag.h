#pragma once

#include "tags/rawid3v2tag.h"

#include <QString>

#include <array>

namespace quillet {

// The ID3 tag component: reads and writes the ID3 tag of one MP3 file and reports its MPEG header facts.
// Set fileName, call readTag(), read the properties; or set the text properties and call writeTag().
class TagLibTag
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

    // Sample rate in whole kHz (44100 Hz gives 44); 0 when the file has no MPEG audio.
    int sampleRate() const { return m_sampleRate; }
    // Bit rate in kbit/s.
    int bitRate() const { return m_bitRate; }
    // MPEG audio version 1 or 2 (2.5 reads as 2); 0 when there is no MPEG audio.
    int mpegVersion() const { return m_mpegVersion; }

    // Loads the tag and header facts of fileName. Each field comes from ID3v2, or from ID3v1 where ID3v2 lacks
    // it; frames after a broken one are read too. Never fails: a missing, empty or malformed file gives empty texts
    // and zero numbers. A file whose save a crash cut short is first put back as it was.
    void readTag();
    // Writes the six text fields into fileName's ID3v2 tag (keeping its version, 2.2 included; 2.3 for a new tag,
    // which then carries all six; a tag appended at the end moves to the front, all six in it) and updates an
    // existing ID3v1 tag to match (no ID3v1 tag is added). Only fields that differ from what readTag() would give
    // are touched; every other frame and the audio stay byte for byte. The file is replaced atomically, or written
    // in place behind a recovery copy where it cannot be replaced. True only when the file then reads back with the
    // saved fields. False when it could not be written, is not MPEG audio, or has a tag that cannot be rewritten
    // without losing a frame; the file is then unchanged and lastError() names it and says why.
    bool writeTag();
    // As writeTag(), but writes only the fields marked (song, artist, album, year, comment, genre); the others keep
    // what the file holds now, whatever their properties say.
    bool writeTag(const std::array<bool, TagFieldCount> &fields);
    // Why the last writeTag() failed.
    QString lastError() const { return m_lastError; }

private:
    int m_sampleRate = 0;
    int m_bitRate = 0;
    int m_mpegVersion = 0;
    QString m_lastError;
};

} // namespace quillet
