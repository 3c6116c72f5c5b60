#!/usr/bin/env bash
# Media for the video windows: four coloured blocks whose colours can be checked pixel by pixel, with a black square
# moving across their middle so that a picture left standing on screen shows, and a larger moving clip for the video
# benchmark.
set -euo pipefail
out=$1
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# 5 s at 25 frames/s, 320x240: red top left, green top right, blue bottom left, white bottom right; the 40x40 square
# crosses rows 100 to 139 from left to right. H.264 with a low quantiser keeps the block centres within a few steps
# of the pure colours.
block() { echo "color=c=$1:size=160x120:rate=25:duration=5"; }
ff -f lavfi -i "$(block red)" -f lavfi -i "$(block lime)" -f lavfi -i "$(block blue)" -f lavfi -i "$(block white)" \
   -f lavfi -i "color=c=black:size=40x40:rate=25:duration=5" \
   -filter_complex "[0][1]hstack[top];[2][3]hstack[bottom];[top][bottom]vstack[blocks];[blocks][4]overlay=x='t*56':y=100,format=yuv420p" \
   -c:v libx264 -preset veryfast -crf 10 "$out/bars-320x240.mp4"

# 10 s of moving test picture at 1280x720, 25 frames/s, with sound, as a typical HD file.
ff -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=10" -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=10" \
   -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest "$out/hd-1280x720.mp4"
