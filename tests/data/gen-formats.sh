#!/usr/bin/env bash
# One short tagged file of each format besides MP3 whose tags Quillet reads: tagged by ffmpeg, with a front cover
# and a composer added by mutagen. fmt-flac-named.mp3 is FLAC under an MP3 name; fmt-wav-id3.wav carries an ID3
# chunk instead of RIFF INFO; fmt-odd-cover.m4a has a second cover of a picture type TagLib does not read;
# fmt-no-year.m4a has no date; fmt-big.flac is over a mebibyte; fmt-bad-boxes.m4a is a tiny MP4 whose tag boxes
# claim more bytes than their parents hold (TagLib's save writes out of bounds on it); fmt-short-offsets.m4a is
# fmt-no-year.m4a with its chunk offset table cut to 15 bytes, too short to hold its own count; fmt-untagged.m4a is
# fmt.m4a without its moov/udta box, an M4A with no tag at all; fmt-deep-boxes.m4a is fmt.m4a followed by a movie
# fragment whose boxes nest 40 deep, deeper than in any real file.
set -euo pipefail
out=$1
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# tone HZ RATE: one second of a tone.
tone() { echo "sine=frequency=$1:sample_rate=$2:duration=1"; }
# tags NAME YEAR GENRE TRACK: the seven fields for ffmpeg, in the array t.
tags() {
    t=(-metadata "title=$1 Song" -metadata "artist=$1 Artist" -metadata "album=$1 Album" -metadata "date=$2"
       -metadata "comment=$1 words" -metadata "genre=$3" -metadata "track=$4")
}

ff -f lavfi -i "testsrc=size=16x16:rate=1" -frames:v 1 "$work/cover.png"

tags Flac 2021 Jazz 4
ff -f lavfi -i "$(tone 440 44100)" -ac 2 -c:a flac "${t[@]}" "$out/fmt.flac"
# fmt-big.flac: 10 s of noise, over a mebibyte as real FLAC files are, with the same tags.
ff -f lavfi -i "anoisesrc=sample_rate=44100:duration=10:seed=1" -ac 1 -c:a flac "${t[@]}" "$out/fmt-big.flac"
tags Vorbis 2022 Rock 5
ff -f lavfi -i "$(tone 550 44100)" -ac 2 -c:a libvorbis -q:a 2 "${t[@]}" "$out/fmt.ogg"
tags Opus 2023 Pop 6
ff -f lavfi -i "$(tone 660 48000)" -ac 1 -c:a libopus -b:a 32k "${t[@]}" \
   -metadata "artist=Ünïcödé Künstler" "$out/fmt.opus"
tags M4a 2024 Blues 7
ff -f lavfi -i "$(tone 770 44100)" -ac 2 -c:a aac -b:a 96k "${t[@]}" "$out/fmt.m4a"
tags Wave 2019 Funk 8
ff -f lavfi -i "$(tone 880 22050)" -ac 1 "${t[@]}" "$out/fmt-wav-info.wav"
ff -f lavfi -i "$(tone 990 22050)" -ac 1 "$out/fmt-wav-id3.wav"
tags Aiff 2018 Soul 9
ff -f lavfi -i "$(tone 330 44100)" -ac 2 -write_id3v2 1 "${t[@]}" "$out/fmt.aiff"

/usr/bin/python3 - "$out" "$work/cover.png" <<'PY'
import base64, shutil, sys
from mutagen.flac import FLAC, Picture
from mutagen.oggvorbis import OggVorbis
from mutagen.oggopus import OggOpus
from mutagen.mp4 import MP4, MP4Cover
from mutagen.wave import WAVE
from mutagen.id3 import APIC, TIT2, TPE1, TALB, TDRC, COMM, TCON, TRCK, TCOM

out, cover = sys.argv[1], open(sys.argv[2], 'rb').read()
picture = Picture()
picture.type, picture.mime, picture.desc, picture.data = 3, 'image/png', 'Front', cover
picture.width, picture.height, picture.depth = 16, 16, 24

