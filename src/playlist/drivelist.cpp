#include "playlist/drivelist.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QStorageInfo>

#include <algorithm>

namespace quillet {

namespace {

// Whether a mounted file system is one a user would browse: a disk or network share, not a system area.
bool isUserVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    if (root == QLatin1String("/") || !QFileInfo(root).isDir())
        return false;
    static const char *const systemAreas[]
        = {"/boot", "/efi", "/proc", "/sys", "/dev", "/snap", "/var", "/usr", "/etc", "/tmp"};
    for (const char *area : systemAreas) {
        const QString prefix = QLatin1String(area);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return false;
    }
    if (root.startsWith(QLatin1String("/run/")) && !root.startsWith(QLatin1String("/run/media/")))
        return false;
    const QByteArray device = volume.device();
    const QByteArray type = volume.fileSystemType();
    if (device.startsWith("/dev/loop"))
        return false;
    static const char *const networkTypes[]
        = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "fuseblk", "fuse.gvfsd-fuse"};
    for (const char *network : networkTypes) {
        if (type == network)
            return true;
    }
    return device.startsWith("/dev/");
}

} // namespace

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    setDrives(mountedDrives());
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_updating && index >= 0)
            emit driveChanged(itemData(index).toString());
    });
}

QString DriveList::drive() const
{
    return currentData().toString();
}

void DriveList::showDriveOf(const QString &path)
{
    const QString cleaned = QDir::cleanPath(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString drivePath = itemData(i).toString();
        const bool holds = drivePath == QLatin1String("/") || cleaned == drivePath
            || cleaned.startsWith(drivePath + QLatin1Char('/'));
        if (holds && drivePath.size() > bestLength) {
            best = i;
            bestLength = drivePath.size();
        }
    }
    if (best < 0)
        return;
    const QScopedValueRollback<bool> updating(m_updating, true);
    setCurrentIndex(best);
}

void DriveList::setDrives(const QList<Drive> &drives)
{
    const QString chosen = drive();
    const QScopedValueRollback<bool> updating(m_updating, true);
    clear();
    for (const Drive &d : drives)
        addItem(d.label, d.path);
    const int index = findData(chosen);
    setCurrentIndex(index >= 0 ? index : 0);
}

void DriveList::refresh()
{
    setDrives(mountedDrives());
}

QList<Drive> DriveList::mountedDrives()
{
    QList<Drive> drives;
    drives.append({QStringLiteral("/"), QStringLiteral("/")});
    const QString home = QDir::homePath();
    if (home != QLatin1String("/") && QFileInfo(home).isDir())
        drives.append({home, tr("Home (%1)").arg(home)});
    QList<Drive> others;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (!isUserVolume(volume))
            continue;
        const QString root = volume.rootPath();
        if (root == home)
            continue;
        const bool listed = std::any_of(others.cbegin(), others.cend(), [&](const Drive &d) { return d.path == root; });
        if (listed)
            continue;
        const QString name = volume.name();
        others.append({root, name.isEmpty() ? root : QStringLiteral("%1 [%2]").arg(root, name)});
    }
    std::sort(others.begin(), others.end(), [](const Drive &a, const Drive &b) { return a.path < b.path; });
    drives += others;
    return drives;
}

void DriveList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

} // namespace quillet
