#include "filters/aqua.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

// The rule as written: for each channel of each pixel, four blocks of nine
// values read afresh, the first strictly smallest spread wins.
FilterHarness referenceAqua(FilterHarness p)
{
    const FilterHarness s = p;
    const int left[4] = {-2, 0, -2, 0};
    const int top[4] = {-2, -2, 0, 0};
    for (int y = 2; y + 2 < p.height(); ++y)
        for (int x = 2; x + 2 < p.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                int best = 99999, chosenMean = -1;
                for (int q = 0; q < 4; ++q) {
                    int sum = 0, deviation = 0;
                    for (int i = 0; i < 9; ++i)
                        sum += s.channel(x + left[q] + i % 3, y + top[q] + i / 3, c);
                    for (int i = 0; i < 9; ++i)
                        deviation += std::abs(s.channel(x + left[q] + i % 3, y + top[q] + i / 3, c) - sum / 9);
                    if (deviation < best)
                        best = deviation, chosenMean = sum / 9;
                }
                p.at(x, y, c) = std::uint8_t(chosenMean);
            }
    return p;
}

// A 5 x 5 picture has one filtered pixel, (2, 2), the corner that all four
// blocks share. Each block also owns a 2 x 2 corner of the picture, which
// holds 0 and 255, a wide spread, unless the block is calm: then it holds 100
// but for its outermost cell, which holds the given value. Every other cell
// holds 100.
using Grid = std::array<std::array<int, 5>, 5>;
Grid blocks(std::initializer_list<std::pair<int, int>> calm) // block 1 to 4, outermost value
{
    Grid grid{};
    for (auto &row : grid)
        row.fill(100);
    for (int q = 0; q < 4; ++q) {
        const int left = q % 2 * 3, top = q / 2 * 3;
        int outermost = -1;
        for (auto [block, value] : calm)
            outermost = block == q + 1 ? value : outermost;
        for (int y = top; y < top + 2; ++y)
            for (int x = left; x < left + 2; ++x)
                grid[y][x] = outermost < 0 ? (x == left ? 0 : 255) : x == q % 2 * 4 && y == q / 2 * 4 ? outermost : 100;
    }
    return grid;
}

int centreAfterAqua(const Grid &grid)
{
    FilterHarness picture(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            picture.setAll(x, y, grid[y][x]);
    picture.run(AquaFilter, 0);
    return picture.channel(2, 2, kBlue);
}

TEST(Aqua, TheLowerNumberedBlockWinsATieAndTheMeanIsRoundedDown)
{
    EXPECT_EQ(centreAfterAqua(blocks({{2, 109}, {3, 91}})), 101) << "2 and 3 both spread 16, means 101 and 99";
    EXPECT_EQ(centreAfterAqua(blocks({{1, 91}, {4, 109}})), 99) << "1 and 4 likewise, the higher mean on 4";
    Grid tens = blocks({});
    for (int y = 0; y < 3; ++y)
        tens[y] = {10, 10, 10, tens[y][3], tens[y][4]};
    tens[0][0] = 18;
    EXPECT_EQ(centreAfterAqua(tens), 10) << "block 1 holds eight 10s and an 18: 98 \\ 9 = 10, spread 8";
}

TEST(Aqua, MatchesAPlainReferenceOnRandomPicturesOfOddSizes)
{
    // Full-range noise, and nearly flat pictures where spreads tie often;
    // pictures too small for the 5 x 5 window change nothing.
    for (auto [low, high] : {std::pair{0, 255}, {100, 102}, {0, 1}, {250, 255}})
        testing::expectAsReference(
            AquaFilter, 0,
            testing::randomPictures(
                {{1, 1}, {2, 2}, {4, 4}, {9, 4}, {8, 1}, {1, 6}, {4, 6}, {5, 5}, {6, 7}, {31, 17}, {67, 9}},
                unsigned(low + high), low, high),
            referenceAqua);
}

} // namespace
} // namespace mergola