flac = FLAC(out + '/fmt.flac')
flac.add_picture(picture)
flac['composer'] = 'Flac Composer'
flac.save()
for cls, name in ((OggVorbis, 'fmt.ogg'), (OggOpus, 'fmt.opus')):
    ogg = cls(out + '/' + name)
    ogg['metadata_block_picture'] = base64.b64encode(picture.write()).decode('ascii')
    ogg['composer'] = name + ' composer'
    ogg.save()
mp4 = MP4(out + '/fmt.m4a')
mp4['covr'] = [MP4Cover(cover, imageformat=MP4Cover.FORMAT_PNG)]
mp4['\xa9wrt'] = 'M4a Composer'
mp4.save()
shutil.copy(out + '/fmt.m4a', out + '/fmt-odd-cover.m4a')
odd = MP4(out + '/fmt-odd-cover.m4a')
odd['covr'] = odd['covr'] + [MP4Cover(cover, imageformat=99)]
odd.save()
shutil.copy(out + '/fmt.m4a', out + '/fmt-no-year.m4a')
undated = MP4(out + '/fmt-no-year.m4a')
del undated['\xa9day']
undated.save()
open(out + '/fmt-bad-boxes.m4a', 'wb').write(base64.b64decode(
    'AAAAGGZ0eXBNNEEgAAAAAE00QSBpc29tAAAAnG1vb3YAAACUdWR0YQAAAIxtZXRhAAAAAAAAACFoZGxyAAAAAAAAAABtZGlyYXBwbAAAAAAA'
    'AAAAAAAAAF9pbHN0AAAAHHBsSUQAAADJAAAAAQAAAABTb21lb25lAAAAGG1kYXQAAAAAAAAAAAAAAAAAAAAA'))


def rebuilt(data, change):
    # The boxes in order, each body as change(name, body) makes it; None leaves the box out.
    out_bytes = b''
    at = 0
    while at < len(data):
        size = int.from_bytes(data[at:at + 4], 'big')
        name = data[at + 4:at + 8]
        body = change(name, data[at + 8:at + size])
        if body is not None:
            out_bytes += (8 + len(body)).to_bytes(4, 'big') + name + body
        at += size
    return out_bytes


def cut_offsets(name, body):
    # The chunk offset table of each track cut after three bytes of its count.
    if name in (b'moov', b'trak', b'mdia', b'minf', b'stbl'):
        return rebuilt(body, cut_offsets)
    return body[:7] if name == b'stco' else body


def without_udta(name, body):
    # moov comes after mdat, so the chunk offsets stay right.
    if name == b'udta':
        return None
    return rebuilt(body, without_udta) if name == b'moov' else body


open(out + '/fmt-short-offsets.m4a', 'wb').write(rebuilt(open(out + '/fmt-no-year.m4a', 'rb').read(), cut_offsets))
open(out + '/fmt-untagged.m4a', 'wb').write(rebuilt(open(out + '/fmt.m4a', 'rb').read(), without_udta))
deep = b''
for _ in range(40):
    deep = (8 + len(deep)).to_bytes(4, 'big') + b'traf' + deep
open(out + '/fmt-deep-boxes.m4a', 'wb').write(
    open(out + '/fmt.m4a', 'rb').read() + (8 + len(deep)).to_bytes(4, 'big') + b'moof' + deep)

wave = WAVE(out + '/fmt-wav-id3.wav')
wave.add_tags()
for frame in (TIT2(encoding=3, text='Chunk Song'), TPE1(encoding=3, text='Chunk Artist'),
              TALB(encoding=3, text='Chunk Album'), TDRC(encoding=3, text='2017'),
              COMM(encoding=3, lang='eng', desc='', text='chunk words'), TCON(encoding=3, text='Reggae'),
              TRCK(encoding=3, text='3'), TCOM(encoding=3, text='Chunk Composer'),
              APIC(encoding=3, mime='image/png', type=3, desc='Front', data=cover)):
    wave.tags.add(frame)
wave.save()
PY
cp "$out/fmt.flac" "$out/fmt-flac-named.mp3"
