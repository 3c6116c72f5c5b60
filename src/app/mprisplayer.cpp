#include "app/mprisplayer.h"

#include "app/desktopcommandgate.h"
#include "app/form1.h"
#include "app/mprisroot.h"
#include "common/entrypath.h"
#include "common/messagetext.h"
#include "common/opendialogs.h"
#include "media/mediaplayer.h"
#include "playlist/filepattern.h"
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"
#include "tags/formattag.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QFileInfo>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace quillet {

static const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
// Track ids may not live below /org/mpris; each opened file gets a new one.
static const QString kTrackPrefix = QStringLiteral("/io/github/quillet/track/");
// A position that differs from the expected one by more than this was moved on purpose; less is timer jitter.
static constexpr double kSeekThresholdSeconds = 1.5;

static qlonglong microseconds(double seconds)
{
    return qlonglong(std::llround(seconds * 1e6));
}

MprisPlayer::MprisPlayer(Form1 *form, QObject *exported, const QDBusConnection &bus, const QString &objectPath)
    : QDBusAbstractAdaptor(exported)
    , m_form(form)
    , m_bus(bus)
    , m_objectPath(objectPath)
{
    // The window's own handlers run first (they were connected first), so the file's tag is read by then.
    connect(form->MP1, &MediaPlayer::mediaOpened, this, &MprisPlayer::trackOpened);
    connect(form->MP1, &MediaPlayer::endOfStream, this, &MprisPlayer::publishChanges);
    connect(form->MP1, &MediaPlayer::error, this, &MprisPlayer::publishChanges);
    connect(form->MP1, &MediaPlayer::stateChanged, this, &MprisPlayer::publishChanges);
    connect(form->MP1, &MediaPlayer::streamTitleChanged, this, &MprisPlayer::publishChanges);
    connect(form->volume1, &QScrollBar::valueChanged, this, &MprisPlayer::publishChanges);
    connect(form->List1, &PlaylistView::listIndexSet, this, &MprisPlayer::publishChanges);
    PlaylistModel *model = form->List1->playlist();
    connect(model, &QAbstractItemModel::rowsInserted, this, &MprisPlayer::publishChanges);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &MprisPlayer::publishChanges);
    connect(model, &QAbstractItemModel::modelReset, this, &MprisPlayer::publishChanges);
    // The player has no signal for pause and play from the window's buttons, menus or remote control; the time
    // display's timer already runs, and its ticks catch those changes and position jumps.
    connect(form->Timer1, &QTimer::timeout, this, [this] {
        followPosition();
        publishChanges();
    });
    m_published = announcedProperties();
}

QString MprisPlayer::playbackStatus() const
{
    if (!m_form)
        return QStringLiteral("Stopped");
    switch (m_form->MP1->state()) {
    case MediaPlayer::State::Playing:
        return QStringLiteral("Playing");
    case MediaPlayer::State::Paused:
        return QStringLiteral("Paused");
    case MediaPlayer::State::Opening: // nothing plays while a file opens (a URL still connecting)
    case MediaPlayer::State::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

bool MprisPlayer::trackIsCurrent() const
{
    return m_form && !m_track.file.isEmpty() && m_track.file == m_form->MP1->fileName();
}

QString MprisPlayer::currentTrackId() const
{
    return trackIsCurrent() ? kTrackPrefix + QString::number(m_trackNumber) : kNoTrack;
}

QVariantMap MprisPlayer::metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(currentTrackId())));
    if (!trackIsCurrent())
        return map;
    if (m_track.length > 0)
        map.insert(QStringLiteral("mpris:length"), microseconds(m_track.length));
    // Panels show the title; a stream names its current song, and a file without a tag is shown by its name, as
    // the window's title does.
    QString title = m_track.title;
    if (title.isEmpty() && isUrl(m_track.file))
        title = m_form->MP1->streamTitle();
    map.insert(QStringLiteral("xesam:title"), title.isEmpty() ? displayName(m_track.file) : title);
    if (!m_track.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList {m_track.artist});
    if (!m_track.album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), m_track.album);
    if (m_track.trackNumber > 0)
        map.insert(QStringLiteral("xesam:trackNumber"), m_track.trackNumber);
    if (!m_track.artUrl.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), m_track.artUrl);
    const QUrl url
        = m_track.file.contains(QStringLiteral("://")) ? QUrl(m_track.file) : QUrl::fromLocalFile(m_track.file);
    map.insert(QStringLiteral("xesam:url"), url.toString(QUrl::FullyEncoded));
    return map;
}

