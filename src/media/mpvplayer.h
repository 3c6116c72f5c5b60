#pragma once

#include "media/mediaplayer.h"

struct mpv_handle;

namespace quillet {

// The media player on libmpv. All mpv calls happen on the GUI thread; mpv's wakeup callback only posts a
// queued call that drains the event queue.
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

    // The mpv handle, for the video display's render context (video players only).
    mpv_handle *handle() const;

signals:
    // The video's display size became known or changed (video players only).
    void videoReconfigured();

private:
    struct Private;
    Private *d = nullptr;
};

} // namespace quillet
