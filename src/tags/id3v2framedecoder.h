#pragma once

#include <QByteArray>

namespace quillet {

// Turns an ID3v2 frame as stored into the plain form that TagLib's frame parser reads right: without the group
// byte that TagLib would take for text, with unsynchronisation undone (2.4 marks it on the frame or on the whole
// tag), and with the byte-order marks that some writers leave out of UTF-16 text.
class Id3v2FrameDecoder
{
public:
    // The frame (header and data, as stored in a tag of version 2, 3 or 4) in plain form. tagUnsynchronised is the
    // tag header's unsynchronisation flag, which in 2.4 covers every frame. Compressed frames stay compressed (the
    // parser inflates them); an encrypted frame, which nothing can read, comes back empty.
    static QByteArray plainFrame(const QByteArray &frame, int version, bool tagUnsynchronised);
    // The data with unsynchronisation undone, or the data as it is when it cannot be unsynchronised data (a 0xFF
    // before a byte of 0xE0 or more, or at the end), as mutagen reads it.
    static QByteArray resynchronised(const QByteArray &data);
    // The data unsynchronised: a zero after each 0xFF that a zero or a byte of 0xE0 or more follows, or that ends it.
    static QByteArray unsynchronised(const QByteArray &data);
    // Zero-terminated UTF-16 strings, each given a byte-order mark where it has none: little-endian as mutagen reads
    // such text, unless the text shows itself big-endian (its zero bytes come first in each pair, as in Latin text).
    static QByteArray withByteOrderMarks(const QByteArray &strings);
};

} // namespace quillet
