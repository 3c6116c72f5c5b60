#include "tags/formatfile.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

namespace quillet {

std::unique_ptr<TagLib::File> FormatFile::open(AudioFormat format, TagLib::IOStream *stream, bool readProperties)
{
    switch (format) {
    case AudioFormat::Mpeg:
        return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), readProperties);
    case AudioFormat::Flac:
        return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(), readProperties);
    case AudioFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, readProperties);
    case AudioFormat::Opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, readProperties);
    case AudioFormat::M4a:
    case AudioFormat::Mp4:
        return std::make_unique<TagLib::MP4::File>(stream, readProperties);
    case AudioFormat::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, readProperties);
    case AudioFormat::Aiff:
        return std::make_unique<TagLib::RIFF::AIFF::File>(stream, readProperties);
    case AudioFormat::Unknown:
        break;
    }
    return nullptr;
}

} // namespace quillet
