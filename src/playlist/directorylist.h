#pragma once

#include <QTreeWidget>

namespace quillet {

// The directory list Dir1: the chain of folders from the root down to the open directory, and the
// subdirectories of the open directory below it. Activating a folder (double-click or Enter) opens it.
// Hidden folders (names beginning with a dot) are not listed.
class DirectoryList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit DirectoryList(QWidget *parent = nullptr);

    // The open directory (absolute, without a trailing "/" except for the root itself).
    QString path() const { return m_path; }
    // Opens a directory; returns false and keeps the open one when it does not exist or cannot be read.
    // Emits pathChanged when the open directory changes.
    bool setPath(const QString &path);
    // Lists the open directory again.
    void refresh();
    // The subdirectories of the open directory as listed (names only).
    QStringList subdirectories() const;

    // The folder the browsing windows open at first: the user's Music folder, or the home folder without one.
    static QString startPath();

signals:
    // The open directory changed.
    void pathChanged(const QString &path);

protected:
    // The folders are always open: no expand or collapse marks are drawn.
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    void fill();
    void openItem(QTreeWidgetItem *item);

    QString m_path;
};

} // namespace quillet
