#include "filters/aqua.h"
#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

// The rule as written: for each channel of each pixel, four blocks of nine
// values read afresh, the first strictly smallest spread wins.
std::vector<std::uint8_t> referenceAqua(const std::vector<std::uint8_t> &source, int width, int height)
{
    std::vector<std::uint8_t> dest = source;
    auto p = [&](int x, int y, int c) -> int { return source[(std::size_t(y) * width + x) * 4 + c]; };
    const int left[4] = {-2, 0, -2, 0};
    const int top[4] = {-2, -2, 0, 0};
    for (int y = 2; y < height - 2; ++y) {
        for (int x = 2; x < width - 2; ++x) {
            for (int c = 0; c < 3; ++c) {
                int mean[4], deviation[4];
                for (int q = 0; q < 4; ++q) {
                    int sum = 0;
                    for (int dy = 0; dy < 3; ++dy)
                        for (int dx = 0; dx < 3; ++dx)
                            sum += p(x + left[q] + dx, y + top[q] + dy, c);
                    mean[q] = sum / 9;
                    deviation[q] = 0;
                    for (int dy = 0; dy < 3; ++dy)
                        for (int dx = 0; dx < 3; ++dx)
                            deviation[q] += std::abs(p(x + left[q] + dx, y + top[q] + dy, c) - mean[q]);
                }
                int best = 99999, chosen = -1;
                for (int q = 0; q < 4; ++q) {
                    if (deviation[q] < best) {
                        best = deviation[q];
                        chosen = q;
                    }
                }
                dest[(std::size_t(y) * width + x) * 4 + c] = std::uint8_t(mean[chosen]);
            }
        }
    }
    return dest;
}

void fillRandom(FilterHarness &picture, std::mt19937 &random, int low, int high)
{
    std::uniform_int_distribution<int> value(low, high);
    for (auto &b : picture.dest)
        b = std::uint8_t(value(random));
}

// A 5 x 5 picture has one filtered pixel, (2, 2). Each block around it has
// four cells of its own (the corner 2 x 2); the other cells are shared.
// Shared cells hold 100; a block's own cells hold 0, 255, 0, 255, which
// gives it a large spread, unless the block is named in `calm`, where they
// hold 100 except the outermost corner, which holds the given value.
struct CalmBlock {
    int block; // 1 to 4
    int corner;
};
void paintBlocks(FilterHarness &picture, int channel, std::vector<CalmBlock> calm)
{
    const int cornerX[4] = {0, 3, 0, 3};
    const int cornerY[4] = {0, 0, 3, 3};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            picture.dest[(std::size_t(y) * 5 + x) * 4 + std::size_t(channel)] = 100;
    for (int q = 0; q < 4; ++q) {
        const int own[4][2] = {{cornerX[q], cornerY[q]},
                               {cornerX[q] + 1, cornerY[q]},
                               {cornerX[q], cornerY[q] + 1},
                               {cornerX[q] + 1, cornerY[q] + 1}};
        // The cell of the block's own four that lies in the picture's corner.
        const int outer = q;
        int calmCorner = -1;
        for (const CalmBlock &c : calm)
            if (c.block == q + 1)
                calmCorner = c.corner;
        for (int n = 0; n < 4; ++n) {
            int value = n % 2 == 0 ? 0 : 255;
            if (calmCorner >= 0)
                value = n == outer ? calmCorner : 100;
            picture.dest[(std::size_t(own[n][1]) * 5 + std::size_t(own[n][0])) * 4 + std::size_t(channel)] =
                std::uint8_t(value);
        }
    }
}

TEST(Aqua, FlatPictureIsUnchanged)
{
    FilterHarness picture(9, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 9; ++x)
            picture.set(x, y, {7, 130, 250});
    const std::vector<std::uint8_t> before = picture.dest;
    picture.run(AquaFilter, 0);
    EXPECT_EQ(picture.dest, before);
}

