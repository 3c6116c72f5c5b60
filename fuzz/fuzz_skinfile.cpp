// Skin files (.qsk) opened by the user or read as the default skin at every start.

#include "fuzzsupport.h"

#include "appearance/skinfile.h"
#include "common/textfile.h"

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QString path = fuzz::scratch().filePath(QStringLiteral("skin.qsk"));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, bytes));
    const SkinFile::ReadResult read = SkinFile::read(path);
    // Reading the file and parsing its lines are the same thing.
    const SkinFile::ReadResult parsed = SkinFile::parse(splitTextLines(bytes));
    QUILLET_FUZZ_CHECK(read.status == parsed.status && read.skin == parsed.skin && read.error == parsed.error);

    switch (read.status) {
    case SkinFile::Status::Read: {
        // The flags and levels stay in their ranges, and a skin that was read saves and loads back unchanged.
        const Skin &skin = read.skin;
        QUILLET_FUZZ_CHECK(skin.gradientOn == 0 || skin.gradientOn == 1);
        QUILLET_FUZZ_CHECK(skin.pictureOn == 0 || skin.pictureOn == 1);
        for (const qint16 level : {skin.gradientRed, skin.gradientGreen, skin.gradientSpread})
            QUILLET_FUZZ_CHECK(level >= 0 && level <= 255);
        const QString saved = fuzz::scratch().filePath(QStringLiteral("saved.qsk"));
        QUILLET_FUZZ_CHECK(SkinFile::write(saved, skin).ok);
        const SkinFile::ReadResult again = SkinFile::read(saved);
        QUILLET_FUZZ_CHECK(again.status == SkinFile::Status::Read && again.skin == skin);
        break;
    }
    case SkinFile::Status::Unusable:
        // The user is told why, and no value of the file is taken.
        QUILLET_FUZZ_CHECK(!read.error.isEmpty());
        QUILLET_FUZZ_CHECK(read.skin == Skin());
        break;
    case SkinFile::Status::Ignored:
        QUILLET_FUZZ_CHECK(read.skin == Skin());
        break;
    }
    return 0;
}
