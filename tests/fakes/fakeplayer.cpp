#include "fakes/fakeplayer.h"

namespace quillet::testing {

FakePlayer::FakePlayer(QObject *parent)
    : MediaPlayer(parent)
{
}

void FakePlayer::setFileName(const QString &fileName)
{
    calls << QStringLiteral("setFileName ") + fileName;
    m_fileName = fileName;
    m_position = 0;
    m_state = fileName.isEmpty() ? State::Stopped : State::Playing;
}

void FakePlayer::setCurrentPosition(double seconds)
{
    calls << QStringLiteral("setCurrentPosition %1").arg(seconds);
    m_position = seconds;
}

void FakePlayer::setVolume(int v)
{
    calls << QStringLiteral("setVolume %1").arg(v);
    m_volume = v;
}

void FakePlayer::setBalance(int b)
{
    calls << QStringLiteral("setBalance %1").arg(b);
    m_balance = b;
}

void FakePlayer::setPlayCount(int c)
{
    calls << QStringLiteral("setPlayCount %1").arg(c);
    m_playCount = c;
}

void FakePlayer::setAutoRewind(bool on)
{
    calls << QStringLiteral("setAutoRewind %1").arg(on ? 1 : 0);
    m_autoRewind = on;
}

void FakePlayer::setMute(bool on)
{
    calls << QStringLiteral("setMute %1").arg(on ? 1 : 0);
    m_mute = on;
}

void FakePlayer::setDisplaySize(int size)
{
    calls << QStringLiteral("setDisplaySize %1").arg(size);
    m_displaySize = size;
}

void FakePlayer::setAutoSize(bool on)
{
    calls << QStringLiteral("setAutoSize %1").arg(on ? 1 : 0);
    m_autoSize = on;
}

void FakePlayer::play()
{
    calls << QStringLiteral("play");
    if (!m_fileName.isEmpty())
        m_state = State::Playing;
}

void FakePlayer::pause()
{
    calls << QStringLiteral("pause");
    if (!m_fileName.isEmpty())
        m_state = State::Paused;
}

void FakePlayer::stop()
{
    calls << QStringLiteral("stop");
    // As the engine does: a stopped file reports neither a duration nor a position until it is opened again.
    m_state = State::Stopped;
    m_position = 0;
    m_duration = 0;
}

void FakePlayer::probeDuration()
{
    calls << QStringLiteral("probeDuration");
    m_duration = probeDurations.value(m_fileName, m_duration);
}

void FakePlayer::aboutBox(QWidget *)
{
    calls << QStringLiteral("aboutBox");
}

void FakePlayer::setError(const QString &description, const QString &tip)
{
    m_errorDescription = description;
    m_errorTip = tip;
}

FakePlayerFactory::FakePlayerFactory()
{
    MediaPlayer::setFactory([this](PlayerPurpose purpose, QObject *parent) {
        auto *player = new FakePlayer(parent);
        players.append(player);
        purposes.append(purpose);
        QObject::connect(player, &QObject::destroyed, player, [this, player] {
            const qsizetype i = players.indexOf(player);
            if (i >= 0) {
                players.removeAt(i);
                purposes.removeAt(i);
            }
        });
        return player;
    });
}

FakePlayerFactory::~FakePlayerFactory()
{
    MediaPlayer::setFactory({});
}

} // namespace quillet::testing
