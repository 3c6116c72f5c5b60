#pragma once

#include <QString>

namespace quillet {

struct EmbeddedPicture;

// The cover of the track playing as a file that the desktop's media controls can show. Each picture is written
// once, into the folder "covers" of the user's cache folder, under a name made from its bytes; the file is removed
// when another track no longer needs it and when Quillet ends. Files that a Quillet which did not end left behind
// are removed a day later.
class CoverArtFile
{
public:
    CoverArtFile() = default;
    ~CoverArtFile();
    CoverArtFile(const CoverArtFile &) = delete;
    CoverArtFile &operator=(const CoverArtFile &) = delete;

    // The file:// URL of the picture's file, written when it is not there yet; empty for an empty picture, one that
    // is no picture, or one that cannot be written. The file published before is removed when it is another.
    QString publish(const EmbeddedPicture &picture);
    // The folder the covers are written to.
    static QString folder();

private:
    void removeCurrent();

    QString m_current;
};

} // namespace quillet
