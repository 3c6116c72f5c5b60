#pragma once

// Asks the real freedesktop tools what a desktop would do with a file: the type the shared MIME database gives it
// and the application xdg-mime and GLib's gio would open it with.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace quillet::testing {

// What a tool prints; desktop is the XDG_CURRENT_DESKTOP it runs under (a plain one by default, so that xdg-mime
// answers from the mimeapps.list files).
inline QString desktopTool(const QString &program, const QStringList &arguments, const QString &desktop = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("XDG_CURRENT_DESKTOP"), desktop.isEmpty() ? QStringLiteral("X-Generic") : desktop);
    for (const char *name :
        {"KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "DESKTOP_SESSION", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return QStringLiteral("<%1 hung>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The default application GLib names for a type ("" for none).
inline QString gioDefault(const QString &type, const QString &desktop = {})
{
    const QString out = desktopTool(QStringLiteral("gio"), {QStringLiteral("mime"), type}, desktop);
    const QString line = out.section(QLatin1Char('\n'), 0, 0);
    return line.startsWith(QLatin1String("Default application")) ? line.section(QStringLiteral(": "), 1) : QString();
}

// The type gio gives a file (by name, and by content where the name says nothing), followed by " in Quillet"
// when both xdg-mime and gio open that type with quillet.desktop.
inline QString opensIn(const QString &file)
{
    const QString info = desktopTool(QStringLiteral("gio"),
        {QStringLiteral("info"), QStringLiteral("-a"), QStringLiteral("standard::content-type"), file});
    const QString type = info.section(QStringLiteral("standard::content-type: "), 1).trimmed();
    const QString xdg
        = desktopTool(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
    const QString gio = gioDefault(type);
    const bool quillet = xdg == QLatin1String("quillet.desktop") && gio == QLatin1String("quillet.desktop");
    return type + (quillet ? QStringLiteral(" in Quillet") : QStringLiteral(" elsewhere (%1, %2)").arg(xdg, gio));
}

// A video CD track: a RIFF header of form CDXA.
inline QByteArray videoCdTrack()
{
    return QByteArray("RIFF\x24\x10\0\0CDXAfmt ", 16) + QByteArray(64, '\0');
}

} // namespace quillet::testing
