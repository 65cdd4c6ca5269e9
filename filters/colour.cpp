#include "filters/colour.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace mergola {

namespace {

constexpr int kMaxLevel = 255;
constexpr int kMaxChannelSum = 3 * kMaxLevel; // blue + green + red
constexpr double kPercent = 100.0;
// Noise parameters below 2^26 in size keep u * (2p + 1) - p within the 53
// bits of a double (a draw has 24 bits, 2p + 1 at most 28): the noise is
// exact before it is rounded.
constexpr std::int32_t kExactNoiseLimit = 1 << 26;

int clampLevel(double value)
{
    // Also catches an infinite or not-a-number value from a parameter the
    // menu never passes: the channel still gets a level, never garbage.
    if (!(value >= 0.0))
        return 0;
    if (value > kMaxLevel)
        return kMaxLevel;
    return static_cast<int>(value);
}

// One SwapColors permutation: new blue, green, red are the source channels
// NewBlue, NewGreen, NewRed.
template <int NewBlue, int NewGreen, int NewRed>
void swapChannels(FilterContext &context)
{
    const int width = context.dest.width;
    forEachRowReporting(context, [&](int y) {
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        for (int x = 0; x < width; ++x, from += kBytesPerPixel, to += kBytesPerPixel) {
            const std::uint8_t blue = from[NewBlue];
            const std::uint8_t green = from[NewGreen];
            const std::uint8_t red = from[NewRed];
            to[kBlue] = blue;
            to[kGreen] = green;
            to[kRed] = red;
        }
    });
}

} // namespace

void NegativeFilter(FilterContext &context, std::int32_t)
{
    const int width = context.dest.width;
    forEachRowReporting(context, [&](int y) {
        std::uint8_t *p = context.dest.row(y);
        for (int x = 0; x < width; ++x, p += kBytesPerPixel) {
            p[kBlue] = std::uint8_t(kMaxLevel - p[kBlue]);
            p[kGreen] = std::uint8_t(kMaxLevel - p[kGreen]);
            p[kRed] = std::uint8_t(kMaxLevel - p[kRed]);
        }
    });
}

void GreyscaleFilter(FilterContext &context, std::int32_t)
{
    LevelTable &grey = context.levelTable;
    for (int i = 0; i <= kMaxChannelSum; ++i)
        grey[std::size_t(i)] = i / 3;
    const int width = context.dest.width;
    forEachRowReporting(context, [&](int y) {
        std::uint8_t *p = context.dest.row(y);
        for (int x = 0; x < width; ++x, p += kBytesPerPixel) {
            const auto level = std::uint8_t(grey[std::size_t(p[kBlue] + p[kGreen] + p[kRed])]);
            p[kBlue] = level;
            p[kGreen] = level;
            p[kRed] = level;
        }
    });
}

void LightDarkFilter(FilterContext &context, std::int32_t parameter)
{
    const auto factor = static_cast<float>((kPercent + parameter) / kPercent);
    LevelTable &levels = context.levelTable;
    for (int i = 0; i <= kMaxLevel; ++i)
        levels[std::size_t(i)] = clampLevel(std::nearbyint(double(factor) * i));
    const int width = context.dest.width;
    forEachRowReporting(context, [&](int y) {
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        for (int x = 0; x < width; ++x, from += kBytesPerPixel, to += kBytesPerPixel) {
            to[kBlue] = std::uint8_t(levels[from[kBlue]]);
            to[kGreen] = std::uint8_t(levels[from[kGreen]]);
            to[kRed] = std::uint8_t(levels[from[kRed]]);
        }
    });
}

void GammaFilter(FilterContext &context, std::int32_t parameter)
{
    // The power depends on the channel value alone, so it is formed once for
    // each of the 256 values, with exactly the per-channel formula, and the
    // pixels are mapped through the table.
    const auto gamma = static_cast<float>(parameter / kPercent);
    const double exponent = 1.0 / double(gamma);
    std::array<std::uint8_t, kMaxLevel + 1> levels{};
    for (int c = 0; c <= kMaxLevel; ++c)
        levels[std::size_t(c)] =
            std::uint8_t(clampLevel(std::nearbyint(std::pow(c / double(kMaxLevel), exponent) * kMaxLevel)));
    const int width = context.dest.width;
    forEachRowReporting(context, [&](int y) {
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        for (int x = 0; x < width; ++x, from += kBytesPerPixel, to += kBytesPerPixel) {
            to[kBlue] = levels[from[kBlue]];
            to[kGreen] = levels[from[kGreen]];
            to[kRed] = levels[from[kRed]];
        }
    });
}

void SwapColorsFilter(FilterContext &context, std::int32_t parameter)
{
    switch (parameter) {
    case 1: swapChannels<kGreen, kRed, kBlue>(context); return;
    case 2: swapChannels<kRed, kBlue, kGreen>(context); return;
    case 3: swapChannels<kGreen, kBlue, kRed>(context); return;
    case 4: swapChannels<kRed, kGreen, kBlue>(context); return;
    case 5: swapChannels<kBlue, kRed, kGreen>(context); return;
    default:
        // No such swap: the picture stays as it is.
        context.progress.reportUnchanged();
        return;
    }
}

void AddnoiseFilter(FilterContext &context, std::int32_t parameter)
{
    RandomSource &random = context.random;
    const int width = context.dest.width;
    const std::size_t channels = std::size_t(width) * 3;

    if (parameter <= -kExactNoiseLimit || parameter >= kExactNoiseLimit) {
        // A parameter the menu never passes: each channel by the formula.
        std::vector<float> draws(channels);
        forEachRowReporting(context, [&](int y) {
            for (float &u : draws)
                u = random.next();
            const float *u = draws.data();
            const std::uint8_t *from = context.source.row(y);
            std::uint8_t *to = context.dest.row(y);
            for (int x = 0; x < width; ++x, u += 3, from += kBytesPerPixel, to += kBytesPerPixel) {
                to[kBlue] = std::uint8_t(colour_detail::noisyLevel(u[0], parameter, from[kBlue]));
                to[kGreen] = std::uint8_t(colour_detail::noisyLevel(u[1], parameter, from[kGreen]));
                to[kRed] = std::uint8_t(colour_detail::noisyLevel(u[2], parameter, from[kRed]));
            }
        });
        return;
    }

    // Below the limit u * (2p + 1) - p is exact in double, so rounding it
    // before adding the whole number c gives the same level as rounding
    // after. A row's noise is drawn first, three values a pixel in the order
    // blue, green, red; the levels then form in one straight, branch-free
    // loop. Each draw is rounded in whole numbers
    // (scaledDraw), halves to even as std::nearbyint does, which gives the
    // same value without the conversions to float and double.
    const std::int64_t span = 2 * std::int64_t(parameter) + 1;
    std::vector<std::int32_t> noise(channels);
    forEachRowReporting(context, [&](int y) {
        random.scaledDraws(noise.data(), noise.size(), span, parameter);
        const std::int32_t *n = noise.data();
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        for (int x = 0; x < width; ++x, n += 3, from += kBytesPerPixel, to += kBytesPerPixel) {
            to[kBlue] = std::uint8_t(std::clamp(from[kBlue] + n[0], 0, kMaxLevel));
            to[kGreen] = std::uint8_t(std::clamp(from[kGreen] + n[1], 0, kMaxLevel));
            to[kRed] = std::uint8_t(std::clamp(from[kRed] + n[2], 0, kMaxLevel));
        }
    });
}

} // namespace mergola
