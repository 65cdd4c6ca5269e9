#include "filters/contrast.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace mergola {

namespace {

constexpr int kMaxLevel = 255;
constexpr int kMaxChannelSum = 3 * kMaxLevel;
constexpr double kPercent = 100.0;

// Progress marks of the two filters: after their preparation, the share of
// the row pass that the rest of the bar stands for, and the end.
constexpr int kContrastPrepared = 5;
constexpr int kContrastRowShare = 95;
constexpr int kColdeptTablesReady = 3;
constexpr int kColdeptMeasured = 10;
constexpr int kColdeptRowShare = 90;
constexpr int kDone = 100;

// Contrast levels lie between -26 and 281 for the menu's parameters; a
// parameter far beyond those could push f * (i - m) past 32 bits. Holding
// the levels within +-2^24 keeps every sum of the balancing within range.
constexpr double kLevelLimit = double(1 << 24);

// Stucki weights over 42, in the order the shares are spread: two to the
// right on this row, five on the next row, five on the row after.
constexpr std::array<std::int32_t, contrast_detail::kStuckiShares> kStuckiWeights{8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1};
constexpr std::int32_t kStuckiDivisor = 42;
// Coldept scales the accumulated error by 10 / p before adding it.
constexpr std::int32_t kDampingScale = 10;
// Room left and right of each error row for the shares that fall up to two
// columns beyond the picture's edge; they are never read, so they are
// dropped as if their condition had failed. Shares for this row's next two
// pixels are carried along the row and likewise die at its end.
constexpr int kErrorMargin = 2;

// What Coldept makes of a pixel of one level: black or white, and the
// shares of the error to spread. A share is at most 8 * 255 / 42 = 48 in
// size, so 16 bits hold it and an entry fits half a cache line.
struct alignas(32) LevelOutcome {
    std::array<std::int16_t, contrast_detail::kStuckiShares> shares;
    std::int16_t out;
};

int progressAfterRow(int base, int share, int y, int height)
{
    return base + static_cast<int>((std::int64_t(y) * share) / height);
}

} // namespace

namespace contrast_detail {

std::int32_t meanGreyLevel(const PixelView &view)
{
    const std::int64_t count = std::int64_t(view.width) * view.height;
    if (count == 0)
        return 0;
    // 64 bits: 255 for each of 50 million pixels overflows 32.
    std::int64_t sum = 0;
    for (int y = 0; y < view.height; ++y) {
        const std::uint8_t *p = view.row(y);
        for (int x = 0; x < view.width; ++x, p += kBytesPerPixel)
            sum += (p[kBlue] + p[kGreen] + p[kRed]) / 3;
    }
    return static_cast<std::int32_t>(sum / count);
}

void balanceLevels(std::int32_t &blue, std::int32_t &green, std::int32_t &red)
{
    const auto inRange = [](std::int32_t v) { return v >= 0 && v <= kMaxLevel; };
    while (!(inRange(blue) && inRange(green) && inRange(red))) {
        if (blue <= 0 && green <= 0 && red <= 0) {
            blue = green = red = 0;
            return;
        }
        if (blue >= kMaxLevel && green >= kMaxLevel && red >= kMaxLevel) {
            blue = green = red = kMaxLevel;
            return;
        }
        // Each step sees the values as the steps before it left them.
        const auto handOn = [](std::int32_t &channel, std::int32_t &other1, std::int32_t &other2) {
            std::int32_t half = 0;
            if (channel < 0) {
                half = channel / 2;
                channel = 0;
            } else if (channel > kMaxLevel) {
                half = (channel - kMaxLevel) / 2;
                channel = kMaxLevel;
            }
            other1 += half;
            other2 += half;
        };
        handOn(blue, green, red);
        handOn(green, blue, red);
        handOn(red, green, blue);
    }
}

StuckiRow stuckiShares(std::int32_t error)
{
    StuckiRow shares{};
    for (std::size_t i = 0; i < shares.size(); ++i)
        shares[i] = (kStuckiWeights[i] * error) / kStuckiDivisor;
    return shares;
}

} // namespace contrast_detail

