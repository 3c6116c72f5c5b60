// The tags of FLAC, Ogg Vorbis, Opus and MP4 files on arbitrary bytes: Quillet's own reader of their layout never
// reads outside the data, reading the tag never fails, and writing the six fields either succeeds and reads back,
// or fails and leaves the file byte for byte as it was.

#include "fuzzsupport.h"

#include "tags/formatlayout.h"
#include "tags/mediatag.h"

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    for (const AudioFormat format : {AudioFormat::Flac, AudioFormat::OggVorbis, AudioFormat::Opus, AudioFormat::M4a}) {
        FormatLayout layout;
        if (layout.parse(bytes, format))
            QUILLET_FUZZ_CHECK(layout.audio.size() <= bytes.size());
    }

    const QString path = fuzz::scratch().filePath(QStringLiteral("song.flac"));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, bytes));
    MediaTag tag;
    tag.fileName = path;
    tag.readTag();
    QUILLET_FUZZ_CHECK(tag.sampleRate() >= 0);

    tag.song = QStringLiteral("Fuzzed Song");
    tag.artist = QStringLiteral("Fuzzed Artist \u00c4\u2603");
    tag.year = QStringLiteral("1999");
    if (!tag.writeTag()) {
        QUILLET_FUZZ_CHECK(!tag.lastError().isEmpty());
        QUILLET_FUZZ_CHECK(fuzz::readFile(path) == bytes);
        return 0;
    }
    MediaTag again;
    again.fileName = path;
    again.readTag();
    QUILLET_FUZZ_CHECK(again.song == tag.song);
    QUILLET_FUZZ_CHECK(again.artist == tag.artist);
    QUILLET_FUZZ_CHECK(again.year == tag.year);
    QUILLET_FUZZ_CHECK(again.album == tag.album);
    QUILLET_FUZZ_CHECK(again.formatName() == tag.formatName());
    return 0;
}
