#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <vector>

namespace quillet {

// The playlist as data: text entries kept in ascending order without regard to letter case. An entry equal to
// existing ones lands after them. Adding many entries at once is one sorted merge.
class PlaylistModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit PlaylistModel(QObject *parent = nullptr);

    // The number of entries.
    int count() const { return int(m_entries.size()); }
    // The entry at index i, or the empty text when i is out of range.
    QString text(int i) const;
    // All entries in list order.
    const QStringList &entries() const { return m_entries; }
    // Inserts one entry at its sorted place and returns its index.
    int add(const QString &entry);
    // Inserts many entries at their sorted places in one merge. Rows that existed before keep their identity:
    // lastMergeMap() tells where each old row went.
    void addMany(const QStringList &entries);
    // Removes the entry at index i (nothing when out of range).
    void removeAt(int i);
    // Removes all entries.
    void clear();
    // After addMany(): the new index of each row that existed before it (empty after an insert-by-insert add).
    const std::vector<int> &lastMergeMap() const { return m_mergeMap; }

    // The sorted place where an entry would be inserted: after every entry that is not greater than it.
    int insertionIndex(const QString &entry) const;
    // Compares two entries as the list orders them.
    static int compareEntries(const QString &a, const QString &b);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // The number of entries changed (after any add, remove or clear). Batched adds emit it once.
    void countChanged(int count);

private:
    QStringList m_entries;
    std::vector<int> m_mergeMap;
};

} // namespace quillet