void ContrastFilter(FilterContext &context, std::int32_t parameter)
{
    FilterProgressSink &progress = context.progress;
    progress.store(0);

    const std::int32_t mean = contrast_detail::meanGreyLevel(context.source);
    const auto factor = static_cast<float>((parameter + kPercent) / kPercent);
    LevelTable &levels = context.levelTable;
    for (int i = 0; i <= kMaxLevel; ++i) {
        const double level = std::nearbyint(double(factor) * (i - mean) + mean);
        levels[std::size_t(i)] = static_cast<std::int32_t>(std::clamp(level, -kLevelLimit, kLevelLimit));
    }
    progress.report(kContrastPrepared);

    const int width = context.dest.width;
    const int height = context.dest.height;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        for (int x = 0; x < width; ++x, from += kBytesPerPixel, to += kBytesPerPixel) {
            const std::int32_t blue = levels[from[kBlue]];
            const std::int32_t green = levels[from[kGreen]];
            const std::int32_t red = levels[from[kRed]];
            // Most pixels need no balancing: one unsigned test for all three
            // (a level below 0 turns into a huge unsigned value).
            if ((std::uint32_t(blue) | std::uint32_t(green) | std::uint32_t(red)) <= std::uint32_t(kMaxLevel)) {
                to[kBlue] = std::uint8_t(blue);
                to[kGreen] = std::uint8_t(green);
                to[kRed] = std::uint8_t(red);
            } else {
                std::int32_t b = blue, g = green, r = red;
                contrast_detail::balanceLevels(b, g, r);
                to[kBlue] = std::uint8_t(b);
                to[kGreen] = std::uint8_t(g);
                to[kRed] = std::uint8_t(r);
            }
        }
        progress.report(progressAfterRow(kContrastPrepared, kContrastRowShare, y + 1, height));
    }
    progress.report(kDone);
}

