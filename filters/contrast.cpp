#include "filters/contrast.h"
#include "filters/vector_clones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

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

[[gnu::always_inline]] inline bool levelsInRange(std::int32_t blue, std::int32_t green, std::int32_t red)
{
    // A level below 0 turns into a huge unsigned value.
    return (std::uint32_t(blue) | std::uint32_t(green) | std::uint32_t(red)) <= std::uint32_t(kMaxLevel);
}

// A channel outside 0..255 is set to the nearer end and hands half of what
// lay beyond it (h \ 2, truncated toward zero) on to the other two; inside,
// it hands on nothing.
[[gnu::always_inline]] inline void handOn(std::int32_t &channel, std::int32_t &other1, std::int32_t &other2)
{
    const std::int32_t kept = std::clamp(channel, 0, kMaxLevel);
    const std::int32_t half = (channel - kept) / 2;
    channel = kept;
    other1 += half;
    other2 += half;
}

// One round of the balancing, without branches, so that it runs in vector
// lanes: levels all at or below 0 become 0, all at or above 255 become 255,
// and otherwise blue, green and red hand on in turn, each seeing what the
// ones before it left. Levels already in range come out unchanged.
[[gnu::always_inline]] inline void balanceOnce(std::int32_t &blue, std::int32_t &green, std::int32_t &red)
{
    // Masks rather than bools: the compiler vectorises a select by mask.
    const std::int32_t allLow = -std::int32_t(std::max(blue, std::max(green, red)) <= 0);
    const std::int32_t allHigh = -std::int32_t(std::min(blue, std::min(green, red)) >= kMaxLevel);
    handOn(blue, green, red);
    handOn(green, blue, red);
    handOn(red, green, blue);
    const auto settle = [&](std::int32_t &level) { level = ((level & ~allHigh) | (kMaxLevel & allHigh)) & ~allLow; };
    settle(blue);
    settle(green);
    settle(red);
}

// Blue, green and red into a pixel; the fourth byte stays.
[[gnu::always_inline]] inline void writeLevels(std::uint8_t *pixel, std::int32_t blue, std::int32_t green,
                                               std::int32_t red)
{
    constexpr std::uint32_t kByte = 0xFF;
    constexpr std::uint32_t kFourthByteBits = kByte << (8 * kFourthByte);
    std::uint32_t word;
    std::memcpy(&word, pixel, sizeof word);
    word = (word & kFourthByteBits) | ((std::uint32_t(blue) & kByte) << (8 * kBlue)) |
           ((std::uint32_t(green) & kByte) << (8 * kGreen)) | ((std::uint32_t(red) & kByte) << (8 * kRed));
    std::memcpy(pixel, &word, sizeof word);
}

// The level of each channel of a row, one array a channel.
void lookUpLevels(const std::uint8_t *from, int width, const LevelTable &levels, std::int32_t *blue,
                  std::int32_t *green, std::int32_t *red)
{
    for (int x = 0; x < width; ++x, from += kBytesPerPixel) {
        blue[x] = levels[from[kBlue]];
        green[x] = levels[from[kGreen]];
        red[x] = levels[from[kRed]];
    }
}

// A row's levels brought into range and written into it. One round settles
// all but a few pixels in a hundred (two channels beyond the same end hand
// each other their excess back and forth): every chunk of pixels takes that
// round in vector lanes, and a chunk that still has a pixel out of range
// finishes it one pixel at a time.
MERGOLA_VECTOR_CLONES
void writeBalancedRow(std::int32_t *blue, std::int32_t *green, std::int32_t *red, int width, std::uint8_t *to)
{
    int x = 0;
    for (; x + kChunkPixels <= width; x += kChunkPixels) {
        std::uint32_t outside = 0;
        for (int j = x; j < x + kChunkPixels; ++j) {
            std::int32_t b = blue[j], g = green[j], r = red[j];
            balanceOnce(b, g, r);
            outside |= std::uint32_t(b) | std::uint32_t(g) | std::uint32_t(r);
            writeLevels(to + j * kBytesPerPixel, b, g, r);
            blue[j] = b;
            green[j] = g;
            red[j] = r;
        }
        if (outside > std::uint32_t(kMaxLevel))
            for (int j = x; j < x + kChunkPixels; ++j)
                if (!levelsInRange(blue[j], green[j], red[j])) {
                    contrast_detail::balanceLevels(blue[j], green[j], red[j]);
                    writeLevels(to + j * kBytesPerPixel, blue[j], green[j], red[j]);
                }
    }
    for (; x < width; ++x) {
        contrast_detail::balanceLevels(blue[x], green[x], red[x]);
        writeLevels(to + x * kBytesPerPixel, blue[x], green[x], red[x]);
    }
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
    while (!levelsInRange(blue, green, red))
        balanceOnce(blue, green, red);
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
    std::vector<std::int32_t> rowLevels(3 * std::size_t(width));
    std::int32_t *blue = rowLevels.data();
    std::int32_t *green = blue + width;
    std::int32_t *red = green + width;
    for (int y = 0; y < height; ++y) {
        lookUpLevels(context.source.row(y), width, levels, blue, green, red);
        writeBalancedRow(blue, green, red, width, context.dest.row(y));
        progress.report(progressAfterRow(kContrastPrepared, kContrastRowShare, y + 1, height));
    }
    progress.report(kDone);
}

} // namespace mergola
