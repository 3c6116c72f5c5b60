#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace quillet {

// What a media player is used for; decides its video output.
enum class PlayerPurpose {
    Audio, // sound only: embedded cover pictures never open a video window
    Video, // pictures are rendered into a video display widget
    Probe, // only measures durations: no output at all
};

// The media player component: loads, plays and measures one file or URL at a time. Times are in seconds,
// Volume and Balance in hundredths of a decibel. Events arrive on the GUI thread, at most once per loaded file.
class MediaPlayer : public QObject
{
    Q_OBJECT
public:
    // Opening: a file is loaded and asked to play, but the engine has not opened it yet (a URL still connecting).
    enum class State { Stopped, Playing, Paused, Opening };

    using QObject::QObject;
    ~MediaPlayer() override = default;

    // The loaded file or URL; empty when nothing is loaded.
    virtual QString fileName() const = 0;
    // Loads the file and starts it; writing the current name again restarts it; empty unloads.
    virtual void setFileName(const QString &fileName) = 0;
    // The playing position in seconds (0 when nothing plays).
    virtual double currentPosition() const = 0;
    // Seeks to a position in seconds.
    virtual void setCurrentPosition(double seconds) = 0;
    // The loaded file's length in seconds (0 when unknown).
    virtual double duration() const = 0;

    // 0 is full volume, lower is quieter (-4000 is 40 dB down).
    virtual int volume() const = 0;
    virtual void setVolume(int hundredthsOfDb) = 0;
    // 0 is centre; negative attenuates the right channel (leans left), positive the left.
    virtual int balance() const = 0;
    virtual void setBalance(int hundredthsOfDb) = 0;
    // How many times a file plays before its one end-of-stream event.
    virtual int playCount() const = 0;
    virtual void setPlayCount(int count) = 0;
    // When true the end of a file restarts it (the caller does the restart on end of stream).
    virtual bool autoRewind() const = 0;
    virtual void setAutoRewind(bool on) = 0;
    virtual bool mute() const = 0;
    virtual void setMute(bool on) = 0;

    // The last error, for the user.
    virtual QString errorDescription() const = 0;
    // A short sentence on how to solve the last error.
    virtual QString errorCorrectionTip() const = 0;

    // Video only: 3 is full screen.
    virtual int displaySize() const = 0;
    virtual void setDisplaySize(int size) = 0;
    virtual bool autoSize() const = 0;
    virtual void setAutoSize(bool on) = 0;

    // Starts or resumes.
    virtual void play() = 0;
    // Pauses, keeping the position.
    virtual void pause() = 0;
    // Stops.
    virtual void stop() = 0;
    // Makes duration() valid for the loaded file, waiting a bounded time; 0 when it cannot be opened.
    virtual void probeDuration() = 0;
    // Shows a dialog naming the playback engine and its version.
    virtual void aboutBox(QWidget *parent) = 0;
    // The engine's name and version, e.g. "mpv 0.35.1".
    virtual QString engineName() const = 0;
    // What the player is doing.
    virtual State state() const = 0;
    // The title a stream gives its current song (the station's ICY title); empty for files and silent streams.
    virtual QString streamTitle() const { return {}; }

    // Creates a player through the installed factory (tests) or the real engine.
    static MediaPlayer *create(PlayerPurpose purpose, QObject *parent);
    // Installs a factory for create(); an empty function goes back to the real engine.
    static void setFactory(std::function<MediaPlayer *(PlayerPurpose, QObject *)> factory);

signals:
    // A newly loaded file is ready; duration() is valid.
    void mediaOpened();
    // The file finished playing (after PlayCount plays).
    void endOfStream();
    // The file could not be played; errorDescription() says why.
    void error();
    // state() changed: a file began opening or playing, paused, stopped or ended. Emitted at once for the calls
    // that change it; at the end of a file before endOfStream, after mediaOpened when a file opens.
    void stateChanged();
    // streamTitle() changed: the station moved on to another song.
    void streamTitleChanged();
};

} // namespace quillet
