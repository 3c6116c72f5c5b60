#!/usr/bin/env bash
# Short sine tones in the formats the player tests need, and a file of random bytes named .mp3.
set -euo pipefail
out=$1
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# 2 s of 440 Hz at 44.1 kHz stereo, 128 kbit/s MPEG-1 layer III, tagged.
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=2" -ac 2 -c:a libmp3lame -b:a 128k \
   -id3v2_version 3 -metadata title="Tone Stereo" -metadata artist="Quillet Tests" \
   "$out/tone-44k-stereo.mp3"
# 2 s of 660 Hz at 22.05 kHz mono (MPEG-2), untagged.
ff -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=2" -ac 1 -c:a libmp3lame -b:a 64k \
   -id3v2_version 0 "$out/tone-22k-mono.mp3"
# 1 s WAV.
ff -f lavfi -i "sine=frequency=550:sample_rate=44100:duration=1" -ac 2 "$out/tone.wav"
# 3 s at full scale on both channels, PCM WAV, for level measurements.
ff -f lavfi -i "sine=frequency=1000:sample_rate=44100:duration=3" -af "volume=0.5" -ac 2 "$out/level-1k.wav"
# Three short playlist songs.
for n in 1 2 3; do
    ff -f lavfi -i "sine=frequency=$((300 + n * 100)):sample_rate=44100:duration=1.5" -ac 2 -c:a libmp3lame \
       -b:a 128k -id3v2_version 3 -metadata title="Song $n" -metadata artist="Artist $n" \
       -metadata album="Album $n" -metadata date="200$n" "$out/song$n.mp3"
done
# 30 minutes of quiet tone at 8 kHz mono, small: the pcm output, which writes as fast as it can decode, needs
# long enough a file that Stop and Pause land before it could have written the whole of it.
ff -f lavfi -i "sine=frequency=200:sample_rate=8000:duration=1800" -af "volume=0.1" -ac 1 -c:a libmp3lame \
   -b:a 8k -id3v2_version 0 "$out/tone-30m.mp3"
# Not media at all.
head -c 65536 /dev/urandom > "$out/random.mp3"
