#include "filters/colour.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

void fillRandom(FilterHarness &harness, unsigned seed)
{
    std::mt19937 generator(seed);
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            harness.set(x, y, {int(generator() % 256), int(generator() % 256), int(generator() % 256)});
}

std::vector<Bgr> pixelsOf(const FilterHarness &harness)
{
    std::vector<Bgr> pixels;
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            pixels.push_back(harness.get(x, y));
    return pixels;
}

// A picture one pixel high holding every level 0..255 in blue, the reverse
// in green and a shifted run in red, so each channel sees every level.
FilterHarness everyLevel()
{
    FilterHarness harness(256, 1);
    for (int i = 0; i < 256; ++i)
        harness.set(i, 0, {i, 255 - i, (i + 100) % 256});
    return harness;
}

std::vector<std::int32_t> conventionFor(int rows)
{
    std::vector<std::int32_t> values{0};
    for (int y = 1; y <= rows; ++y)
        values.push_back(y * 100 / rows);
    values.push_back(100);
    return values;
}

TEST(ColourFilters, ReportProgressByTheEngineConventionForEveryHeight)
{
    const std::pair<FilterFunction, std::int32_t> filters[] = {
        {NegativeFilter, 0}, {GreyscaleFilter, 0}, {LightDarkFilter, 8},  {GammaFilter, 70},
        {SwapColorsFilter, 1}, {AddnoiseFilter, 50}};
    for (auto [filter, parameter] : filters) {
        for (int rows : {0, 1, 3, 7}) {
            FilterHarness harness(4, rows);
            harness.run(filter, parameter);
            const std::vector<std::int32_t> expected = conventionFor(rows);
            EXPECT_EQ(harness.progress.stored, expected) << rows << " rows";
            const std::vector<std::int32_t> turns(expected.begin() + 1, expected.end());
            EXPECT_EQ(harness.progress.atTurn, turns) << "one turn a row and one at the end";
        }
    }
}

TEST(NegativeFilter, TakesEachChannelFrom255AndTwiceGivesThePictureBack)
{
    FilterHarness harness(5, 3);
    fillRandom(harness, 1);
    harness.set(0, 0, {0, 255, 100});
    const std::vector<Bgr> before = pixelsOf(harness);

    harness.run(NegativeFilter, 0);
    EXPECT_EQ(harness.get(0, 0), (Bgr{255, 0, 155}));
    const std::vector<Bgr> once = pixelsOf(harness);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(once[i], (Bgr{255 - before[i].blue, 255 - before[i].green, 255 - before[i].red}));

    harness.run(NegativeFilter, 0);
    EXPECT_EQ(pixelsOf(harness), before);
}

TEST(GreyscaleFilter, SetsAllThreeToTheTruncatedPlainAverage)
{
    FilterHarness harness(3, 1);
    harness.set(0, 0, {10, 20, 31});
    harness.set(1, 0, {255, 255, 254});
    harness.set(2, 0, {0, 0, 2});
    harness.run(GreyscaleFilter, 0);
    EXPECT_EQ(harness.get(0, 0), (Bgr{20, 20, 20})) << "61 \\ 3";
    EXPECT_EQ(harness.get(1, 0), (Bgr{254, 254, 254}));
    EXPECT_EQ(harness.get(2, 0), (Bgr{0, 0, 0}));

    FilterHarness random(7, 5);
    fillRandom(random, 2);
    const std::vector<Bgr> before = pixelsOf(random);
    random.run(GreyscaleFilter, 0);
    const std::vector<Bgr> after = pixelsOf(random);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const int grey = (before[i].blue + before[i].green + before[i].red) / 3;
        EXPECT_EQ(after[i], (Bgr{grey, grey, grey}));
    }
}

TEST(LightDarkFilter, LightensByEightPercentWithTheTableOfTheMenu)
{
    FilterHarness harness = everyLevel();
    harness.run(LightDarkFilter, 8);
    const std::pair<int, int> expected[] = {{0, 0},     {1, 1},     {7, 8},     {50, 54},   {100, 108},
                                            {128, 138}, {200, 216}, {235, 254}, {236, 255}, {255, 255}};
    for (auto [level, result] : expected)
        EXPECT_EQ(harness.channel(level, 0, kBlue), result) << level;
    for (int level = 236; level <= 255; ++level)
        EXPECT_EQ(harness.channel(level, 0, kBlue), 255) << level;
    // Green and red go through the same table.
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(harness.channel(i, 0, kGreen), harness.channel(255 - i, 0, kBlue));
        EXPECT_EQ(harness.channel(i, 0, kRed), harness.channel((i + 100) % 256, 0, kBlue));
    }
}

