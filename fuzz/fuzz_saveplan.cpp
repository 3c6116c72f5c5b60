// The plan of an in-place tag save, which the recovery record keeps on disk: between any old and new bytes it makes
// the new ones, it recognises every state a save cut short leaves, it writes into a real file and undoes, and it
// reads back from its stored form. The stored form is read from a file that anything may have changed, so any bytes
// are either refused or read as exactly what they say.

#include "fuzzsupport.h"

#include "tags/filedescriptor.h"
#include "tags/saveplan.h"

#include <fcntl.h>

using namespace quillet;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte splits the rest into the old and the new file; an even one into two of the same size, as a tag
    // that fits its room makes.
    const QByteArray rest = fuzz::inputBytes(data + 1, size - 1);
    const bool sameSize = data[0] % 2 == 0;
    const qsizetype split = sameSize ? rest.size() / 2 : qsizetype(data[0]) * rest.size() / 255;
    const QByteArray oldData = rest.first(split);
    const QByteArray newData = rest.sliced(split, sameSize ? split : rest.size() - split);

    const SavePlan plan = SavePlan::between(oldData, newData);
    QUILLET_FUZZ_CHECK(plan.result(oldData) == newData);
    // Every state a save leaves after some of its ranges, the whole and none included.
    QByteArray partial = oldData;
    QUILLET_FUZZ_CHECK(plan.couldHaveLeft(oldData, partial));
    for (const SavePlan::Piece &piece : plan.pieces()) {
        if (partial.size() < piece.at + piece.length)
            partial.resize(piece.at + piece.length);
        partial.replace(piece.at, piece.length, newData.sliced(piece.at, piece.length));
        QUILLET_FUZZ_CHECK(plan.couldHaveLeft(oldData, partial));
    }
    QUILLET_FUZZ_CHECK(plan.couldHaveLeft(oldData, newData));

    const std::optional<SavePlan> stored = SavePlan::parse(plan.serialized(), oldData.size(), newData.size());
    QUILLET_FUZZ_CHECK(stored && stored->result(oldData) == newData);

    // Written into a file and undone.
    const QString path = fuzz::scratch().filePath(QStringLiteral("song.mp3"));
    QUILLET_FUZZ_CHECK(fuzz::writeFile(path, oldData));
    {
        const FileDescriptor file = FileDescriptor::open(path, O_RDWR);
        QUILLET_FUZZ_CHECK(file.isValid() && plan.apply(file, newData));
        QUILLET_FUZZ_CHECK(fuzz::readFile(path) == newData);
        QUILLET_FUZZ_CHECK(plan.undo(file, oldData));
        QUILLET_FUZZ_CHECK(fuzz::readFile(path) == oldData);
    }

    // The whole input as a stored plan for these two sizes.
    const std::optional<SavePlan> read = SavePlan::parse(fuzz::inputBytes(data, size), oldData.size(), newData.size());
    if (read) {
        QUILLET_FUZZ_CHECK(read->serialized() == fuzz::inputBytes(data, size));
        QUILLET_FUZZ_CHECK(read->result(oldData).size() == newData.size());
    }
    return 0;
}
