#include "playlist/playlistmodel.h"

#include <algorithm>

namespace quillet {

// Below this many new entries, rows are inserted one by one so that views keep their selection for free.
static constexpr qsizetype kMergeThreshold = 32;

// Sorts entries as the list orders them. Each entry is case-folded once, so the sort compares plain keys
// instead of folding both sides of every comparison. ASCII entries (the usual case) fold to bytes, compared
// with memcmp; for ASCII, lower case is exactly the fold that the list's comparison uses.
static QStringList sortedEntries(const QStringList &entries)
{
    bool ascii = true;
    for (const QString &entry : entries) {
        for (QChar c : entry) {
            if (c.unicode() >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (!ascii)
            break;
    }
    std::vector<qsizetype> order(size_t(entries.size()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = qsizetype(i);
    if (ascii) {
        std::vector<QByteArray> keys;
        keys.reserve(order.size());
        for (const QString &entry : entries) {
            QByteArray key(entry.size(), Qt::Uninitialized);
            char *out = key.data();
            for (QChar c : entry) {
                const char16_t u = c.unicode();
                *out++ = char(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u);
            }
            keys.push_back(std::move(key));
        }
        std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
            return keys[size_t(a)] < keys[size_t(b)];
        });
    } else {
        std::vector<QString> keys;
        keys.reserve(order.size());
        for (const QString &entry : entries)
            keys.push_back(entry.toCaseFolded());
        std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
            return keys[size_t(a)] < keys[size_t(b)];
        });
    }
    QStringList sorted;
    sorted.reserve(entries.size());
    for (qsizetype i : order)
        sorted.append(entries.at(i));
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
    return QString::compare(a, b, Qt::CaseInsensitive);
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
        const QSignalBlocker quiet(this);
        for (const QString &entry : entries) {
            const int row = insertionIndex(entry);
            beginInsertRows({}, row, row);
            m_entries.insert(row, entry);
            endInsertRows();
        }
        m_mergeMap.clear();
    } else {
        const auto less = [](const QString &a, const QString &b) { return compareEntries(a, b) < 0; };
        QStringList added = entries;
        // Saved playlists are already in order; sorting them again would be most of the work.
        if (!std::is_sorted(added.cbegin(), added.cend(), less))
            added = sortedEntries(entries);

        QStringList merged;
        merged.reserve(m_entries.size() + added.size());
        m_mergeMap.assign(size_t(m_entries.size()), 0);
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
