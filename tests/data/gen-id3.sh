#!/usr/bin/env bash
# Files for the ID3 playlist and the tag editor: tags with only a song or only an artist, and a long file whose
# length the ID3 playlist shows.
set -euo pipefail
out=$1
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

ff -f lavfi -i "sine=frequency=500:sample_rate=44100:duration=1" -ac 2 -c:a libmp3lame -b:a 128k \
   -id3v2_version 3 -metadata title="Lonely Song" "$out/id3-song-only.mp3"
ff -f lavfi -i "sine=frequency=600:sample_rate=44100:duration=1" -ac 2 -c:a libmp3lame -b:a 128k \
   -id3v2_version 3 -metadata artist="Lonely Artist" "$out/id3-artist-only.mp3"
# 187 s (3:07) of quiet tone, small: 22.05 kHz mono at 32 kbit/s.
ff -f lavfi -i "sine=frequency=220:sample_rate=22050:duration=187" -af "volume=0.1" -ac 1 -c:a libmp3lame \
   -b:a 32k -id3v2_version 3 -metadata title="Three Minutes" -metadata artist="Long Player" "$out/tone-187s.mp3"
