#!/usr/bin/env bash
# Tagged MP3 files for the tag component tests: each tag layout (none, ID3v1, ID3v2.3, ID3v2.4, both) and files
# with an embedded cover and frames beyond the six fields.
set -euo pipefail
out=$1
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tone() { echo "sine=frequency=$1:sample_rate=$2:duration=1"; }

# ID3v1 only, 44.1 kHz stereo MPEG-1 at 192 kbit/s. Without ID3v2, ffmpeg's ID3v1 writer takes the ID3v2 names.
ff -f lavfi -i "$(tone 440 44100)" -ac 2 -c:a libmp3lame -b:a 192k -id3v2_version 0 -write_id3v1 1 \
   -metadata TIT2="Old Song" -metadata TPE1="Old Artist" -metadata TALB="Old Album" -metadata TDRC=1987 \
   -metadata comment="v1 comment" -metadata TCON="Jazz" "$out/tags-v1.mp3"
# ID3v2.3 only, 44.1 kHz stereo at 128 kbit/s.
ff -f lavfi -i "$(tone 550 44100)" -ac 2 -c:a libmp3lame -b:a 128k -id3v2_version 3 \
   -metadata title="Three Song" -metadata artist="Three Artist" -metadata album="Three Album" \
   -metadata date=2003 -metadata genre="Rock" "$out/tags-v23.mp3"
# ID3v2.4 with UTF-8 text, 22.05 kHz mono MPEG-2 at 64 kbit/s.
ff -f lavfi -i "$(tone 660 22050)" -ac 1 -c:a libmp3lame -b:a 64k -id3v2_version 4 \
   -metadata title="Grüße aus Köln" -metadata artist="Чайковский" -metadata album="東京の夜" \
   -metadata date=2004 -metadata genre="Électronique" "$out/tags-v24-utf8.mp3"
# Both tags; the title is longer than ID3v1's 30 characters, so only ID3v2 holds all of it.
ff -f lavfi -i "$(tone 770 44100)" -ac 2 -c:a libmp3lame -b:a 128k -id3v2_version 3 -write_id3v1 1 \
   -metadata title="A Title Longer Than Thirty Characters" -metadata artist="Both Artist" \
   -metadata album="Both Album" -metadata date=1999 -metadata genre="Blues" "$out/tags-v1v2.mp3"
# No tag at all, 11.025 kHz mono MPEG-2.5 at 32 kbit/s.
ff -f lavfi -i "$(tone 330 11025)" -ac 1 -c:a libmp3lame -b:a 32k -id3v2_version 0 "$out/tags-none.mp3"

# An embedded front cover and frames beyond the six fields (composer, user texts, 2.3 date and time frames).
ff -f lavfi -i "testsrc=size=32x32:rate=1" -frames:v 1 "$work/cover.png"
ff -f lavfi -i "$(tone 880 44100)" -i "$work/cover.png" -map 0 -map 1 -ac 2 -c:a libmp3lame -b:a 128k -c:v copy \
   -id3v2_version 3 -write_id3v1 1 -metadata:s:v title="Front" -metadata:s:v comment="Cover (front)" \
   -metadata title="Cover Song" -metadata artist="Cover Artist" -metadata album="Cover Album" \
   -metadata date=2010 -metadata genre="Pop" -metadata composer="Some Composer" -metadata comment="user comment" \
   -metadata MOOD="calm" -metadata TDAT=0512 -metadata TIME=1230 "$out/tags-cover23.mp3"
ff -f lavfi -i "$(tone 990 44100)" -i "$work/cover.png" -map 0 -map 1 -ac 2 -c:a libmp3lame -b:a 128k -c:v copy \
   -id3v2_version 4 -metadata:s:v title="Front" -metadata:s:v comment="Cover (front)" \
   -metadata title="Cover Vier" -metadata artist="Künstler" -metadata date=2011 -metadata composer="Komponist" \
   -metadata MOOD="ruhig" "$out/tags-cover24.mp3"

# Tags other programs write. mutagen (ID3v2.4): comments in three languages, a described one, a rating, a track
# number and a composer.
cp "$out/tags-none.mp3" "$work/comm3.mp3"
/usr/bin/mid3v2 -t "Three Tongues" -a "Poly Artist" -A "Babel" -y 2001 -g "Folk/Rock" -T 7 \
   -c ":English words:eng" -c ":Deutsche Worte:deu" -c ":日本語の言葉:jpn" -c "note:described:eng" \
   --TCOM "Some Composer" --POPM "rater@example.org:128:3" "$work/comm3.mp3" >/dev/null
mv "$work/comm3.mp3" "$out/tags-comm3.mp3"
# Constant 16 kbit/s at 8 kHz (MPEG-2.5): the encoder's Info frame does not fit that rate and is written at 24.
ff -f lavfi -i "$(tone 300 8000)" -ac 1 -c:a libmp3lame -b:a 16k -id3v2_version 0 "$out/tags-lowrate.mp3"