void ColdeptFilter(FilterContext &context, std::int32_t parameter)
{
    FilterProgressSink &progress = context.progress;
    LevelTable &grey = context.levelTable;
    for (int i = 0; i <= kMaxChannelSum; ++i)
        grey[std::size_t(i)] = i / 3;

    // What reaches a pixel of its accumulated error, (E * 10) \ p, for
    // every E that can occur: each of the twelve shares that make up E is
    // at most its weight times 255, over 42, and the weights sum to 42, so
    // E stays within -255..255. A damping of 0 would divide by zero; such a
    // parameter lets no error through, leaving a plain threshold.
    std::array<std::int32_t, 2 * kMaxLevel + 1> dampedError{};
    if (parameter != 0)
        for (int e = -kMaxLevel; e <= kMaxLevel; ++e)
            dampedError[std::size_t(e + kMaxLevel)] = (e * kDampingScale) / parameter;
    const std::int32_t *damped = dampedError.data() + kMaxLevel; // indexed by E itself

    const int width = context.dest.width;
    const int height = context.dest.height;
    const std::size_t paddedWidth = std::size_t(width) + 2 * kErrorMargin;
    std::vector<std::int32_t> errorRows(3 * paddedWidth, 0);
    std::int32_t *thisRow = errorRows.data() + kErrorMargin;
    std::int32_t *nextRow = thisRow + paddedWidth;
    std::int32_t *rowAfter = nextRow + paddedWidth;
    progress.report(kColdeptTablesReady);

    const std::int32_t mean = contrast_detail::meanGreyLevel(context.source);
    // With the mean known, a pixel's level alone decides its output and its
    // error: one row for each level, holding the output and the twelve
    // shares of the error, so that spreading an error costs lookups and
    // additions only.
    //
    // A level is clamped to 0..255 before its outcome is looked up. Here the
    // table instead has a row for every level a pixel can reach (its grey
    // level plus the damped error), those beyond the ends repeating the
    // ends, and a pixel's grey level comes counted from the table's first
    // row: the clamp then costs nothing on the chain.
    const auto [fewest, most] = std::minmax_element(dampedError.begin(), dampedError.end());
    const std::int32_t firstLevel = *fewest;
    const std::int32_t lastLevel = kMaxLevel + *most;
    std::vector<LevelOutcome> outcomeOf(std::size_t(lastLevel - firstLevel + 1));
    for (std::int32_t level = firstLevel; level <= lastLevel; ++level) {
        const std::int32_t clamped = std::clamp(level, 0, kMaxLevel);
        LevelOutcome &outcome = outcomeOf[std::size_t(level - firstLevel)];
        outcome.out = std::int16_t(clamped >= mean ? kMaxLevel : 0);
        const contrast_detail::StuckiRow shares = contrast_detail::stuckiShares(clamped - outcome.out);
        std::copy(shares.begin(), shares.end(), outcome.shares.begin());
    }
    std::array<std::int32_t, kMaxChannelSum + 1> greyRow{};
    for (std::size_t i = 0; i < greyRow.size(); ++i)
        greyRow[i] = grey[i] - firstLevel;
    progress.report(kColdeptMeasured);

    for (int y = 0; y < height; ++y) {
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        // The error chains from pixel to pixel along the row, so its latency
        // is the filter's pace: the shares for the next two pixels of this
        // row are carried in registers instead of going through memory, and
        // the damping is a lookup instead of a division.
        std::int32_t toNext = 0;
        std::int32_t toSecondNext = 0;
        // The shares for the two rows below gather in sliding windows over
        // columns x - 2 .. x + 1 (before pixel x adds its own); a column
        // leaves the window once no later pixel of the row reaches it, with
        // one memory access instead of five. The row after next has had no
        // shares yet, so its columns are stored, not added to.
        std::int32_t next0 = 0, next1 = 0, next2 = 0, next3 = 0;
        std::int32_t after0 = 0, after1 = 0, after2 = 0, after3 = 0;
        for (int x = 0; x < width; ++x, from += kBytesPerPixel, to += kBytesPerPixel) {
            // No clamp: E cannot leave -255..255 (see dampedError), and this
            // sum is on the chain that sets the filter's pace.
            const std::ptrdiff_t error = thisRow[x] + toNext;
            const std::int32_t row = greyRow[std::size_t(from[kBlue] + from[kGreen] + from[kRed])] + damped[error];
            const LevelOutcome &outcome = outcomeOf[std::size_t(row)];
            to[kBlue] = std::uint8_t(outcome.out);
            to[kGreen] = std::uint8_t(outcome.out);
            to[kRed] = std::uint8_t(outcome.out);

            const std::int16_t *share = outcome.shares.data();
            toNext = toSecondNext + share[0];
            toSecondNext = share[1];
            nextRow[x - 2] += next0 + share[2];
            next0 = next1 + share[3];
            next1 = next2 + share[4];
            next2 = next3 + share[5];
            next3 = share[6];
            rowAfter[x - 2] = after0 + share[7];
            after0 = after1 + share[8];
            after1 = after2 + share[9];
            after2 = after3 + share[10];
            after3 = share[11];
        }
        // The columns still in the windows; the last two fall in the margin.
        nextRow[width - 2] += next0;
        nextRow[width - 1] += next1;
        nextRow[width] += next2;
        nextRow[width + 1] += next3;
        rowAfter[width - 2] = after0;
        rowAfter[width - 1] = after1;
        rowAfter[width] = after2;
        rowAfter[width + 1] = after3;

        // The rows move up by one. Every column of the new last row,
        // margins included, is stored afresh during the next row.
        std::int32_t *done = thisRow;
        thisRow = nextRow;
        nextRow = rowAfter;
        rowAfter = done;
        progress.report(progressAfterRow(kColdeptMeasured, kColdeptRowShare, y + 1, height));
    }
    progress.report(kDone);
}

} // namespace mergola
