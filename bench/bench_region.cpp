// Times building a window region from a 1920 x 1080 picture with many transparent runs: the one-pass build of
// cDIBSectionRegion::Create against the slow reference build that combines one rectangle per run by
// exclusive-or, and checks that both give the same region.
#include "benchrow.h"
#include "../tests/appearance/perrunxorregion.h"
#include "appearance/cdibsection.h"
#include "appearance/cdibsectionregion.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

using namespace quillet;

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

// A white picture with 400 black discs of radius 8 to 60 and a black frame with rounded corners.
void drawPicture(cDIBSection &dib)
{
    const qsizetype stride = dib.BytesPerScanLine();
    uchar *bits = dib.DIBSectionBitsPtr();
    std::fill(bits, bits + stride * Height, uchar(255));
    const auto blacken = [&](int x, int top) {
        uchar *pixel = bits + qsizetype(Height - 1 - top) * stride + 3 * x;
        pixel[0] = pixel[1] = pixel[2] = 0;
    };
    QRandomGenerator random(1080);
    for (int disc = 0; disc < 400; ++disc) {
        const int cx = random.bounded(Width), cy = random.bounded(Height), r = random.bounded(8, 61);
        for (int y = std::max(0, cy - r); y <= std::min(Height - 1, cy + r); ++y)
            for (int x = std::max(0, cx - r); x <= std::min(Width - 1, cx + r); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    blacken(x, y);
    }
    const int corner = 80;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const int dx = std::max({corner - x, x - (Width - 1 - corner), 0});
            const int dy = std::max({corner - y, y - (Height - 1 - corner), 0});
            if (x < 4 || y < 4 || x >= Width - 4 || y >= Height - 4 || dx * dx + dy * dy > corner * corner)
                blacken(x, y);
        }
    }
}

int countRuns(const cDIBSection &dib)
{
    const qsizetype stride = dib.BytesPerScanLine();
    const uchar *bits = dib.DIBSectionBitsPtr();
    int runs = 0;
    for (int x = 0; x < Width; ++x) {
        bool inRun = false;
        for (int y = Height - 1; y >= 0; --y) {
            const uchar *p = bits + y * stride + 3 * x;
            const bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            runs += black && !inRun;
            inRun = black;
        }
    }
    return runs;
}

} // namespace

int main()
{
    cDIBSection dib;
    if (!dib.Create(Width, Height)) {
        std::fprintf(stderr, "cannot make the bitmap\n");
        return 1;
    }
    drawPicture(dib);
    std::printf("picture %d x %d, %d transparent runs\n", Width, Height, countRuns(dib));

    cDIBSectionRegion region;
    const int repeats = 20;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        region.Create(dib, 0);
    const double onePassMs = double(timer.nsecsElapsed()) / 1e6 / repeats;

    timer.restart();
    const QRegion reference = testing::perRunXorRegion(dib, 0);
    const double perRunMs = double(timer.nsecsElapsed()) / 1e6;

    const QRegion built = region.region().value_or(QRegion());
    const bool sameRects = std::equal(built.begin(), built.end(), reference.begin(), reference.end());
    const bool sameArea = built.xored(reference).isEmpty();
    std::printf("rectangles: %d (one pass), %d (per run)\n", built.rectCount(), reference.rectCount());
    std::printf("one-pass build:           %10.2f ms (mean of %d)\n", onePassMs, repeats);
    std::printf("per-run exclusive-or:     %10.2f ms\n", perRunMs);
    std::printf("speed-up:                 %10.1fx\n", perRunMs / onePassMs);
    std::printf("same region: %s (rectangle for rectangle: %s)\n", sameArea ? "yes" : "NO", sameRects ? "yes" : "NO");
    benchRow("region from a 1920x1080 picture", figure(onePassMs, "ms", 2), figure(perRunMs, "ms (per-run xor)"),
             onePassMs / perRunMs, "at most 0.1");
    return sameRects && sameArea ? 0 : 1;
}
