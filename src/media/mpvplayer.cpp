#include "media/mpvplayer.h"

#include "common/dialogservice.h"
#include "media/mpvproperties.h"
#include "media/playbackerror.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QtGlobal>

#include <mpv/client.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

namespace quillet {

namespace {

// Seconds a network address may stay silent before its load fails (mpv waits 60 s by default).
constexpr int NetworkTimeoutSeconds = 4;
// The longest probeDuration() waits for a file to open.
constexpr int ProbeTimeoutMs = 3000;
// Volume and balance limits, in hundredths of a decibel.
constexpr int MinVolume = -10000;
constexpr int MaxBalance = 10000;
// Error log lines kept for the load in progress, to tell network failures apart.
constexpr int MaxLogLines = 20;
// The reply id of the observed stream title.
constexpr uint64_t StreamTitleReply = 1;

struct MpvDeleter
{
    void operator()(mpv_handle *handle) const { mpv_terminate_destroy(handle); }
};
using MpvHandlePtr = std::unique_ptr<mpv_handle, MpvDeleter>;

double readDouble(mpv_handle *handle, const char *name)
{
    double value = 0;
    if (!handle || mpv_get_property(handle, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return 0;
    return value;
}

qint64 readInt(mpv_handle *handle, const char *name)
{
    int64_t value = 0;
    if (!handle || mpv_get_property(handle, name, MPV_FORMAT_INT64, &value) < 0)
        return 0;
    return value;
}

QString readString(mpv_handle *handle, const char *name)
{
    if (!handle)
        return {};
    char *value = mpv_get_property_string(handle, name);
    const QString text = QString::fromUtf8(value);
    mpv_free(value);
    return text;
}

void writeFlag(mpv_handle *handle, const char *name, bool on)
{
    int flag = on ? 1 : 0;
    if (handle)
        mpv_set_property(handle, name, MPV_FORMAT_FLAG, &flag);
}

void writeDouble(mpv_handle *handle, const char *name, double value)
{
    if (handle)
        mpv_set_property(handle, name, MPV_FORMAT_DOUBLE, &value);
}

void writeString(mpv_handle *handle, const char *name, const QByteArray &value)
{
    if (handle && mpv_set_property_string(handle, name, value.constData()) < 0)
        qWarning("mpv rejected %s=%s", name, value.constData());
}

// The entry id from loadfile's result map.
qint64 entryIdOf(const mpv_node &result)
{
    if (result.format != MPV_FORMAT_NODE_MAP)
        return 0;
    for (int i = 0; i < result.u.list->num; ++i) {
        if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0
            && result.u.list->values[i].format == MPV_FORMAT_INT64)
            return result.u.list->values[i].u.int64;
    }
    return 0;
}

} // namespace

// A load that ended in an error; it is turned into texts once the log lines queued with it are read.
struct MpvPlayer::PendingError
{
    quint64 generation = 0;
    int mpvError = 0;
    bool report = false;
    qint64 elapsedMs = 0;
};

struct MpvPlayer::Private
{
    MpvHandlePtr mpv;
    // Set while a drain call is queued, so that a burst of wakeups posts only one.
    std::atomic<bool> drainQueued {false};
    QString engine;

    QString fileName;
    int volume = 0;
    int balance = 0;
    int playCount = 1;
    bool autoRewind = false;
    bool mute = false;
    int displaySize = 0;
    bool autoSize = false;
    QString errorDescription;
    QString errorTip;

