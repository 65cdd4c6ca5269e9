#include "filters/relief.h"
#include "filters/filter_menu.h"
#include "support/filter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace mergola {
namespace {

using testing::Bgr;
using testing::FilterHarness;

void fillRandom(FilterHarness &picture, std::mt19937 &random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto &b : picture.dest)
        b = std::uint8_t(byte(random));
}

void fill(FilterHarness &picture, Bgr colour)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.set(x, y, colour);
}

// Channel offsets of a packed colour, blue, green, red, worked out here
// from the packing itself rather than through the code under test.
std::vector<int> offsets(std::int32_t colour)
{
    return {(colour / 65536) % 256, (colour / 256) % 256, colour % 256};
}

// Emboss (sign 1) or Engrave (sign -1) literally in place, pixel by pixel.
std::vector<std::uint8_t> referenceDiagonal(std::vector<std::uint8_t> bytes, int width, int height, int sign,
                                            std::int32_t colour)
{
    const std::vector<int> k = offsets(colour);
    auto at = [&](int x, int y, int c) -> std::uint8_t & { return bytes[(std::size_t(y) * width + x) * 4 + c]; };
    for (int y = 0; y < height - 1; ++y) {
        for (int x = 0; x < width - 1; ++x) {
            int fresh[3];
            for (int c = 0; c < 3; ++c)
                fresh[c] = std::min(255, std::abs(sign * (at(x, y, c) - at(x + 1, y + 1, c)) + k[std::size_t(c)]));
            for (int c = 0; c < 3; ++c)
                at(x, y, c) = std::uint8_t(fresh[c]);
        }
    }
    return bytes;
}

// Contour (relief = false) or Relief over the inner pixels, from a copy.
std::vector<std::uint8_t> referenceInner(const std::vector<std::uint8_t> &source, int width, int height, bool relief,
                                         std::int32_t colour)
{
    const std::vector<int> k = offsets(colour);
    std::vector<std::uint8_t> dest = source;
    auto p = [&](int x, int y, int c) -> int { return source[(std::size_t(y) * width + x) * 4 + c]; };
    for (int y = 1; y < height - 1; ++y) {
        for (int x = 1; x < width - 1; ++x) {
            for (int c = 0; c < 3; ++c) {
                int value;
                if (relief) {
                    const int d = 2 * p(x - 1, y - 1, c) + p(x - 1, y, c) + p(x, y - 1, c) - p(x + 1, y, c) -
                                  p(x, y + 1, c) - 2 * p(x + 1, y + 1, c);
                    value = (p(x, y, c) + d) / 2 + 50;
                } else {
                    int s = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            s += (dx || dy) ? p(x + dx, y + dy, c) : 0;
                    value = 8 * p(x, y, c) - s + k[std::size_t(c)];
                }
                dest[(std::size_t(y) * width + x) * 4 + c] = std::uint8_t(std::clamp(value, 0, 255));
            }
        }
    }
    return dest;
}

TEST(Emboss, DarkPixelAboveABrightDiagonalNeighbourTakesTheMenuColourShift)
{
    FilterHarness emboss(2, 2, 0);
    emboss.setAll(1, 1, 200);
    FilterHarness engrave(2, 2, 0);
    engrave.setAll(1, 1, 200);
    emboss.run(EmbossFilter, kDarkCyan);
    engrave.run(EngraveFilter, kDarkCyan);
    EXPECT_EQ(emboss.get(0, 0), (Bgr{80, 80, 200}));
    EXPECT_EQ(engrave.get(0, 0), (Bgr{255, 255, 200}));
    for (auto [x, y] : {std::pair{1, 0}, std::pair{0, 1}, std::pair{1, 1}}) {
        EXPECT_EQ(emboss.get(x, y), engrave.get(x, y)) << "last row and column are kept";
        EXPECT_EQ(emboss.get(x, y).red, x == 1 && y == 1 ? 200 : 0);
    }
}

TEST(Emboss, FlatFourByFourTakesTheColourExceptTheLastRowAndColumn)
{
    for (FilterFunction filter : {EmbossFilter, EngraveFilter}) {
        FilterHarness picture(4, 4, 100);
        picture.run(filter, kDarkCyan);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(picture.get(x, y), (x < 3 && y < 3 ? Bgr{120, 120, 0} : Bgr{100, 100, 100})) << x << "," << y;
        EXPECT_EQ(picture.progress.stored, (std::vector<std::int32_t>{0, 25, 50, 75, 100}));
        EXPECT_EQ(picture.progress.atTurn, (std::vector<std::int32_t>{25, 50, 75, 100}));
    }
}

TEST(Contour, FlatFourByFourTakesTheColourInsideAndKeepsTheBorder)
{
    FilterHarness picture(4, 4, 100);
    picture.run(ContourFilter, kCyan);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(picture.get(x, y), (x % 3 && y % 3 ? Bgr{255, 255, 0} : Bgr{100, 100, 100})) << x << "," << y;
    EXPECT_EQ(picture.progress.stored, (std::vector<std::int32_t>{0, 50, 75, 100}));
    EXPECT_EQ(picture.progress.atTurn, (std::vector<std::int32_t>{50, 75, 100}));
}

TEST(Relief, FlatHundredStaysAndOtherFlatValuesMoveHalfwayToIt)
{
    FilterHarness hundred(4, 4, 100);
    const std::vector<std::uint8_t> before = hundred.dest;
    hundred.run(ReliefFilter, 0);
    EXPECT_EQ(hundred.dest, before);
    EXPECT_EQ(hundred.progress.stored, (std::vector<std::int32_t>{0, 50, 75, 100}));

    FilterHarness mixed(3, 3);
    fill(mixed, {0, 255, 100});
    mixed.run(ReliefFilter, 0);
    EXPECT_EQ(mixed.get(1, 1), (Bgr{50, 177, 100}));
}

