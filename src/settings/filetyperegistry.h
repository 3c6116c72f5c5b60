#pragma once

#include "common/textfile.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace quillet {

class IconResource;

// What a registered file is to the player: something to play, a playlist, or a skin.
enum class FileKind { Media, Playlist, Skin };

// Associates file extensions with the player for the current user, the freedesktop way: the type icons go into
// the user's hicolor icon theme, extensions without a known MIME type get a type in Quillet's shared-mime-info
// package, the desktop file quillet.desktop lists every registered type and starts the program with the file,
// and mimeapps.list makes it the default application for each of them. A registration adds to the earlier ones.
class FileTypeRegistry
{
public:
    // The directories and the program the registration is made for.
    struct Locations
    {
        QString dataHome; // $XDG_DATA_HOME
        QString configHome; // $XDG_CONFIG_HOME
        QString executable; // absolute path of the program the desktop file starts
    };

    // The current user's directories and the running executable.
    static Locations currentLocations();
    explicit FileTypeRegistry(const Locations &locations = currentLocations());

    // The desktop file's id, "quillet.desktop".
    static QString desktopId();
    // The class name ("Quillet.Audio", "Quillet.List", "Quillet.Skin") of a kind.
    static QString className(FileKind kind);
    // The description shown for files of a kind ("Quillet Audio Or Video File"...).
    static QString description(FileKind kind);
    // The icon name of a kind in the icon theme, e.g. "application-x-quillet-audio".
    static QString iconName(FileKind kind);
    // Quillet's own MIME type for an extension: "application/x-quillet-skin" for skins, otherwise
    // "application/x-quillet-" and the extension without its dot, e.g. "application/x-quillet-wmp".
    static QString ownMimeType(const QString &extension, FileKind kind);
    // The MIME types the shared MIME database gives a file with the extension (all of them when the extension is
    // ambiguous); Quillet's own type when it knows none. Skins always get Quillet's own type.
    static QStringList mimeTypesFor(const QString &extension, FileKind kind);
    // The Exec= value that starts the executable with one file, quoted and escaped as desktop files require
    // (through env when the path holds a %, which GLib would otherwise not find).
    static QString execLine(const QString &executable);

    // Adds an extension (".mp3") to register as the kind; an extension added twice is registered once.
    void add(const QString &extension, FileKind kind);
    // Writes the icons, the MIME package (and updates the MIME database), the desktop file and mimeapps.list.
    // Stops at the first failure and says what could not be done.
    FileResult registerTypes(const IconResource &icons) const;

    // The files the registration writes.
    QString desktopFilePath() const;
    QString mimePackagePath() const;
    QString mimeAppsListPath() const;
    // Every mimeapps.list the registration writes: the desktop-specific ones of XDG_CURRENT_DESKTOP that the
    // user has, then mimeapps.list.
    QStringList mimeAppsListPaths() const;

private:
    struct OwnType
    {
        QString comment;
        QString icon;
        QStringList globs;
    };

    FileResult installIcons(const IconResource &icons) const;
    FileResult writeMimePackage() const;
    FileResult writeDesktopFile() const;
    FileResult writeMimeAppsList() const;
    QMap<QString, OwnType> ownTypes() const;
    QStringList registeredMimeTypes() const;

    Locations m_locations;
    QMap<QString, FileKind> m_extensions;
};

} // namespace quillet