TEST(LightDarkFilter, DarkensByEightPercentAndLightThenDarkIsNotTheIdentity)
{
    FilterHarness harness = everyLevel();
    harness.run(LightDarkFilter, -8);
    const std::pair<int, int> expected[] = {{0, 0},     {1, 1},     {7, 6},     {50, 46},
                                            {100, 92},  {128, 118}, {200, 184}, {255, 235}};
    for (auto [level, result] : expected)
        EXPECT_EQ(harness.channel(level, 0, kBlue), result) << level;

    FilterHarness twice = everyLevel();
    twice.run(LightDarkFilter, 8);
    twice.run(LightDarkFilter, -8);
    EXPECT_EQ(twice.channel(255, 0, kBlue), 235);
    EXPECT_EQ(twice.channel(100, 0, kBlue), 99) << "108 * 0.92 = 99.36";
}

TEST(GammaFilter, DarkensTheMiddleTonesAndKeepsBlackAndWhite)
{
    FilterHarness harness = everyLevel();
    harness.run(GammaFilter, 70);
    const std::pair<int, int> expected[] = {{0, 0},   {2, 0},    {3, 0},    {10, 2},   {64, 35},
                                            {128, 95}, {192, 170}, {254, 254}, {255, 255}};
    for (auto [level, result] : expected)
        EXPECT_EQ(harness.channel(level, 0, kBlue), result) << level;
}

TEST(GammaFilter, GivesTheSameLevelsAsThePowerTakenForEveryChannel)
{
    for (std::int32_t p : {70, 100, 150, 33, 1}) {
        FilterHarness harness = everyLevel();
        harness.run(GammaFilter, p);
        const double exponent = 1.0 / double(static_cast<float>(p / 100.0));
        for (int x = 0; x < 256; ++x) {
            for (int c : {kBlue, kGreen, kRed}) {
                const int level = harness.source[std::size_t(x) * 4 + std::size_t(c)];
                const double v = std::nearbyint(std::pow(level / 255.0, exponent) * 255.0);
                EXPECT_EQ(harness.channel(x, 0, c), int(v)) << "p " << p << " level " << level;
            }
        }
    }
}

TEST(GammaFilter, ParametersOfZeroOrBelowStayWithinTheLevels)
{
    FilterHarness zero = everyLevel();
    zero.run(GammaFilter, 0);
    EXPECT_EQ(zero.channel(254, 0, kBlue), 0) << "an endless exponent leaves only white";
    EXPECT_EQ(zero.channel(255, 0, kBlue), 255);

    FilterHarness negative = everyLevel();
    negative.run(GammaFilter, -70);
    EXPECT_EQ(negative.channel(0, 0, kBlue), 255) << "black to the power below 0 is clamped to white";
    EXPECT_EQ(negative.channel(255, 0, kBlue), 255);
}

TEST(SwapColorsFilter, TurnsOrExchangesTheChannelsAsEachSubmenuEntrySays)
{
    const Bgr original{10, 20, 30}; // blue, green, red
    const std::pair<int, Bgr> expected[] = {
        {1, {20, 30, 10}}, {2, {30, 10, 20}}, {3, {20, 10, 30}}, {4, {30, 20, 10}}, {5, {10, 30, 20}}};
    for (auto [p, result] : expected) {
        FilterHarness harness(1, 1);
        harness.set(0, 0, original);
        harness.run(SwapColorsFilter, p);
        EXPECT_EQ(harness.get(0, 0), result) << "swap " << p;
    }
}

TEST(SwapColorsFilter, OneThriceAndThreeFourFiveTwiceAndTwoAfterOneGiveThePictureBack)
{
    FilterHarness harness(6, 4);
    fillRandom(harness, 3);
    const std::vector<Bgr> before = pixelsOf(harness);

    for (int i = 0; i < 3; ++i) {
        harness.run(SwapColorsFilter, 1);
        if (i < 2) {
            EXPECT_NE(pixelsOf(harness), before);
        }
    }
    EXPECT_EQ(pixelsOf(harness), before);
    for (int p : {3, 4, 5}) {
        harness.run(SwapColorsFilter, p);
        EXPECT_NE(pixelsOf(harness), before);
        harness.run(SwapColorsFilter, p);
        EXPECT_EQ(pixelsOf(harness), before) << "swap " << p;
    }
    harness.run(SwapColorsFilter, 1);
    harness.run(SwapColorsFilter, 2);
    EXPECT_EQ(pixelsOf(harness), before);
}

