#include "filters/colour.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

// One pixel high, every level 0..255 in blue, the reverse in green and a
// shifted run in red, so each channel sees every level.
// Runs the filter over it unless none is given.
FilterHarness everyLevel(FilterFunction filter, std::int32_t p)
{
    FilterHarness harness(256, 1);
    for (int i = 0; i < 256; ++i)
        harness.set(i, 0, {i, 255 - i, (i + 100) % 256});
    if (filter)
        harness.run(filter, p);
    return harness;
}

// What the given levels become, read in blue.
void expectLevels(FilterFunction filter, std::int32_t p, std::vector<std::pair<int, int>> levels)
{
    const FilterHarness harness = everyLevel(filter, p);
    for (auto [level, result] : levels)
        EXPECT_EQ(harness.channel(level, 0, kBlue), result) << "p " << p << " level " << level;
}

} // namespace

TEST(ColourFilters, ChangeEachPixelByItsOwnRuleAndSwapsIgnoreUnknownParameters)
{
    const auto grey = [](Bgr p) { return (p.blue + p.green + p.red) / 3; };
    const std::tuple<FilterFunction, std::int32_t, std::function<Bgr(Bgr)>> cases[] = {
        {NegativeFilter, 0, [](Bgr p) { return Bgr{255 - p.blue, 255 - p.green, 255 - p.red}; }},
        {GreyscaleFilter, 0, [&](Bgr p) { return Bgr{grey(p), grey(p), grey(p)}; }},
        {SwapColorsFilter, 1, [](Bgr p) { return Bgr{p.green, p.red, p.blue}; }}, // the channels turn one step
        {SwapColorsFilter, 2, [](Bgr p) { return Bgr{p.red, p.blue, p.green}; }}, // and the other way
        {SwapColorsFilter, 3, [](Bgr p) { return Bgr{p.green, p.blue, p.red}; }}, // green and blue exchanged
        {SwapColorsFilter, 4, [](Bgr p) { return Bgr{p.red, p.green, p.blue}; }}, // red and blue exchanged
        {SwapColorsFilter, 5, [](Bgr p) { return Bgr{p.blue, p.red, p.green}; }}, // red and green exchanged
        {SwapColorsFilter, 0, [](Bgr p) { return p; }},
        {SwapColorsFilter, 6, [](Bgr p) { return p; }}};
    for (const auto &[filter, p, rule] : cases) {
        FilterHarness harness(7, 5);
        harness.randomize(2);
        const std::vector<Bgr> before = harness.pixels();
        harness.run(filter, p);
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(harness.pixels()[i], rule(before[i])) << "parameter " << p << " pixel " << i;
    }
    FilterHarness harness(2, 1);
    harness.set(0, 0, {10, 20, 31});
    harness.set(1, 0, {255, 255, 254});
    harness.run(GreyscaleFilter, 0);
    EXPECT_EQ(harness.pixels(), (std::vector<Bgr>{{20, 20, 20}, {254, 254, 254}})) << "61 \\ 3";
}

TEST(LightDarkFilter, LightensAndDarkensByEightPercentThroughOneTableForAllChannels)
{
    std::vector<std::pair<int, int>> lighter{{0, 0},     {1, 1},     {7, 8},     {50, 54},
                                             {100, 108}, {128, 138}, {200, 216}, {235, 254}};
    for (int level = 236; level <= 255; ++level)
        lighter.emplace_back(level, 255);
    expectLevels(LightDarkFilter, 8, lighter);
    expectLevels(LightDarkFilter, -8, {{1, 1}, {7, 6}, {50, 46}, {100, 92}, {128, 118}, {200, 184}, {255, 235}});

    FilterHarness harness = everyLevel(LightDarkFilter, 8);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(harness.channel(i, 0, kGreen), harness.channel(255 - i, 0, kBlue));
        EXPECT_EQ(harness.channel(i, 0, kRed), harness.channel((i + 100) % 256, 0, kBlue));
    }
    harness.run(LightDarkFilter, -8);
    EXPECT_EQ(harness.channel(100, 0, kBlue), 99) << "Light then Dark is not the identity: 108 * 0.92 = 99.36";
}

TEST(GammaFilter, DarkensTheMiddleTonesKeepsBlackAndWhiteAndTakesThePowerForEveryChannel)
{
    expectLevels(GammaFilter, 70,
                 {{0, 0}, {2, 0}, {3, 0}, {10, 2}, {64, 35}, {128, 95}, {192, 170}, {254, 254}, {255, 255}});
    // Parameters of zero or below leave the levels in range.
    expectLevels(GammaFilter, 0, {{254, 0}, {255, 255}});
    expectLevels(GammaFilter, -70, {{0, 255}, {255, 255}});
    for (std::int32_t p : {70, 100, 150, 33, 1})
        testing::expectAsReference(GammaFilter, p, {everyLevel(nullptr, 0)}, [p](FilterHarness h) {
            const double exponent = 1.0 / double(static_cast<float>(p / 100.0));
            for (std::size_t i = 0; i < h.dest.size(); i += i % 4 == 2 ? 2 : 1)
                h.dest[i] = std::uint8_t(std::nearbyint(std::pow(h.dest[i] / 255.0, exponent) * 255.0));
            return h;
        });
}

TEST(AddnoiseFilter, AddsDrawsFromMinusPToPPlusOneRoundedHalvesToEvenThreeDrawsAPixelInChannelOrder)
{
    EXPECT_EQ(colour_detail::noisyLevel(0.0f, 50, 100), 50);
    EXPECT_EQ(colour_detail::noisyLevel(0.0f, 50, 30), 0) << "clamped at 0";
    // 0.5 * 101 - 50 = 0.5 exactly: 100.5 rounds to 100, 101.5 to 102.
    EXPECT_EQ(colour_detail::noisyLevel(0.5f, 50, 100), 100);
    EXPECT_EQ(colour_detail::noisyLevel(0.5f, 50, 101), 102);
    const float highest = std::nextafter(1.0f, 0.0f);
    EXPECT_EQ(colour_detail::noisyLevel(highest, 50, 0), 51) << "0 becomes at most p + 1";
    EXPECT_EQ(colour_detail::noisyLevel(highest, 50, 250), 255) << "clamped at 255";
    EXPECT_EQ(colour_detail::noisyLevel(0.25f, 8, 100), 96) << "0.25 * 17 - 8 = -3.75";

    // The menu's parameter, small ones, and ones so large that the noise no
    // longer fits a double exactly.
    for (std::int32_t p : {50, 1, 0, -3, (1 << 26) - 1, 1 << 26, 2147483647})
        testing::expectAsReference(
            AddnoiseFilter, p, testing::randomPictures({{5, 4}, {1, 1}}, 5), [p](FilterHarness h) {
                for (std::size_t i = 0; i < h.dest.size(); i += i % 4 == 2 ? 2 : 1) {
                    const double v = std::nearbyint(double(h.random.next()) * (2.0 * p + 1.0) - p + h.dest[i]);
                    h.dest[i] = std::uint8_t(std::clamp(v, 0.0, 255.0));
                }
                return h;
            });
}

} // namespace mergola
