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

# Tags as other taggers write them, built byte by byte on the untagged file above (no tag library writes these):
# a 2.4 tag unsynchronised as a whole, 2.4 frame flags, UTF-16 without byte-order marks, a tag appended at the
# end, and a 2.3 header announcing an extended header that is not there.
/usr/bin/python3 - "$out" <<'PYTHON'
import sys, zlib
out = sys.argv[1]
audio = open(out + '/tags-none.mp3', 'rb').read()

def syncsafe(n):
    return bytes([(n >> 21) & 0x7f, (n >> 14) & 0x7f, (n >> 7) & 0x7f, n & 0x7f])

def frame(version, fid, data, flags=0):
    size = syncsafe(len(data)) if version == 4 else len(data).to_bytes(4, 'big')
    return fid + size + flags.to_bytes(2, 'big') + data

def header(version, flags, size, ident=b'ID3'):
    return ident + bytes([version, 0, flags]) + syncsafe(size)

def unsync(data):
    # A zero after every 0xFF that a zero or a byte of 0xE0 and above follows, or that ends the data.
    result = bytearray()
    for i, b in enumerate(data):
        result.append(b)
        if b == 0xff and (i + 1 == len(data) or data[i + 1] == 0 or data[i + 1] >= 0xe0):
            result.append(0)
    return bytes(result)

def latin1(text):
    return b'\0' + text.encode('latin-1')

def tag(version, frames, flags=0, padding=64):
    body = b''.join(frames) + bytes(padding)
    return header(version, flags, len(body)) + body

# Picture bytes with the patterns unsynchronisation stuffs (0xFF before 0xE0+ and before zero).
picture = bytes(range(256)) * 4 + b'\xff\xd8\xff\xe0\xff\x00\xff\xfb\x90\xff'
apic = b'\0image/jpeg\0\x03Front\0' + picture

# 2.4, unsynchronised as a whole: the header says so, the frames carry no flag of their own.
frames = [frame(4, b'TIT2', unsync(latin1('Caf\xff\xe9 Stuffed'))), frame(4, b'TPE1', unsync(latin1('Stuffer'))),
          frame(4, b'TALB', unsync(latin1('Whole Tag'))), frame(4, b'TDRC', unsync(latin1('2006'))),
          frame(4, b'COMM', unsync(b'\0eng\0\xff\xe0 comment')), frame(4, b'TCON', unsync(latin1('Jazz'))),
          frame(4, b'APIC', unsync(apic)), frame(4, b'TXXX', unsync(b'\0note\0\xff\xff\xff'))]
open(out + '/tags-v24-unsync.mp3', 'wb').write(tag(4, frames, flags=0x80) + audio)

# 2.4 frame flags: a group byte (0x40), a data length indicator (0x01), unsynchronisation (0x02), compression (0x08).
def dli(data):
    return syncsafe(len(data))
utf16 = lambda text: b'\x01\xff\xfe' + text.encode('utf-16-le')
title = utf16('Grouped Title')
artist = b'\x03' + 'Ärtist mit Länge'.encode('utf-8')
album = latin1('Alb\xff\xe0m')
comment = b'\0eng\0Packed comment ' + b'x' * 40
frames = [frame(4, b'TIT2', b'\x07' + title, 0x0040), frame(4, b'TPE1', dli(artist) + artist, 0x0001),
          frame(4, b'TALB', dli(album) + unsync(album), 0x0003),
          frame(4, b'COMM', dli(comment) + zlib.compress(comment), 0x0009),
          frame(4, b'TDRC', b'\x09' + dli(latin1('2008')) + unsync(latin1('2008')), 0x0043),
          frame(4, b'TCON', latin1('Jazz')), frame(4, b'TXXX', b'\x02' + b'\0kept\0grouped', 0x0040)]
open(out + '/tags-v24-frameflags.mp3', 'wb').write(tag(4, frames) + audio)

# UTF-16 without byte-order marks (2.3): little-endian, big-endian, and text without any zero byte.
nobom = lambda text, order: b'\x01' + text.encode(order)
frames = [frame(3, b'TIT2', nobom('Little Endian', 'utf-16-le')), frame(3, b'TPE1', nobom('Big Endian', 'utf-16-be')),
          frame(3, b'TALB', nobom('東京の夜', 'utf-16-le')), frame(3, b'TYER', latin1('1997')),
          frame(3, b'COMM', b'\x01eng\0\0' + 'No mark'.encode('utf-16-le')), frame(3, b'TCON', nobom('Blues', 'utf-16-le'))]
open(out + '/tags-nobom.mp3', 'wb').write(tag(3, frames) + audio)

# A 2.4 tag after the audio, closed by a footer, before an ID3v1 tag that holds less of the title and artist.
frames = [frame(4, b'TIT2', latin1('Tail Song With A Title Longer Than Thirty')),
          frame(4, b'TPE1', b'\x03' + 'Tail Ärtist ☃'.encode('utf-8')),
          frame(4, b'TALB', latin1('Tail Album')), frame(4, b'TDRC', latin1('2012')),
          frame(4, b'COMM', b'\0eng\0tail comment'), frame(4, b'TCON', latin1('Blues')),
          frame(4, b'TXXX', b'\0kept\0at the end')]
body = b''.join(frames)
appended = header(4, 0x10, len(body)) + body + header(4, 0x10, len(body), b'3DI')
def v1(text, width):
    return text.encode('latin-1')[:width].ljust(width, b'\0')
id3v1 = b'TAG' + v1('Tail Song With A Title Longer Than Thirty', 30) + v1('Tail Ärtist ?', 30) + v1('Tail Album', 30) + v1('2012', 4) \
    + v1('tail comment', 30) + bytes([0])
open(out + '/tags-appended.mp3', 'wb').write(audio + appended + id3v1)

# 2.3 with the extended header flag set but no extended header: the first frame follows the header.
frames = [frame(3, b'TIT2', latin1('Ripped Song')), frame(3, b'TPE1', latin1('Ripper')),
          frame(3, b'TALB', latin1('Ripped Album')), frame(3, b'TYER', latin1('2002')),
          frame(3, b'TRCK', latin1('4/12')), frame(3, b'COMM', b'\0eng\0ripped')]
open(out + '/tags-falseext.mp3', 'wb').write(tag(3, frames, flags=0x40) + audio)
PYTHON
