#include "tags/saveplan.h"

#include "tags/filedescriptor.h"

#include <QtEndian>

#include <algorithm>

#include <unistd.h>

namespace quillet {

namespace {

// The longest stretch of [begin, end) of newData that repeats oldData shifted by delta bytes.
std::pair<qint64, qint64> longestShiftedRun(
    const QByteArray &oldData, const QByteArray &newData, qint64 begin, qint64 end, qint64 delta)
{
    std::pair<qint64, qint64> best {begin, begin};
    qint64 run = begin;
    for (qint64 i = begin; i < end; ++i) {
        const qint64 j = i - delta;
        if (j < 0 || j >= oldData.size() || newData.at(i) != oldData.at(j)) {
            run = i + 1;
        } else if (i + 1 - run > best.second - best.first) {
            best = {run, i + 1};
        }
    }
    return best;
}

void appendNumber(QByteArray &out, qint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    out.append(bytes, 8);
}

} // namespace

SavePlan SavePlan::between(const QByteArray &oldData, const QByteArray &newData)
{
    SavePlan plan;
    plan.m_oldSize = oldData.size();
    plan.m_newSize = newData.size();
    const qint64 common = std::min(oldData.size(), newData.size());
    qint64 first = 0;
    while (first < common && oldData.at(first) == newData.at(first))
        ++first;
    const auto literal = [&plan, &newData](qint64 begin, qint64 end) {
        if (end > begin)
            plan.m_pieces.append({begin, end - begin, -1, newData.mid(begin, end - begin)});
    };
    if (oldData.size() == newData.size()) {
        qint64 last = newData.size();
        while (last > first && oldData.at(last - 1) == newData.at(last - 1))
            --last;
        // The tag fitted the old one's room and only its bytes (and the ID3v1 ones) differ: the audio between them
        // is not written at all.
        qint64 gapStart = first;
        qint64 gapEnd = first;
        qint64 run = first;
        for (qint64 i = first; i < last; ++i) {
            if (oldData.at(i) != newData.at(i)) {
                if (i - run > gapEnd - gapStart) {
                    gapStart = run;
                    gapEnd = i;
                }
                run = i + 1;
            }
        }
        if (gapEnd > gapStart) {
            literal(first, gapStart);
            literal(gapEnd, last);
        } else {
            literal(first, last);
        }
        return plan;
    }
    // A tag of another size moves everything behind it: the moved bytes are described by where they were.
    const qint64 delta = newData.size() - oldData.size();
    const auto [runStart, runEnd] = longestShiftedRun(oldData, newData, first, newData.size(), delta);
    literal(first, runStart);
    if (runEnd > runStart)
        plan.m_pieces.append({runStart, runEnd - runStart, runStart - delta, {}});
    literal(std::max(runEnd, first), newData.size());
    return plan;
}

bool SavePlan::apply(const FileDescriptor &fd, const QByteArray &newData) const
{
    for (const Piece &piece : m_pieces) {
        if (!fd.writeAt(piece.at, QByteArrayView(newData).sliced(piece.at, piece.length)))
            return false;
    }
    return m_newSize == m_oldSize || ::ftruncate(fd.get(), off_t(m_newSize)) == 0;
}

bool SavePlan::undo(const FileDescriptor &fd, const QByteArray &oldData) const
{
    for (const Piece &piece : m_pieces) {
        const qint64 end = std::min(piece.at + piece.length, m_oldSize);
        if (end > piece.at && !fd.writeAt(piece.at, QByteArrayView(oldData).sliced(piece.at, end - piece.at)))
            return false;
    }
    // A save that shrank the file may have cut its old end off already: that is written back too.
    if (m_newSize < m_oldSize && !fd.writeAt(m_newSize, QByteArrayView(oldData).sliced(m_newSize)))
        return false;
    return ::ftruncate(fd.get(), off_t(m_oldSize)) == 0;
}

QByteArray SavePlan::result(const QByteArray &oldData) const
{
    QByteArray bytes = oldData.left(m_newSize);
    bytes.resize(m_newSize);
    for (const Piece &piece : m_pieces) {
        const QByteArray &source = piece.from < 0 ? piece.bytes : oldData;
        const qint64 offset = piece.from < 0 ? 0 : piece.from;
        std::copy_n(source.constData() + offset, piece.length, bytes.data() + piece.at);
    }
    return bytes;
}

bool SavePlan::couldHaveLeft(const QByteArray &oldData, const QByteArray &now) const
{
    if (now.size() < std::min(m_oldSize, m_newSize) || now.size() > std::max(m_oldSize, m_newSize))
        return false;
    // Outside the written ranges the new bytes are the old ones, so one comparison with each version decides.
    const QByteArray newData = result(oldData);
    for (qint64 i = 0; i < now.size(); ++i) {
        const char c = now.at(i);
        if (!(i < m_oldSize && c == oldData.at(i)) && !(i < m_newSize && c == newData.at(i)))
            return false;
    }
    return true;
}

bool SavePlan::writtenRangesHold(const QByteArray &oldData, const FileDescriptor &fd) const
{
    for (const Piece &piece : m_pieces) {
        const qint64 end = std::min(piece.at + piece.length, m_oldSize);
        QByteArray now;
        if (end > piece.at
            && (!fd.readAt(piece.at, end - piece.at, &now) || now != oldData.mid(piece.at, now.size())
                || now.size() != end - piece.at))
            return false;
    }
    return true;
}

QByteArray SavePlan::serialized() const
{
    QByteArray out;
    appendNumber(out, m_pieces.size());
    for (const Piece &piece : m_pieces) {
        appendNumber(out, piece.at);
        appendNumber(out, piece.length);
        appendNumber(out, piece.from);
        if (piece.from < 0)
            out.append(piece.bytes);
    }
    return out;
}

std::optional<SavePlan> SavePlan::parse(QByteArrayView data, qint64 oldSize, qint64 newSize)
{
    qint64 pos = 0;
    const auto number = [&data, &pos](qint64 *value) {
        if (data.size() - pos < 8)
            return false;
        *value = qFromLittleEndian<qint64>(data.data() + pos);
        pos += 8;
        return true;
    };
    SavePlan plan;
    plan.m_oldSize = oldSize;
    plan.m_newSize = newSize;
    qint64 count = 0;
    if (oldSize < 0 || newSize < 0 || !number(&count) || count < 0 || count > data.size() / 24)
        return std::nullopt;
    qint64 end = 0;
    for (qint64 i = 0; i < count; ++i) {
        Piece piece;
        if (!number(&piece.at) || !number(&piece.length) || !number(&piece.from) || piece.at < end || piece.length < 0
            || piece.length > newSize - piece.at)
            return std::nullopt;
        if (piece.from < 0) {
            if (data.size() - pos < piece.length)
                return std::nullopt;
            piece.bytes = data.sliced(pos, piece.length).toByteArray();
            pos += piece.length;
        } else if (piece.length > oldSize - piece.from) {
            return std::nullopt;
        }
        end = piece.at + piece.length;
        plan.m_pieces.append(piece);
    }
    if (pos != data.size())
        return std::nullopt;
    return plan;
}

} // namespace quillet
