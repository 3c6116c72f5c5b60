#include "media/mediaplayer.h"

#include "media/mpvplayer.h"

namespace quillet {

static std::function<MediaPlayer *(PlayerPurpose, QObject *)> &factory()
{
    static std::function<MediaPlayer *(PlayerPurpose, QObject *)> f;
    return f;
}

MediaPlayer *MediaPlayer::create(PlayerPurpose purpose, QObject *parent)
{
    if (factory())
        return factory()(purpose, parent);
    return new MpvPlayer(purpose, parent);
}

void MediaPlayer::setFactory(std::function<MediaPlayer *(PlayerPurpose, QObject *)> f)
{
    factory() = std::move(f);
}

} // namespace quillet
