#include "filters/convolution.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::FilterHarness;
using testing::Progress;

// A plain, slow rendering of the rule: every inner pixel in scan order, its
// eight neighbours read from the picture as it stands. A channel reads only
// its own channel, so storing each at once is storing the three together.
// 64-bit arithmetic stands for the exact value of the formula.
template <typename Formula> auto referenceRunning(Formula formula)
{
    return [formula](FilterHarness p) {
        for (int y = 1; y + 1 < p.height(); ++y)
            for (int x = 1; x + 1 < p.width(); ++x)
                for (int c = 0; c < 3; ++c) {
                    std::int64_t sum = -p.at(x, y, c);
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            sum += p.at(x + dx, y + dy, c);
                    p.at(x, y, c) = std::uint8_t(std::clamp<std::int64_t>(formula(p.at(x, y, c), sum), 0, 255));
                }
        return p;
    };
}

TEST(RunningFilters, WorkInPlaceSoEarlierPixelsFeedLaterOnes)
{
    // One bright pixel in the middle of a 5 x 5 picture: the inner 3 x 3
    // block afterwards, in every channel; the border keeps its value.
    const struct {
        FilterFunction filter;
        std::int32_t p;
        int background, centre;
        std::vector<int> inner;
    } cases[] = {{BlurFilter, 0, 0, 255, {31, 35, 36, 40, 17, 11, 7, 9, 4}},
                 {SharpenFilter, 2, 100, 200, {80, 84, 83, 87, 255, 75, 71, 82, 77}},
                 {EdgeFilter, 1, 100, 200, {50, 75, 62, 87, 255, 54, 29, 87, 52}}};
    for (const auto &c : cases) {
        FilterHarness picture(5, 5, std::uint8_t(c.background));
        picture.setAll(2, 2, c.centre);
        picture.run(c.filter, c.p);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool inner = x % 4 && y % 4;
                const int expected = inner ? c.inner[std::size_t((y - 1) * 3 + x - 1)] : c.background;
                EXPECT_EQ(picture.get(x, y), (testing::Bgr{expected, expected, expected})) << x << "," << y;
            }
    }
}

TEST(RunningFilters, ADivisorOfZeroChangesNothing)
{
    for (auto [filter, p] : {std::pair{FilterFunction(SharpenFilter), -8}, std::pair{FilterFunction(EdgeFilter), -1}}) {
        FilterHarness picture(6, 6);
        picture.randomize(5);
        picture.run(filter, p);
        EXPECT_EQ(picture.dest, picture.source);
        EXPECT_EQ(picture.progress.atTurn, (Progress{100}));
    }
}

TEST(RunningFilters, MatchAPlainReferenceOnRandomSmoothFlatAndTooSmallPictures)
{
    // Random bytes mostly hit the clamp; gentle gradients exercise the
    // quotient itself, including small negative excesses; a flat picture
    // keeps its colour; pictures too small for the 3 x 3 window change nothing.
    std::vector<FilterHarness> pictures = testing::randomPictures(
        {{1, 1}, {2, 2}, {1, 4}, {2, 4}, {7, 1}, {7, 2}, {3, 3}, {13, 4}, {31, 17}, {64, 9}}, 7);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> step(-6, 6);
    FilterHarness &smooth = pictures.emplace_back(23, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 23; ++x)
            smooth.set(x, y,
                       {std::clamp(100 + 3 * x + step(random), 0, 255), std::clamp(120 - 2 * y + step(random), 0, 255),
                        std::clamp(60 + x * y, 0, 255)});
    pictures.emplace_back(9, 6).fill({13, 200, 255});

    testing::expectAsReference(BlurFilter, 0, pictures,
                               referenceRunning([](std::int64_t, std::int64_t s) { return s / 8; }));
    // Menu values, other positive and negative ones, divisors of either sign
    // next to zero, a zero centre weight, both sides of the largest centre
    // weight (100) whose results are kept in a table, and the extremes
    // where C * (p + 24) leaves 32 bits.
    for (std::int64_t p :
         {2, 0, 5, 37, 76, 77, 1000, -7, -9, -10, -24, -25, -124, -125, -300, INT_MAX, INT_MIN, INT_MAX - 7})
        testing::expectAsReference(
            SharpenFilter, std::int32_t(p), pictures,
            referenceRunning([p](std::int64_t c, std::int64_t s) { return (c * (p + 24) - 2 * s) / (p + 8); }));
    for (std::int64_t p : {1, 0, 2, 9, 91, 92, 1000, -2, -3, -9, -10, -109, -110, -600, INT_MAX, INT_MIN, INT_MAX - 8})
        testing::expectAsReference(
            EdgeFilter, std::int32_t(p), pictures,
            referenceRunning([p](std::int64_t c, std::int64_t s) { return (c * (p + 9) - s) / (p + 1); }));
}

} // namespace
} // namespace mergola
