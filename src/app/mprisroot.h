#pragma once

#include <QDBusAbstractAdaptor>
#include <QPointer>
#include <QStringList>

namespace quillet {

class Form1;

// The MPRIS root interface (org.mpris.MediaPlayer2): who the player is, what it opens, and Raise and Quit, which
// do what restoring the window from the tray and Exit do.
class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    // Attaches the interface to the exported object; the commands act on the main window.
    MprisRoot(Form1 *form, QObject *exported);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Quillet"); }
    // The installed desktop entry's name without ".desktop".
    QString desktopEntry() const { return QStringLiteral("quillet"); }
    QStringList supportedUriSchemes() const { return uriSchemes(); }
    QStringList supportedMimeTypes() const { return mimeTypes(); }

    // The URI schemes Quillet plays: local files and web streams.
    static QStringList uriSchemes();
    // The MIME types Quillet opens (media, playlists, skins), as its desktop entry lists them.
    static QStringList mimeTypes();

public slots:
    // Brings the main window back, as a double-click on the tray icon does.
    void Raise();
    // Ends the program, as Exit does.
    void Quit();

private:
    QPointer<Form1> m_form;
};

} // namespace quillet
