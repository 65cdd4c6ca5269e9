#include "filters/aqua.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;
using testing::Progress;

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

using Grid = int[5][5];

// A 5 x 5 picture has one filtered pixel, (2, 2), the corner all four blocks share.
int centreAfterAqua(const Grid &blue, const Grid &green, const Grid &red, int channel)
{
    FilterHarness picture(5, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            picture.set(x, y, {blue[y][x], green[y][x], red[y][x]});
    picture.run(AquaFilter, 0);
    return picture.channel(2, 2, channel);
}

int centreAfterAqua(const Grid &grid)
{
    return centreAfterAqua(grid, grid, grid, kBlue);
}

TEST(Aqua, KeepsAFlatPictureAndABoundaryBetweenTwoAreasSharp)
{
    FilterHarness flat(9, 8);
    flat.fill({7, 130, 250});
    flat.run(AquaFilter, 0);
    EXPECT_EQ(flat.dest, flat.source);

    FilterHarness picture(7, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            picture.setAll(x, y, x < 3 ? 10 : 200);
    picture.run(AquaFilter, 0);
    EXPECT_EQ(picture.dest, picture.source);
    EXPECT_EQ(picture.get(3, 3), (Bgr{200, 200, 200})) << "x = 4 takes the upper right block";
    EXPECT_EQ(picture.get(2, 3), (Bgr{10, 10, 10})) << "x = 3 takes the upper left block";
}

TEST(Aqua, TheLowerNumberedBlockWinsATieAndTheMeanIsRoundedDown)
{
    // Blocks whose own 2 x 2 corner holds 0 and 255 spread widely; a calm
    // block holds 100 but for its outer corner.
    const Grid twoAndThree = {{0, 255, 100, 100, 109}, // blocks 2 and 3 both spread 16, means 101 and 99
                              {0, 255, 100, 100, 100},
                              {100, 100, 100, 100, 100},
                              {100, 100, 100, 0, 255},
                              {91, 100, 100, 0, 255}};
    EXPECT_EQ(centreAfterAqua(twoAndThree), 101);
    const Grid oneAndFour = {{91, 100, 100, 0, 255}, // blocks 1 and 4 likewise, the higher mean on block 4
                             {100, 100, 100, 0, 255},
                             {100, 100, 100, 100, 100},
                             {0, 255, 100, 100, 100},
                             {0, 255, 100, 100, 109}};
    EXPECT_EQ(centreAfterAqua(oneAndFour), 99);
    const Grid eightTensAndAnEighteen = {{18, 10, 10, 0, 255}, // block 1: 98 \ 9 = 10, spread 8
                                         {10, 10, 10, 0, 255},
                                         {10, 10, 10, 100, 100},
                                         {0, 255, 100, 0, 255},
                                         {0, 255, 100, 0, 255}};
    EXPECT_EQ(centreAfterAqua(eightTensAndAnEighteen), 10);
}

TEST(Aqua, EachChannelChoosesItsOwnBlock)
{
    const Grid blue = {{0, 255, 100, 0, 255}, // block 3 calm: mean 101
                       {0, 255, 100, 0, 255},
                       {100, 100, 100, 100, 100},
                       {100, 100, 100, 0, 255},
                       {109, 100, 100, 0, 255}};
    const Grid green = {{0, 255, 100, 100, 91}, // block 2 calm: mean 99
                        {0, 255, 100, 100, 100},
                        {100, 100, 100, 100, 100},
                        {0, 255, 100, 0, 255},
                        {0, 255, 100, 0, 255}};
    const Grid red = {{0, 255, 100, 0, 255}, // block 4 calm: mean 102
                      {0, 255, 100, 0, 255},
                      {100, 100, 100, 100, 100},
                      {0, 255, 100, 100, 100},
                      {0, 255, 100, 100, 118}};
    EXPECT_EQ(centreAfterAqua(blue, green, red, kBlue), 101);
    EXPECT_EQ(centreAfterAqua(blue, green, red, kGreen), 99);
    EXPECT_EQ(centreAfterAqua(blue, green, red, kRed), 102);
}

TEST(Aqua, ReportsEachRowBetweenTheTwoPixelFramesAndChangesNothingInPicturesTooSmall)
{
    const struct {
        int width, height;
        Progress progress;
    } sizes[] = {{7, 6, {0, 50, 66, 100}}, {1, 1, {0, 100}}, {2, 2, {0, 100}},         {4, 4, {0, 100}},
                 {9, 4, {0, 100}},         {8, 1, {0, 100}}, {1, 6, {0, 50, 66, 100}}, {4, 6, {0, 50, 66, 100}}};
    for (const auto &size : sizes) {
        FilterHarness picture(size.width, size.height, 40);
        if (size.width < 5 || size.height < 5)
            picture.randomize(4);
        picture.run(AquaFilter, 0);
        EXPECT_EQ(picture.dest, picture.source) << size.width << "x" << size.height;
        EXPECT_EQ(picture.progress.stored, size.progress) << size.width << "x" << size.height;
        EXPECT_EQ(picture.progress.atTurn, Progress(size.progress.begin() + 1, size.progress.end()));
    }
}

TEST(Aqua, MatchesAPlainReferenceOnRandomPicturesOfOddSizes)
{
    // Full-range noise, and nearly flat pictures where spreads tie often.
    const std::pair<int, int> ranges[] = {{0, 255}, {100, 102}, {0, 1}, {250, 255}};
    unsigned seed = 1234;
    for (auto [width, height] : {std::pair{5, 5}, std::pair{6, 7}, std::pair{31, 17}, std::pair{67, 9}}) {
        for (auto [low, high] : ranges) {
            FilterHarness picture(width, height);
            picture.randomize(++seed, low, high);
            const FilterHarness original = picture;
            picture.run(AquaFilter, 0);
            EXPECT_EQ(picture.dest, referenceAqua(original).dest) << width << "x" << height << " " << low << ".." << high;
            EXPECT_EQ(picture.source, original.dest) << "SourceBuffer is never written";
        }
    }
}

} // namespace
} // namespace mergola