TEST(Relief, HalvingTruncatesTowardZeroBeforeTheClamp)
{
    // Centre and neighbours set so that C + D takes the given value:
    // D = 2 * upper-left + left + up - right - down - 2 * lower-right.
    struct Case {
        int centre, upperLeft, left, right;
        int expected;
    };
    const Case cases[] = {
        {0, 0, 0, 99, 1},    // -99 halves to -49, not -50
        {0, 0, 0, 100, 0},   // -100
        {0, 0, 0, 101, 0},   // -101 halves to -50
        {255, 77, 1, 0, 255}, // 410 gives 255 exactly
        {255, 78, 1, 0, 255}, // 412 gives 256, clamped
        {255, 76, 1, 0, 254}, // 408
    };
    for (const Case &c : cases) {
        FilterHarness picture(3, 3, 0);
        picture.setAll(1, 1, c.centre);
        picture.setAll(0, 0, c.upperLeft);
        picture.setAll(0, 1, c.left);
        picture.setAll(2, 1, c.right);
        picture.run(ReliefFilter, 0);
        EXPECT_EQ(picture.get(1, 1), (Bgr{c.expected, c.expected, c.expected})) << "centre " << c.centre;
    }
}

TEST(ReliefFilters, PicturesTooSmallForTheirRangeChangeNothing)
{
    struct Size {
        int width, height;
        std::vector<std::int32_t> diagonal, inner;
    };
    const std::vector<Size> sizes{
        {1, 1, {0, 100}, {0, 100}},
        {5, 1, {0, 100}, {0, 100}},
        {1, 4, {0, 25, 50, 75, 100}, {0, 50, 75, 100}},
        {2, 2, {}, {0, 100}},
        {2, 5, {}, {0, 40, 60, 80, 100}},
        {6, 2, {}, {0, 100}},
    };
    std::mt19937 random(3);
    for (const Size &size : sizes) {
        for (FilterFunction filter : {EmbossFilter, EngraveFilter, ContourFilter, ReliefFilter}) {
            const bool diagonal = filter == EmbossFilter || filter == EngraveFilter;
            if (diagonal && size.diagonal.empty())
                continue; // wide and tall enough for Emboss; the reference test covers it
            FilterHarness picture(size.width, size.height);
            fillRandom(picture, random);
            const std::vector<std::uint8_t> before = picture.dest;
            picture.run(filter, kCyan);
            EXPECT_EQ(picture.dest, before) << size.width << "x" << size.height;
            EXPECT_EQ(picture.progress.stored, diagonal ? size.diagonal : size.inner)
                << size.width << "x" << size.height;
        }
    }
}

TEST(ReliefFilters, FlatAreasTakeExactlyTheParameterColour)
{
    const std::int32_t colour = 17 + 256 * 140 + 65536 * 250; // red 17, green 140, blue 250
    for (FilterFunction filter : {EmbossFilter, EngraveFilter, ContourFilter}) {
        FilterHarness picture(5, 5);
        fill(picture, {33, 66, 99});
        picture.run(filter, colour);
        EXPECT_EQ(picture.get(1, 1), (Bgr{250, 140, 17}));
        EXPECT_EQ(picture.get(4, 4), (Bgr{33, 66, 99}));
    }
}

TEST(ReliefFilters, MatchAPlainReferenceOnRandomPicturesOfOddSizes)
{
    std::mt19937 random(77);
    // Widths below, at and past whole chunks of 16 pixels and a leftover.
    const int sizes[][2] = {{2, 2}, {3, 3}, {7, 5}, {17, 4}, {18, 4}, {33, 9}, {5, 21}, {70, 3}, {101, 4}};
    const std::int32_t colours[] = {kDarkCyan, kCyan, 0, 16777215, 255 + 256 * 3 + 65536 * 128, 65536 * 255};
    for (const auto &size : sizes) {
        for (std::int32_t colour : colours) {
            FilterHarness picture(size[0], size[1]);
            fillRandom(picture, random);
            const std::vector<std::uint8_t> original = picture.dest;

            picture.run(EmbossFilter, colour);
            EXPECT_EQ(picture.dest, referenceDiagonal(original, size[0], size[1], 1, colour)) << "Emboss";
            picture.dest = original;
            picture.run(EngraveFilter, colour);
            EXPECT_EQ(picture.dest, referenceDiagonal(original, size[0], size[1], -1, colour)) << "Engrave";
            picture.dest = original;
            picture.run(ContourFilter, colour);
            EXPECT_EQ(picture.dest, referenceInner(original, size[0], size[1], false, colour)) << "Contour";
            EXPECT_EQ(picture.source, original) << "SourceBuffer is never written";
            picture.dest = original;
            picture.run(ReliefFilter, colour);
            EXPECT_EQ(picture.dest, referenceInner(original, size[0], size[1], true, colour)) << "Relief";
            EXPECT_EQ(picture.source, original) << "SourceBuffer is never written";
        }
    }
}

TEST(ReliefFilters, LeaveTheFourthByteAlone)
{
    std::mt19937 random(8);
    for (FilterFunction filter : {EmbossFilter, EngraveFilter, ContourFilter, ReliefFilter}) {
        FilterHarness picture(19, 7);
        fillRandom(picture, random);
        const std::vector<std::uint8_t> before = picture.dest;
        picture.run(filter, kDarkCyan);
        EXPECT_NE(picture.dest, before) << "a random picture does change";
        for (std::size_t i = 3; i < before.size(); i += 4)
            ASSERT_EQ(picture.dest[i], before[i]) << "byte " << i;
    }
}

} // namespace
} // namespace mergola