double MprisPlayer::volume() const
{
    if (!m_form)
        return 0;
    const QScrollBar *bar = m_form->volume1;
    const int span = bar->maximum() - bar->minimum();
    return span > 0 ? double(bar->value() - bar->minimum()) / span : 1.0;
}

void MprisPlayer::setVolume(double volume)
{
    if (!m_form || std::isnan(volume))
        return;
    QScrollBar *bar = m_form->volume1;
    const double share = qBound(0.0, volume, 1.0);
    bar->setValue(bar->minimum() + int(std::lround(share * (bar->maximum() - bar->minimum()))));
}

qlonglong MprisPlayer::position() const
{
    if (!trackIsCurrent() || m_form->MP1->state() == MediaPlayer::State::Stopped)
        return 0;
    return microseconds(m_form->MP1->currentPosition());
}

bool MprisPlayer::canGoNext() const
{
    // Next at the last entry starts the first one again (after its message), so it works whenever there are entries.
    return m_form && m_form->List1->count() > 0;
}

bool MprisPlayer::canGoPrevious() const
{
    return m_form && m_form->List1->count() > 0;
}

bool MprisPlayer::canPlay() const
{
    // Play resumes the loaded file or loads the selected entry; otherwise it only says there is nothing to play.
    return m_form && (!m_form->MP1->fileName().isEmpty() || m_form->List1->listIndex() >= 0);
}

bool MprisPlayer::canPause() const
{
    return m_form && !m_form->MP1->fileName().isEmpty();
}

bool MprisPlayer::canSeek() const
{
    // As the position slider: a file that is open, longer than a second, and not stopped.
    return trackIsCurrent() && m_track.length > 1 && m_form->MP1->state() != MediaPlayer::State::Stopped;
}

QVariantMap MprisPlayer::announcedProperties() const
{
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), canGoPrevious()},
        {QStringLiteral("CanPlay"), canPlay()},
        {QStringLiteral("CanPause"), canPause()},
        {QStringLiteral("CanSeek"), canSeek()},
    };
}

