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
        int start = -1; // top of the transparent run under way, -1 outside one
        for (int top = 0; top <= height; ++top) {
            // Past the last row no pixel matches, which ends a run that reaches the bottom.
            const uchar *pixel = top < height ? bits + (height - 1 - top) * stride + 3 * x : nullptr;
            const bool matches = pixel && pixel[0] == blue && pixel[1] == green && pixel[2] == red;
            if (matches && start < 0) {
                start = top;
            } else if (!matches && start >= 0) {
                region = region.xored(QRegion(x, start, 1, top - start));
                start = -1;
            }
        }
    }
    return region;
}

} // namespace quillet::testing
