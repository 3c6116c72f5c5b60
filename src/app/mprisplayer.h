#pragma once

#include "app/coverartfile.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QPointer>
#include <QVariantMap>

#include <deque>
#include <functional>

namespace quillet {

class Form1;

// The MPRIS player interface (org.mpris.MediaPlayer2.Player) over the main window. Every method runs the command
// of the window's own button (Play is Play, Next is Next...), so messages and playlist rules stay the same; the
// properties describe the main player and the file it opened. Changes are announced with PropertiesChanged,
// position jumps with Seeked.
class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    // Attaches the interface to the object exported at objectPath on the bus, and follows the main window. The
    // exported object should be a QDBusContext: Qt keeps the calls' context there, and OpenUri answers errors with it.
    MprisPlayer(Form1 *form, QObject *exported, const QDBusConnection &bus, const QString &objectPath);

    // "Playing", "Paused" or "Stopped", from the main player.
    QString playbackStatus() const;
    // Always 1: Quillet plays at normal speed only.
    double rate() const { return 1.0; }
    // Ignored: the rate cannot change.
    void setRate(double) { }
    // The opened file: track id, length in microseconds, title (a stream's current song), artist, album, track
    // number, URL and the URL of its cover.
    QVariantMap metadata() const;
    // The volume scroll bar's position, from 0 (its bottom) to 1 (full volume).
    double volume() const;
    // Moves the volume scroll bar, as the user does; values outside 0 to 1 are clamped.
    void setVolume(double volume);
    // The playing position in microseconds.
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

    // The track id of the opened file, or the "no track" path.
    QString currentTrackId() const;
    // Sends PropertiesChanged for each announced property whose value differs from what was last sent.
    void publishChanges();

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    // Moves the position by an offset in microseconds; past the end it goes on to the next entry.
    void Seek(qlonglong Offset);
    // Moves to a position in microseconds when the track id names the opened file.
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position);
    // Opens a file or URL as a file handed over on the command line does, and starts it; a folder adds its media
    // files, as the directory browser does, and starts the first.
    void OpenUri(const QString &Uri);

signals:
    // The position jumped (a seek, not the passing of time); in microseconds.
    void Seeked(qlonglong Position);

private:
    struct Track
    {
        QString file;
        QString title;
        QString artist;
        QString album;
        int trackNumber = 0;
        QString artUrl;
        double length = 0;
    };

    void run(std::function<void(Form1 &)> command);
    void runCommands();
    // Answers the D-Bus call being handled with an error.
    void refuse(const QString &reason, QDBusError::ErrorType type = QDBusError::Failed) const;
    void trackOpened();
    bool trackIsCurrent() const;
    void followPosition();
    void rememberPosition(double seconds);
    QVariantMap announcedProperties() const;

    QPointer<Form1> m_form;
    QDBusConnection m_bus;
    QString m_objectPath;
    Track m_track;
    quint64 m_trackNumber = 0;
    QVariantMap m_published;
    // Where the position was last seen and whether it was moving then, to tell seeks from playing.
    double m_lastPosition = 0;
    bool m_lastMoving = false;
    bool m_positionKnown = false;
    QElapsedTimer m_sinceLastPosition;
    CoverArtFile m_cover;
    // Commands accepted and not yet run, oldest first.
    std::deque<std::function<void(Form1 &)>> m_commands;
};

} // namespace quillet
