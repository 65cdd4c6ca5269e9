#include "filters/aqua.h"
#include "filters/convolution.h"
#include "filters/filter_menu.h"
#include "filters/relief.h"
#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::FilterHarness;

using Formula = std::function<std::int64_t(std::int64_t centre, std::int64_t neighbours)>;

// A plain, slow rendering of the rule: every inner pixel in scan order,
// its eight neighbours read from the buffer as it stands, the three new
// channel values stored together. 64-bit arithmetic stands for the exact
// value of the formula.
std::vector<std::uint8_t> referenceRunning(std::vector<std::uint8_t> bytes, int width, int height, const Formula &formula)
{
    auto at = [&](int x, int y, int c) -> std::uint8_t & { return bytes[(std::size_t(y) * width + x) * 4 + c]; };
    for (int y = 1; y < height - 1; ++y) {
        for (int x = 1; x < width - 1; ++x) {
            std::int64_t fresh[3];
            for (int c = 0; c < 3; ++c) {
                std::int64_t sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx != 0 || dy != 0)
                            sum += at(x + dx, y + dy, c);
                fresh[c] = std::clamp<std::int64_t>(formula(at(x, y, c), sum), 0, 255);
            }
            for (int c = 0; c < 3; ++c)
                at(x, y, c) = std::uint8_t(fresh[c]);
        }
    }
    return bytes;
}

Formula sharpenFormula(std::int64_t p)
{
    return [p](std::int64_t c, std::int64_t s) { return (c * (p + 24) - 2 * s) / (p + 8); };
}
Formula edgeFormula(std::int64_t p)
{
    return [p](std::int64_t c, std::int64_t s) { return (c * (p + 9) - s) / (p + 1); };
}
Formula blurFormula()
{
    return [](std::int64_t, std::int64_t s) { return s / 8; };
}

void fillRandom(FilterHarness &picture, std::mt19937 &random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto &b : picture.dest)
        b = std::uint8_t(byte(random));
}

// Rows of the inner 3 x 3 block of a 5 x 5 picture, one channel.
std::vector<int> innerBlock(const FilterHarness &picture, int channel)
{
    std::vector<int> values;
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x)
            values.push_back(picture.channel(x, y, channel));
    return values;
}

void expectBorderIs(const FilterHarness &picture, int value)
{
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (x == 0 || y == 0 || x == picture.width() - 1 || y == picture.height() - 1) {
                EXPECT_EQ(picture.get(x, y), (testing::Bgr{value, value, value})) << x << "," << y;
            }
        }
    }
}

TEST(Blur, RunsInPlaceSoEarlierPixelsFeedLaterOnes)
{
    FilterHarness picture(5, 5, 0);
    picture.setAll(2, 2, 255);
    picture.run(BlurFilter, 0);
    const std::vector<int> expected{31, 35, 36, 40, 17, 11, 7, 9, 4};
    for (int c : {kBlue, kGreen, kRed})
        EXPECT_EQ(innerBlock(picture, c), expected) << "channel " << c;
    expectBorderIs(picture, 0);
}

TEST(Sharpen, MenuParameterGivesTheRunningResultAroundABrightCentre)
{
    FilterHarness picture(5, 5, 100);
    picture.setAll(2, 2, 200);
    picture.run(SharpenFilter, 2);
    const std::vector<int> expected{80, 84, 83, 87, 255, 75, 71, 82, 77};
    for (int c : {kBlue, kGreen, kRed})
        EXPECT_EQ(innerBlock(picture, c), expected) << "channel " << c;
    expectBorderIs(picture, 100);
}

TEST(Edge, MenuParameterGivesTheRunningResultAroundABrightCentre)
{
    FilterHarness picture(5, 5, 100);
    picture.setAll(2, 2, 200);
    picture.run(EdgeFilter, 1);
    const std::vector<int> expected{50, 75, 62, 87, 255, 54, 29, 87, 52};
    for (int c : {kBlue, kGreen, kRed})
        EXPECT_EQ(innerBlock(picture, c), expected) << "channel " << c;
    expectBorderIs(picture, 100);
}

TEST(RunningFilters, ReportZeroThenEachInnerRowThenOneHundred)
{
    for (FilterFunction filter : {SharpenFilter, BlurFilter, EdgeFilter}) {
        FilterHarness picture(4, 5, 50);
        picture.run(filter, 2);
        EXPECT_EQ(picture.progress.stored, (std::vector<std::int32_t>{0, 40, 60, 80, 100}));
        EXPECT_EQ(picture.progress.atTurn, (std::vector<std::int32_t>{40, 60, 80, 100}));
    }
}

TEST(RunningFilters, PicturesSmallerThanTheWindowChangeNothing)
{
    struct Size {
        int width, height;
        std::vector<std::int32_t> progress;
    };
    const std::vector<Size> sizes{{1, 1, {0, 100}},           {2, 2, {0, 100}},
                                  {1, 4, {0, 50, 75, 100}},   {2, 4, {0, 50, 75, 100}},
                                  {7, 1, {0, 100}},           {7, 2, {0, 100}}};
    std::mt19937 random(11);
    for (FilterFunction filter : {SharpenFilter, BlurFilter, EdgeFilter}) {
        for (const Size &size : sizes) {
            FilterHarness picture(size.width, size.height);
            fillRandom(picture, random);
            const std::vector<std::uint8_t> before = picture.dest;
            picture.run(filter, 1);
            EXPECT_EQ(picture.dest, before) << size.width << "x" << size.height;
            EXPECT_EQ(picture.progress.stored, size.progress) << size.width << "x" << size.height;
        }
    }
}

