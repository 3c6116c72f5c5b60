#include "playlist/directorylist.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>

#include <algorithm>

namespace quillet {

namespace {

constexpr int PathRole = Qt::UserRole;

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { openItem(item); });
}

bool DirectoryList::setPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    const QString cleaned = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = cleaned != m_path;
    m_path = cleaned;
    fill();
    if (changed)
        emit pathChanged(m_path);
    return true;
}

void DirectoryList::refresh()
{
    fill();
}

QStringList DirectoryList::subdirectories() const
{
    QStringList names;
    const QTreeWidgetItem *open = currentItem();
    if (!open)
        return names;
    for (int i = 0; i < open->childCount(); ++i)
        names << open->child(i)->text(0);
    return names;
}

QString DirectoryList::startPath()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir())
        return music;
    return QDir::homePath();
}

void DirectoryList::fill()
{
    clear();
    if (m_path.isEmpty())
        return;
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain of folders from the root down to the open directory, each one level deeper.
    QStringList parts = m_path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    auto *item = new QTreeWidgetItem(this, {QStringLiteral("/")});
    item->setIcon(0, openIcon);
    item->setData(0, PathRole, QStringLiteral("/"));
    QString walked;
    for (const QString &part : std::as_const(parts)) {
        walked += QLatin1Char('/') + part;
        item = new QTreeWidgetItem(item, {part});
        item->setIcon(0, openIcon);
        item->setData(0, PathRole, walked);
    }
    QTreeWidgetItem *open = item;

    QStringList names = QDir(m_path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    const QString prefix = m_path == QLatin1String("/") ? m_path : m_path + QLatin1Char('/');
    for (const QString &name : std::as_const(names)) {
        auto *child = new QTreeWidgetItem(open, {name});
        child->setIcon(0, closedIcon);
        child->setData(0, PathRole, prefix + name);
    }
    expandAll();
    setCurrentItem(open);
    scrollToItem(open);
}

void DirectoryList::drawBranches(QPainter *, const QRect &, const QModelIndex &) const { }

void DirectoryList::openItem(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QString target = item->data(0, PathRole).toString();
    if (!setPath(target))
        fill(); // The folder went away meanwhile: show the directory as it is now.
}

} // namespace quillet
