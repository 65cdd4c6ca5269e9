#include "filters/relief.h"

#include "filters/vector_clones.h"

#include <algorithm>
#include <cstdlib>

namespace mergola {
namespace {

using Byte = std::uint8_t;

constexpr int kFourth = 3; // the byte without colour
// Neighbouring pixels in a row are this many bytes apart.
constexpr int kNext = kBytesPerPixel;
// Relief pulls a flat area halfway towards this value: C \ 2 + 50.
constexpr int kReliefLift = 50;

struct ChannelOffsets {
    int blue, green, red;
};

ChannelOffsets offsetsOf(std::int32_t colour)
{
    const SplitRgb split = SplitColor(colour);
    return {split.blue, split.green, split.red};
}

int clampToByte(int value)
{
    return std::clamp(value, 0, 255);
}

// The engine's progress frame: 0, then (y * 100) \ H after each row of
// firstRow..lastRow (counted from 0 here, reported counted from 1), 100.
template <class RowPass>
void forEachRow(FilterContext &context, int firstRow, int lastRow, bool wideEnough, RowPass &&rowPass)
{
    context.progress.store(0);
    for (int y = firstRow; y <= lastRow; ++y) {
        if (wideEnough)
            rowPass(y);
        context.progress.reportRow(y + 1, context.dest.height);
    }
    context.progress.report(100);
}

// The fourth byte is written back with its own value: the pixel then is one
// uniform group of four bytes, which lets the compiler vectorise the loop,
// and the byte is unchanged.

// Emboss (Sign = 1) and Engrave (Sign = -1) of one row against the row
// below. Row y + 1 is still unchanged when row y is done.
template <int Sign>
void diagonalRowBody(const PixelView &view, int y, ChannelOffsets k)
{
    Byte *cur = view.row(y);
    const Byte *below = view.row(y + 1) + kNext;
    const int pixels = view.width - 1;
    for (int x = 0; x < pixels; ++x) {
        Byte *a = cur + x * kBytesPerPixel;
        const Byte *b = below + x * kBytesPerPixel;
        const int blue = std::abs(Sign * (a[kBlue] - b[kBlue]) + k.blue);
        const int green = std::abs(Sign * (a[kGreen] - b[kGreen]) + k.green);
        const int red = std::abs(Sign * (a[kRed] - b[kRed]) + k.red);
        a[kBlue] = Byte(std::min(blue, 255));
        a[kGreen] = Byte(std::min(green, 255));
        a[kRed] = Byte(std::min(red, 255));
        a[kFourth] = a[kFourth];
    }
}

MERGOLA_VECTOR_CLONES
void embossRow(const PixelView &view, int y, ChannelOffsets k)
{
    diagonalRowBody<1>(view, y, k);
}

MERGOLA_VECTOR_CLONES
void engraveRow(const PixelView &view, int y, ChannelOffsets k)
{
    diagonalRowBody<-1>(view, y, k);
}

template <void (*DiagonalRow)(const PixelView &, int, ChannelOffsets)>
void runDiagonal(FilterContext &context, std::int32_t colour)
{
    const ChannelOffsets k = offsetsOf(colour);
    const PixelView &view = context.dest;
    forEachRow(context, 0, view.height - 2, view.width >= 2, [&](int y) { DiagonalRow(view, y, k); });
}

// 9 * C minus the 3 x 3 sum is 8 * C minus the eight neighbours.
int laplacian(const Byte *up, const Byte *cur, const Byte *down)
{
    const int box = up[-kNext] + up[0] + up[kNext] + cur[-kNext] + cur[0] + cur[kNext] + down[-kNext] + down[0] +
                    down[kNext];
    return 9 * cur[0] - box;
}

MERGOLA_VECTOR_CLONES
void contourRow(const PixelView &dest, const PixelView &source, int y, ChannelOffsets k)
{
    const Byte *up = source.row(y - 1);
    const Byte *cur = source.row(y);
    const Byte *down = source.row(y + 1);
    Byte *out = dest.row(y);
    const int lastColumn = source.width - 2; // a local: stores through out could alias the view
    for (int x = 1; x <= lastColumn; ++x) {
        const int i = x * kBytesPerPixel;
        const int blue = laplacian(up + i + kBlue, cur + i + kBlue, down + i + kBlue) + k.blue;
        const int green = laplacian(up + i + kGreen, cur + i + kGreen, down + i + kGreen) + k.green;
        const int red = laplacian(up + i + kRed, cur + i + kRed, down + i + kRed) + k.red;
        out[i + kBlue] = Byte(clampToByte(blue));
        out[i + kGreen] = Byte(clampToByte(green));
        out[i + kRed] = Byte(clampToByte(red));
        out[i + kFourth] = out[i + kFourth];
    }
}

// (C + D) \ 2 + 50 with D lit from the upper left; / truncates toward zero
// as the rule wants (-99 halves to -49).
int relief(const Byte *up, const Byte *cur, const Byte *down)
{
    const int d = 2 * up[-kNext] + cur[-kNext] + up[0] - cur[kNext] - down[0] - 2 * down[kNext];
    return clampToByte((cur[0] + d) / 2 + kReliefLift);
}

MERGOLA_VECTOR_CLONES
void reliefRow(const PixelView &dest, const PixelView &source, int y)
{
    const Byte *up = source.row(y - 1);
    const Byte *cur = source.row(y);
    const Byte *down = source.row(y + 1);
    Byte *out = dest.row(y);
    const int lastColumn = source.width - 2; // a local: stores through out could alias the view
    for (int x = 1; x <= lastColumn; ++x) {
        const int i = x * kBytesPerPixel;
        const int blue = relief(up + i + kBlue, cur + i + kBlue, down + i + kBlue);
        const int green = relief(up + i + kGreen, cur + i + kGreen, down + i + kGreen);
        const int red = relief(up + i + kRed, cur + i + kRed, down + i + kRed);
        out[i + kBlue] = Byte(blue);
        out[i + kGreen] = Byte(green);
        out[i + kRed] = Byte(red);
        out[i + kFourth] = out[i + kFourth];
    }
}

} // namespace

void EmbossFilter(FilterContext &context, std::int32_t colour)
{
    runDiagonal<embossRow>(context, colour);
}

void EngraveFilter(FilterContext &context, std::int32_t colour)
{
    runDiagonal<engraveRow>(context, colour);
}

void ContourFilter(FilterContext &context, std::int32_t colour)
{
    const ChannelOffsets k = offsetsOf(colour);
    const bool wideEnough = context.dest.width >= 3;
    forEachRow(context, 1, context.dest.height - 2, wideEnough,
               [&](int y) { contourRow(context.dest, context.source, y, k); });
}

void ReliefFilter(FilterContext &context, std::int32_t)
{
    const bool wideEnough = context.dest.width >= 3;
    forEachRow(context, 1, context.dest.height - 2, wideEnough,
               [&](int y) { reliefRow(context.dest, context.source, y); });
}

} // namespace mergola
