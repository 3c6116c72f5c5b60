#include "playlist/playlistview.h"

#include "playlist/playlistmodel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace quillet {

PlaylistView::PlaylistView(QWidget *parent)
    : QListView(parent)
    , m_model(new PlaylistModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // All rows have the same height, which lets the view skip measuring 100,000 rows.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(1000);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setMouseTracking(true);
    setToolTip(QStringLiteral("PlayList"));
}

int PlaylistView::add(const QString &entry)
{
    return m_model->add(entry);
}

void PlaylistView::addMany(const QStringList &entries)
{
    const int oldCurrent = listIndex();
    const QList<int> oldSelected = selectedRows();
    m_model->addMany(entries);
    const std::vector<int> &map = m_model->lastMergeMap();
    if (map.empty())
        return;
    // The model was reset by the merge: put the current entry and the selection back on their entries.
    QItemSelection selection;
    for (int row : oldSelected) {
        if (row >= 0 && size_t(row) < map.size()) {
            const QModelIndex index = m_model->index(map[size_t(row)]);
            selection.select(index, index);
        }
    }
    if (oldCurrent >= 0 && size_t(oldCurrent) < map.size())
        selectionModel()->setCurrentIndex(m_model->index(map[size_t(oldCurrent)]), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void PlaylistView::clear()
{
    m_model->clear();
}

void PlaylistView::removeAt(int i)
{
    m_model->removeAt(i);
}

int PlaylistView::count() const
{
    return m_model->count();
}

QString PlaylistView::text(int i) const
{
    return m_model->text(i);
}

QStringList PlaylistView::entries() const
{
    return m_model->entries();
}

int PlaylistView::listIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void PlaylistView::setListIndex(int i)
{
    if (i < 0 || i >= count()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_model->index(i);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    emit listIndexSet(i);
}

QString PlaylistView::currentText() const
{
    return m_model->text(listIndex());
}

bool PlaylistView::isSelected(int i) const
{
    return selectionModel()->isRowSelected(i, {});
}

QList<int> PlaylistView::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList indexes = selectionModel()->selectedRows();
    rows.reserve(indexes.size());
    for (const QModelIndex &index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PlaylistView::selectedCount() const
{
    return int(selectionModel()->selectedRows().size());
}

void PlaylistView::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    // Space pauses and resumes; the list would also take it to select and to search.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        event->accept();
        emit keyPressed(QLatin1Char(' '));
        return;
    }
    const int before = listIndex();
    QListView::keyPressEvent(event);
    if (listIndex() != before && listIndex() >= 0)
        emit currentMovedByKey(listIndex());
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit keyPressed(QChar(13));
    else if (event->key() == Qt::Key_Delete)
        emit keyPressed(QChar(127));
    else if (text.size() == 1 && text.at(0).isPrint())
        emit keyPressed(text.at(0));
}

void PlaylistView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        emit contextRequested(event->globalPosition().toPoint());
        return;
    }
    QListView::mousePressEvent(event);
}

void PlaylistView::mouseMoveEvent(QMouseEvent *event)
{
    QListView::mouseMoveEvent(event);
    emit mouseMoved();
}

QStringList droppedLocalPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        // "file://localhost/a" names the local "/a"; Qt would read the host as a network share ("//localhost/a"),
        // which Linux resolves to another file. Other hosts name no file here.
        const QString host = url.host();
        const bool localHost = host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
        if (!url.isLocalFile() || !localHost)
            continue;
        // Each path becomes a playlist entry: an empty or relative one ("file:", "file:a.mp3") would be taken
        // against the root directory. A line break in a name is kept (saved lists hold it as a file URL).
        const QString path = url.path(QUrl::FullyDecoded);
        if (path.startsWith(QLatin1Char('/')))
            paths.append(path);
    }
    return paths;
}

void PlaylistView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedLocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedLocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedLocalPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

} // namespace quillet
