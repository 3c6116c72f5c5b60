#pragma once

#include "media/mediaplayer.h"

#include <QStringList>

namespace quillet::testing {

// A media player that records every call and emits its events only when the test says so. Like the engine, a file
// it is given is opening until the test says it opened (emitMediaOpened), a stopped file has neither a duration nor
// a position until it is opened again, and every change of its state is announced at once. Unlike the engine, a
// stopped file that is played again plays at once.
class FakePlayer : public MediaPlayer
{
    Q_OBJECT
public:
    using MediaPlayer::MediaPlayer;

    QString fileName() const override { return m_fileName; }
    void setFileName(const QString &fileName) override
    {
        calls << QStringLiteral("setFileName ") + fileName;
        m_fileName = fileName;
        m_position = 0;
        changeState(fileName.isEmpty() ? State::Stopped : State::Opening);
    }
    double currentPosition() const override { return m_position; }
    void setCurrentPosition(double seconds) override { m_position = record("setCurrentPosition", seconds); }
    double duration() const override { return m_duration; }
    int volume() const override { return m_volume; }
    void setVolume(int v) override { m_volume = record("setVolume", v); }
    int balance() const override { return m_balance; }
    void setBalance(int b) override { m_balance = record("setBalance", b); }
    int playCount() const override { return m_playCount; }
    void setPlayCount(int c) override { m_playCount = record("setPlayCount", c); }
    bool autoRewind() const override { return m_autoRewind; }
    void setAutoRewind(bool on) override { m_autoRewind = record("setAutoRewind", on); }
    bool mute() const override { return m_mute; }
    void setMute(bool on) override { m_mute = record("setMute", on); }
    QString errorDescription() const override { return {}; }
    QString errorCorrectionTip() const override { return {}; }
    int displaySize() const override { return m_displaySize; }
    void setDisplaySize(int size) override { m_displaySize = record("setDisplaySize", size); }
    bool autoSize() const override { return m_autoSize; }
    void setAutoSize(bool on) override { m_autoSize = record("setAutoSize", on); }
    void play() override { setState("play", m_state == State::Opening ? State::Opening : State::Playing); }
    void pause() override
    {
        setState("pause", m_state == State::Playing || m_state == State::Opening ? State::Paused : m_state);
    }
    void stop() override
    {
        calls << QStringLiteral("stop");
        m_position = m_duration = 0;
        changeState(State::Stopped);
    }
    void probeDuration() override { calls << QStringLiteral("probeDuration"); }
    void aboutBox(QWidget *) override { calls << QStringLiteral("aboutBox"); }
    QString engineName() const override { return QStringLiteral("fake engine 1.0"); }
    State state() const override { return m_state; }

    // Test controls: set what the player reports, and fire its events.
    void setDuration(double seconds) { m_duration = seconds; }
    void setPosition(double seconds) { m_position = seconds; }
    // The loaded file opened: it plays (the state follows mediaOpened, as the engine's does).
    void emitMediaOpened()
    {
        const State before = m_state;
        if (m_state == State::Opening)
            m_state = State::Playing;
        emit mediaOpened();
        if (m_state != before)
            emit stateChanged();
    }
    // The file ended: stopped first, then the end announced.
    void emitEndOfStream()
    {
        changeState(State::Stopped);
        emit endOfStream();
    }

    // Every call in order, e.g. "setFileName /a.mp3", "play", "setVolume -10", "setMute 1".
    QStringList calls;

private:
    void setState(const char *call, State state)
    {
        calls << QLatin1String(call);
        if (!m_fileName.isEmpty())
            changeState(state);
    }
    void changeState(State state)
    {
        if (m_state == state)
            return;
        m_state = state;
        emit stateChanged();
    }
    template<typename T> T record(const char *name, T value)
    {
        calls << QLatin1String(name) + QLatin1Char(' ') + QString::number(value);
        return value;
    }

    QString m_fileName;
    double m_position = 0, m_duration = 0;
    int m_volume = 0, m_balance = 0, m_playCount = 1, m_displaySize = 0;
    bool m_autoRewind = false, m_mute = false, m_autoSize = false;
    State m_state = State::Stopped;
};

// Installs a factory that makes FakePlayers and remembers each one while it lives; removes it again on destruction.
class FakePlayerFactory
{
public:
    FakePlayerFactory()
    {
        MediaPlayer::setFactory([this](PlayerPurpose purpose, QObject *parent) {
            auto *player = new FakePlayer(parent);
            players.append(player);
            purposes.append(purpose);
            QObject::connect(player, &QObject::destroyed, player, [this, player] {
                if (const qsizetype i = players.indexOf(player); i >= 0) {
                    players.removeAt(i);
                    purposes.removeAt(i);
                }
            });
            return player;
        });
    }
    ~FakePlayerFactory() { MediaPlayer::setFactory({}); }
    // The players alive, in order of creation.
    QList<FakePlayer *> players;
    QList<PlayerPurpose> purposes;
};

} // namespace quillet::testing
