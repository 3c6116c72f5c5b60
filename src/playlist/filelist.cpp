#include "playlist/filelist.h"

#include "common/entrypath.h"

#include <QDir>
#include <QFileInfo>

namespace quillet {

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
    , m_pattern(QStringLiteral("*"))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

bool FileList::setPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    m_path = QDir::cleanPath(info.absoluteFilePath());
    fill();
    return true;
}

void FileList::setPattern(const QString &pattern)
{
    m_pattern = FilePattern(pattern);
    fill();
}

void FileList::refresh()
{
    fill();
}

QStringList FileList::fileNames() const
{
    QStringList names;
    names.reserve(count());
    for (int i = 0; i < count(); ++i)
        names << item(i)->text();
    return names;
}

QString FileList::filePath(const QString &name) const
{
    return joinPath(m_path, name);
}

void FileList::setListIndex(int index)
{
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(index);
}

void FileList::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    emit lostFocus();
}

void FileList::fill()
{
    clear();
    if (m_path.isEmpty())
        return;
    addItems(m_pattern.namesIn(m_path));
}

} // namespace quillet
