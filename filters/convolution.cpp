#include "filters/convolution.h"

#include "filters/vector_clones.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace mergola {
namespace {

using Byte = std::uint8_t;

// The same channel of the next pixel in a row is this many bytes on.
constexpr int kNext = kBytesPerPixel;
// The eight neighbours of a byte sum to at most 8 * 255.
constexpr int kMaxNeighbourSum = 8 * 255;

// Sharpen's neighbours count twice, Edge's once; see the header.
constexpr int kSharpenWeight = 2;
constexpr int kEdgeWeight = 1;
constexpr std::int64_t kSharpenDivisorOffset = 8;
constexpr std::int64_t kEdgeDivisorOffset = 1;
// Blur is the mean of the eight neighbours.
constexpr int kBlurShift = 3;

// The engine's progress frame around a pass over the inner rows 2..H-1
// (counted from 1), which have both neighbours. A picture under 3 columns
// still reports those rows.
template <class RowPass>
void forEachInnerRow(FilterContext &context, RowPass &&rowPass)
{
    forEachRowReporting(context, 1, context.dest.height - 2, context.dest.width >= 3, rowPass);
}

// Each row is done in two steps. First, for every byte, everything that
// does not depend on the left neighbour, in one straight loop over the row
// that the compiler vectorises: the row above already holds new values, the
// right neighbour and the row below still the old ones. Then the short
// serial step per byte that adds the left neighbour, the value just
// computed, carried in a register rather than read back from memory.
// Every lane of the first step is computed, the fourth byte's too, so that
// it runs straight over bytes; those lanes are never used.

// Blur, first step: the sum of the seven neighbours other than the left.
MERGOLA_VECTOR_CLONES
void sumsBesidesLeft(const PixelView &view, int y, std::int16_t *out)
{
    const Byte *up = view.row(y - 1);
    const Byte *cur = view.row(y);
    const Byte *down = view.row(y + 1);
    const int end = (view.width - 1) * kBytesPerPixel;
    for (int i = kNext; i < end; ++i)
        out[i] = std::int16_t(up[i - kNext] + up[i] + up[i + kNext] + down[i - kNext] + down[i] + down[i + kNext] +
                              cur[i + kNext]);
}

void blurRow(const PixelView &view, int y, std::int16_t *partial)
{
    sumsBesidesLeft(view, y, partial);
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

// Sharpen and Edge share one shape: with neighbour weight w and divisor d
// the numerator is n = C * c - w * S, where c = d + 8 * w is the centre
// weight, and the result is clamp(n \ d).
//
// Usually (the menu's d = 10 and d = 2) few numerators can occur, and the
// result of each is kept in a table indexed by m = -n = w * S - c * C.
// The left neighbour then enters as m = partial + w * left, so the chain
// from one pixel to the next is one address computation and one load.
// A centre weight up to this keeps every partial m within 16 bits and the
// table within about 30 KB, beside the picture rows in the first-level
// cache.
constexpr int kMaxTabledCentreWeight = 100;

class ResultByNumerator {
public:
    ResultByNumerator(int weight, std::int64_t divisor)
    {
        const int centreWeight = int(divisor) + 8 * weight;
        m_lowest = std::min(0, -255 * centreWeight);
        const int highest = weight * kMaxNeighbourSum + std::max(0, -255 * centreWeight);
        m_results.resize(std::size_t(highest - m_lowest + 1));
        for (int m = m_lowest; m <= highest; ++m) // 64-bit: / truncates toward zero, as \ does
            m_results[std::size_t(m - m_lowest)] = Byte(std::clamp<std::int64_t>(std::int64_t(-m) / divisor, 0, 255));
    }
    static bool covers(int weight, std::int64_t divisor)
    {
        return std::abs(divisor + 8 * weight) <= kMaxTabledCentreWeight;
    }
    // Indexable by every m that can occur.
    const Byte *origin() const { return m_results.data() - m_lowest; }

private:
    int m_lowest = 0;
    std::vector<Byte> m_results;
};

// First step of the tabled form: w * (the seven neighbours) - c * C.
MERGOLA_VECTOR_CLONES
void tabledPartials(const PixelView &view, int y, int weight, int centreWeight, std::int16_t *out)
{
    const Byte *up = view.row(y - 1);
    const Byte *cur = view.row(y);
    const Byte *down = view.row(y + 1);
    const int end = (view.width - 1) * kBytesPerPixel;
    for (int i = kNext; i < end; ++i) {
        const int seven =
            up[i - kNext] + up[i] + up[i + kNext] + down[i - kNext] + down[i] + down[i + kNext] + cur[i + kNext];
        out[i] = std::int16_t(weight * seven - centreWeight * cur[i]);
    }
}

template <int Weight>
void tabledRow(const PixelView &view, int y, int centreWeight, std::int16_t *partial, const Byte *result)
{
    tabledPartials(view, y, Weight, centreWeight, partial);
    Byte *cur = view.row(y);
    const int end = (view.width - 1) * kBytesPerPixel;
    int leftBlue = cur[kBlue], leftGreen = cur[kGreen], leftRed = cur[kRed];
    for (int i = kNext; i < end; i += kBytesPerPixel) {
        Byte *pixel = cur + i;
        const std::int16_t *m = partial + i;
        leftBlue = result[m[kBlue] + Weight * leftBlue];
        leftGreen = result[m[kGreen] + Weight * leftGreen];
        leftRed = result[m[kRed] + Weight * leftRed];
        pixel[kBlue] = Byte(leftBlue);
        pixel[kGreen] = Byte(leftGreen);
        pixel[kRed] = Byte(leftRed);
    }
}

// Any other divisor: n = d * C + w * (8 * C - S), and after the clamp
//     clamp(n \ d) == clamp(C + floor(w * (8 * C - S) / d)):
// where the true quotient is not negative truncating and flooring agree,
// and where it is negative both sides clamp to 0. w * (8 * C - S) has only
// a few thousand values, so floor(. / d) comes from a table, exact for
// every d and free of the overflow that C * c would meet in 32 bits for a
// large parameter.
class QuotientTable {
public:
    QuotientTable(int weight, std::int64_t divisor)
        : m_limit(weight * kMaxNeighbourSum), m_quotients(std::size_t(2 * m_limit + 1))
    {
        for (int excess = -m_limit; excess <= m_limit; ++excess) {
            std::int64_t quotient = excess / divisor;
            if (excess % divisor != 0 && ((excess < 0) != (divisor < 0)))
                --quotient; // floor, not truncation
            // Beyond +-255 any centre 0..255 leaves the range on the same side.
            m_quotients[std::size_t(excess + m_limit)] = std::int16_t(std::clamp<std::int64_t>(quotient, -255, 255));
        }
    }
    // Indexable by -limit..limit.
    const std::int16_t *origin() const { return m_quotients.data() + m_limit; }

private:
    int m_limit;
    std::vector<std::int16_t> m_quotients;
};

// First step of the quotient form: w * (8 * C - the seven neighbours).
MERGOLA_VECTOR_CLONES
void excessPartials(const PixelView &view, int y, int weight, std::int16_t *out)
{
    const Byte *up = view.row(y - 1);
    const Byte *cur = view.row(y);
    const Byte *down = view.row(y + 1);
    const int end = (view.width - 1) * kBytesPerPixel;
    for (int i = kNext; i < end; ++i) {
        const int seven =
            up[i - kNext] + up[i] + up[i + kNext] + down[i - kNext] + down[i] + down[i + kNext] + cur[i + kNext];
        out[i] = std::int16_t(weight * (8 * cur[i] - seven));
    }
}

template <int Weight>
void quotientRow(const PixelView &view, int y, std::int16_t *partial, const std::int16_t *floorQuotient)
{
    excessPartials(view, y, Weight, partial);
    Byte *cur = view.row(y);
    const int end = (view.width - 1) * kBytesPerPixel;
    int leftBlue = cur[kBlue], leftGreen = cur[kGreen], leftRed = cur[kRed];
    for (int i = kNext; i < end; i += kBytesPerPixel) {
        Byte *pixel = cur + i;
        const std::int16_t *excess = partial + i;
        leftBlue = std::clamp(pixel[kBlue] + floorQuotient[excess[kBlue] - Weight * leftBlue], 0, 255);
        leftGreen = std::clamp(pixel[kGreen] + floorQuotient[excess[kGreen] - Weight * leftGreen], 0, 255);
        leftRed = std::clamp(pixel[kRed] + floorQuotient[excess[kRed] - Weight * leftRed], 0, 255);
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
        context.progress.reportUnchanged();
        return;
    }
    std::vector<std::int16_t> partial(std::size_t(context.dest.width) * kBytesPerPixel);
    if (ResultByNumerator::covers(Weight, divisor)) {
        const ResultByNumerator table(Weight, divisor);
        const int centreWeight = int(divisor) + 8 * Weight;
        forEachInnerRow(context, [&](int y) {
            tabledRow<Weight>(context.dest, y, centreWeight, partial.data(), table.origin());
        });
    } else {
        const QuotientTable table(Weight, divisor);
        forEachInnerRow(context,
                        [&](int y) { quotientRow<Weight>(context.dest, y, partial.data(), table.origin()); });
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
