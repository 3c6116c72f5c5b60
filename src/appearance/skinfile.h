#pragma once

#include "appearance/skin.h"
#include "common/textfile.h"

#include <QStringList>

namespace quillet {

// Skin files (".qsk"): ten lines ended by CR LF - background colour, text colour, gradient on, picture on,
// picture file, playlist font, gradient red, green and spread, and a closing remark. Numbers are written with a
// blank (or a minus sign) before them and a blank after them.
class SkinFile
{
public:
    // What a read found.
    enum class Status {
        Read, // all nine values were read
        Ignored, // the file is missing or its first line is empty: nothing to take
        Unusable, // the file cannot be used; error says why
    };
    struct ReadResult
    {
        Status status = Status::Ignored;
        Skin skin;
        QString error;
    };

    // The ten lines of a skin file.
    static QStringList lines(const Skin &skin);
    // A number as the file writes it: " 8421504 " or "-16777216 ".
    static QString numberText(qint64 value);
    // Reads a skin file. A missing file or an empty first line is ignored; a file that cannot be read, has
    // fewer than nine lines, or holds a value that is not a number of its line's range is unusable, and no
    // value of it is taken.
    static ReadResult read(const QString &path);
    // Reads the nine values from the lines of a skin file (the first line must not be empty).
    static ReadResult parse(const QStringList &lines);
    // Writes the skin atomically: a failed write leaves any old file whole.
    static FileResult write(const QString &path, const Skin &skin);
    // The default skin file in the data directory, applied at every start.
    static QString defaultSkinPath();
};

} // namespace quillet
