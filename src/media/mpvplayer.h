#pragma once

#include "media/mediaplayer.h"

#include <QSize>

#include <memory>

struct mpv_handle;
struct mpv_event;

namespace quillet {

// The media player on libmpv. All mpv calls happen on the GUI thread; mpv's wakeup callback only posts a
// queued call that drains the event queue.
//
// Environment: QUILLET_AUDIO_OUTPUT (an mpv "ao" value such as null or pcm) replaces the default audio output;
// with "pcm", QUILLET_AO_PCM_FILE names the WAV file the output is written to (32-bit float, so that levels far
// below 16-bit resolution can be measured). Both are read when the player is created.
//
// Stop unloads the file but keeps FileName; Play then (or after the end) plays it again from the start, without a
// new mediaOpened, as the caller loaded nothing new. A PlayCount of 0 or less repeats the file endlessly.
class MpvPlayer : public MediaPlayer
{
    Q_OBJECT
public:
    explicit MpvPlayer(PlayerPurpose purpose, QObject *parent = nullptr);
    ~MpvPlayer() override;

    QString fileName() const override;
    void setFileName(const QString &fileName) override;
    double currentPosition() const override;
    void setCurrentPosition(double seconds) override;
    double duration() const override;
    int volume() const override;
    void setVolume(int hundredthsOfDb) override;
    int balance() const override;
    void setBalance(int hundredthsOfDb) override;
    int playCount() const override;
    void setPlayCount(int count) override;
    bool autoRewind() const override;
    void setAutoRewind(bool on) override;
    bool mute() const override;
    void setMute(bool on) override;
    QString errorDescription() const override;
    QString errorCorrectionTip() const override;
    int displaySize() const override;
    void setDisplaySize(int size) override;
    bool autoSize() const override;
    void setAutoSize(bool on) override;
    void play() override;
    void pause() override;
    void stop() override;
    void probeDuration() override;
    void aboutBox(QWidget *parent) override;
    QString engineName() const override;
    State state() const override;
    QString streamTitle() const override;

    // The mpv handle, for the video display's render context (video players only); null if mpv failed to start.
    // A render context made on it must be freed before the player is destroyed.
    mpv_handle *handle() const;
    // The video's display size (after aspect correction); invalid until the first videoReconfigured().
    QSize videoSize() const;

signals:
    // The video's display size became known or changed (video players only).
    void videoReconfigured();

private:
    struct Private;
    struct PendingError;

    void loadFile(bool announceOpened, bool reportErrors, bool startPaused);
    // Unloads the file (Stop without the state change's signal).
    void stopEngine();
    void drainEvents();
    void handleEvent(const mpv_event &event);
    void flushPendingError();
    // Emits stateChanged() when state() is no longer the state it was before a call or event.
    void announceStateSince(State before);
    static void onWakeup(void *player);

    std::unique_ptr<Private> d;
};

} // namespace quillet