TEST(RunningFilters, FlatPictureKeepsItsColour)
{
    for (FilterFunction filter : {SharpenFilter, BlurFilter, EdgeFilter}) {
        for (std::int32_t p : {1, 2, 7, -3, -20}) {
            FilterHarness picture(9, 6);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 9; ++x)
                    picture.set(x, y, {13, 200, 255});
            const std::vector<std::uint8_t> before = picture.dest;
            picture.run(filter, p);
            EXPECT_EQ(picture.dest, before) << "parameter " << p;
        }
    }
}

TEST(RunningFilters, MatchAPlainReferenceOnRandomPicturesOfOddSizes)
{
    struct Case {
        FilterFunction filter;
        std::int32_t parameter;
        Formula formula;
    };
    std::vector<Case> cases{{BlurFilter, 0, blurFormula()}};
    // Menu values, other positive and negative ones, divisors of either sign
    // next to zero, a zero centre weight, both sides of the largest centre
    // weight (100) whose results are kept in a table, and the extremes
    // where C * (p + 24) leaves 32 bits.
    for (std::int32_t p : {2, 0, 5, 37, 76, 77, 1000, -7, -9, -10, -24, -25, -124, -125, -300, INT_MAX, INT_MIN,
                           INT_MAX - 7})
        cases.push_back({SharpenFilter, p, sharpenFormula(p)});
    for (std::int32_t p : {1, 0, 2, 9, 91, 92, 1000, -2, -3, -9, -10, -109, -110, -600, INT_MAX, INT_MIN, INT_MAX - 8})
        cases.push_back({EdgeFilter, p, edgeFormula(p)});

    std::mt19937 random(2024);
    const int sizes[][2] = {{3, 3}, {5, 7}, {13, 4}, {31, 17}, {64, 9}};
    for (const Case &c : cases) {
        for (const auto &size : sizes) {
            FilterHarness picture(size[0], size[1]);
            fillRandom(picture, random);
            const auto expected = referenceRunning(picture.dest, size[0], size[1], c.formula);
            picture.run(c.filter, c.parameter);
            EXPECT_EQ(picture.dest, expected) << "parameter " << c.parameter << ", " << size[0] << "x" << size[1];
        }
    }
}

TEST(RunningFilters, SmoothPicturesMatchTheReferenceToo)
{
    // Random bytes mostly hit the clamp; gentle gradients exercise the
    // quotient itself, including small negative excesses.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> step(-6, 6);
    for (std::int32_t p : {2, 3, -5, 150, -400}) {
        FilterHarness picture(23, 11);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 23; ++x)
                picture.set(x, y, {std::clamp(100 + 3 * x + step(random), 0, 255),
                                   std::clamp(120 - 2 * y + step(random), 0, 255), std::clamp(60 + x * y, 0, 255)});
        FilterHarness edge(23, 11);
        edge.dest = picture.dest;
        const auto sharpened = referenceRunning(picture.dest, 23, 11, sharpenFormula(p));
        const auto edged = referenceRunning(edge.dest, 23, 11, edgeFormula(p));
        picture.run(SharpenFilter, p);
        edge.run(EdgeFilter, p);
        EXPECT_EQ(picture.dest, sharpened) << "Sharpen " << p;
        EXPECT_EQ(edge.dest, edged) << "Edge " << p;
    }
}

TEST(RunningFilters, ZeroDivisorLeavesThePictureUnchanged)
{
    std::mt19937 random(5);
    for (auto [filter, p] : {std::pair{FilterFunction(SharpenFilter), -8}, std::pair{FilterFunction(EdgeFilter), -1}}) {
        FilterHarness picture(6, 6);
        fillRandom(picture, random);
        const std::vector<std::uint8_t> before = picture.dest;
        picture.run(filter, p);
        EXPECT_EQ(picture.dest, before);
        EXPECT_EQ(picture.progress.stored, (std::vector<std::int32_t>{0, 100}));
        EXPECT_EQ(picture.progress.atTurn, (std::vector<std::int32_t>{100}));
    }
}

TEST(RunningFilters, LeaveTheFourthByteAndSourceBufferAlone)
{
    std::mt19937 random(99);
    for (FilterFunction filter : {SharpenFilter, BlurFilter, EdgeFilter}) {
        FilterHarness picture(17, 9);
        fillRandom(picture, random);
        const std::vector<std::uint8_t> before = picture.dest;
        picture.run(filter, 2);
        EXPECT_EQ(picture.source, before) << "SourceBuffer is never written";
        for (std::size_t i = 3; i < before.size(); i += 4)
            ASSERT_EQ(picture.dest[i], before[i]) << "byte " << i;
        EXPECT_NE(picture.dest, before) << "a random picture does change";
    }
}

TEST(FilterTable, MapsTheAreaFilterIdsToTheirFilters)
{
    EXPECT_EQ(filterForId(filter_ids::Sharpen), &SharpenFilter);
    EXPECT_EQ(filterForId(filter_ids::Blur), &BlurFilter);
    EXPECT_EQ(filterForId(filter_ids::Edge), &EdgeFilter);
    EXPECT_EQ(filterForId(filter_ids::Contour), &ContourFilter);
    EXPECT_EQ(filterForId(filter_ids::Emboss), &EmbossFilter);
    EXPECT_EQ(filterForId(filter_ids::Engrave), &EngraveFilter);
    EXPECT_EQ(filterForId(filter_ids::Relief), &ReliefFilter);
    EXPECT_EQ(filterForId(filter_ids::Aqua), &AquaFilter);
}

} // namespace
} // namespace mergola
