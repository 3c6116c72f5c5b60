#include "settings/filetyperegistry.h"

#include "settings/iconresource.h"
#include "settings/mimeappslist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace quillet {

namespace {

const QLatin1String kOwnTypePrefix("application/x-quillet-");
const QLatin1String kPackageNamespace("http://www.freedesktop.org/standards/shared-mime-info");

// Extensions whose files Quillet only claims when their content says so: the extension alone is shared with many
// other kinds of file. A .dat file is a video CD track when it starts with a RIFF header of form "CDXA".
struct Signature
{
    const char *extension;
    const char *riffForm;
};
const Signature kSignatures[] = {{"dat", "CDXA"}};

const char *riffFormOf(const QString &ownType)
{
    for (const Signature &signature : kSignatures) {
        if (ownType == kOwnTypePrefix + QLatin1String(signature.extension))
            return signature.riffForm;
    }
    return nullptr;
}

FileResult failure(const QString &text)
{
    return {false, text};
}

FileResult writeFile(const QString &path, const QByteArray &bytes)
{
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory))
        return failure(QStringLiteral("Cannot write %1: the folder %2 cannot be created.").arg(path, directory));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(QStringLiteral("Cannot write %1: %2").arg(path, reason));
    }
    if (!file.commit())
        return failure(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return {};
}

// Runs a freedesktop tool and waits for it; a tool that is missing, fails or hangs is an error.
FileResult runTool(const QString &program, const QStringList &arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return failure(QStringLiteral("%1 was not found.").arg(program));
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(path, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return failure(QStringLiteral("%1 did not finish.").arg(program));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString detail = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return failure(QStringLiteral("%1 failed: %2").arg(program, detail));
    }
    return {};
}

QString sanitisedExtension(const QString &extension)
{
    QString name = extension.trimmed().toLower();
    if (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    for (QChar &c : name) {
        const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-');
        if (!allowed)
            c = QLatin1Char('-');
    }
    return name;
}

// The value of "key=" in a desktop file's text, or the empty text.
QString desktopValue(const QByteArray &bytes, const QString &key)
{
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    const QString prefix = key + QLatin1Char('=');
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    }
    return {};
}

QByteArray readIfPresent(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

FileTypeRegistry::Locations FileTypeRegistry::currentLocations()
{
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        QCoreApplication::applicationFilePath()};
}

FileTypeRegistry::FileTypeRegistry(const Locations &locations)
    : m_locations(locations)
{
}

QString FileTypeRegistry::desktopId()
{
    return QStringLiteral("quillet.desktop");
}

QString FileTypeRegistry::className(FileKind kind)
{
    switch (kind) {
    case FileKind::Media:
        return QStringLiteral("Quillet.Audio");
    case FileKind::Playlist:
        return QStringLiteral("Quillet.List");
    case FileKind::Skin:
        return QStringLiteral("Quillet.Skin");
    }
    return {};
}

QString FileTypeRegistry::description(FileKind kind)
{
    switch (kind) {
    case FileKind::Media:
        return QStringLiteral("Quillet Audio Or Video File");
    case FileKind::Playlist:
        return QStringLiteral("Quillet PlayList");
    case FileKind::Skin:
        return QStringLiteral("Quillet Skin");
    }
    return {};
}

QString FileTypeRegistry::iconName(FileKind kind)
{
    switch (kind) {
    case FileKind::Media:
        return QStringLiteral("application-x-quillet-audio");
    case FileKind::Playlist:
        return QStringLiteral("application-x-quillet-list");
    case FileKind::Skin:
        return QStringLiteral("application-x-quillet-skin");
    }
    return {};
}

static QString pictureOf(FileKind kind)
{
    switch (kind) {
    case FileKind::Media:
        return QStringLiteral("media.svg");
    case FileKind::Playlist:
        return QStringLiteral("playlist.svg");
    case FileKind::Skin:
        return QStringLiteral("skin.svg");
    }
    return {};
}

QString FileTypeRegistry::ownMimeType(const QString &extension, FileKind kind)
{
    if (kind == FileKind::Skin)
        return kOwnTypePrefix + QStringLiteral("skin");
    return kOwnTypePrefix + sanitisedExtension(extension);
}

QStringList FileTypeRegistry::mimeTypesFor(const QString &extension, FileKind kind)
{
    if (kind == FileKind::Skin)
        return {ownMimeType(extension, kind)};
    QStringList names;
    // Once registered, Quillet's own types are in the database too; they are recognised and made the same way.
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("file") + extension.trimmed());
    for (const QMimeType &type : types) {
        if (!type.isDefault() && !type.name().startsWith(kOwnTypePrefix) && !names.contains(type.name()))
            names.append(type.name());
    }
    if (names.isEmpty())
        names.append(ownMimeType(extension, kind));
    return names;
}

