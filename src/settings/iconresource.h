#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace quillet {

// The icon resource file that ships with the program (a Qt binary resource, "quillet-icons.rcc"). It holds the
// pictures that file-type registration installs into the user's icon theme: "media.svg", "playlist.svg",
// "skin.svg" and the program's own "quillet.svg".
class IconResource
{
public:
    // The file name of the icon resource file.
    static QString fileName();
    // Where the file is looked for, first to last: QUILLET_ICON_FILE when set (and then only there); beside the
    // executable; the installed data directory ../share/quillet next to the executable's directory; quillet/ in
    // each XDG data directory.
    static QStringList candidatePaths();
    // The first candidate that exists, or the first candidate when none does (the path to name to the user).
    static QString locate();
    // The names of the pictures the file must hold.
    static QStringList pictureNames();

    // Reads every picture from the file; false when it is missing, is not a resource file or lacks a picture.
    bool load(const QString &path);
    // A picture read by load(), by name (e.g. "media.svg"); empty when not loaded.
    QByteArray picture(const QString &name) const { return m_pictures.value(name); }

private:
    QMap<QString, QByteArray> m_pictures;
};

} // namespace quillet
