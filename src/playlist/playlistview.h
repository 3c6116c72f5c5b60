#pragma once

#include <QListView>

namespace quillet {

class PlaylistModel;

// The playlist list box: a list view over a PlaylistModel with extended selection and one current index.
// Other windows reach the playlist through this small API.
class PlaylistView : public QListView
{
    Q_OBJECT
public:
    explicit PlaylistView(QWidget *parent = nullptr);

    PlaylistModel *playlist() const { return m_model; }

    // Adds one entry at its sorted place; returns its index.
    int add(const QString &entry);
    // Adds many entries at their sorted places in one batch; the current entry and selection stay on their entries.
    void addMany(const QStringList &entries);
    // Removes all entries.
    void clear();
    // Removes the entry at index i.
    void removeAt(int i);
    // The number of entries.
    int count() const;
    // The text of entry i (empty when out of range).
    QString text(int i) const;
    // All entries in list order.
    QStringList entries() const;
    // The current index, -1 for none.
    int listIndex() const;
    // Makes entry i current and the only selected entry (-1 clears both), and emits listIndexSet so that the
    // window runs its selection handling, as a click does.
    void setListIndex(int i);
    // The text of the current entry, empty when there is none.
    QString currentText() const;
    // Whether entry i is selected.
    bool isSelected(int i) const;
    // The selected indices in ascending order.
    QList<int> selectedRows() const;
    // The number of selected entries.
    int selectedCount() const;

signals:
    // The program made an entry current (setListIndex), as a click does for the user.
    void listIndexSet(int index);
    // The user pressed a printable key, Enter (13) or Delete (127); every key but Space still reaches the list.
    void keyPressed(QChar character);
    // A key (an arrow, Page Up, Home, type-ahead...) made another entry current, as a click does.
    void currentMovedByKey(int index);
    // Files were dropped (local paths, in the order given).
    void filesDropped(const QStringList &paths);
    // The right mouse button went down over the list at a global position.
    void contextRequested(const QPoint &globalPos);
    // The mouse moved over the list.
    void mouseMoved();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    PlaylistModel *m_model = nullptr;
};

// The local files and folders of dropped data, in order; other URLs (other hosts included), plain text and paths
// that a playlist line cannot hold (relative, or with a line break) give nothing.
QStringList droppedLocalPaths(const class QMimeData *data);

} // namespace quillet