    // The playlist entry of the load this player follows; 0 when nothing is loaded. Events of any other entry
    // are stale (a file replaced by a newer load) and are ignored.
    qint64 entryId = 0;
    // The entry of the latest start-file event: file-loaded carries no id and belongs to it.
    qint64 startedId = 0;
    bool opened = false;
    bool announceOpened = false;
    bool reportErrors = false;
    State state = State::Stopped;
    // Counts loads and stops, so that an error recorded for an older load is dropped.
    quint64 generation = 0;
    QElapsedTimer loadTimer;
    QStringList log;
    std::optional<PendingError> pendingError;
    QSize videoSize;
    QString streamTitle;
};

MpvPlayer::MpvPlayer(PlayerPurpose purpose, QObject *parent)
    : MediaPlayer(parent)
    , d(std::make_unique<Private>())
{
    d->engine = QStringLiteral("mpv (client API %1.%2)")
                    .arg(mpv_client_api_version() >> 16)
                    .arg(mpv_client_api_version() & 0xffff);

    MpvHandlePtr mpv(mpv_create());
    if (!mpv) {
        qWarning("mpv_create failed: nothing can be played");
        return;
    }
    const auto option = [&mpv](const char *name, const QByteArray &value) {
        if (mpv_set_option_string(mpv.get(), name, value.constData()) < 0)
            qWarning("mpv rejected the option %s=%s", name, value.constData());
    };
    using namespace mpvnames;
    option(Terminal, "no");
    option(LoadScripts, "no");
    option(Osc, "no");
    option(InputDefaultBindings, "no");
    option(InputVoKeyboard, "no");
    option(Idle, "yes");
    option(Ytdl, "no");
    option(NetworkTimeout, QByteArray::number(NetworkTimeoutSeconds));
    option(AudioClientName, "Quillet");
    if (purpose == PlayerPurpose::Video) {
        option(VideoOutput, "libmpv");
    } else {
        // Without these an embedded cover picture would open a video window.
        option(VideoOutput, "null");
        option(VideoTrack, "no");
        option(AudioDisplay, "no");
        option(CoverArtAuto, "no");
    }
    QByteArray audioOutput = qgetenv("QUILLET_AUDIO_OUTPUT");
    if (purpose == PlayerPurpose::Probe)
        audioOutput = "null";
    if (!audioOutput.isEmpty())
        option(AudioOutput, audioOutput);
    if (audioOutput == "pcm") {
        option(AudioFormat, "float");
        const QByteArray pcmFile = qgetenv("QUILLET_AO_PCM_FILE");
        if (!pcmFile.isEmpty())
            option(AudioPcmFile, pcmFile);
    }
    if (mpv_initialize(mpv.get()) < 0) {
        qWarning("mpv_initialize failed: nothing can be played");
        return;
    }
    mpv_request_log_messages(mpv.get(), "error");
    // A station announces each new song in its stream's metadata; mpv reports the change as it plays.
    mpv_observe_property(mpv.get(), StreamTitleReply, mpvnames::IcyTitle, MPV_FORMAT_STRING);
    d->mpv = std::move(mpv);
    const QString version = readString(d->mpv.get(), MpvVersion);
    if (!version.isEmpty())
        d->engine = version;
    mpv_set_wakeup_callback(d->mpv.get(), &MpvPlayer::onWakeup, this);
}

MpvPlayer::~MpvPlayer()
{
    // After this returns mpv calls the callback no more, so no queued call can name a deleted player.
    if (d->mpv)
        mpv_set_wakeup_callback(d->mpv.get(), nullptr, nullptr);
}

void MpvPlayer::onWakeup(void *player)
{
    // Runs on an mpv thread: only post a call to the GUI thread.
    auto *self = static_cast<MpvPlayer *>(player);
    if (!self->d->drainQueued.exchange(true))
        QMetaObject::invokeMethod(self, &MpvPlayer::drainEvents, Qt::QueuedConnection);
}

void MpvPlayer::drainEvents()
{
    d->drainQueued = false;
    QPointer<MpvPlayer> self(this);
    while (self && d->mpv) {
        const mpv_event *event = mpv_wait_event(d->mpv.get(), 0);
        // After a shutdown mpv keeps answering with it: nothing more will come.
        if (event->event_id == MPV_EVENT_NONE || event->event_id == MPV_EVENT_SHUTDOWN)
            break;
        handleEvent(*event);
    }
    // Log lines may be queued behind the end-file event they explain, so errors are described after the drain.
    if (self)
        flushPendingError();
}

void MpvPlayer::handleEvent(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        d->startedId = static_cast<const mpv_event_start_file *>(event.data)->playlist_entry_id;
        break;
    case MPV_EVENT_FILE_LOADED: {
        if (d->entryId == 0 || d->startedId != d->entryId || d->opened)
            break;
        const State before = state();
        d->opened = true;
        QPointer<MpvPlayer> self(this);
        if (d->announceOpened)
            emit mediaOpened();
        if (self)
            announceStateSince(before);
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        if (d->entryId == 0 || end->playlist_entry_id != d->entryId)
            break;
        if (end->reason == MPV_END_FILE_REASON_REDIRECT && end->playlist_insert_id > 0) {
            // A playlist or redirecting address: its first entry plays in its place.
            d->entryId = end->playlist_insert_id;
            break;
        }
        const State before = state();
        d->entryId = 0;
        d->opened = false;
        d->state = State::Stopped;
        if (end->reason == MPV_END_FILE_REASON_ERROR)
            d->pendingError = PendingError {d->generation, end->error, d->reportErrors, d->loadTimer.elapsed()};
        // Listeners learn that nothing plays any more before the end is handled, which may load the next file or
        // show a message.
        QPointer<MpvPlayer> self(this);
        announceStateSince(before);
        if (self && end->reason == MPV_END_FILE_REASON_EOF)
            emit endOfStream();
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *message = static_cast<const mpv_event_log_message *>(event.data);
        d->log.append(
            QString::fromUtf8(message->prefix) + QLatin1String(": ") + QString::fromUtf8(message->text).trimmed());
        if (d->log.size() > MaxLogLines)
            d->log.removeFirst();
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *property = static_cast<const mpv_event_property *>(event.data);
        if (event.reply_userdata != StreamTitleReply)
            break;
        // Unavailable (no stream, or a stream without titles) reads as no title.
        const QString title = property->format == MPV_FORMAT_STRING && property->data
            ? QString::fromUtf8(*static_cast<const char *const *>(property->data)).trimmed()
            : QString();
        if (title != d->streamTitle) {
            d->streamTitle = title;
            emit streamTitleChanged();
        }
        break;
    }
    case MPV_EVENT_VIDEO_RECONFIG:
        d->videoSize = QSize(
            int(readInt(d->mpv.get(), mpvnames::DisplayWidth)), int(readInt(d->mpv.get(), mpvnames::DisplayHeight)));
        emit videoReconfigured();
        break;
    default:
        break;
    }
}

void MpvPlayer::flushPendingError()
{
    if (!d->pendingError)
        return;
    const PendingError failure = *d->pendingError;
    d->pendingError.reset();
    if (failure.generation != d->generation)
        return; // a newer load or a stop replaced the failed file
    const PlaybackError told = d->mpv ? PlaybackError::describe(failure.mpvError, d->fileName,
                                   d->log.join(QLatin1Char('\n')), failure.elapsedMs, NetworkTimeoutSeconds * 1000)
                                      : PlaybackError::engineMissing();
    d->errorDescription = told.description;
    d->errorTip = told.tip;
    if (failure.report)
        emit error();
}

void MpvPlayer::loadFile(bool announceOpened, bool reportErrors, bool startPaused)
{
    ++d->generation;
    d->pendingError.reset();
    d->log.clear();
    d->entryId = 0;
    d->opened = false;
    d->videoSize = {};
    d->announceOpened = announceOpened;
    d->reportErrors = reportErrors;
    d->state = State::Stopped;

    int failure = MPV_ERROR_UNINITIALIZED;
    if (mpv_handle *mpv = d->mpv.get()) {
        // pause survives loadfile, so every load sets it.
        writeFlag(mpv, mpvnames::Pause, startPaused);
        setPlayCount(d->playCount);
        const QByteArray name = d->fileName.toUtf8();
        const char *args[] = {mpvnames::LoadFile, name.constData(), "replace", nullptr};
        mpv_node result;
        failure = mpv_command_ret(mpv, args, &result);
        if (failure >= 0) {
            d->entryId = entryIdOf(result);
            mpv_free_node_contents(&result);
            if (d->entryId == 0) // "replace" leaves the new file alone in the playlist
                d->entryId = readInt(mpv, "playlist/0/id");
            d->state = startPaused ? State::Stopped : State::Playing;
            d->loadTimer.start();
            return;
        }
    }
    // Reported like a failed load, from the event loop as every other event.
    d->pendingError = PendingError {d->generation, failure, reportErrors, 0};
    QMetaObject::invokeMethod(this, &MpvPlayer::flushPendingError, Qt::QueuedConnection);
}

QString MpvPlayer::fileName() const
{
    return d->fileName;
}

void MpvPlayer::setFileName(const QString &fileName)
{
    const State before = state();
    d->fileName = fileName;
    if (fileName.isEmpty())
        stopEngine();
    else
        loadFile(true, true, false);
    announceStateSince(before);
}

double MpvPlayer::currentPosition() const
{
    // A stopped player is at the start, also while a probe holds the file open: the decoder's first timestamp
    // may lie a fraction above zero.
    if (d->entryId == 0 || !d->opened || d->state == State::Stopped)
        return 0;
    return std::max(0.0, readDouble(d->mpv.get(), mpvnames::TimePos));
}

void MpvPlayer::setCurrentPosition(double seconds)
{
    if (d->entryId == 0 || !d->opened)
        return;
    const QByteArray target = QByteArray::number(std::max(0.0, seconds), 'f', 3);
    const char *args[] = {mpvnames::Seek, target.constData(), "absolute", nullptr};
    mpv_command(d->mpv.get(), args);
}

double MpvPlayer::duration() const
{
    if (d->entryId == 0 || !d->opened)
        return 0;
    return std::max(0.0, readDouble(d->mpv.get(), mpvnames::Duration));
}

int MpvPlayer::volume() const
{
    return d->volume;
}

void MpvPlayer::setVolume(int hundredthsOfDb)
{
    d->volume = std::clamp(hundredthsOfDb, MinVolume, 0);
    // mpv's volume is cubic: a gain of g dB is 100 * 10^(g / 60).
    writeDouble(d->mpv.get(), mpvnames::Volume, 100.0 * std::pow(10.0, d->volume / 6000.0));
}

int MpvPlayer::balance() const
{
    return d->balance;
}

void MpvPlayer::setBalance(int hundredthsOfDb)
{
    d->balance = std::clamp(hundredthsOfDb, -MaxBalance, MaxBalance);
    QByteArray filter;
    if (d->balance != 0) {
        // stereotools keeps one channel whole and multiplies the other by 1 - |balance_out|; a negative
        // balance_out attenuates the right channel. Mono input is made stereo on the way in.
        const double factor = std::pow(10.0, -std::abs(d->balance) / 2000.0);
        const double balanceOut = d->balance < 0 ? -(1.0 - factor) : 1.0 - factor;
        filter = "lavfi=[stereotools=balance_out=" + QByteArray::number(balanceOut, 'f', 9) + ']';
    }
    writeString(d->mpv.get(), mpvnames::AudioFilters, filter);
}

int MpvPlayer::playCount() const
{
    return d->playCount;
}

void MpvPlayer::setPlayCount(int count)
{
    d->playCount = count;
    // loop-file=N plays N+1 times; mpv counts it down while playing, so every load sets it again.
    const QByteArray loops = count <= 0 ? QByteArray("inf")
        : count == 1                    ? QByteArray("no")
                                        : QByteArray::number(count - 1);
    writeString(d->mpv.get(), mpvnames::LoopFile, loops);
}

bool MpvPlayer::autoRewind() const
{
    return d->autoRewind;
}

void MpvPlayer::setAutoRewind(bool on)
{
    d->autoRewind = on;
}

bool MpvPlayer::mute() const
{
    return d->mute;
}

void MpvPlayer::setMute(bool on)
{
    d->mute = on;
    writeFlag(d->mpv.get(), mpvnames::Mute, on);
}

QString MpvPlayer::errorDescription() const
{
    return d->errorDescription;
}

QString MpvPlayer::errorCorrectionTip() const
{
    return d->errorTip;
}

int MpvPlayer::displaySize() const
{
    return d->displaySize;
}

void MpvPlayer::setDisplaySize(int size)
{
    d->displaySize = size;
}

bool MpvPlayer::autoSize() const
{
    return d->autoSize;
}

void MpvPlayer::setAutoSize(bool on)
{
    d->autoSize = on;
}

void MpvPlayer::play()
{
    if (d->fileName.isEmpty())
        return;
    const State before = state();
    if (d->entryId != 0) {
        writeFlag(d->mpv.get(), mpvnames::Pause, false);
        d->state = State::Playing;
        d->reportErrors = true;
    } else {
        // Stopped or finished: the same file again from the start. The caller loaded nothing new, so no media
        // opened event.
        loadFile(false, true, false);
    }
    announceStateSince(before);
}

void MpvPlayer::pause()
{
    if (d->entryId == 0 || d->state != State::Playing)
        return;
    const State before = state();
    writeFlag(d->mpv.get(), mpvnames::Pause, true);
    d->state = State::Paused;
    announceStateSince(before);
}

void MpvPlayer::stop()
{
    const State before = state();
    stopEngine();
    announceStateSince(before);
}

void MpvPlayer::stopEngine()
{
    ++d->generation;
    d->pendingError.reset();
    if (d->mpv) {
        const char *args[] = {mpvnames::Stop, nullptr};
        mpv_command(d->mpv.get(), args);
    }
    d->entryId = 0;
    d->opened = false;
    d->videoSize = {};
    d->state = State::Stopped;
}

void MpvPlayer::probeDuration()
{
    if (!d->mpv || d->fileName.isEmpty())
        return;
    // A stopped file is opened paused and silently: the probe reports nothing and plays nothing.
    if (d->entryId == 0)
        loadFile(false, false, true);
    QPointer<MpvPlayer> self(this);
    QElapsedTimer waited;
    waited.start();
    while (d->entryId != 0 && !d->opened) {
        const qint64 left = ProbeTimeoutMs - waited.elapsed();
        if (left <= 0)
            break;
        const mpv_event *event = mpv_wait_event(d->mpv.get(), double(left) / 1000.0);
        if (event->event_id == MPV_EVENT_SHUTDOWN)
            break;
        if (event->event_id != MPV_EVENT_NONE)
            handleEvent(*event);
        if (!self)
            return;
    }
    drainEvents();
}

void MpvPlayer::aboutBox(QWidget *parent)
{
    Q_UNUSED(parent)
    const unsigned long api = mpv_client_api_version();
    QString text = QStringLiteral("Quillet plays sound and video with %1 (libmpv client API %2.%3).")
                       .arg(d->engine)
                       .arg(api >> 16)
                       .arg(api & 0xffff);
    const QString ffmpeg = readString(d->mpv.get(), mpvnames::FfmpegVersion);
    if (!ffmpeg.isEmpty())
        text += QStringLiteral("\nDecoding by FFmpeg %1.").arg(ffmpeg);
    dialogs().message(text);
}

QString MpvPlayer::engineName() const
{
    return d->engine;
}

MediaPlayer::State MpvPlayer::state() const
{
    // Asked to play, but nothing plays until the engine has opened the file.
    if (d->state == State::Playing && d->entryId != 0 && !d->opened)
        return State::Opening;
    return d->state;
}

void MpvPlayer::announceStateSince(State before)
{
    if (state() != before)
        emit stateChanged();
}

QString MpvPlayer::streamTitle() const
{
    return d->streamTitle;
}

mpv_handle *MpvPlayer::handle() const
{
    return d->mpv.get();
}

QSize MpvPlayer::videoSize() const
{
    return d->videoSize;
}

} // namespace quillet
