#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <vector>

namespace TagLib::ID3v2 {
class Frame;
}

namespace quillet {

// The six fields the tag component reads and writes, in one order for loops.
enum TagField { Song, Artist, Album, Year, Comment, Genre, TagFieldCount };
using TagFields = std::array<QString, TagFieldCount>;

// What the frames of a tag say about the six fields: the texts, and which frame each one was read from.
struct FieldFrames
{
    TagFields texts;
    std::array<int, TagFieldCount> shown; // index of the frame a field was read from, or -1
    std::vector<int> roles; // per frame: the field it validly holds, or -1
    QByteArray commentLanguage; // of the comment read
};

// The ID3v2 tag (version 2.2, 2.3 or 2.4) of a file, split into its frames exactly as stored. A new tag is
// made by copying every frame back byte for byte and making only the frames of edited fields anew, so a save
// keeps frames that no library understands, and frames after a broken one.
class RawId3v2Tag
{
public:
    enum class State { NoTag, Whole, Damaged };

    // Splits the tag whose header starts at offset. Frames before any damage are kept, so a damaged tag can
    // still be read; reason() says what is wrong with it. Reads at most the bytes of data given.
    State parse(const QByteArray &data, qsizetype offset);
    // Splits the 2.4 tag appended at the end of data: closed by a footer, before an ID3v1 tag if there is one.
    State parseAppended(const QByteArray &data);
    // True when the tag parsed was appended at the end; a rebuilt file has it in front instead.
    bool appended() const { return m_appended; }
    // Why the tag is damaged or cannot be rewritten (empty when it is whole).
    QString reason() const { return m_reason; }
    // 2, 3 or 4; 0 without a tag.
    int version() const { return m_version; }
    // Where the tag ends (the audio begins); the offset given to parse() without a tag.
    qsizetype end() const { return m_end; }
    // The six fields of the stored frames, each from its first well-formed frame.
    FieldFrames fields() const;
    // The file with the fields marked changed written into the tag (a new tag of version 2.3 where there was
    // none); every other frame and byte stays, but for the day and time frames of 2.2 and 2.3, which go with a
    // changed year. Only for a whole tag.
    QByteArray rebuilt(
        const QByteArray &data, const TagFields &values, const std::array<bool, TagFieldCount> &changed) const;

    // The six fields of frames parsed by TagLib (in tag order); a text frame with an encoding byte that no
    // version defines holds nothing, as in other readers.
    static FieldFrames fieldsOf(const std::vector<const TagLib::ID3v2::Frame *> &frames);
    // The six fields as a reader shows them once rebuilt() has written them into a tag of the given version: a
    // year "2003-05-12" shows as "2003", a genre "17" as "Rock".
    static TagFields asRead(const TagFields &values, int version);

private:
    int m_version = 0;
    quint8 m_flags = 0;
    bool m_appended = false;
    qsizetype m_offset = 0;
    qsizetype m_end = 0;
    qsizetype m_frameRoom = 0;
    QList<QByteArray> m_frames;
    QString m_reason;
};

} // namespace quillet