TEST(Aqua, KeepsABoundaryBetweenTwoAreasSharp)
{
    FilterHarness picture(7, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            picture.setAll(x, y, x < 3 ? 10 : 200);
    const std::vector<std::uint8_t> before = picture.dest;
    picture.run(AquaFilter, 0);
    EXPECT_EQ(picture.dest, before);
    EXPECT_EQ(picture.get(3, 3), (Bgr{200, 200, 200})) << "x = 4 takes the upper right block";
    EXPECT_EQ(picture.get(2, 3), (Bgr{10, 10, 10})) << "x = 3 takes the upper left block";
}

TEST(Aqua, LowerNumberedBlockWinsATie)
{
    // Blocks 2 and 3 both have spread 16, means 101 and 99.
    FilterHarness twoAndThree(5, 5);
    for (int c : {kBlue, kGreen, kRed})
        paintBlocks(twoAndThree, c, {{2, 109}, {3, 91}});
    twoAndThree.run(AquaFilter, 0);
    EXPECT_EQ(twoAndThree.get(2, 2), (Bgr{101, 101, 101}));

    // Blocks 1 and 4 likewise, with the higher mean on block 4 this time.
    FilterHarness oneAndFour(5, 5);
    for (int c : {kBlue, kGreen, kRed})
        paintBlocks(oneAndFour, c, {{1, 91}, {4, 109}});
    oneAndFour.run(AquaFilter, 0);
    EXPECT_EQ(oneAndFour.get(2, 2), (Bgr{99, 99, 99}));
}

TEST(Aqua, EachChannelChoosesItsOwnBlock)
{
    FilterHarness picture(5, 5);
    paintBlocks(picture, kBlue, {{3, 109}});  // mean 101
    paintBlocks(picture, kGreen, {{2, 91}});  // mean 99
    paintBlocks(picture, kRed, {{4, 118}});   // mean 102
    picture.run(AquaFilter, 0);
    EXPECT_EQ(picture.get(2, 2), (Bgr{101, 99, 102}));
}

TEST(Aqua, BlockMeanIsRoundedDown)
{
    // Block 1 holds eight 10s and one 18: 98 \ 9 = 10, spread 8.
    FilterHarness picture(5, 5);
    for (int c : {kBlue, kGreen, kRed}) {
        paintBlocks(picture, c, {});
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                picture.dest[(std::size_t(y) * 5 + x) * 4 + std::size_t(c)] = 10;
        picture.dest[std::size_t(c)] = 18;
    }
    picture.run(AquaFilter, 0);
    EXPECT_EQ(picture.get(2, 2), (Bgr{10, 10, 10}));
}

TEST(Aqua, ReportsEachRowBetweenTheTwoPixelFrames)
{
    FilterHarness picture(7, 6, 40);
    picture.run(AquaFilter, 0);
    EXPECT_EQ(picture.progress.stored, (std::vector<std::int32_t>{0, 50, 66, 100}));
    EXPECT_EQ(picture.progress.atTurn, (std::vector<std::int32_t>{50, 66, 100}));
}

TEST(Aqua, PicturesSmallerThanTheWindowChangeNothing)
{
    struct Size {
        int width, height;
        std::vector<std::int32_t> progress;
    };
    const std::vector<Size> sizes{{1, 1, {0, 100}},     {2, 2, {0, 100}},         {4, 4, {0, 100}},
                                  {9, 4, {0, 100}},     {1, 6, {0, 50, 66, 100}}, {4, 6, {0, 50, 66, 100}},
                                  {8, 1, {0, 100}}};
    std::mt19937 random(4);
    for (const Size &size : sizes) {
        FilterHarness picture(size.width, size.height);
        fillRandom(picture, random, 0, 255);
        const std::vector<std::uint8_t> before = picture.dest;
        picture.run(AquaFilter, 0);
        EXPECT_EQ(picture.dest, before) << size.width << "x" << size.height;
        EXPECT_EQ(picture.progress.stored, size.progress) << size.width << "x" << size.height;
    }
}

TEST(Aqua, MatchesAPlainReferenceOnRandomPicturesOfOddSizes)
{
    std::mt19937 random(1234);
    const int sizes[][2] = {{5, 5}, {6, 7}, {13, 5}, {31, 17}, {5, 23}, {67, 9}};
    // Full-range noise, and nearly flat pictures where spreads tie often.
    const int ranges[][2] = {{0, 255}, {100, 102}, {0, 1}, {250, 255}};
    for (const auto &size : sizes) {
        for (const auto &range : ranges) {
            FilterHarness picture(size[0], size[1]);
            fillRandom(picture, random, range[0], range[1]);
            const std::vector<std::uint8_t> original = picture.dest;
            picture.run(AquaFilter, 0);
            EXPECT_EQ(picture.dest, referenceAqua(original, size[0], size[1]))
                << size[0] << "x" << size[1] << " values " << range[0] << ".." << range[1];
            EXPECT_EQ(picture.source, original) << "SourceBuffer is never written";
        }
    }
}

TEST(Aqua, LeavesTheFourthByteAlone)
{
    std::mt19937 random(21);
    FilterHarness picture(23, 11);
    fillRandom(picture, random, 0, 255);
    const std::vector<std::uint8_t> before = picture.dest;
    picture.run(AquaFilter, 0);
    EXPECT_NE(picture.dest, before) << "a random picture does change";
    for (std::size_t i = 3; i < before.size(); i += 4)
        ASSERT_EQ(picture.dest[i], before[i]) << "byte " << i;
}

} // namespace
} // namespace mergola
