#include "playlist/playlistmodel.h"

#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace quillet {

// Below this many new entries, rows are inserted one by one so that views keep their selection for free.
static constexpr qsizetype kMergeThreshold = 32;

// Writes the sort key of an entry at out and returns its end: the case-folded UTF-16 code units as bytes whose
// plain byte order is the order of the code units. ASCII (the usual case) takes one byte; every other code unit
// takes three, the first of them above every ASCII byte. Keys then compare with memcmp instead of folding both
// sides of every comparison. out must have room for three bytes per code unit.
static char *writeSortKey(const QString &entry, char *out)
{
    const auto *begin = reinterpret_cast<const char16_t *>(entry.utf16());
    const char16_t *end = begin + entry.size();
    const char16_t *p = begin;
    // Four code units at a time while they are ASCII: each 16-bit lane gets 0x80 set where it is at least 'A' and
    // not above 'Z', which shifted down is the 0x20 that makes it lower case. No lane carries into the next.
    constexpr quint64 Lanes = 0x0001000100010001;
    for (quint64 w; end - p >= 4; p += 4, out += 4) {
        std::memcpy(&w, p, sizeof w);
        if (w & (0xFF80 * Lanes))
            break;
        const quint64 upper = (w + (0x80 - 'A') * Lanes) & ~(w + (0x80 - 'Z' - 1) * Lanes) & (0x80 * Lanes);
        w += upper >> 2;
        // The low byte of each lane, in order (the lanes are in memory order on little-endian machines).
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            w = (w | (w >> 8)) & 0x0000FFFF0000FFFF;
            const quint32 four = quint32(w | (w >> 16));
            std::memcpy(out, &four, sizeof four);
        } else {
            for (int k = 0; k < 4; ++k)
                out[k] = char(w >> (48 - 16 * k));
        }
    }
    for (; p != end && *p < 0x80; ++p)
        *out++ = char(*p >= 'A' && *p <= 'Z' ? *p + ('a' - 'A') : *p);
    if (p == end)
        return out;
    const auto put = [&out](char16_t u) {
        if (u < 0x80) {
            *out++ = char(u);
        } else {
            *out++ = char(0xC0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        }
    };
    if (std::none_of(p, end, [](char16_t u) { return QChar::isSurrogate(u); })) {
        for (; p != end; ++p)
            put(char16_t(QChar::toCaseFolded(char32_t(*p))));
        return out;
    }
    // Folded as a whole, so that surrogate pairs fold as the characters they make.
    for (const QChar c : QStringView(p, end).toString().toCaseFolded())
        put(c.unicode());
    return out;
}

namespace {

// A sort key in the key buffer, with the index of its entry.
struct Key
{
    // Sixteen key bytes from an offset all keys being sorted share, big-endian and padded with zeros, so that most
    // comparisons are integer comparisons that need not reach into the key buffer.
    quint64 head[2];
    quint32 start;
    quint32 length;
    quint32 index;
};

// How far the keys agree: the end of the longest prefix they all share, given that they agree up to from and
// that none is shorter than from. Never beyond the end of the shortest key.
qsizetype sharedPrefixEnd(const Key *begin, const Key *end, const char *data, qsizetype from)
{
    qsizetype shared = begin->length;
    const char *first = data + begin->start;
    for (const Key *key = begin + 1; key != end && shared > from; ++key) {
        const char *bytes = data + key->start;
        const qsizetype n = std::min<qsizetype>(shared, key->length);
        if (std::memcmp(bytes + from, first + from, size_t(n - from)) == 0) {
            shared = n;
            continue;
        }
        qsizetype i = from;
        while (i < n && bytes[i] == first[i])
            ++i;
        shared = i;
    }
    return shared;
}

// Loads each key's heads from the bytes at offset on.
void loadHeads(Key *begin, Key *end, const char *data, qsizetype offset)
{
    for (Key *key = begin; key != end; ++key) {
        const char *at = data + key->start + offset;
        const qsizetype left = qsizetype(key->length) - offset;
        if (left >= 16) {
            std::memcpy(key->head, at, 16);
            key->head[0] = qFromBigEndian(key->head[0]);
            key->head[1] = qFromBigEndian(key->head[1]);
            continue;
        }
        key->head[0] = key->head[1] = 0;
        for (qsizetype k = 0; k < 16; ++k)
            key->head[k / 8] = (key->head[k / 8] << 8) | (k < left ? quint8(at[k]) : 0);
    }
}

} // namespace

