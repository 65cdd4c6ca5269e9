#include "filters/contrast.h"
#include "filters/vector_clones.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mergola {

namespace {

constexpr int kMaxLevel = 255;
constexpr double kPercent = 100.0;

// Progress marks: after the preparation, the share of the row pass that
// the rest of the bar stands for, and the end.
constexpr int kContrastPrepared = 5;
constexpr int kContrastRowShare = 95;
constexpr int kDone = 100;

// Contrast levels lie between -26 and 281 for the menu's parameters; a
// parameter far beyond those could push f * (i - m) past 32 bits. Holding
// the levels within +-2^24 keeps every sum of the balancing within range.
constexpr double kLevelLimit = double(1 << 24);

// Coldept's Stucki weights over 42, in the order the shares are spread: two
// to the right on this row, five on the next row, five on the row after.
constexpr std::array<std::int32_t, contrast_detail::kStuckiShares> kStuckiWeights{8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1};
constexpr std::int32_t kStuckiDivisor = 42;

// Pixels summed in 32 bits at a time, wide lanes of the vector unit each
// taking a share: 2^20 grey levels of at most 255 stay below 2^32.
constexpr int kGreyBlock = 1 << 20;

MERGOLA_VECTOR_CLONES
std::uint32_t greySum(const std::uint8_t *pixels, int count)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += contrast_detail::greyLevelAt(pixels + std::ptrdiff_t(i) * kBytesPerPixel);
    return sum;
}

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
    // The rows lie one after the other without gaps: one run over all.
    const std::uint8_t *pixels = view.bytes;
    for (std::int64_t left = count; left > 0;) {
        const int block = int(std::min<std::int64_t>(left, kGreyBlock));
        sum += greySum(pixels, block);
        pixels += std::ptrdiff_t(block) * kBytesPerPixel;
        left -= block;
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

} // namespace mergola
