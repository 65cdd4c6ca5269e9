#include "filters/scatter.h"

#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>
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

// Blue and green name the pixel's own column and row; red is a fixed mark.
constexpr int kMark = 77;
void fillWithPositions(FilterHarness &harness)
{
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            harness.set(x, y, {x, y, kMark});
}

std::vector<Bgr> pixelsOf(const FilterHarness &harness)
{
    std::vector<Bgr> pixels;
    for (int y = 0; y < harness.height(); ++y)
        for (int x = 0; x < harness.width(); ++x)
            pixels.push_back(harness.get(x, y));
    return pixels;
}

std::vector<std::int32_t> conventionFor(int rows)
{
    std::vector<std::int32_t> values{0};
    for (int y = 1; y <= rows; ++y)
        values.push_back(y * 100 / rows);
    values.push_back(100);
    return values;
}

// Plain references from the rules, positions counted from 1.
struct RefPicture {
    int width;
    int height;
    std::vector<Bgr> pixels;
    Bgr &at(long long x1, long long y1) { return pixels[std::size_t((y1 - 1) * width + (x1 - 1))]; }
};

RefPicture pictureOf(const FilterHarness &harness)
{
    return {harness.width(), harness.height(), pixelsOf(harness)};
}

RefPicture referenceDeffuse(RefPicture picture, int p, RandomSource &draws)
{
    const double half = std::nearbyint(p / 2.0);
    for (int y = 1; y <= picture.height; ++y) {
        for (int x = 1; x <= picture.width; ++x) {
            const float u1 = draws.next();
            const float u2 = draws.next();
            long long dx = (long long)std::nearbyint(double(u1) * p - half);
            long long dy = (long long)std::nearbyint(double(u2) * p - half);
            if (x + dx < 1)
                dx = 0;
            if (x + dx > picture.width)
                dx = 0;
            if (y + dy < 1)
                dy = 0;
            if (y + dy > picture.height)
                dy = 0;
            picture.at(x, y) = picture.at(x + dx, y + dy);
        }
    }
    return picture;
}

RefPicture referencePixelize(const RefPicture &source, int n)
{
    RefPicture dest = source;
    RefPicture from = source;
    Bgr colour{0, 0, 0};
    for (int y = 1; y <= source.height; ++y) {
        for (int x = 1; x <= source.width; ++x) {
            if ((x - 1) % n == 0) {
                const int x0 = ((x - 1) / n) * n + 1;
                const int y0 = ((y - 1) / n) * n + 1;
                long long b = 0, g = 0, r = 0, count = 0;
                for (int by = y0; by <= y0 + n - 1; ++by) {
                    for (int bx = x0; bx <= x0 + n - 1; ++bx) {
                        if (bx <= source.width && by <= source.height) {
                            b += from.at(bx, by).blue;
                            g += from.at(bx, by).green;
                            r += from.at(bx, by).red;
                            ++count;
                        }
                    }
                }
                if (count > 0)
                    colour = {int(b / count), int(g / count), int(r / count)};
            }
            dest.at(x, y) = colour;
        }
    }
    return dest;
}

const std::pair<int, int> kOddSizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {7, 5}, {13, 9}, {31, 17}};

TEST(DeffuseFilter, LeavesAPictureOfOneColourUnchanged)
{
    FilterHarness harness(11, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 11; ++x)
            harness.set(x, y, {12, 200, 99});
    harness.run(DeffuseFilter, 6);
    for (const Bgr &pixel : pixelsOf(harness))
        EXPECT_EQ(pixel, (Bgr{12, 200, 99}));
    EXPECT_EQ(harness.progress.stored, conventionFor(8));
}

TEST(DeffuseFilter, MatchesThePlainReferenceWithTheSameDraws)
{
    unsigned seed = 500;
    for (auto [width, height] : kOddSizes) {
        for (int p : {6, 5, 2, 1, 0, -6, 40}) {
            FilterHarness harness(width, height);
            fillRandom(harness, ++seed);
            RandomSource replay = harness.random;
            const RefPicture expected = referenceDeffuse(pictureOf(harness), p, replay);
            harness.run(DeffuseFilter, p);
            EXPECT_EQ(pixelsOf(harness), expected.pixels) << width << "x" << height << " p " << p;
            EXPECT_EQ(harness.random.next(), replay.next()) << "two draws for every pixel";
        }
    }
}

TEST(DeffuseFilter, TakesColoursOnlyFromInsideThePictureAndAtMostHalfPBelow)
{
    // Each pixel names where its colour came from. In place, a colour can
    // travel far downwards and to the right through pixels already done,
    // but it never comes from outside, nor from more than p / 2 = 3 rows
    // below, nor, in the top row, from more than 3 columns to the right.
    constexpr int kReach = 3;
    for (auto [width, height] : kOddSizes) {
        FilterHarness harness(width, height);
        for (int run = 0; run < 5; ++run) {
            fillWithPositions(harness);
            harness.run(DeffuseFilter, 6);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const Bgr pixel = harness.get(x, y);
                    ASSERT_EQ(pixel.red, kMark);
                    ASSERT_LT(pixel.blue, width);
                    ASSERT_LT(pixel.green, height);
                    EXPECT_LE(pixel.green, y + kReach) << x << "," << y;
                    if (y == 0) {
                        EXPECT_LE(pixel.blue, x + kReach) << x;
                    }
                }
            }
        }
    }
}

