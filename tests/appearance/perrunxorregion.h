#pragma once

#include "appearance/cdibsection.h"

#include <QRegion>

namespace quillet::testing {

// The slow reference build of a bitmap's region: the full rectangle, then one exclusive-or of a one-pixel-wide
// rectangle for every transparent run of every column, scanning each column from the top row of the picture
// down. One region operation per run; kept only to check the one-pass build and to time it against it.
inline QRegion perRunXorRegion(const cDIBSection &dib, quint32 transColour)
{
    const int width = dib.Width();
    const int height = dib.Height();
    const qsizetype stride = dib.BytesPerScanLine();
    const uchar *bits = dib.DIBSectionBitsPtr();
    const uchar red = transColour & 0xFF, green = (transColour >> 8) & 0xFF, blue = (transColour >> 16) & 0xFF;
    QRegion region(0, 0, width, height);
    for (int x = 0; x < width; ++x) {
        bool inRun = false;
        int start = 0;
        for (int y = height - 1; y >= 0; --y) {
            const uchar *pixel = bits + y * stride + 3 * x;
            const bool matches = pixel[0] == blue && pixel[1] == green && pixel[2] == red;
            const int top = height - 1 - y;
            if (matches && !inRun) {
                inRun = true;
                start = top;
            } else if (!matches && inRun) {
                region = region.xored(QRegion(x, start, 1, top - start));
                inRun = false;
            }
        }
        if (inRun)
            region = region.xored(QRegion(x, start, 1, height - start));
    }
    return region;
}

} // namespace quillet::testing
