#pragma once

#include <QComboBox>

namespace quillet {

// One place the user can start browsing from: a mounted file system or the home folder.
struct Drive
{
    QString path; // the directory it opens
    QString label; // what the list shows
};

// The drive list Drive1: the mounted file systems a user would pick from (the root, the home folder, removable
// and network media). The list is read again each time it opens, so media mounted meanwhile show up.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);

    // The directory of the chosen drive (empty when the list is empty).
    QString drive() const;
    // Chooses the drive that holds the path (the one with the longest matching directory) without emitting
    // driveChanged, as the windows do when they open at a directory.
    void showDriveOf(const QString &path);
    // Replaces the entries (keeps the chosen drive when it is still listed).
    void setDrives(const QList<Drive> &drives);
    // Reads the mounted file systems again.
    void refresh();

    // The mounted file systems a user would pick from, root first and the home folder second.
    static QList<Drive> mountedDrives();

signals:
    // The user chose another drive.
    void driveChanged(const QString &path);

protected:
    void showPopup() override;

private:
    bool m_updating = false;
};

} // namespace quillet
