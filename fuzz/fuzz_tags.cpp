// The ID3 tag component on arbitrary files: reading the tag and MPEG facts never fails, and writing one field or all
// six either succeeds and reads back, or fails and leaves the file byte for byte as it was.

#include "fuzzsupport.h"

#include "tags/taglibtag.h"

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QString path = fuzz::scratch().filePath(QStringLiteral("song.mp3"));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, bytes));

    TagLibTag tag;
    tag.fileName = path;
    tag.readTag();
    const int sampleRate = tag.sampleRate();
    const int mpegVersion = tag.mpegVersion();
    QUILLET_FUZZ_CHECK(sampleRate >= 0 && sampleRate <= 48);
    QUILLET_FUZZ_CHECK(mpegVersion == 0 || mpegVersion == 1 || mpegVersion == 2);
    QUILLET_FUZZ_CHECK((sampleRate == 0) == (mpegVersion == 0));

    // A save of one field leaves the others as they were read, or fails and leaves the file as it was.
    QByteArray current = bytes;
    const QStringList read {tag.song, tag.artist, tag.album, tag.year, tag.comment, tag.genre};
    tag.song = QStringLiteral("Only Song");
    tag.artist = QStringLiteral("Not Written");
    if (tag.writeTag({true, false, false, false, false, false})) {
        TagLibTag once;
        once.fileName = path;
        once.readTag();
        QUILLET_FUZZ_CHECK(once.song == tag.song);
        QUILLET_FUZZ_CHECK((QStringList {once.artist, once.album, once.year, once.comment, once.genre}) == read.mid(1));
        current = fuzz::readFile(path);
    } else {
        QUILLET_FUZZ_CHECK(!tag.lastError().isEmpty());
        QUILLET_FUZZ_CHECK(fuzz::readFile(path) == bytes);
    }

    // New values for every field; one outside Latin-1 so the frames need a Unicode encoding.
    tag.song = QStringLiteral("Fuzzed Song");
    tag.artist = QStringLiteral("Fuzzed Artist \u00c4\u2603");
    tag.album = QStringLiteral("Fuzzed Album");
    tag.year = QStringLiteral("1999");
    tag.comment = QStringLiteral("Fuzzed comment");
    tag.genre = QStringLiteral("Rock");
    if (!tag.writeTag()) {
        QUILLET_FUZZ_CHECK(!tag.lastError().isEmpty());
        QUILLET_FUZZ_CHECK(fuzz::readFile(path) == current);
        return 0;
    }

    // A written tag reads back, and the audio is still the same MPEG audio.
    TagLibTag again;
    again.fileName = path;
    again.readTag();
    QUILLET_FUZZ_CHECK(again.song == tag.song);
    QUILLET_FUZZ_CHECK(again.artist == tag.artist);
    QUILLET_FUZZ_CHECK(again.album == tag.album);
    QUILLET_FUZZ_CHECK(again.year == tag.year);
    QUILLET_FUZZ_CHECK(again.comment == tag.comment);
    QUILLET_FUZZ_CHECK(again.genre == tag.genre);
    // The ID3v1 tag is updated in place; in a crafted file its bytes may also be the end of an audio frame
    // that TagLib checks, so the audio facts are compared only for files without one.
    const bool hasId3v1 = bytes.size() >= 128 && bytes.sliced(bytes.size() - 128).startsWith("TAG");
    if (!hasId3v1) {
        QUILLET_FUZZ_CHECK(again.sampleRate() == sampleRate);
        QUILLET_FUZZ_CHECK(again.mpegVersion() == mpegVersion);
    }

    // Writing the same values again changes nothing.
    if (again.sampleRate() > 0) {
        const QByteArray written = fuzz::readFile(path);
        QUILLET_FUZZ_CHECK(again.writeTag());
        QUILLET_FUZZ_CHECK(fuzz::readFile(path) == written);
    }
    return 0;
}
