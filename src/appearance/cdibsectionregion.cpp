#include "appearance/cdibsectionregion.h"

#include "appearance/bandedregionbuilder.h"
#include "appearance/cdibsection.h"
#include "appearance/numberederror.h"
#include "appearance/regiondata.h"
#include "common/appdirs.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QSaveFile>
#include <QScopeGuard>
#include <QWidget>

#include <cmath>
#include <limits>

namespace quillet {

namespace {

enum ErrorNumber {
    SubscriptOutOfRange = 9,
    FileNotFound = 53,
    DeviceIoError = 57,
    InputPastEndOfFile = 62,
    PathFileAccessError = 75,
    ResourceNotFound = 326,
    NoRegionToSave = 26010,
    RegionSizeUnknown = 26011,
    RegionDataUnavailable = 26012,
    ModuleNotOpened = 26013,
    ResourceMissing = 26014,
};

[[noreturn]] void raise(int number, const QString &description)
{
    throw NumberedError(number, description, cDIBSectionRegion::errorSource());
}

// The opaque part of the bitmap, scanned in place row by row (memory row H - 1 - T holds picture row T). Each
// row's runs of non-matching pixels become one band; equal neighbouring rows merge. This is the same point set
// and the same banded rectangles as the full rectangle with every transparent column run cut out.
std::optional<QRegion> opaqueRegion(
    const uchar *bits, int width, int height, qsizetype bytesPerScanLine, uchar blue, uchar green, uchar red)
{
    BandedRegionBuilder builder;
    std::vector<BandedRegionBuilder::Span> spans;
    for (int top = 0; top < height; ++top) {
        const uchar *row = bits + qsizetype(height - 1 - top) * bytesPerScanLine;
        const auto transparent = [row, blue, green, red](int x) {
            const uchar *pixel = row + qsizetype(3) * x;
            return pixel[0] == blue && pixel[1] == green && pixel[2] == red;
        };
        spans.clear();
        int x = 0;
        while (x < width) {
            while (x < width && transparent(x))
                ++x;
            if (x == width)
                break;
            const int left = x;
            while (x < width && !transparent(x))
                ++x;
            spans.push_back({left, x});
        }
        if (!builder.addBand(top, top + 1, spans))
            return std::nullopt;
    }
    return builder.region();
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// Whether the identifier is numeric: a number, or a text that reads as one.
bool isNumeric(const QVariant &id)
{
    if (isNumber(id))
        return true;
    if (id.typeId() != QMetaType::QString)
        return false;
    bool ok = false;
    id.toString().trimmed().toDouble(&ok);
    return ok;
}

// The identifier as text: whole numbers without a fraction, everything else as Qt writes it.
QString idText(const QVariant &id)
{
    if (isNumber(id)) {
        const double value = id.toDouble();
        if (value == std::floor(value) && std::abs(value) < 1e15)
            return QString::number(qint64(value));
    }
    return id.toString();
}

} // namespace

cDIBSectionRegion::cDIBSectionRegion(QObject *parent)
    : QObject(parent)
{
}

cDIBSectionRegion::~cDIBSectionRegion()
{
    Destroy();
}

QString cDIBSectionRegion::errorSource()
{
    return applicationName() + QStringLiteral(".cDIBSectionRegion");
}

bool cDIBSectionRegion::Applied(QWidget *hwnd) const
{
    return windowPosition(hwnd) > 0;
}

void cDIBSectionRegion::Applied(QWidget *hwnd, bool bState)
{
    if (!hwnd)
        return;
    const int position = windowPosition(hwnd);
    if (bState) {
        if (position == 0) {
            m_windows.append(Window {hwnd, hwnd});
            connect(hwnd, &QObject::destroyed, this, &cDIBSectionRegion::windowDestroyed);
        }
        applyTo(hwnd);
        return;
    }
    hwnd->clearMask();
    if (position > 0) {
        disconnect(hwnd, &QObject::destroyed, this, &cDIBSectionRegion::windowDestroyed);
        m_windows.removeAt(position - 1);
    }
}

QWidget *cDIBSectionRegion::hWndForIndex(int lIndex) const
{
    if (lIndex < 1 || lIndex > m_windows.size())
        raise(SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return m_windows.at(lIndex - 1).widget;
}

void cDIBSectionRegion::Destroy()
{
    detachFromAll();
    m_region.reset();
}

void cDIBSectionRegion::Create(const cDIBSection &cDib, ColourValue lTransColor)
{
    Destroy();
    const auto red = uchar(lTransColor & 0xFF);
    const auto green = uchar((lTransColor >> 8) & 0xFF);
    const auto blue = uchar((lTransColor >> 16) & 0xFF);
    // Reading a bitmap that has no pixel memory would read nothing valid: no region then.
    const uchar *bits = cDib.DIBSectionBitsPtr();
    if (!bits || cDib.Width() <= 0 || cDib.Height() <= 0)
        return;
    m_region = opaqueRegion(bits, cDib.Width(), cDib.Height(), cDib.BytesPerScanLine(), blue, green, red);
}

bool cDIBSectionRegion::Save(const QString &sPath)
{
    if (!m_region)
        raise(NoRegionToSave, QStringLiteral("No region to save"));
    const qint64 size = RegionData::byteSize(*m_region);
    if (size <= 0 || size > std::numeric_limits<qint32>::max())
        raise(RegionSizeUnknown, QStringLiteral("Unable to determine size of region"));
    const QByteArray data = RegionData::toBytes(*m_region);
    if (data.size() != size)
        raise(RegionDataUnavailable, QStringLiteral("Unable to get region data"));
    // The new file replaces the old one only when it is complete, so a failed save keeps the old file whole.
    QSaveFile file(sPath);
    if (!file.open(QIODevice::WriteOnly))
        raise(PathFileAccessError, QStringLiteral("Path/File access error"));
    // Flush before commit: a short write found only while committing (a full disk, a file size limit) is not
    // always reported by commit() itself and would replace the old file with a cut-off one.
    if (file.write(data) != data.size() || !file.flush() || !file.commit())
        raise(DeviceIoError, QStringLiteral("Device I/O error"));
    return true;
}

bool cDIBSectionRegion::LoadFromFile(const QString &sFileName)
{
    const QFileInfo info(sFileName);
    if (!info.exists())
        raise(FileNotFound, QStringLiteral("File not found"));
    QFile file(sFileName);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        raise(PathFileAccessError, QStringLiteral("Path/File access error"));
    // Region data never reaches 2 GiB (its sizes are 32-bit); a bigger file cannot hold a valid region.
    if (file.size() > std::numeric_limits<qint32>::max())
        return buildFromBytes(QByteArray());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raise(DeviceIoError, QStringLiteral("Device I/O error"));
    if (data.isEmpty())
        raise(InputPastEndOfFile, QStringLiteral("Input past end of file"));
    return buildFromBytes(data);
}

bool cDIBSectionRegion::LoadFromResource(const QVariant &vID, const QString &sDLL)
{
    const QString id = idText(vID);
    if (sDLL.isEmpty()) {
        const QString path = QStringLiteral(":/rcdata/") + id;
        const QFileInfo info(path);
        QFile resource(path);
        if (id.isEmpty() || !info.isFile() || !resource.open(QIODevice::ReadOnly))
            raise(ResourceNotFound, QStringLiteral("Resource with identifier '%1' not found").arg(id));
        return buildFromBytes(resource.readAll());
    }

    // Each load maps the module at its own root so that it can never hide or replace the program's resources.
    static int loadCount = 0;
    const QString root = QStringLiteral("/quillet-module-%1").arg(++loadCount);
    // An empty file is no resource file; Qt would also keep the buffer it read for it when refusing it.
    if (QFileInfo(sDLL).size() == 0 || !QResource::registerResource(sDLL, root))
        raise(ModuleNotOpened, QStringLiteral("Can't open DLL for Resource Access"));
    const auto unregister = qScopeGuard([&] { QResource::unregisterResource(sDLL, root); });

    // Only numeric identifiers name a resource in a module; a text identifier finds nothing.
    const QString name = isNumeric(vID) ? QStringLiteral("#") + id : QString();
    const QFileInfo info(QLatin1Char(':') + root + QStringLiteral("/rcdata/") + name.mid(1));
    if (name.isEmpty() || !info.exists())
        raise(ResourceMissing, QStringLiteral("Resource with ID ") + id + QStringLiteral(" could not be found"));
    if (!info.isFile())
        raise(ResourceMissing,
            QStringLiteral("Cannot access data for resource with ID ") + id + QStringLiteral(" could not be found"));
    const QResource resource(info.filePath());
    const QByteArray data = resource.uncompressedData();
    if (data.isEmpty())
        return false;
    return buildFromBytes(data);
}

int cDIBSectionRegion::windowPosition(const QWidget *hwnd) const
{
    for (int i = 0; i < m_windows.size(); ++i) {
        if (m_windows.at(i).widget == hwnd)
            return i + 1;
    }
    return 0;
}

void cDIBSectionRegion::detachFromAll()
{
    for (const Window &window : std::as_const(m_windows)) {
        disconnect(window.widget, &QObject::destroyed, this, &cDIBSectionRegion::windowDestroyed);
        window.widget->clearMask();
    }
    m_windows.clear();
}

bool cDIBSectionRegion::buildFromBytes(const QByteArray &data)
{
    Destroy();
    m_region = RegionData::fromBytes(data);
    return m_region.has_value();
}

void cDIBSectionRegion::applyTo(QWidget *hwnd) const
{
    if (!m_region) {
        hwnd->clearMask();
    } else if (m_region->isEmpty()) {
        // QWidget reads an empty mask as "no mask"; a shape that lies wholly outside the window shows nothing,
        // which is what an empty region means.
        hwnd->setMask(QRegion(-1, -1, 1, 1));
    } else {
        hwnd->setMask(*m_region);
    }
}

void cDIBSectionRegion::windowDestroyed(QObject *object)
{
    m_windows.removeIf([object](const Window &window) { return window.object == object; });
}

} // namespace quillet