// Sorts entries as the list orders them; equal entries keep their order.
static QStringList sortedEntries(const QStringList &entries)
{
    // Keys take at most three bytes per code unit; larger batches than this cannot be read from a playlist file.
    constexpr qsizetype MaxKeyBytes = std::numeric_limits<quint32>::max();
    qsizetype room = 0;
    for (const QString &entry : entries)
        room += 3 * entry.size();
    if (room >= MaxKeyBytes) {
        QStringList sorted = entries;
        std::stable_sort(sorted.begin(), sorted.end(),
            [](const QString &a, const QString &b) { return PlaylistModel::compareEntries(a, b) < 0; });
        return sorted;
    }
    // Left uninitialised: only the bytes written are ever touched.
    const std::unique_ptr<char[]> bytes(new char[size_t(room) + 1]);
    std::vector<Key> keys;
    keys.reserve(size_t(entries.size()));
    char *out = bytes.get();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        char *end = writeSortKey(entries.at(i), out);
        keys.push_back({{0, 0}, quint32(out - bytes.get()), quint32(end - out), quint32(i)});
        out = end;
    }
    const char *data = bytes.get();
    const qsizetype shared = keys.empty() ? 0 : sharedPrefixEnd(keys.data(), keys.data() + keys.size(), data, 0);
    loadHeads(keys.data(), keys.data() + keys.size(), data, shared);
    // First by the first head: a radix sort, eleven bits a pass, skipping digits all keys share. It keeps the
    // order of adding among equal heads.
    std::vector<Key> spare(keys.size());
    constexpr int DigitBits = 11;
    constexpr quint64 DigitMask = (quint64(1) << DigitBits) - 1;
    for (int shift = 0; shift < 64; shift += DigitBits) {
        std::vector<qsizetype> offsets(DigitMask + 2, 0);
        for (const Key &key : keys)
            ++offsets[((key.head[0] >> shift) & DigitMask) + 1];
        if (std::find(offsets.cbegin(), offsets.cend(), qsizetype(keys.size())) != offsets.cend())
            continue;
        for (size_t d = 1; d < offsets.size(); ++d)
            offsets[d] += offsets[d - 1];
        for (const Key &key : keys)
            spare[size_t(offsets[(key.head[0] >> shift) & DigitMask]++)] = key;
        keys.swap(spare);
    }
    // Then each run of equal first heads by the rest. Keys of a run mostly share more than the first head (a
    // folder name): the heads are loaded anew from where the run's keys begin to differ, so that comparisons
    // within the run mostly stay integer ones too. Order: the heads, the rest of the key, the shorter key, the
    // order of adding.
    for (auto run = keys.begin(); run != keys.end();) {
        const auto end = std::find_if(run, keys.end(), [run](const Key &key) { return key.head[0] != run->head[0]; });
        if (end - run > 1) {
            const qsizetype offset = sharedPrefixEnd(&*run, &*run + (end - run), data, shared);
            if (offset != shared)
                loadHeads(&*run, &*run + (end - run), data, offset);
            std::sort(run, end, [data, offset](const Key &a, const Key &b) {
                if (a.head[0] != b.head[0])
                    return a.head[0] < b.head[0];
                if (a.head[1] != b.head[1])
                    return a.head[1] < b.head[1];
                // Equal heads: the keys agree up to the end of the heads or of the shorter key.
                const qsizetype common = std::min(a.length, b.length);
                const qsizetype from = std::min(offset + 16, common);
                const int c = std::memcmp(data + a.start + from, data + b.start + from, size_t(common - from));
                if (c != 0)
                    return c < 0;
                return a.length != b.length ? a.length < b.length : a.index < b.index;
            });
        }
        run = end;
    }
    QStringList sorted;
    sorted.reserve(entries.size());
    constexpr size_t Ahead = 8;
    for (size_t i = 0; i < keys.size(); ++i) {
        // Copying a string touches its shared data, which lies elsewhere for every entry of a shuffled list.
        if (i + Ahead < keys.size())
            __builtin_prefetch(entries.at(keys[i + Ahead].index).constData());
        sorted.append(entries.at(keys[i].index));
    }
    return sorted;
}

