#include "playlist/playlistmodel.h"

#include <algorithm>

namespace quillet {

// Below this many new entries, rows are inserted one by one so that views keep their selection for free.
static constexpr qsizetype kMergeThreshold = 32;

// Sorts entries as the list orders them. Each entry is case-folded once, so the sort compares plain UTF-16
// instead of folding both sides of every comparison.
static QStringList sortedEntries(const QStringList &entries)
{
    struct Keyed
    {
        QString folded;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        keyed.push_back({entries.at(i).toCaseFolded(), i});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) { return a.folded < b.folded; });
    QStringList sorted;
    sorted.reserve(entries.size());
    for (const Keyed &k : keyed)
        sorted.append(entries.at(k.index));
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
