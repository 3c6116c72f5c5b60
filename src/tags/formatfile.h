#pragma once

#include "tags/formattag.h"

#include <memory>

namespace TagLib {
class File;
class IOStream;
} // namespace TagLib

namespace quillet {

// Opens a stream with TagLib's class for an audio format.
class FormatFile
{
public:
    // The TagLib file of the format over stream (which must outlive it); null for Unknown. With readProperties
    // the audio facts are read too.
    static std::unique_ptr<TagLib::File> open(AudioFormat format, TagLib::IOStream *stream, bool readProperties);
};

} // namespace quillet
