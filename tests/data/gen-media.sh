#!/usr/bin/env bash
# Media for the video side of the player tests: a short clip with a picture and a sound track.
set -euo pipefail
out=$1
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# 1 s of a 320x240 test picture at 25 frames/s with a 440 Hz tone, MPEG-4 part 2 video and MP3 sound.
ff -f lavfi -i "testsrc=size=320x240:rate=25:duration=1" -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" \
   -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 64k -shortest "$out/clip-320x240.mkv"
