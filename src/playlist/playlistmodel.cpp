#include "playlist/playlistmodel.h"

#include <algorithm>
#include <cstring>

namespace quillet {

// Below this many new entries, rows are inserted one by one so that views keep their selection for free.
static constexpr qsizetype kMergeThreshold = 32;

// Appends the sort key of an entry to keys: its case-folded UTF-16 code units as bytes whose plain byte order is
// the order of the code units. ASCII (the usual case) takes one byte; every other code unit takes three, the
// first of them above every ASCII byte. Keys then compare with memcmp instead of folding both sides of every
// comparison.
static void appendSortKey(const QString &entry, QByteArray &keys)
{
    bool ascii = true;
    for (QChar c : entry) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        for (QChar c : entry) {
            const char16_t u = c.unicode();
            keys.append(char(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u));
        }
        return;
    }
    for (QChar c : entry.toCaseFolded()) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            keys.append(char(u));
        } else {
            keys.append(char(0xC0 | (u >> 12)));
            keys.append(char(0x80 | ((u >> 6) & 0x3F)));
            keys.append(char(0x80 | (u & 0x3F)));
        }
    }
}

// Sorts entries as the list orders them; equal entries keep their order.
static QStringList sortedEntries(const QStringList &entries)
{
    struct Key
    {
        qsizetype start;
        qsizetype length;
        qsizetype index;
    };
    QByteArray bytes;
    std::vector<Key> keys;
    keys.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const qsizetype start = bytes.size();
        appendSortKey(entries.at(i), bytes);
        keys.push_back({start, bytes.size() - start, i});
    }
    const char *data = bytes.constData();
    std::stable_sort(keys.begin(), keys.end(), [data](const Key &a, const Key &b) {
        const int c = std::memcmp(data + a.start, data + b.start, size_t(std::min(a.length, b.length)));
        return c != 0 ? c < 0 : a.length < b.length;
    });
    QStringList sorted;
    sorted.reserve(entries.size());
    for (const Key &key : keys)
        sorted.append(entries.at(key.index));
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
    // Entries share long ASCII beginnings (folders); those are compared here, the rest by Qt.
    const qsizetype n = std::min(a.size(), b.size());
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
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