QString FileTypeRegistry::execLine(const QString &executable)
{
    // Arguments with reserved characters are double-quoted, with ", `, $ and \ escaped inside the quotes.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = executable.isEmpty();
    for (const QChar c : executable)
        quote = quote || reserved.contains(c);
    QString argument;
    if (quote) {
        argument = QStringLiteral("\"");
        for (const QChar c : executable) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                argument += QLatin1Char('\\');
            argument += c;
        }
        argument += QLatin1Char('"');
    } else {
        argument = executable;
    }
    // Field codes start with %, so a literal one is doubled.
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The value is also a desktop-file string, whose own escapes apply before the quoting above.
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    argument.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    argument.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    // GLib looks for the program named first before it expands the field codes, so a path with a doubled %
    // is not found and the entry is dropped; env, found on the PATH, gets the path after the expansion.
    if (executable.contains(QLatin1Char('%')))
        argument.prepend(QStringLiteral("env "));
    // Several files selected together come in one start (Quillet adds each and plays the first).
    return argument + QStringLiteral(" %F");
}

void FileTypeRegistry::add(const QString &extension, FileKind kind)
{
    m_extensions.insert(extension.trimmed(), kind);
}

QString FileTypeRegistry::desktopFilePath() const
{
    return m_locations.dataHome + QStringLiteral("/applications/") + desktopId();
}

QString FileTypeRegistry::mimePackagePath() const
{
    return m_locations.dataHome + QStringLiteral("/mime/packages/quillet.xml");
}

QString FileTypeRegistry::mimeAppsListPath() const
{
    return m_locations.configHome + QStringLiteral("/mimeapps.list");
}

QStringList FileTypeRegistry::registeredMimeTypes() const
{
    QStringList names;
    for (auto it = m_extensions.cbegin(); it != m_extensions.cend(); ++it) {
        const QStringList types = mimeTypesFor(it.key(), it.value());
        for (const QString &type : types) {
            if (!names.contains(type))
                names.append(type);
        }
    }
    names.sort();
    return names;
}

FileResult FileTypeRegistry::registerTypes(const IconResource &icons) const
{
    // mimeapps.list comes last, so that it never names a desktop file or type that could not be written.
    FileResult result = installIcons(icons);
    if (result.ok)
        result = writeMimePackage();
    if (result.ok)
        result = writeDesktopFile();
    if (result.ok)
        result = writeMimeAppsList();
    return result;
}

FileResult FileTypeRegistry::installIcons(const IconResource &icons) const
{
    const QString theme = m_locations.dataHome + QStringLiteral("/icons/hicolor/scalable/");
    for (FileKind kind : {FileKind::Media, FileKind::Playlist, FileKind::Skin}) {
        const QString path = theme + QStringLiteral("mimetypes/") + iconName(kind) + QStringLiteral(".svg");
        if (FileResult result = writeFile(path, icons.picture(pictureOf(kind))); !result.ok)
            return result;
    }
    return writeFile(theme + QStringLiteral("apps/quillet.svg"), icons.picture(QStringLiteral("quillet.svg")));
}

QMap<QString, FileTypeRegistry::OwnType> FileTypeRegistry::ownTypes() const
{
    QMap<QString, OwnType> types;
    // The types of earlier registrations stay declared.
    QXmlStreamReader reader(readIfPresent(mimePackagePath()));
    QString current;
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::Invalid) {
        if (reader.isEndElement() && reader.name() == QLatin1String("mime-type"))
            current.clear();
        if (!reader.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == QLatin1String("mime-type")) {
            current = attributes.value(QLatin1String("type")).toString();
            if (!current.startsWith(kOwnTypePrefix))
                current.clear();
        } else if (current.isEmpty()) {
            continue;
        } else if (reader.name() == QLatin1String("comment")) {
            types[current].comment = reader.readElementText();
        } else if (reader.name() == QLatin1String("icon")) {
            types[current].icon = attributes.value(QLatin1String("name")).toString();
        } else if (reader.name() == QLatin1String("glob")) {
            types[current].globs.append(attributes.value(QLatin1String("pattern")).toString());
        }
    }
    if (reader.hasError())
        types.clear();

    for (auto it = m_extensions.cbegin(); it != m_extensions.cend(); ++it) {
        const QStringList names = mimeTypesFor(it.key(), it.value());
        const QString own = ownMimeType(it.key(), it.value());
        if (!names.contains(own))
            continue;
        OwnType &type = types[own];
        type.comment = description(it.value());
        type.icon = iconName(it.value());
        const QString glob = QStringLiteral("*.") + it.key().mid(it.key().startsWith(QLatin1Char('.')) ? 1 : 0);
        if (!type.globs.contains(glob, Qt::CaseInsensitive))
            type.globs.append(glob);
    }
    return types;
}

