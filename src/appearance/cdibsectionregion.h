#pragma once

#include "common/colour.h"

#include <QList>
#include <QObject>
#include <QRegion>
#include <QVariant>

#include <optional>

class QWidget;

namespace quillet {

class cDIBSection;

// A window shape cut from a 24-bit bitmap: every pixel of the transparent colour is removed from the bitmap's
// rectangle. The region can be applied to several windows (QWidget::setMask), removed again, saved to a region
// data file and loaded from one or from a resource. Save and the loaders raise NumberedError (26010 to 26014,
// and the file errors) with the source "<executable>.cDIBSectionRegion".
class cDIBSectionRegion : public QObject
{
    Q_OBJECT
public:
    // An object without a region, applied to no window.
    explicit cDIBSectionRegion(QObject *parent = nullptr);
    // Removes the region from every listed window.
    ~cDIBSectionRegion() override;

    // Whether the region has been applied to hwnd (it is in the window list).
    bool Applied(QWidget *hwnd) const;
    // bState true: lists hwnd (once) and gives it the region's shape. False: takes any shape from hwnd, listed
    // or not, and drops it from the list keeping the others in order. A null window is ignored.
    void Applied(QWidget *hwnd, bool bState);
    // The number of listed windows.
    int AppliedToCount() const { return int(m_windows.size()); }
    // The listed window at the 1-based position lIndex; NumberedError 9 outside 1 to AppliedToCount().
    QWidget *hWndForIndex(int lIndex) const;
    // Takes the shape from every listed window, empties the list and deletes the region.
    void Destroy();
    // Builds a new region from the bitmap with lTransColor (0x00BBGGRR) as the transparent colour; the old
    // region is destroyed first. A bitmap without pixel memory leaves no region.
    void Create(const cDIBSection &cDib, ColourValue lTransColor = 0);
    // Writes the region data file, replacing any file at sPath only once the new one is complete. Raises
    // 26010 without a region, 75 when the file cannot be made and 57 when it cannot be written.
    bool Save(const QString &sPath);
    // Replaces the region by the one in the file; false (and no region) when the data is malformed. Raises 53
    // for a missing file, 75 for one that cannot be opened, 57 on a read error and 62 for an empty file.
    bool LoadFromFile(const QString &sFileName);
    // Replaces the region by the one in a resource: the program's own ":/rcdata/<vID>" when sDLL is empty
    // (326 when missing), otherwise resource "rcdata/<number>" of the Qt binary resource file sDLL, registered
    // for the load (26013 when it cannot be opened, 26014 when the resource is missing or not readable).
    bool LoadFromResource(const QVariant &vID, const QString &sDLL = QString());

    // The current region; nothing when there is none.
    std::optional<QRegion> region() const { return m_region; }
    // The source text of the errors raised: the executable's name followed by ".cDIBSectionRegion".
    static QString errorSource();

private:
    int windowPosition(const QWidget *hwnd) const;
    void detachFromAll();
    bool buildFromBytes(const QByteArray &data);
    void applyTo(QWidget *hwnd) const;
    void windowDestroyed(QObject *object);

    // A listed window; its QObject address is kept to recognise it in destroyed(), when it is no longer a QWidget.
    struct Window
    {
        QWidget *widget;
        QObject *object;
    };

    std::optional<QRegion> m_region;
    QList<Window> m_windows;
};

} // namespace quillet
