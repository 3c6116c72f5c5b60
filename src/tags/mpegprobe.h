#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// Decides from a bounded number of bytes whether a file holds MPEG audio, before the tag reader is let loose on
// it. The tag reader searches the whole file for an audio frame, forwards and backwards; on a large video or a
// lossless file that finds none it reads every byte, which takes seconds. A file passes when it is a regular
// file that does not start with another container's signature and shows a pair of consecutive MPEG audio frame
// headers right after its ID3v2 tag (or within the first bytes), and an audio frame header near its end; a file
// too small to be slow passes unless it is another container. An ID3v2 tag over 32 MiB fails: the tag reader
// would read all of it.
class MpegProbe
{
public:
    // The bytes looked at after the ID3v2 tag, and again at the end of the file.
    static constexpr qint64 WindowBytes = 64 * 1024;

    // True when fileName is worth handing to the tag reader.
    static bool isMpegAudio(const QString &fileName);
    // The same answer for a file that would hold data.
    static bool isMpegAudio(const QByteArray &data);
    // The bytes the last isMpegAudio() call on this thread read (for checking that the probe stays bounded).
    static qint64 lastBytesRead();
    // The first bytes of the audio (after an ID3v2 tag) that the last isMpegAudio() call on this thread saw, when
    // that call was for fileName; empty otherwise. The tag reader tells other containers apart from them without
    // opening the file again.
    static QByteArray lastHead(const QString &fileName);
    // The descriptor of the file the last isMpegAudio() call on this thread found to hold another container, still
    // open, when that call was for fileName; -1 otherwise. The caller owns it. The next call closes one not taken.
    static int takeLastFile(const QString &fileName);

    // True when head starts with the signature of a container that is not MPEG audio (RIFF, FLAC, MP4, Matroska,
    // Ogg, AIFF, ASF ...).
    static bool isOtherContainer(const QByteArray &head);
    // The offset in data of the first MPEG audio frame header that is followed by a second one where the first
    // frame ends (or that ends exactly at the end of data when lastChunk is set); -1 when there is none.
    static qsizetype findFramePair(const QByteArray &data, bool lastChunk);
    // The length in bytes of the frame whose four-byte header starts at p, or 0 when it is not a valid header.
    static int frameLength(const unsigned char *p);
};

} // namespace quillet