TEST(SwapColorsFilter, AnyOtherParameterLeavesThePictureUnchanged)
{
    for (int p : {0, 6, -1, 100}) {
        FilterHarness harness(3, 3);
        fillRandom(harness, 4);
        const std::vector<Bgr> before = pixelsOf(harness);
        harness.run(SwapColorsFilter, p);
        EXPECT_EQ(pixelsOf(harness), before) << p;
        EXPECT_EQ(harness.progress.stored, (std::vector<std::int32_t>{0, 100}));
    }
}

TEST(AddnoiseFilter, ADrawOfZeroGivesTheLevelMinusPAndHalvesRoundToEven)
{
    EXPECT_EQ(colour_detail::noisyLevel(0.0f, 50, 100), 50);
    EXPECT_EQ(colour_detail::noisyLevel(0.0f, 50, 30), 0) << "clamped at 0";
    EXPECT_EQ(colour_detail::noisyLevel(0.0f, 50, 255), 205);
    // 0.5 * 101 - 50 = 0.5 exactly: 100.5 rounds to 100, 101.5 to 102.
    EXPECT_EQ(colour_detail::noisyLevel(0.5f, 50, 100), 100);
    EXPECT_EQ(colour_detail::noisyLevel(0.5f, 50, 101), 102);
    const float highest = std::nextafter(1.0f, 0.0f);
    EXPECT_EQ(colour_detail::noisyLevel(highest, 50, 0), 51) << "0 becomes at most p + 1";
    EXPECT_EQ(colour_detail::noisyLevel(highest, 50, 250), 255) << "clamped at 255";
    EXPECT_EQ(colour_detail::noisyLevel(0.25f, 8, 100), 96) << "0.25 * 17 - 8 = -3.75";
}

TEST(AddnoiseFilter, DrawsThreeTimesAPixelInChannelOrderAndTheSequenceRunsOn)
{
    // The menu's parameter, small ones, and ones so large that the noise
    // no longer fits a double exactly.
    for (std::int32_t p : {50, 1, 0, -3, (1 << 26) - 1, 1 << 26, 2147483647}) {
        FilterHarness harness(5, 4);
        fillRandom(harness, 5);
        harness.set(0, 0, {0, 255, 0});
        harness.set(4, 3, {255, 0, 255});
        const std::vector<Bgr> before = pixelsOf(harness);
        RandomSource replay = harness.random; // the same draws, in the same order

        harness.run(AddnoiseFilter, p);

        const auto expectedLevel = [&](int c) {
            const double v = std::nearbyint(double(replay.next()) * (2.0 * p + 1.0) - p + c);
            return int(std::clamp(v, 0.0, 255.0));
        };
        const std::vector<Bgr> after = pixelsOf(harness);
        for (std::size_t i = 0; i < before.size(); ++i) {
            const int blue = expectedLevel(before[i].blue);
            const int green = expectedLevel(before[i].green);
            const int red = expectedLevel(before[i].red);
            EXPECT_EQ(after[i], (Bgr{blue, green, red})) << "p " << p << " pixel " << i;
        }
        EXPECT_EQ(harness.random.next(), replay.next()) << "exactly three draws a pixel";
    }
}

TEST(AddnoiseFilter, KeepsEveryLevelWithinPOfWhereItWas)
{
    FilterHarness harness(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            harness.set(x, y, {0, 255, 128});
    int lowestFromZero = 255;
    int highestFromZero = 0;
    for (int run = 0; run < 4; ++run) {
        harness.run(AddnoiseFilter, 50);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const int fromZero = harness.channel(x, y, kBlue);
                EXPECT_LE(fromZero, 51);
                EXPECT_GE(harness.channel(x, y, kGreen), 205);
                EXPECT_GE(harness.channel(x, y, kRed), 128 - 50);
                EXPECT_LE(harness.channel(x, y, kRed), 128 + 51);
                lowestFromZero = std::min(lowestFromZero, fromZero);
                highestFromZero = std::max(highestFromZero, fromZero);
                harness.set(x, y, {0, 255, 128});
            }
        }
    }
    EXPECT_EQ(lowestFromZero, 0);
    EXPECT_GE(highestFromZero, 49) << "the noise reaches close to p + 1 over 16384 draws";
}

} // namespace
} // namespace mergola
