#pragma once

#include <QtGlobal>

#include <memory>

namespace quillet {

// The pixel memory of a 24-bit device-independent bitmap: rows of blue, green, red bytes padded to a multiple
// of 4 bytes, the bottom row of the picture first. The memory starts zeroed (a black picture).
struct DibPixels
{
    int width = 0;
    int height = 0;
    qsizetype bytesPerScanLine = 0;
    std::unique_ptr<uchar[]> data;

    // The row length in bytes of a 24-bit row of the given width: 3 bytes a pixel rounded up to a multiple of 4.
    static qint64 scanLineBytes(qint64 width) { return (width * 3 + 3) & ~qint64(3); }
    // Whether a bitmap of that size can be made: both sides at least 1 and the whole image below 2 GiB.
    static bool sizeIsValid(qint64 width, qint64 height);
    // New zeroed pixel memory, or nullptr when the size is invalid or the memory cannot be had.
    static std::shared_ptr<DibPixels> allocate(int width, int height);
};

} // namespace quillet
