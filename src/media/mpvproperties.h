#pragma once

// The libmpv option, property and command names the player uses, in one place.
namespace quillet::mpvnames {

// Options set before the core starts.
inline constexpr const char *AudioOutput = "ao";
inline constexpr const char *AudioPcmFile = "ao-pcm-file";
inline constexpr const char *AudioFormat = "audio-format";
inline constexpr const char *AudioClientName = "audio-client-name";
inline constexpr const char *VideoOutput = "vo";
inline constexpr const char *VideoTrack = "vid";
inline constexpr const char *AudioDisplay = "audio-display";
inline constexpr const char *CoverArtAuto = "cover-art-auto";
inline constexpr const char *Ytdl = "ytdl";
inline constexpr const char *Idle = "idle";
inline constexpr const char *NetworkTimeout = "network-timeout";
inline constexpr const char *Terminal = "terminal";
inline constexpr const char *LoadScripts = "load-scripts";
inline constexpr const char *Osc = "osc";
inline constexpr const char *InputDefaultBindings = "input-default-bindings";
inline constexpr const char *InputVoKeyboard = "input-vo-keyboard";

// Properties read or written while playing.
inline constexpr const char *Pause = "pause";
inline constexpr const char *LoopFile = "loop-file";
inline constexpr const char *TimePos = "time-pos";
inline constexpr const char *Duration = "duration";
inline constexpr const char *Volume = "volume";
inline constexpr const char *Mute = "mute";
inline constexpr const char *AudioFilters = "af";
inline constexpr const char *DisplayWidth = "dwidth";
inline constexpr const char *DisplayHeight = "dheight";
inline constexpr const char *MpvVersion = "mpv-version";
inline constexpr const char *FfmpegVersion = "ffmpeg-version";
// The stream title a station sends in its ICY metadata.
inline constexpr const char *IcyTitle = "metadata/by-key/icy-title";

// Commands.
inline constexpr const char *LoadFile = "loadfile";
inline constexpr const char *Stop = "stop";
inline constexpr const char *Seek = "seek";

} // namespace quillet::mpvnames