TEST(DeffuseFilter, DrawsTwiceForEveryPixelEvenWhenBothOffsetsAreDropped)
{
    FilterHarness harness(1, 1);
    harness.set(0, 0, {1, 2, 3});
    RandomSource replay = harness.random;
    harness.run(DeffuseFilter, 6);
    EXPECT_EQ(harness.get(0, 0), (Bgr{1, 2, 3}));
    replay.next();
    replay.next();
    EXPECT_EQ(harness.random.next(), replay.next());
}

TEST(DeffuseFilter, ASecondRunUsesFreshDraws)
{
    FilterHarness harness(20, 20);
    fillWithPositions(harness);
    harness.run(DeffuseFilter, 6);
    const std::vector<Bgr> first = pixelsOf(harness);
    fillWithPositions(harness);
    harness.run(DeffuseFilter, 6);
    EXPECT_NE(pixelsOf(harness), first);
}

TEST(PixelizeFilter, BlockSizeOneGivesThePictureBack)
{
    FilterHarness harness(7, 5);
    fillRandom(harness, 600);
    const std::vector<Bgr> before = pixelsOf(harness);
    harness.run(PixelizeFilter, 1);
    EXPECT_EQ(pixelsOf(harness), before);
    EXPECT_EQ(harness.progress.stored, conventionFor(5));
}

TEST(PixelizeFilter, CutsTheEdgeBlocksOfASevenByFivePicture)
{
    FilterHarness harness(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            harness.set(x, y, {0, 10 * x + y, 100 + 20 * y + x});
    harness.set(2, 2, {8, 22, 142}); // the ninth pixel of the first block
    harness.run(PixelizeFilter, 3);

    // Columns 1-3, 4-6, 7 and rows 1-3, 4-5 (counted from 1).
    const int columnStarts[] = {0, 3, 6};
    const int columnEnds[] = {3, 6, 7};
    const int rowStarts[] = {0, 3};
    const int rowEnds[] = {3, 5};
    std::set<std::tuple<int, int, int>> colours;
    for (int by = 0; by < 2; ++by) {
        for (int bx = 0; bx < 3; ++bx) {
            const Bgr block = harness.get(columnStarts[bx], rowStarts[by]);
            colours.insert({block.blue, block.green, block.red});
            long long green = 0, red = 0, count = 0;
            for (int y = rowStarts[by]; y < rowEnds[by]; ++y) {
                for (int x = columnStarts[bx]; x < columnEnds[bx]; ++x) {
                    EXPECT_EQ(harness.get(x, y), block) << x << "," << y;
                    green += harness.source[std::size_t((y * 7 + x) * 4 + kGreen)];
                    red += harness.source[std::size_t((y * 7 + x) * 4 + kRed)];
                    ++count;
                }
            }
            EXPECT_EQ(block.green, green / count);
            EXPECT_EQ(block.red, red / count);
        }
    }
    EXPECT_EQ(colours.size(), 6u) << "six blocks of their own colours";
    EXPECT_EQ(harness.channel(0, 0, kBlue), 0) << "8 \\ 9";
    EXPECT_EQ(harness.get(6, 0), (Bgr{0, 61, 126})) << "the 1 x 3 block: (60+61+62) \\ 3, (106+126+146) \\ 3";
    EXPECT_EQ(harness.get(6, 4), (Bgr{0, 63, 176})) << "the 1 x 2 block: (63+64) \\ 2, (166+186) \\ 2";
}

TEST(PixelizeFilter, MatchesThePlainReferenceOnRandomPictures)
{
    unsigned seed = 700;
    for (auto [width, height] : kOddSizes) {
        for (int n : {2, 3, 4, 5, 8, 40}) {
            FilterHarness harness(width, height);
            fillRandom(harness, ++seed);
            const RefPicture expected = referencePixelize(pictureOf(harness), n);
            harness.run(PixelizeFilter, n);
            EXPECT_EQ(pixelsOf(harness), expected.pixels) << width << "x" << height << " n " << n;
        }
    }
}

TEST(PixelizeFilter, ABlockSizeOfZeroOrBelowLeavesThePictureUnchanged)
{
    for (int n : {0, -1, -3}) {
        FilterHarness harness(5, 4);
        fillRandom(harness, 800);
        const std::vector<Bgr> before = pixelsOf(harness);
        harness.run(PixelizeFilter, n);
        EXPECT_EQ(pixelsOf(harness), before) << n;
        EXPECT_EQ(harness.progress.stored, (std::vector<std::int32_t>{0, 100}));
    }
}

} // namespace
} // namespace mergola
