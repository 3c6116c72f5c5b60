#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace quillet {

class FileDescriptor;

// What an in-place save writes to turn the old bytes of a file into the new ones: a few ranges, in file order,
// then the new size. Each range is described by its new bytes, or, where the new file repeats old bytes at another
// place (the audio behind a tag that grew or shrank), by where they come from in the old file. Together with the
// old bytes it tells every state a save cut short can leave, so that a copy is put back only over such a state.
class SavePlan
{
public:
    // One written range: length bytes at offset `at` of the new file, taken from `bytes`, or from offset `from` of
    // the old file when `from` is not negative.
    struct Piece
    {
        qint64 at = 0;
        qint64 length = 0;
        qint64 from = -1;
        QByteArray bytes;
    };

    // The ranges that differ between oldData and newData. Where both have the same size, the longest unchanged
    // stretch between the changes (the audio between an ID3v2 and an ID3v1 tag) is not written.
    static SavePlan between(const QByteArray &oldData, const QByteArray &newData);

    qint64 oldSize() const { return m_oldSize; }
    qint64 newSize() const { return m_newSize; }
    const QList<Piece> &pieces() const { return m_pieces; }

    // Writes the ranges of newData into fd in order, then sets the new size. False, with errno set, on an error.
    bool apply(const FileDescriptor &fd, const QByteArray &newData) const;
    // Writes the old bytes back over the written ranges and the end a shrinking save cut off, and sets the old size.
    // False, with errno set, on an error.
    bool undo(const FileDescriptor &fd, const QByteArray &oldData) const;
    // The file this save makes of oldData.
    QByteArray result(const QByteArray &oldData) const;
    // True when now is a state that this save, stopped at any point, leaves behind: its size lies between the old
    // and the new one, and each byte is the old one or the new one at its place. A byte anywhere else changed (by
    // another program) makes it false.
    bool couldHaveLeft(const QByteArray &oldData, const QByteArray &now) const;
    // True when bytes at the given offset of the old file are as in oldData wherever this save writes.
    bool writtenRangesHold(const QByteArray &oldData, const FileDescriptor &fd) const;

    // A compact form for the recovery copy, and back; parse() checks that every range fits the given sizes.
    QByteArray serialized() const;
    static std::optional<SavePlan> parse(QByteArrayView data, qint64 oldSize, qint64 newSize);

private:
    qint64 m_oldSize = 0;
    qint64 m_newSize = 0;
    QList<Piece> m_pieces;
};

} // namespace quillet
