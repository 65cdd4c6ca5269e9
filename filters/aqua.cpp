#include "filters/aqua.h"

#include "filters/vector_clones.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace mergola {
namespace {

using Byte = std::uint8_t;
using Spread = std::uint16_t; // at most 9 * 255

// The same channel of the neighbouring pixel is this many bytes away.
constexpr int kNext = kBytesPerPixel;
constexpr int kBlockValues = 9;
// The untouched frame is two pixels wide: every block must fit the picture.
constexpr int kFrame = 2;
// Block statistics of three centre rows are alive at once: the rows above
// and below the pixel row, and the one between them that the next pixel
// row needs.
constexpr int kCentreRows = 3;

// The four blocks around a pixel are the 3 x 3 blocks centred on its four
// diagonal neighbours, and a block's mean and spread depend only on its
// centre. So each is computed once per centre, and shared by the four
// pixels around it, instead of four times per pixel.
struct CentreRow {
    std::vector<Byte> mean;
    std::vector<Spread> spread;
};

// Mean and spread of the block centred on each byte of source row cy.
// Every lane is computed, the fourth byte's too, so that the loop runs
// straight over bytes and vectorises; those lanes are never used.
MERGOLA_VECTOR_CLONES
void blockStatistics(const PixelView &source, int cy, CentreRow &out)
{
    const Byte *up = source.row(cy - 1);
    const Byte *mid = source.row(cy);
    const Byte *down = source.row(cy + 1);
    Byte *mean = out.mean.data();
    Spread *spread = out.spread.data();
    const int end = (source.width - 1) * kBytesPerPixel;
    for (int i = kNext; i < end; ++i) {
        const int values[kBlockValues] = {up[i - kNext],  up[i],  up[i + kNext],  mid[i - kNext], mid[i],
                                          mid[i + kNext], down[i - kNext], down[i], down[i + kNext]};
        int sum = 0;
        for (int v : values)
            sum += v;
        // The sum is never negative, so \ 9 rounds down.
        const int m = sum / kBlockValues;
        int deviation = 0;
        for (int v : values)
            deviation += std::abs(v - m);
        mean[i] = Byte(m);
        spread[i] = Spread(deviation);
    }
}

// Picks, for every channel of pixel row y, the block with the smallest
// spread, checked in the order 1, 2, 3, 4 with a strict comparison so that
// the lowest-numbered block wins a tie. Blocks 1 and 2 are centred on the
// row above, left and right of the byte; 3 and 4 on the row below.
//
// Shaped for the vectoriser (the fastest of several forms measured): all
// eight values loaded up front and picked by selects rather than loaded
// under branches, narrow types so that it works in 16-bit lanes, and the
// fourth byte written back with its own value, unchanged.
MERGOLA_VECTOR_CLONES
void chooseRow(Byte *out, const CentreRow &above, const CentreRow &below, int width)
{
    const Byte *meanAbove = above.mean.data();
    const Spread *spreadAbove = above.spread.data();
    const Byte *meanBelow = below.mean.data();
    const Spread *spreadBelow = below.spread.data();
    const int begin = kFrame * kBytesPerPixel;
    const int end = (width - kFrame) * kBytesPerPixel;
    for (int i = begin; i < end; ++i) {
        const Spread spread1 = spreadAbove[i - kNext], spread2 = spreadAbove[i + kNext];
        const Spread spread3 = spreadBelow[i - kNext], spread4 = spreadBelow[i + kNext];
        const Byte mean1 = meanAbove[i - kNext], mean2 = meanAbove[i + kNext];
        const Byte mean3 = meanBelow[i - kNext], mean4 = meanBelow[i + kNext];
        const Byte old = out[i];
        Spread best = spread1;
        Byte chosen = mean1;
        chosen = spread2 < best ? mean2 : chosen;
        best = spread2 < best ? spread2 : best;
        chosen = spread3 < best ? mean3 : chosen;
        best = spread3 < best ? spread3 : best;
        chosen = spread4 < best ? mean4 : chosen;
        out[i] = i % kBytesPerPixel == kFourthByte ? old : chosen;
    }
}

} // namespace

void AquaFilter(FilterContext &context, std::int32_t)
{
    const PixelView &source = context.source;
    const int width = source.width;
    const int height = source.height;
    const bool wideEnough = width >= 2 * kFrame + 1;

    std::array<CentreRow, kCentreRows> centres;
    if (wideEnough && height >= 2 * kFrame + 1) {
        const std::size_t rowBytes = std::size_t(width) * kBytesPerPixel;
        for (CentreRow &row : centres) {
            row.mean.resize(rowBytes);
            row.spread.resize(rowBytes);
        }
        blockStatistics(source, kFrame - 1, centres[(kFrame - 1) % kCentreRows]);
        blockStatistics(source, kFrame, centres[kFrame % kCentreRows]);
    }

    forEachRowReporting(context, kFrame, height - kFrame - 1, wideEnough, [&](int y) {
        blockStatistics(source, y + 1, centres[(y + 1) % kCentreRows]);
        chooseRow(context.dest.row(y), centres[(y - 1) % kCentreRows], centres[(y + 1) % kCentreRows], width);
    });
}

} // namespace mergola