PlaylistModel::PlaylistModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

QString PlaylistModel::text(int i) const
{
    if (i < 0 || i >= m_entries.size())
        return {};
    return m_entries.at(i);
}

int PlaylistModel::compareEntries(const QString &a, const QString &b)
{
    // Entries share long beginnings (folders): skip the code units both have alike four at a time, stepping
    // back so as not to start inside a surrogate pair. From there ASCII is compared here, the rest by Qt.
    const qsizetype n = std::min(a.size(), b.size());
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    qsizetype i = 0;
    for (quint64 wa, wb; i + 4 <= n; i += 4) {
        std::memcpy(&wa, pa + i, sizeof wa);
        std::memcpy(&wb, pb + i, sizeof wb);
        if (wa != wb)
            break;
    }
    if (i > 0 && pa[i - 1].isHighSurrogate())
        --i;
    for (; i < n; ++i) {
        char16_t ca = pa[i].unicode();
        char16_t cb = pb[i].unicode();
        if ((ca | cb) >= 0x80)
            return QStringView(a).sliced(i).compare(QStringView(b).sliced(i), Qt::CaseInsensitive);
        if (ca >= 'A' && ca <= 'Z')
            ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z')
            cb += 'a' - 'A';
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int PlaylistModel::insertionIndex(const QString &entry) const
{
    const auto it = std::upper_bound(m_entries.cbegin(), m_entries.cend(), entry,
        [](const QString &a, const QString &b) { return compareEntries(a, b) < 0; });
    return int(it - m_entries.cbegin());
}

int PlaylistModel::add(const QString &entry)
{
    m_mergeMap.clear();
    const int row = insertionIndex(entry);
    beginInsertRows({}, row, row);
    m_entries.insert(row, entry);
    endInsertRows();
    emit countChanged(count());
    return row;
}

void PlaylistModel::addMany(const QStringList &entries)
{
    m_mergeMap.clear();
    if (entries.isEmpty())
        return;
    if (entries.size() < kMergeThreshold) {
        // Each row is announced to the views as it is inserted; only countChanged() waits for the whole batch.
        for (const QString &entry : entries) {
            const int row = insertionIndex(entry);
            beginInsertRows({}, row, row);
            m_entries.insert(row, entry);
            endInsertRows();
        }
    } else {
        const auto less = [](const QString &a, const QString &b) { return compareEntries(a, b) < 0; };
        QStringList added = entries;
        // Saved playlists are already in order; sorting them again would be most of the work.
        if (!std::is_sorted(added.cbegin(), added.cend(), less))
            added = sortedEntries(entries);

        QStringList merged;
        merged.reserve(m_entries.size() + added.size());
        m_mergeMap.assign(size_t(m_entries.size()), 0);
        if (m_entries.isEmpty())
            merged = std::move(added);
        qsizetype oldRow = 0;
        qsizetype newRow = 0;
        // Equal entries: the old ones come first, so an added entry lands after those already there.
        while (oldRow < m_entries.size() || newRow < added.size()) {
            const bool takeOld = newRow >= added.size()
                || (oldRow < m_entries.size() && !less(added.at(newRow), m_entries.at(oldRow)));
            if (takeOld) {
                m_mergeMap[size_t(oldRow)] = int(merged.size());
                merged.append(m_entries.at(oldRow++));
            } else {
                merged.append(added.at(newRow++));
            }
        }
        beginResetModel();
        m_entries = std::move(merged);
        endResetModel();
    }
    emit countChanged(count());
}

void PlaylistModel::removeAt(int i)
{
    m_mergeMap.clear();
    if (i < 0 || i >= m_entries.size())
        return;
    beginRemoveRows({}, i, i);
    m_entries.removeAt(i);
    endRemoveRows();
    emit countChanged(count());
}

void PlaylistModel::clear()
{
    m_mergeMap.clear();
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
    emit countChanged(0);
}

int PlaylistModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PlaylistModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_entries.at(index.row());
    return {};
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace quillet
