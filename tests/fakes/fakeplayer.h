#pragma once

#include "media/mediaplayer.h"

#include <QHash>
#include <QStringList>

namespace quillet::testing {

// A media player that records every call and emits its events only when the test says so.
class FakePlayer : public MediaPlayer
{
    Q_OBJECT
public:
    explicit FakePlayer(QObject *parent = nullptr);

    QString fileName() const override { return m_fileName; }
    void setFileName(const QString &fileName) override;
    double currentPosition() const override { return m_position; }
    void setCurrentPosition(double seconds) override;
    double duration() const override { return m_duration; }
    int volume() const override { return m_volume; }
    void setVolume(int v) override;
    int balance() const override { return m_balance; }
    void setBalance(int b) override;
    int playCount() const override { return m_playCount; }
    void setPlayCount(int c) override;
    bool autoRewind() const override { return m_autoRewind; }
    void setAutoRewind(bool on) override;
    bool mute() const override { return m_mute; }
    void setMute(bool on) override;
    QString errorDescription() const override { return m_errorDescription; }
    QString errorCorrectionTip() const override { return m_errorTip; }
    int displaySize() const override { return m_displaySize; }
    void setDisplaySize(int size) override;
    bool autoSize() const override { return m_autoSize; }
    void setAutoSize(bool on) override;
    void play() override;
    void pause() override;
    void stop() override;
    void probeDuration() override;
    void aboutBox(QWidget *parent) override;
    QString engineName() const override { return QStringLiteral("fake engine 1.0"); }
    State state() const override { return m_state; }

    // Test controls: set what the player reports, and fire its events.
    void setDuration(double seconds) { m_duration = seconds; }
    void setPosition(double seconds) { m_position = seconds; }
    void setError(const QString &description, const QString &tip);
    void emitMediaOpened() { emit mediaOpened(); }
    void emitEndOfStream() { emit endOfStream(); }
    void emitError() { emit error(); }

    // Every call in order, e.g. "setFileName /a.mp3", "play", "setVolume -10".
    QStringList calls;
    // Durations that probeDuration() reports, by file name.
    QHash<QString, double> probeDurations;

private:
    QString m_fileName;
    double m_position = 0;
    double m_duration = 0;
    int m_volume = 0;
    int m_balance = 0;
    int m_playCount = 1;
    bool m_autoRewind = false;
    bool m_mute = false;
    QString m_errorDescription;
    QString m_errorTip;
    int m_displaySize = 0;
    bool m_autoSize = false;
    State m_state = State::Stopped;
};

// Installs a factory that makes FakePlayers and remembers each one; removes it again on destruction.
class FakePlayerFactory
{
public:
    FakePlayerFactory();
    ~FakePlayerFactory();
    // The players made so far, in order of creation.
    QList<FakePlayer *> players;
    QList<PlayerPurpose> purposes;
};

} // namespace quillet::testing
