// Placeholder until the libmpv implementation lands.
#include "media/mpvplayer.h"
namespace quillet {
struct MpvPlayer::Private { QString file; };
MpvPlayer::MpvPlayer(PlayerPurpose, QObject *parent) : MediaPlayer(parent), d(new Private) {}
MpvPlayer::~MpvPlayer() { delete d; }
QString MpvPlayer::fileName() const { return d->file; }
void MpvPlayer::setFileName(const QString &f) { d->file = f; }
double MpvPlayer::currentPosition() const { return 0; }
void MpvPlayer::setCurrentPosition(double) {}
double MpvPlayer::duration() const { return 0; }
int MpvPlayer::volume() const { return 0; }
void MpvPlayer::setVolume(int) {}
int MpvPlayer::balance() const { return 0; }
void MpvPlayer::setBalance(int) {}
int MpvPlayer::playCount() const { return 1; }
void MpvPlayer::setPlayCount(int) {}
bool MpvPlayer::autoRewind() const { return false; }
void MpvPlayer::setAutoRewind(bool) {}
bool MpvPlayer::mute() const { return false; }
void MpvPlayer::setMute(bool) {}
QString MpvPlayer::errorDescription() const { return {}; }
QString MpvPlayer::errorCorrectionTip() const { return {}; }
int MpvPlayer::displaySize() const { return 0; }
void MpvPlayer::setDisplaySize(int) {}
bool MpvPlayer::autoSize() const { return false; }
void MpvPlayer::setAutoSize(bool) {}
void MpvPlayer::play() {}
void MpvPlayer::pause() {}
void MpvPlayer::stop() {}
void MpvPlayer::probeDuration() {}
void MpvPlayer::aboutBox(QWidget *) {}
QString MpvPlayer::engineName() const { return {}; }
MediaPlayer::State MpvPlayer::state() const { return State::Stopped; }
mpv_handle *MpvPlayer::handle() const { return nullptr; }
} // namespace quillet
