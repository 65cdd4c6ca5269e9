#include "filters/convolution.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace mergola {
namespace {

using Byte = std::uint8_t;

// The same channel of the next pixel in a row is this many bytes on.
constexpr int kNext = kBytesPerPixel;
// C and S are bytes, so 8 * C - S lies within +-8 * 255.
constexpr int kMaxExcess = 8 * 255;
// A quotient beyond +-255 moves any centre value 0..255 out of range on the
// same side, so the clamp gives the same result as for +-255.
constexpr int kQuotientLimit = 255;

int clampToByte(int value)
{
    return std::clamp(value, 0, 255);
}

// The engine's progress frame around a pass over the inner rows 2..H-1
// (counted from 1). A picture under 3 columns still gets its row passes.
template <class RowPass>
void forEachInnerRow(FilterContext &context, RowPass &&rowPass)
{
    const int width = context.dest.width;
    const int height = context.dest.height;
    context.progress.store(0);
    for (int y = 1; y < height - 1; ++y) {
        if (width >= 3)
            rowPass(y);
        context.progress.reportRow(y + 1, height);
    }
    context.progress.report(100);
}

// Sharpen and Edge share one shape. With divisor d, the numerator
// C * (d + 8 * w) - w * S (w = 2 for Sharpen, 1 for Edge) equals
// d * C + w * (8 * C - S), and after the clamp
//     clamp(trunc(numerator / d)) == clamp(C + floor(w * (8 * C - S) / d)):
// where the true quotient is not negative truncating and flooring agree,
// and where it is negative both sides clamp to 0. w * (8 * C - S) has only
// a few thousand possible values, so floor(. / d) comes from a table built
// once a run, exact for every d and free of the overflow that
// C * (p + 24) would meet for a large p.
class QuotientTable {
public:
    QuotientTable(int weight, std::int64_t divisor)
        : m_limit(weight * kMaxExcess), m_entries(std::size_t(2 * m_limit + 1))
    {
        for (int excess = -m_limit; excess <= m_limit; ++excess) {
            std::int64_t quotient = excess / divisor;
            if (excess % divisor != 0 && ((excess < 0) != (divisor < 0)))
                --quotient; // floor, not truncation
            m_entries[std::size_t(excess + m_limit)] =
                std::int16_t(std::clamp<std::int64_t>(quotient, -kQuotientLimit, kQuotientLimit));
        }
    }
    // Indexable by -limit..limit.
    const std::int16_t *centre() const { return m_entries.data() + m_limit; }

private:
    int m_limit;
    std::vector<std::int16_t> m_entries;
};

// For every byte of row y: the part of its sum that does not depend on the
// left neighbour, which is only known once the pixel before it is done.
// Above holds new values already, the right neighbour and the row below
// still the old ones. Every lane is computed, the fourth byte's too, so
// that the loop runs straight over bytes; those lanes are never used.
void neighboursBesidesLeft(const PixelView &view, int y, std::int16_t *out)
{
    const Byte *up = view.row(y - 1);
    const Byte *cur = view.row(y);
    const Byte *down = view.row(y + 1);
    const int end = (view.width - 1) * kBytesPerPixel;
    for (int i = kNext; i < end; ++i)
        out[i] = std::int16_t(up[i - kNext] + up[i] + up[i + kNext] + down[i - kNext] + down[i] + down[i + kNext] +
                              cur[i + kNext]);
}

// In place on purpose: each pixel's left neighbour is the value just
// computed, carried in a register rather than read back from memory.
template <int Weight>
void sharpenOrEdgeRow(const PixelView &view, int y, std::int16_t *partial, const std::int16_t *floorQuotient)
{
    neighboursBesidesLeft(view, y, partial);
    Byte *cur = view.row(y);
    const int end = (view.width - 1) * kBytesPerPixel;
    // Fold the centre in while the loop still vectorises: w * (8 * C - partial).
    for (int i = kNext; i < end; ++i)
        partial[i] = std::int16_t(Weight * (8 * cur[i] - partial[i]));

    int leftBlue = cur[kBlue], leftGreen = cur[kGreen], leftRed = cur[kRed];
    for (int i = kNext; i < end; i += kBytesPerPixel) {
        Byte *pixel = cur + i;
        const std::int16_t *excess = partial + i;
        leftBlue = clampToByte(pixel[kBlue] + floorQuotient[excess[kBlue] - Weight * leftBlue]);
        leftGreen = clampToByte(pixel[kGreen] + floorQuotient[excess[kGreen] - Weight * leftGreen]);
        leftRed = clampToByte(pixel[kRed] + floorQuotient[excess[kRed] - Weight * leftRed]);
        pixel[kBlue] = Byte(leftBlue);
        pixel[kGreen] = Byte(leftGreen);
        pixel[kRed] = Byte(leftRed);
    }
}

template <int Weight>
void runSharpenOrEdge(FilterContext &context, std::int64_t divisor)
{
    if (divisor == 0) {
        // No meaning for this parameter: leave the picture as it is.
        context.progress.store(0);
        context.progress.report(100);
        return;
    }
    const QuotientTable table(Weight, divisor);
    std::vector<std::int16_t> partial(std::size_t(context.dest.width) * kBytesPerPixel);
    forEachInnerRow(context, [&](int y) { sharpenOrEdgeRow<Weight>(context.dest, y, partial.data(), table.centre()); });
}

// Sharpen's neighbours count twice, Edge's once; see the header.
constexpr int kSharpenWeight = 2;
constexpr int kEdgeWeight = 1;
constexpr std::int64_t kSharpenDivisorOffset = 8;
constexpr std::int64_t kEdgeDivisorOffset = 1;
// The mean of the eight neighbours.
constexpr int kBlurShift = 3;

void blurRow(const PixelView &view, int y, std::int16_t *partial)
{
    neighboursBesidesLeft(view, y, partial);
    Byte *cur = view.row(y);
    const int end = (view.width - 1) * kBytesPerPixel;
    int leftBlue = cur[kBlue], leftGreen = cur[kGreen], leftRed = cur[kRed];
    for (int i = kNext; i < end; i += kBytesPerPixel) {
        Byte *pixel = cur + i;
        const std::int16_t *sum = partial + i;
        // S is never negative, so the shift is the truncating division.
        leftBlue = (sum[kBlue] + leftBlue) >> kBlurShift;
        leftGreen = (sum[kGreen] + leftGreen) >> kBlurShift;
        leftRed = (sum[kRed] + leftRed) >> kBlurShift;
        pixel[kBlue] = Byte(leftBlue);
        pixel[kGreen] = Byte(leftGreen);
        pixel[kRed] = Byte(leftRed);
    }
}

} // namespace

void SharpenFilter(FilterContext &context, std::int32_t parameter)
{
    runSharpenOrEdge<kSharpenWeight>(context, std::int64_t(parameter) + kSharpenDivisorOffset);
}

void EdgeFilter(FilterContext &context, std::int32_t parameter)
{
    runSharpenOrEdge<kEdgeWeight>(context, std::int64_t(parameter) + kEdgeDivisorOffset);
}

void BlurFilter(FilterContext &context, std::int32_t)
{
    std::vector<std::int16_t> partial(std::size_t(context.dest.width) * kBytesPerPixel);
    forEachInnerRow(context, [&](int y) { blurRow(context.dest, y, partial.data()); });
}

} // namespace mergola
