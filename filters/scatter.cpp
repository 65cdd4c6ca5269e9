#include "filters/scatter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace mergola {

namespace {

constexpr int kDone = 100;
// Reaches below this size have exact draws in whole numbers: the offsets
// then stay below 2^27.
constexpr std::int32_t kExactReachLimit = 1 << 26;

// Where a pixel takes its colour from on one axis: the offset, or no offset
// when it would leave the picture (positions from 0 to length - 1).
std::int64_t keepInside(std::int64_t position, std::int64_t offset, std::int64_t length)
{
    if (position + offset < 0)
        offset = 0;
    if (position + offset > length - 1)
        offset = 0;
    return position + offset;
}

} // namespace

void DeffuseFilter(FilterContext &context, std::int32_t parameter)
{
    RandomSource &random = context.random;
    const PixelView &picture = context.dest;
    const int width = picture.width;
    const int height = picture.height;
    std::uint8_t *const bytes = picture.bytes;
    const std::ptrdiff_t stride = picture.stride();
    const double reach = parameter;
    const double half = std::nearbyint(reach / 2.0);
    // Within these bounds a draw is rounded in whole numbers (scaledDraw),
    // giving the value of the formula below without its conversions.
    const bool wholeNumbers = parameter > -kExactReachLimit && parameter < kExactReachLimit;

    // A row's offsets are drawn first, dx and dy for each pixel in turn,
    // so that the generator runs in registers and the pixel loop only
    // copies. Both draws are made for every pixel, also when an offset is
    // dropped, so the sequence does not depend on the picture's edges.
    std::vector<std::int64_t> offsets(2 * std::size_t(width));
    std::vector<std::int32_t> wholeOffsets(wholeNumbers ? offsets.size() : 0);
    forEachRowReporting(context, [&](int y) {
        if (wholeNumbers) {
            random.scaledDraws(wholeOffsets.data(), wholeOffsets.size(), parameter,
                               static_cast<std::int64_t>(half));
            std::copy(wholeOffsets.begin(), wholeOffsets.end(), offsets.begin());
        } else {
            // std::rint rounds halves to even under the default rounding
            // mode and is far cheaper here than std::nearbyint.
            for (std::int64_t &offset : offsets)
                offset = static_cast<std::int64_t>(std::rint(double(random.next()) * reach - half));
        }
        const std::int64_t *offset = offsets.data();
        std::uint8_t *to = bytes + stride * y;
        for (int x = 0; x < width; ++x, to += kBytesPerPixel, offset += 2) {
            const std::int64_t fromX = keepInside(x, offset[0], width);
            const std::int64_t fromY = keepInside(y, offset[1], height);
            // In place on purpose: a pixel above or to the left has already
            // taken its new colour and passes that on.
            const std::uint8_t *from = bytes + stride * fromY + fromX * kBytesPerPixel;
            const std::uint8_t blue = from[kBlue];
            const std::uint8_t green = from[kGreen];
            const std::uint8_t red = from[kRed];
            to[kBlue] = blue;
            to[kGreen] = green;
            to[kRed] = red;
        }
    });
}

void PixelizeFilter(FilterContext &context, std::int32_t parameter)
{
    FilterProgressSink &progress = context.progress;
    progress.store(0);
    // A block needs at least one pixel; without one the picture stays.
    if (parameter <= 0) {
        progress.report(kDone);
        return;
    }

    const std::int64_t block = parameter;
    const int width = context.dest.width;
    const int height = context.dest.height;
    const std::size_t blocksAcross = std::size_t((width + block - 1) / block);
    using Colour = std::array<std::uint8_t, 3>;
    using Sums = std::array<std::int64_t, 3>; // 64 bits: a large block of white overflows 32
    std::vector<Sums> sums(blocksAcross);
    std::vector<Colour> colours(blocksAcross);

    for (int y = 0; y < height; ++y) {
        // Every row of a band of blocks gets the same colours: average the
        // band once, at its first row.
        if (y % block == 0) {
            const int bandEnd = int(std::min<std::int64_t>(y + block, height));
            std::fill(sums.begin(), sums.end(), Sums{});
            for (int by = y; by < bandEnd; ++by) {
                const std::uint8_t *from = context.source.row(by);
                for (std::size_t k = 0; k < blocksAcross; ++k) {
                    const int x0 = int(std::int64_t(k) * block);
                    const int x1 = int(std::min<std::int64_t>(x0 + block, width));
                    Sums &sum = sums[k];
                    for (int x = x0; x < x1; ++x, from += kBytesPerPixel) {
                        sum[kBlue] += from[kBlue];
                        sum[kGreen] += from[kGreen];
                        sum[kRed] += from[kRed];
                    }
                }
            }
            for (std::size_t k = 0; k < blocksAcross; ++k) {
                const std::int64_t x0 = std::int64_t(k) * block;
                const std::int64_t count = (std::min<std::int64_t>(x0 + block, width) - x0) * (bandEnd - y);
                for (int c = kBlue; c <= kRed; ++c)
                    colours[k][std::size_t(c)] = std::uint8_t(sums[k][std::size_t(c)] / count);
            }
        }

        std::uint8_t *to = context.dest.row(y);
        for (std::size_t k = 0; k < blocksAcross; ++k) {
            const int x0 = int(std::int64_t(k) * block);
            const int x1 = int(std::min<std::int64_t>(x0 + block, width));
            const Colour &colour = colours[k];
            for (int x = x0; x < x1; ++x, to += kBytesPerPixel) {
                to[kBlue] = colour[kBlue];
                to[kGreen] = colour[kGreen];
                to[kRed] = colour[kRed];
            }
        }
        progress.reportRow(y + 1, height);
    }
    progress.report(kDone);
}

} // namespace mergola
