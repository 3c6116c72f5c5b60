// Region data files (window shapes) loaded with cDIBSectionRegion::LoadFromFile, and the byte layout below it.

#include "fuzzsupport.h"

#include "appearance/cdibsectionregion.h"
#include "appearance/numberederror.h"
#include "appearance/regiondata.h"

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const std::optional<QRegion> region = RegionData::fromBytes(bytes);
    if (region) {
        // A region that was read writes out in the published layout and reads back as the same region.
        const QByteArray written = RegionData::toBytes(*region);
        QUILLET_FUZZ_CHECK(written.size() == RegionData::byteSize(*region));
        const std::optional<QRegion> again = RegionData::fromBytes(written);
        QUILLET_FUZZ_CHECK(again && *again == *region);
        QUILLET_FUZZ_CHECK(RegionData::toBytes(*again) == written);
    }

    // The file loader gives the same answer, and an empty file raises its numbered error instead of crashing.
    const QString path = fuzz::scratch().filePath(QStringLiteral("shape.rgn"));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, bytes));
    cDIBSectionRegion loader;
    try {
        const bool loaded = loader.LoadFromFile(path);
        QUILLET_FUZZ_CHECK(loaded == region.has_value());
    } catch (const NumberedError &) {
        QUILLET_FUZZ_CHECK(bytes.isEmpty());
    }
    return 0;
}