FileResult FileTypeRegistry::writeMimePackage() const
{
    const QMap<QString, OwnType> types = ownTypes();
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("mime-info"));
    xml.writeDefaultNamespace(kPackageNamespace);
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        xml.writeStartElement(QStringLiteral("mime-type"));
        xml.writeAttribute(QStringLiteral("type"), it.key());
        xml.writeTextElement(QStringLiteral("comment"), it->comment);
        if (!it->icon.isEmpty()) {
            xml.writeEmptyElement(QStringLiteral("icon"));
            xml.writeAttribute(QStringLiteral("name"), it->icon);
        }
        if (const char *form = riffFormOf(it.key())) {
            // No glob: a name match would win over the content and take every file with the extension.
            xml.writeStartElement(QStringLiteral("magic"));
            xml.writeAttribute(QStringLiteral("priority"), QStringLiteral("60"));
            xml.writeStartElement(QStringLiteral("match"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("string"));
            xml.writeAttribute(QStringLiteral("offset"), QStringLiteral("0"));
            xml.writeAttribute(QStringLiteral("value"), QStringLiteral("RIFF"));
            xml.writeEmptyElement(QStringLiteral("match"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("string"));
            xml.writeAttribute(QStringLiteral("offset"), QStringLiteral("8"));
            xml.writeAttribute(QStringLiteral("value"), QLatin1String(form));
            xml.writeEndElement();
            xml.writeEndElement();
        } else {
            QStringList globs = it->globs;
            globs.sort();
            for (const QString &glob : std::as_const(globs)) {
                xml.writeEmptyElement(QStringLiteral("glob"));
                xml.writeAttribute(QStringLiteral("pattern"), glob);
            }
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    if (FileResult result = writeFile(mimePackagePath(), bytes); !result.ok)
        return result;
    return runTool(QStringLiteral("update-mime-database"), {m_locations.dataHome + QStringLiteral("/mime")});
}

FileResult FileTypeRegistry::writeDesktopFile() const
{
    QStringList mimeTypes = registeredMimeTypes();
    // The types of earlier registrations stay listed.
    const QString earlier = desktopValue(readIfPresent(desktopFilePath()), QStringLiteral("MimeType"));
    const QStringList earlierTypes = earlier.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &type : earlierTypes) {
        if (!mimeTypes.contains(type))
            mimeTypes.append(type);
    }
    mimeTypes.sort();

    const QStringList lines {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Version=1.0"),
        QStringLiteral("Name=Quillet"),
        QStringLiteral("GenericName=Media Player"),
        QStringLiteral("Comment=Play audio and video files, playlists and skins"),
        QStringLiteral("Icon=quillet"),
        QStringLiteral("Exec=") + execLine(m_locations.executable),
        QStringLiteral("Terminal=false"),
        QStringLiteral("Categories=AudioVideo;Audio;Video;Player;"),
        QStringLiteral("MimeType=") + mimeTypes.join(QLatin1Char(';')) + QLatin1Char(';'),
    };
    if (FileResult result = writeFile(desktopFilePath(), (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        !result.ok)
        return result;
    // The cache only speeds up "open with" lists; desktops read the desktop file without it.
    runTool(QStringLiteral("update-desktop-database"), {QFileInfo(desktopFilePath()).absolutePath()});
    return {};
}

QStringList FileTypeRegistry::mimeAppsListPaths() const
{
    // Desktops read <desktop>-mimeapps.list before mimeapps.list, in the order XDG_CURRENT_DESKTOP names them,
    // and the first default found wins: every such file of the user's that exists gets the defaults too.
    QStringList paths;
    const QStringList desktops
        = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        // A desktop name is a plain word; anything that could lead out of the folder is not one.
        if (desktop.contains(QLatin1Char('/')) || desktop.startsWith(QLatin1Char('.')))
            continue;
        const QString path
            = m_locations.configHome + QLatin1Char('/') + desktop.toLower() + QStringLiteral("-mimeapps.list");
        if (QFileInfo::exists(path) && !paths.contains(path))
            paths.append(path);
    }
    paths.append(mimeAppsListPath());
    return paths;
}

FileResult FileTypeRegistry::writeMimeAppsList() const
{
    for (const QString &path : mimeAppsListPaths()) {
        QByteArray existing;
        if (QFileInfo::exists(path)) {
            if (FileResult result = readWholeFile(path, &existing, 16 * 1024 * 1024); !result.ok)
                return result;
        }
        const QString text
            = MimeAppsList::withDefaults(QString::fromUtf8(existing), registeredMimeTypes(), desktopId());
        if (FileResult result = writeFile(path, text.toUtf8()); !result.ok)
            return result;
    }
    return {};
}

} // namespace quillet
