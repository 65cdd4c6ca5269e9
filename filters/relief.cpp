#include "filters/relief.h"

#include "filters/vector_clones.h"

#include <algorithm>
#include <cstdlib>

namespace mergola {
namespace {

using Byte = std::uint8_t;

// Neighbouring pixels in a row are this many bytes apart.
constexpr int kNext = kBytesPerPixel;
// Relief pulls a flat area halfway towards this value: C \ 2 + 50.
constexpr int kReliefLift = 50;
constexpr int kColourChannels = 3;

// The colour's byte for each byte of a chunk: blue, green, red, and 0 for
// the fourth byte, whose computed value is dropped anyway.
struct ChunkOffsets {
    alignas(kChunkBytes) std::int16_t k[kChunkBytes];
};

ChunkOffsets offsetsOf(std::int32_t colour)
{
    const SplitRgb split = SplitColor(colour);
    const int perChannel[kBytesPerPixel] = {split.blue, split.green, split.red, 0};
    ChunkOffsets offsets{};
    for (int j = 0; j < kChunkBytes; ++j)
        offsets.k[j] = std::int16_t(perChannel[j % kBytesPerPixel]);
    return offsets;
}

// Each row: whole chunks of 16 pixels as straight byte loops (see
// vector_clones.h), then the few pixels left over one colour byte at a time.
// The per-byte rules are always inlined so that every clone gets its own.

// Emboss (Sign = 1) and Engrave (Sign = -1): A against its lower-right
// neighbour B.
template <int Sign>
[[gnu::always_inline]] inline int diagonal(int a, int b, int k)
{
    return std::min(std::abs(Sign * (a - b) + k), 255);
}

// In place in DestBuffer, against row y + 1, which is still unchanged.
template <int Sign>
[[gnu::always_inline]] inline void diagonalRow(const PixelView &view, int y, const ChunkOffsets &offsets)
{
    Byte *cur = view.row(y);
    const Byte *below = view.row(y + 1) + kNext;
    const int pixels = view.width - 1;
    int x = 0;
    for (; x + kChunkPixels <= pixels; x += kChunkPixels) {
        Byte *a = cur + x * kBytesPerPixel;
        const Byte *b = below + x * kBytesPerPixel;
        for (int j = 0; j < kChunkBytes; ++j) {
            const Byte value = Byte(diagonal<Sign>(a[j], b[j], offsets.k[j]));
            a[j] = Byte((a[j] & kFourthByteMask.keep[j]) | (value & ~kFourthByteMask.keep[j]));
        }
    }
    for (; x < pixels; ++x)
        for (int c = 0; c < kColourChannels; ++c) {
            Byte &a = cur[x * kBytesPerPixel + c];
            a = Byte(diagonal<Sign>(a, below[x * kBytesPerPixel + c], offsets.k[c]));
        }
}

MERGOLA_VECTOR_CLONES
void embossRow(const PixelView &view, int y, const ChunkOffsets &offsets)
{
    diagonalRow<1>(view, y, offsets);
}

MERGOLA_VECTOR_CLONES
void engraveRow(const PixelView &view, int y, const ChunkOffsets &offsets)
{
    diagonalRow<-1>(view, y, offsets);
}

template <void (*DiagonalRow)(const PixelView &, int, const ChunkOffsets &)>
void runDiagonal(FilterContext &context, std::int32_t colour)
{
    const ChunkOffsets offsets = offsetsOf(colour);
    const PixelView &view = context.dest;
    forEachRowReporting(context, 0, view.height - 2, view.width >= 2,
                        [&](int y) { DiagonalRow(view, y, offsets); });
}

// Contour: 8 * C minus the eight neighbours, which is 9 * C minus the 3 x 3
// sum, plus the offset.
[[gnu::always_inline]] inline int contour(const Byte *up, const Byte *mid, const Byte *down, int k)
{
    const int box =
        up[-kNext] + up[0] + up[kNext] + mid[-kNext] + mid[0] + mid[kNext] + down[-kNext] + down[0] + down[kNext];
    return std::clamp(9 * mid[0] - box + k, 0, 255);
}

// Relief: (C + D) \ 2 + 50, D lit from the upper left; / truncates toward
// zero as \ does (-99 halves to -49).
[[gnu::always_inline]] inline int relief(const Byte *up, const Byte *mid, const Byte *down, int)
{
    const int d = 2 * up[-kNext] + mid[-kNext] + up[0] - mid[kNext] - down[0] - 2 * down[kNext];
    return std::clamp((mid[0] + d) / 2 + kReliefLift, 0, 255);
}

// Inner pixels of row y from SourceBuffer into DestBuffer.
template <int (*Rule)(const Byte *, const Byte *, const Byte *, int)>
[[gnu::always_inline]] inline void innerRow(const PixelView &dest, const PixelView &source, int y,
                                            const ChunkOffsets &offsets)
{
    const Byte *up = source.row(y - 1);
    const Byte *mid = source.row(y);
    const Byte *down = source.row(y + 1);
    Byte *out = dest.row(y);
    const int lastColumn = source.width - 2;
    int x = 1;
    for (; x + kChunkPixels - 1 <= lastColumn; x += kChunkPixels) {
        const int i = x * kBytesPerPixel;
        for (int j = 0; j < kChunkBytes; ++j) {
            const Byte value = Byte(Rule(up + i + j, mid + i + j, down + i + j, offsets.k[j]));
            out[i + j] = Byte((out[i + j] & kFourthByteMask.keep[j]) | (value & ~kFourthByteMask.keep[j]));
        }
    }
    for (; x <= lastColumn; ++x)
        for (int c = 0; c < kColourChannels; ++c) {
            const int i = x * kBytesPerPixel + c;
            out[i] = Byte(Rule(up + i, mid + i, down + i, offsets.k[c]));
        }
}

MERGOLA_VECTOR_CLONES
void contourRow(const PixelView &dest, const PixelView &source, int y, const ChunkOffsets &offsets)
{
    innerRow<contour>(dest, source, y, offsets);
}

MERGOLA_VECTOR_CLONES
void reliefRow(const PixelView &dest, const PixelView &source, int y, const ChunkOffsets &offsets)
{
    innerRow<relief>(dest, source, y, offsets);
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
    const ChunkOffsets offsets = offsetsOf(colour);
    forEachRowReporting(context, 1, context.dest.height - 2, context.dest.width >= 3,
                        [&](int y) { contourRow(context.dest, context.source, y, offsets); });
}

void ReliefFilter(FilterContext &context, std::int32_t)
{
    const ChunkOffsets noOffsets{};
    forEachRowReporting(context, 1, context.dest.height - 2, context.dest.width >= 3,
                        [&](int y) { reliefRow(context.dest, context.source, y, noOffsets); });
}

} // namespace mergola