void MprisPlayer::publishChanges()
{
    const QVariantMap now = announcedProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_published.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_published = now;
    if (changed.isEmpty() || !m_bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        m_objectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}

void MprisPlayer::trackOpened()
{
    MediaPlayer *player = m_form->MP1;
    ++m_trackNumber;
    m_track = Track {player->fileName(), {}, {}, {}, 0, {}, player->duration()};
    // The window reads the tag of the file it opened; a tag of some other file is not this track's.
    if (m_form->Ezy1.fileName == m_track.file) {
        m_track.title = m_form->Ezy1.song.trimmed();
        m_track.artist = m_form->Ezy1.artist.trimmed();
        m_track.album = m_form->Ezy1.album.trimmed();
    }
    // The track number and the cover are read for the desktop alone; the cover goes to a file a panel can open.
    FormatTag extras;
    if (!isUrl(m_track.file))
        extras.read(m_track.file, FormatTag::detect(m_track.file), true);
    m_track.trackNumber = extras.track;
    m_track.artUrl = m_cover.publish(extras.picture);
    rememberPosition(player->currentPosition());
    publishChanges();
}

void MprisPlayer::rememberPosition(double seconds)
{
    m_lastPosition = seconds;
    m_lastMoving = m_form && m_form->MP1->state() == MediaPlayer::State::Playing;
    m_positionKnown = true;
    m_sinceLastPosition.start();
}

void MprisPlayer::followPosition()
{
    if (!trackIsCurrent() || m_form->MP1->state() == MediaPlayer::State::Stopped) {
        m_positionKnown = false;
        return;
    }
    const double position = m_form->MP1->currentPosition();
    if (m_positionKnown) {
        const double expected = m_lastPosition + (m_lastMoving ? m_sinceLastPosition.elapsed() / 1000.0 : 0.0);
        if (std::abs(position - expected) > kSeekThresholdSeconds)
            emit Seeked(microseconds(position));
    }
    rememberPosition(position);
}

void MprisPlayer::refuse(const QString &reason, QDBusError::ErrorType type) const
{
    const auto *context = dynamic_cast<const QDBusContext *>(parent());
    if (context && context->calledFromDBus())
        context->sendErrorReply(type, reason);
}

// Every command runs from the event loop after the D-Bus reply has gone: a message box that the window's command
// opens must not keep the caller waiting for an answer. A command never runs while a dialog of Quillet is open (see
// DesktopCommandGate): the caller is told so. Commands wait in one queue, so that a flood of calls costs one timer.
void MprisPlayer::run(std::function<void(Form1 &)> command)
{
    if (!DesktopCommandGate::isOpen()) {
        refuse(QStringLiteral("Quillet is waiting for the user to answer a message; the command was not run."));
        return;
    }
    m_commands.push_back(std::move(command));
    if (m_commands.size() == 1)
        QTimer::singleShot(0, this, &MprisPlayer::runCommands);
}

void MprisPlayer::runCommands()
{
    std::deque<std::function<void(Form1 &)>> commands;
    commands.swap(m_commands);
    // Once a command has opened a dialog, the ones accepted before it are dropped: they were meant for the state the
    // user had not yet been told about (the rest of a flood of Next calls would each open the box again).
    const quint64 dialogs = OpenDialogs::openedSoFar();
    for (const auto &command : commands) {
        if (!m_form || !DesktopCommandGate::isOpen() || OpenDialogs::openedSoFar() != dialogs)
            return;
        command(*m_form);
        publishChanges();
    }
}

void MprisPlayer::Next()
{
    run([](Form1 &form) { form.command12_Click(); });
}

void MprisPlayer::Previous()
{
    run([](Form1 &form) { form.command13_Click(); });
}

void MprisPlayer::Pause()
{
    run([](Form1 &form) { form.command11_Click(); });
}

void MprisPlayer::PlayPause()
{
    run([](Form1 &form) {
        if (form.MP1->state() == MediaPlayer::State::Playing)
            form.command11_Click();
        else
            form.command9_Click();
    });
}

void MprisPlayer::Stop()
{
    run([](Form1 &form) { form.command10_Click(); });
}

void MprisPlayer::Play()
{
    run([](Form1 &form) { form.command9_Click(); });
}

void MprisPlayer::Seek(qlonglong Offset)
{
    run([this, Offset](Form1 &form) {
        if (!canSeek())
            return;
        const double target = form.MP1->currentPosition() + Offset / 1e6;
        if (target > m_track.length) {
            form.command12_Click();
            return;
        }
        const double position = qMax(0.0, target);
        form.MP1->setCurrentPosition(position);
        rememberPosition(position);
        emit Seeked(microseconds(position));
    });
}

void MprisPlayer::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    const QString trackId = TrackId.path();
    run([this, trackId, Position](Form1 &form) {
        // A request for a track that is no longer the opened one is stale and ignored.
        if (!canSeek() || trackId != currentTrackId())
            return;
        if (Position < 0 || Position > microseconds(m_track.length))
            return;
        const double position = Position / 1e6;
        form.MP1->setCurrentPosition(position);
        rememberPosition(position);
        emit Seeked(Position);
    });
}

void MprisPlayer::OpenUri(const QString &Uri)
{
    if (Uri.size() > MaxEntryLength) {
        refuse(
            QStringLiteral("Quillet does not open this URI: with %1 characters it is longer than any real path or URL.")
                .arg(Uri.size()));
        return;
    }
    const QUrl url(Uri);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || !MprisRoot::uriSchemes().contains(scheme)) {
        refuse(QStringLiteral("Quillet does not open this URI: ") + shortenedInMiddle(Uri), QDBusError::NotSupported);
        return;
    }
    const QString text = scheme == QLatin1String("file") ? url.toLocalFile() : Uri;
    // A folder gives its media files, as the directory browser adds them; the first of them starts.
    QStringList files;
    if (scheme == QLatin1String("file") && QFileInfo(text).isDir()) {
        for (const QString &name : FilePattern(browserFilePattern()).namesIn(text))
            files.append(joinPath(text, name));
        if (files.isEmpty()) {
            refuse(QStringLiteral("Quillet found no media files in the folder ") + text);
            return;
        }
    }
    run([text, files](Form1 &form) {
        int index = -1;
        if (!files.isEmpty()) {
            form.List1->addMany(files);
            index = form.List1->entries().indexOf(files.first());
        } else {
            // An entry already in the playlist is started where it is; anything else is handed over as on the
            // command line (a video goes to the video player, a playlist is loaded, a skin applied) and started
            // when it became an entry.
            index = form.List1->entries().indexOf(text);
            if (index < 0) {
                form.openCommandLine(text, false);
                index = form.List1->entries().indexOf(text);
            }
        }
        if (index < 0)
            return;
        form.List1->setListIndex(index);
        form.startSelectedEntry();
    });
}

} // namespace quillet
